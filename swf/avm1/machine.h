// The ActionScript 1/2 machine of one player: the player's ScriptHost.
// It keeps the objects of the movie's scripts (the global object, the
// built-in classes, the script object of every clip, button and text
// field), queues what the timelines and input hand it, and runs the queue
// when the player says so, within the movie's limits.
#pragma once

#include "swf/avm1/functions.h"
#include "swf/avm1/heap.h"
#include "swf/avm1/keytable.h"
#include "swf/avm1/names.h"
#include "swf/model/movie.h"
#include "swf/runtime/scripthost.h"
#include "swf/runtime/scriptservices.h"

#include <QElapsedTimer>
#include <QRectF>

#include <deque>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace swf {
class EditTextInstance;
class Player;
} // namespace swf

namespace swf::avm1 {

class ArrayObject;
class ClipObject;
class Interpreter;

// The prototypes and constructors the built-ins hang on.
struct Prototypes {
    Object *object = nullptr;
    Object *function = nullptr;
    Object *array = nullptr;
    Object *string = nullptr;
    Object *number = nullptr;
    Object *boolean = nullptr;
    Object *movieClip = nullptr;
    Object *button = nullptr;
    Object *textField = nullptr;
    Object *video = nullptr;
    Object *error = nullptr;
    Object *date = nullptr;
    Object *dateClass = nullptr;
    // The Function class, every function's constructor.
    Object *functionClass = nullptr;
};

// Where a clip event comes from, in the order of the SWF clip event flags.
namespace ClipEvent {
inline constexpr quint32 Load = 0x01;
inline constexpr quint32 EnterFrame = 0x02;
inline constexpr quint32 Unload = 0x04;
inline constexpr quint32 MouseMove = 0x08;
inline constexpr quint32 MouseDown = 0x10;
inline constexpr quint32 MouseUp = 0x20;
inline constexpr quint32 KeyDown = 0x40;
inline constexpr quint32 KeyUp = 0x80;
inline constexpr quint32 Data = 0x100;
inline constexpr quint32 Initialize = 0x200;
inline constexpr quint32 Press = 0x400;
inline constexpr quint32 Release = 0x800;
inline constexpr quint32 ReleaseOutside = 0x1000;
inline constexpr quint32 RollOver = 0x2000;
inline constexpr quint32 RollOut = 0x4000;
inline constexpr quint32 DragOver = 0x8000;
inline constexpr quint32 DragOut = 0x10000;
inline constexpr quint32 KeyPress = 0x20000;
inline constexpr quint32 Construct = 0x40000;
} // namespace ClipEvent

// State a built-in keeps beside the machine (open SharedObjects): its
// objects are marked with the machine's roots, and it hears of the
// machine's end while every object still lives.
class MachineExtension {
public:
    virtual ~MachineExtension() = default;
    virtual void markRoots(Heap &) {}
    virtual void closing(Machine &) {}
    // Once a frame, before the intervals: what the extension waited for
    // (a sound that ended, a file loaded) may call into scripts.
    virtual void frameEnded(Machine &) {}
    // A new frame begins, before any of its scripts.
    virtual void frameStarting(Machine &) {}
};

class Machine final : public ScriptHost {
public:
    Machine(std::shared_ptr<const Movie> movie, std::shared_ptr<ScriptServices> services);
    ~Machine() override;
    Machine(const Machine &) = delete;
    Machine &operator=(const Machine &) = delete;

    // ScriptHost.
    void attach(Player &player) override;
    void doAction(DisplayObject &owner, const DoAction &tag) override;
    void doInitAction(DisplayObject &owner, const DoInitAction &tag) override;
    void objectAdded(DisplayObject &object) override;
    void objectRemoved(DisplayObject &object) override;
    bool holdsUntilUnloaded(const DisplayObject &object) const override;
    void frameStarting() override;
    void frameEntered(DisplayObject &owner, int frame) override;
    void clipStepping(DisplayObject &clip) override;
    void runPending() override;
    void frameEnded() override;
    void mouseStateChanged(DisplayObject &object, ButtonMouseState from,
                           ButtonMouseState to) override;
    void pointerEvent(const PointerEvent &event) override;
    void keyEvent(const KeyEvent &event) override;
    bool takesPointer(const DisplayObject &object) const override;

    int version() const { return m_version; }
    const Movie &movie() const { return *m_movie; }
    Player &player() const { return *m_player; }
    bool hasPlayer() const { return m_player != nullptr; }
    ScriptServices &services() const { return *m_services; }
    Heap &heap() { return m_heap; }
    KeyTable &keys() { return m_keys; }
    const Names &names() const { return m_names; }
    StrRef key(const QString &name) { return m_keys.key(name); }
    StringData *key(StringData *name) { return m_keys.key(name); }
    Object *global() const { return m_global; }
    Prototypes &protos() { return m_protos; }
    Interpreter &interpreter() { return *m_interpreter; }

