// The built-in classes and functions of ActionScript 1/2, one install
// function per file of builtins/. A new built-in goes into the file of
// its class (or a new file with its install function listed here and
// called from Machine::installBuiltins()).
#pragma once

#include "swf/avm1/functions.h"
#include "swf/model/filter.h"
#include "swf/runtime/pointerinput.h"
#include "swf/runtime/textformat.h"

#include <initializer_list>
#include <optional>

namespace swf::amf {
struct Graph;
} // namespace swf::amf

namespace swf::avm1 {

class Machine;

void installObjectClass(Machine &m);        // builtins/objectclass.cpp
void installFunctionClass(Machine &m);      // builtins/functionclass.cpp
void installGlobalFunctions(Machine &m);    // builtins/globalfunctions.cpp
void installArrayClass(Machine &m);         // builtins/arrayclass.cpp
void installStringClass(Machine &m);        // builtins/stringclass.cpp
void installNumberAndBoolean(Machine &m);   // builtins/numberboolean.cpp
void installMath(Machine &m);               // builtins/mathclass.cpp
void installMovieClipClass(Machine &m);     // builtins/movieclipclass.cpp
void installButtonAndTextField(Machine &m); // builtins/buttontextfield.cpp
void installKeyAndMouse(Machine &m);        // builtins/keymouse.cpp
void installAsBroadcaster(Machine &m);      // builtins/asbroadcaster.cpp
void installErrorClass(Machine &m);         // builtins/errorclass.cpp
void installSharedObject(Machine &m);       // builtins/sharedobject.cpp
void installGeom(Machine &m);               // builtins/geom.cpp (after MovieClip)
void installColor(Machine &m);              // builtins/color.cpp
void installStageAndSystem(Machine &m);     // builtins/stagesystem.cpp
void installDateClass(Machine &m);          // builtins/dateclass.cpp
void installSoundClass(Machine &m);         // builtins/soundclass.cpp
void installXmlClasses(Machine &m);         // builtins/xmlclass.cpp
void installLoadVars(Machine &m);           // builtins/loadvars.cpp
void installTextField(Machine &m);          // builtins/textfield.cpp (after MovieClip)
void installTextFormat(Machine &m);         // builtins/textformat.cpp
// TextField.StyleSheet (builtins/stylesheet.cpp), from installTextField.
void installStyleSheet(Machine &m, Object *textField);
// A text field is made: the prototypes get the field properties
// (builtins/textfield.cpp).
void defineTextFieldProperties(Machine &m);
void installSelection(Machine &m);         // builtins/selection.cpp (after AsBroadcaster)
void installFilters(Machine &m);           // builtins/filters.cpp (after Geom)
void installBitmapData(Machine &m);        // builtins/bitmapdata.cpp (after Filters)
void installStandaloneClasses(Machine &m); // builtins/standaloneclasses.cpp
void installConnections(Machine &m);       // builtins/connections.cpp
void installNativeTable(Machine &m);       // builtins/nativetable.cpp (last)
void installMovieClipLoader(Machine &m);   // builtins/moviecliploader.cpp (after AsBroadcaster)
// The drawing API of MovieClip.prototype (builtins/drawing.cpp).
void installDrawingMethods(Machine &m, Object *movieClipProto);

// Shared by the built-ins.
// The integer an argument gives, or `fallback` for undefined and NaN.
int intArg(Machine &m, const Args &args, int index, int fallback);
// What getVersion() and _level0.$version give.
QString playerVersion();
// A method as the player's own ActionScript classes define theirs: a
// function with a prototype of its own (enumerable unless `flags` say).
FunctionObject *defineScriptMethod(Machine &m, Object *target, const QString &name,
                                   NativeFunction call, quint32 flags = 0);
// A built-in's table of methods, all with `flags`: natives, or, where
// `scripted`, defined as by defineScriptMethod.
struct MethodSpec {
    const char *name;
    NativeFunction call;
    bool scripted = false;
};
void defineMethods(Machine &m, Object *target, std::initializer_list<MethodSpec> methods,
                   quint32 flags);
// Makes every own property of a built-in hidden, permanent and read-only,
// as the Flash Player leaves its fixed objects (Math, Key, Number, …).
void protectProperties(Object *object);
// AsBroadcaster's broadcastMessage, for classes that broadcast as it does
// (builtins/asbroadcaster.cpp).
Value broadcasterMessage(Machine &m, const Value &self, const Args &args);
// A property read and written through built-in functions, as
// addProperty makes them.
void defineAccessor(Machine &m, Object *target, const QString &name, NativeFunction get,
                    NativeFunction set, quint32 flags);
// A built-in's table of accessors, all with `flags`, put on `target` where
// it has no property of the name yet.
struct AccessorSpec {
    const char *name;
    NativeFunction get;
    NativeFunction set;
};
void defineMissingAccessors(Machine &m, Object *target,
                            std::initializer_list<AccessorSpec> accessors, quint32 flags);
// A flash.geom.Transform of `clip`.
Value makeTransform(Machine &m, DisplayObject &clip);
// Makes `object` a broadcaster: its own _listeners and methods, with `flags`.
void makeBroadcaster(Machine &m, Object *object,
                     quint32 flags = PropertyFlag::DontEnum | PropertyFlag::DontDelete);
// The script values of an AMF0 graph, its object `root` made into `data`
// (builtins/sharedobject.cpp).
void fromAmf(Machine &m, const amf::Graph &graph, int root, Object *data);
// A new TextFormat with these values (none reads as null), and the values
// of a TextFormat (none for anything else).
Value makeTextFormat(Machine &m, const TextFormatValues &values);
std::optional<TextFormatValues> textFormatValuesOf(const Value &value);
// A key typed while a text field has the focus edits it; a press on a
// field gives it the focus.
void typeIntoFocus(Machine &m, const KeyEvent &event);
void focusFieldAt(Machine &m, QPointF stagePoint);
// The renderer's filter of a flash.filters object; none for other values.
std::optional<Filter> filterOfValue(Machine &m, const Value &value);

} // namespace swf::avm1