    // Making objects.
    Object *newObject();
    ArrayObject *newArray();
    // An array literal, or Array called as a function: its prototype is
    // whatever _global.Array.prototype is now, none if nothing is there.
    ArrayObject *newLiteralArray();
    // What an object literal makes: it names Object as its constructor.
    Object *newLiteralObject();
    FunctionObject *newNative(NativeFunction call, NativeFunction construct = nullptr);
    // Adds a built-in method or value, hidden from for..in.
    void defineMethod(Object *target, const QString &name, NativeFunction call);
    void defineValue(Object *target, const QString &name, const Value &value,
                     quint32 flags = PropertyFlag::DontEnum);
    // A constructor with its prototype, both linked, put on _global.
    FunctionObject *defineClass(const QString &name, Object *prototype, NativeFunction call,
                                NativeFunction construct = nullptr);

    // Properties, through prototypes, getters and built-in kinds.
    // lookup() tells whether the name was found at all.
    bool lookup(Object *object, StringData *key, Value &out);
    Value get(Object *object, StringData *key);
    Value get(Object *object, const QString &name) { return get(object, key(name).data()); }
    // `name` is the name as written, kept for for..in when the property is
    // new (keys lose their case before version 7).
    void set(Object *object, StringData *key, const Value &value, StringData *name = nullptr);
    void set(Object *object, const QString &name, const Value &value)
    {
        const StrRef text(name);
        set(object, key(text.data()), value, text.data());
    }
    // The property on the object or its prototypes, if any.
    Property *findProperty(Object *object, StringData *key, Object **owner = nullptr);
    bool hasProperty(Object *object, StringData *key);
    // The prototype lookups (or, with `inheritance`, instanceof and
    // isPrototypeOf) go on to: none when the object's __proto__ is hidden
    // from them in the movie's version.
    Object *linkedProto(Object *object, bool inheritance = false);
    bool hasOwnProperty(Object *object, StringData *key);
    // Names for..in visits: own enumerable properties, then the
    // prototypes', each once.
    void enumerableNames(Object *object, std::vector<StrRef> &names);
    bool deleteProperty(Object *object, StringData *key);
    // Members of any value: strings, numbers and booleans through their
    // prototypes.
    Value getMember(const Value &target, const Value &name);
    void setMember(const Value &target, const Value &name, const Value &value);

    // Conversions, as the movie's version does them.
    enum class Hint { None, Number, String };
    double toNumber(const Value &value);
    StrRef toString(const Value &value);
    bool toBoolean(const Value &value);
    Value toPrimitive(const Value &value, Hint hint = Hint::None);
    // A value toPrimitive has already asked: objects left read as their
    // kind ("[type Object]") or a clip's path, with no method called.
    StrRef objectString(const Value &value);
    // Wraps primitives; null for undefined and null.
    Object *toObject(const Value &value);
    qint32 toInt32(const Value &value) { return toInt32(toNumber(value)); }
    // Wrapped modulo 2^32, NaN and the infinities to 0.
    static qint32 toInt32(double number)
    {
        if (number >= -2147483648.0 && number < 2147483648.0)
            return qint32(number);
        return wrapToInt32(number);
    }
    static QString numberToString(double number);
    // a + b, cut at the longest string a script may make. Scripts build
    // the same short names over and over ("item" + i), so recent joins of
    // short strings are kept by the pair of strings joined.
    StrRef join(const StrRef &a, const StrRef &b);
    // numberToString as a script string; small whole numbers, which loops
    // and indices make all the time, are made once.
    StrRef numberText(double number);
    static double stringToNumber(const QString &text, int version);
    StrRef typeOf(const Value &value);
    bool instanceOf(const Value &value, Object *constructor);
    bool abstractEquals(const Value &a, const Value &b);
    bool strictEquals(const Value &a, const Value &b);
    // a < b: true, false, or undefined when either is NaN.
    Value lessThan(const Value &a, const Value &b);

    // Calls from built-ins into functions of either kind. After a call,
    // hasException() tells whether the function threw.
    Value call(const Value &function, const Value &self, const Args &args);
    Value construct(const Value &constructor, const Args &args);
    // What `new` gives a fresh object before its constructor runs.
    void initializeConstructed(Object *made, FunctionObject *constructor);
    // The hidden links of an object `new` made to its constructor.
    void linkConstructed(Object *made, FunctionObject *constructor);
    // Sets an object's prototype and its own __proto__ property together.
    void setPrototypeOf(Object *object, Object *proto);
    // Gives a function its own hidden constructor, Function.
    void linkFunction(Object *function);
    // The own "length" entry of arrays and String objects.
    void addLengthProperty(Object *object);
    // Sets up a function's locals and registers for a call; `caller` is
    // the script function that made it, if any.
    void prepareActivation(Object *locals, std::vector<Value> &registers, FunctionObject &function,
                           const Value &self, const Args &args, Object *clip,
                           FunctionObject *caller, const SuperBase &base);
    bool hasException() const { return m_hasException; }
    // Either of the two above: what the interpreter asks after each action.
    bool interrupted() const { return m_hasException | m_aborted; }
    void throwValue(const Value &value);
    Value takeException();
    // Scripts stop for good (a limit was passed): nothing more runs in
    // this queue run.
    void abortScripts(const QString &reason);
    bool aborted() const { return m_aborted; }

    // Display objects and their script objects.
    ClipObject *objectOf(DisplayObject &object);
    DisplayObject *displayObjectOf(const Value &value) const;
    // The live clip a target path "_level0.a.b" names, if any.
    DisplayObject *liveClipAt(const QString &path) const;
    // For the object of a removed clip, that of the live clip now at its
    // path (or the object itself; `gone` tells then whether it is past
    // its unload handlers).
    Object *liveObject(Object *object, bool *gone = nullptr);
    Object *rootObject();
    // "_level0.a.b" for an object, as _target and targetPath show it.
    QString targetPathOf(const DisplayObject &object) const;
    QString slashPathOf(const DisplayObject &object) const;
    // A clip by path, from `base` ("/a/b", "../c", "_root.a", "_level1").
    DisplayObject *resolvePath(const QString &path, DisplayObject *base);
    // The child a path or a member names: sprites, buttons and text fields.
    DisplayObject *childNamed(DisplayObject &parent, const QString &name) const;
    DisplayObject *level(int number) const;
    DisplayObject *levelRootOf(DisplayObject &object) const;
    // What _root names for code of `object`: the nearest clip, itself
    // included, whose _lockroot is set, else its level's main timeline.
    DisplayObject *rootOf(DisplayObject &object);
    // The index of a display property name (_x, …), or -1.
    int displayPropertyIndex(StringData *key) const;

    // What scripts do to clips. Frames are one-based numbers or labels,
    // "path:frame" naming another clip's.
    void gotoClipFrame(DisplayObject &clip, const Value &frame, bool play, int bias = 0);
    DisplayObject *duplicateClip(DisplayObject &source, const QString &name, int depth,
                                 Object *initObject);
    void removeClip(DisplayObject &object);
    // Puts a clip made by a script on `parent`'s list and constructs it.
    DisplayObject *addScriptClip(DisplayObject &parent, std::unique_ptr<DisplayObject> made,
                                 Object *initObject);
    void broadcastToListeners(const Value &broadcaster, const QString &message,
                              const std::vector<Value> &args);
    void startDrag(DisplayObject &object, bool lockCenter, std::optional<QRectF> bounds);
    void stopDrag();
    void stopSounds();

    // Output, and what scripts ask of the world.
    void trace(const QString &line) { m_services->trace(line); }
    void getUrl(const QString &url, const QString &target);
    // Set by "FSCommand:quit": the movie asked the player to end.
    bool quitRequested() const { return m_quit; }

    // The queue. Priority 0 runs first: init actions, then construction
    // events, then everything else in the order it came.
    enum class Priority { Init = 0, Construct = 1, Normal = 2 };
    void queueActions(DisplayObject &target, const QByteArray &actions, Priority priority);
    void queueEvent(DisplayObject &target, quint32 event, Priority priority);
    // Runs the clip event `event` of `object` now: its clip action records
    // and its on… handler.
    void runEvent(DisplayObject &object, quint32 event);
    // Compiled action blocks, once each.
    std::shared_ptr<const ActionProgram> program(const QByteArray &actions);
    void runProgram(const std::shared_ptr<const ActionProgram> &program, DisplayObject &target);

    // Time a script may run before it is stopped (the movie's ScriptLimits
    // or 15 s), and how deep calls may go.
    qint64 timeoutMs() const { return m_timeoutMs; }
    void setTimeoutMs(qint64 ms) { m_timeoutMs = ms; }
    int maxRecursion() const { return m_maxRecursion; }
    // Object.registerClass: the class of the clips of a character.
    void registerClass(quint16 characterId, Object *constructor);
    Object *registeredClass(quint16 characterId) const;
    // setInterval and setTimeout: a function (or a method of an object)
    // called every `ms` of the movie's time. Returns the id.
    int addInterval(const Value &object, const Value &function, const std::vector<Value> &args,
                    double ms, bool once);
    void clearInterval(int id);
    void clearIntervals() { m_intervals.clear(); }

    // Keys down now, by key code, for Key.isDown.
    bool keyDown(int code) const;
    int lastKey() const { return m_lastKey; }
    char16_t lastChar() const { return m_lastChar; }

    void collectGarbage();

    // Extensions of the built-ins, found by type.
    void addExtension(std::unique_ptr<MachineExtension> extension)
    {
        m_extensions.push_back(std::move(extension));
    }
    template <typename T> T *extension() const
    {
        for (const auto &e : m_extensions) {
            if (auto *found = dynamic_cast<T *>(e.get()))
                return found;
        }
        return nullptr;
    }

private:
    struct Queued {
        ObjectHandle target;
        // For events of an object already gone (unload): its script object.
        Object *object = nullptr;
        std::shared_ptr<const ActionProgram> program;
        quint32 event = 0;
        bool initAction = false;
        // Frees the unloading clip `target` once its unload handlers ran.
        bool release = false;
    };

    void installBuiltins();
    void markRoots(Heap &heap);
    bool linkHidden(Object *object, bool inheritance);
    void runQueued(const Queued &item);
    void dropQueued();
    // The clip event actions of `object` for `event`, then its on… handler.
    void runEventOn(Object *script, DisplayObject *object, quint32 event);
    void queueUnload(DisplayObject &object);
    // Marks the clips of `object` that wait for their unload handlers:
    // those with one and all inside them, and those holding such clips.
    // True if `object` waits.
    bool holdForUnload(DisplayObject &object, bool keepAll);
    bool hasUnloadHandler(DisplayObject &clip);
    // The clips of `object` no longer held read as removed references.
    void detachRemoved(DisplayObject &object);
    void broadcastMouse(quint32 event);
    void broadcastKey(quint32 event, const KeyEvent &key);
    void updateDrag();
    void runIntervals();
    void updateBoundText();
    void bindText(EditTextInstance &field, const QString &variable);
    void constructRegisteredClass(Object *script);
    bool hasPointerHandler(Object *script);
    bool runScriptsAllowed() const { return !m_aborted && m_player; }
    static qint32 wrapToInt32(double number);

    std::shared_ptr<const Movie> m_movie;
    std::shared_ptr<ScriptServices> m_services;
    int m_version;
    Heap m_heap;
    KeyTable m_keys;
    Names m_names;
    Player *m_player = nullptr;
    Object *m_global = nullptr;
    Prototypes m_protos;
    std::unique_ptr<Interpreter> m_interpreter;
    std::unordered_map<quint64, ClipObject *> m_displayObjects;
    // Removed clips that stay in their list until they have unloaded.
    std::unordered_set<quint64> m_heldForUnload;
    std::unordered_map<const char *, std::shared_ptr<const ActionProgram>> m_programs;
    std::deque<Queued> m_queues[3];
    std::vector<quint16> m_initDone;
    // Levels whose load event ran, by serial.
    std::unordered_set<quint64> m_levelsLoaded;
    std::unordered_map<quint16, Object *> m_registeredClasses;
    struct Interval {
        int id = 0;
        Value object;
        Value function;
        std::vector<Value> args;
        double intervalMs = 0;
        double nextMs = 0;
        bool once = false;
    };
    std::vector<Interval> m_intervals;
    int m_nextIntervalId = 1;
    bool m_hasException = false;
    bool m_aborted = false;
    Value m_exception;
    bool m_quit = false;
    qint64 m_timeoutMs;
    int m_maxRecursion;
    std::unordered_map<StringData *, int> m_displayPropertyKeys;
    std::vector<StrRef> m_pinnedKeys;
    // Texts conversions give over and over, made once.
    struct Texts {
        StrRef undefined{QStringLiteral("undefined")};
        StrRef null{QStringLiteral("null")};
        StrRef trueText{QStringLiteral("true")};
        StrRef falseText{QStringLiteral("false")};
        StrRef one{QStringLiteral("1")};
        StrRef zero{QStringLiteral("0")};
        std::vector<StrRef> wholeNumbers; // by value, made when first asked
    } m_texts;
    struct Join {
        StrRef a;
        StrRef b;
        StrRef joined;
    };
    std::vector<Join> m_joins; // by a hash of the two strings

    struct Drag {
        ObjectHandle object;
        QPointF offset; // twips, from the pointer to the object's origin
        std::optional<QRectF> bounds;
    } m_drag;
    std::vector<bool> m_keysDown = std::vector<bool>(256, false);
    int m_lastKey = 0;
    int m_lastButtonKey = -1;
    char16_t m_lastChar = 0;
    std::vector<std::unique_ptr<MachineExtension>> m_extensions;
};

} // namespace swf::avm1
