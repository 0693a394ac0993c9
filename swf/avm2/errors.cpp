// The Flash Player's error numbers and texts, and error objects.
#include "swf/avm2/vm.h"

#include "swf/avm2/builtins.h"

#include <QHash>

namespace swf::avm2 {
namespace {

const QHash<int, const char *> &messages()
{
    static const QHash<int, const char *> table = {
        {1000, "The system is out of memory."},
        {1001, "The method %1 is not implemented."},
        {1002, "Number.toPrecision has a range of 1 to 21. Number.toFixed and Number.toExponential have a range of 0 to 20. Specified value is not within expected range."},
        {1003, "The radix argument must be between 2 and 36; got %1."},
        {1004, "Method %1 was invoked on an incompatible object."},
        {1005, "Array index is not a positive integer (%1)."},
        {1006, "%1 is not a function."},
        {1007, "Instantiation attempted on a non-constructor."},
        {1009, "Cannot access a property or method of a null object reference."},
        {1010, "A term is undefined and has no properties."},
        {1011, "Method %1 contained illegal opcode %2 at offset %3."},
        {1012, "The last instruction exceeded code size."},
        {1014, "Class %1 could not be found."},
        {1016, "Descendants operator (..) not supported on type %1."},
        {1017, "Scope stack overflow occurred."},
        {1018, "Scope stack underflow occurred."},
        {1019, "Getscopeobject %1 is out of bounds."},
        {1020, "Code cannot fall off the end of a method."},
        {1021, "At least one branch target was not on a valid instruction in the method."},
        {1023, "Stack overflow occurred."},
        {1024, "Stack underflow occurred."},
        {1025, "An invalid register %1 was accessed."},
        {1026, "Slot %1 exceeds slotCount=%2 of %3."},
        {1027, "Method_info %1 exceeds method_count=%2."},
        {1030, "Stack depth is unbalanced. %1 != %2."},
        {1031, "Scope depth is unbalanced. %1 != %2."},
        {1032, "Cpool index %1 is out of range %2."},
        {1034, "Type Coercion failed: cannot convert %1 to %2."},
        {1035, "Illegal super expression found in method %1."},
        {1037, "Cannot assign to a method %1 on %2."},
        {1040, "The right-hand side of instanceof must be a class or function."},
        {1041, "The right-hand side of operator must be a class."},
        {1043, "Invalid code_length=%1."},
        {1050, "Cannot convert %1 to primitive."},
        {1052, "Invalid URI passed to %1 function."},
        {1054, "Illegal range or target offsets in exception handler."},
        {1056, "Cannot create property %1 on %2."},
        {1058, "Illegal operand type: %1 must be %2."},
        {1060, "ClassInfo %1 exceeds class_count=%2."},
        {1063, "Argument count mismatch on %1. Expected %2, got %3."},
        {1064, "Cannot call method %1 as constructor."},
        {1065, "Variable %1 is not defined."},
        {1066, "The form function('function body') is not supported."},
        {1069, "Property %1 not found on %2 and there is no default value."},
        {1070, "Method %1 not found on %2"},
        {1074, "Illegal write to read-only property %1 on %2."},
        {1075, "Math is not a function."},
        {1076, "Math is not a constructor."},
        {1077, "Illegal read of write-only property %1 on %2."},
        {1078, "Illegal opcode/multiname combination: %1<%2>."},
        {1080, "Illegal value for namespace."},
        {1081, "Property %1 not found on %2 and there is no default value."},
        {1083, "The prefix \"%1\" for element \"%2\" is not bound."},
        {1085, "The element type \"%1\" must be terminated by the matching end-tag \"</%2>\"."},
        {1086, "The %1 method only works on lists containing one item."},
        {1087, "Assignment to indexed XML is not allowed."},
        {1088, "The markup in the document following the root element must be well-formed."},
        {1089, "Assignment to lists with more than one item is not supported."},
        {1090, "XML parser failure: element is malformed."},
        {1091, "XML parser failure: Unterminated CDATA section."},
        {1094, "XML parser failure: Unterminated comment."},
        {1095, "XML parser failure: Unterminated attribute."},
        {1096, "XML parser failure: Unterminated element."},
        {1097, "XML parser failure: Unterminated processing instruction."},
        {1100, "Cannot supply flags when constructing one RegExp from another."},
        {1103, "Class %1 cannot extend final base class."},
        {1107, "The ABC data is corrupt, attempt to read out of bounds."},
        {1108, "The OP_newclass opcode was used with the incorrect base class."},
        {1110, "%1 cannot extend %2."},
        {1111, "%1 cannot implement %2."},
        {1112, "Argument count mismatch on class coercion.  Expected 1, got %1."},
        {1113, "OP_newactivation used in method without NEED_ACTIVATION flag."},
        {1115, "%1 is not a constructor."},
        {1116, "second argument to Function.prototype.apply must be an array."},
        {1117, "Invalid XML name: %1."},
        {1118, "Illegal cyclical loop between nodes."},
        {1119, "Delete operator is not supported with operand of type %1."},
        {1120, "Cannot delete property %1 on %2."},
        {1123, "Filter operator not supported on type %1."},
        {1124, "OP_hasnext2 requires object and index to be distinct registers."},
        {1125, "The index %1 is out of range %2."},
        {1126, "Cannot change the length of a fixed Vector."},
        {1127, "Type application attempted on a non-parameterized type."},
        {1128, "Incorrect number of type parameters for %1. Expected %2, got %3."},
        {1129, "Cyclic structure cannot be converted to JSON string."},
        {1131, "Replacer argument to JSON stringifier must be an array or a two parameter function."},
        {1132, "Invalid JSON parse input."},
        {1504, "The end offset of a domain memory range is invalid."},
        {1506, "The specified range is invalid."},
        {1502, "A script has executed for longer than the default timeout period of 15 seconds."},
        {1503, "A script failed to exit after 30 seconds and was terminated."},
        {1507, "Argument %1 cannot be null."},
        {1508, "The value specified for argument %1 is invalid."},
        {2004, "One of the parameters is invalid."},
        {2006, "The supplied index is out of bounds."},
        {2007, "Parameter %1 must be non-null."},
        {2008, "Parameter %1 must be one of the accepted values."},
        {2012, "%1 class cannot be instantiated."},
        {2023, "Class %1 must inherit from Sprite to link to the root."},
        {2025, "The supplied DisplayObject must be a child of the caller."},
        {2030, "End of file was encountered."},
        {2058, "There was an error decompressing the data."},
        {2088, "The Proxy class does not implement getProperty. It must be overridden by a subclass."},
        {2089, "The Proxy class does not implement setProperty. It must be overridden by a subclass."},
        {2090, "The Proxy class does not implement callProperty. It must be overridden by a subclass."},
        {2091, "The Proxy class does not implement hasProperty. It must be overridden by a subclass."},
        {2092, "The Proxy class does not implement deleteProperty. It must be overridden by a subclass."},
        {2093, "The Proxy class does not implement getDescendants. It must be overridden by a subclass."},
        {2105, "The Proxy class does not implement nextNameIndex. It must be overridden by a subclass."},
        {2106, "The Proxy class does not implement nextName. It must be overridden by a subclass."},
        {2107, "The Proxy class does not implement nextValue. It must be overridden by a subclass."},
        {2108, "The value %1 is not a valid argument."},
    };
    return table;
}

} // namespace

QString Vm::errorMessage(int code, const QString &a, const QString &b, const QString &c)
{
    QString text = QString::fromLatin1(messages().value(code, ""));
    text.replace(QLatin1String("%1"), a).replace(QLatin1String("%2"), b).replace(QLatin1String("%3"), c);
    QString out = QStringLiteral("Error #%1").arg(code);
    if (!text.isEmpty())
        out += QStringLiteral(": ") + text;
    return out;
}

Value Vm::makeError(ErrorType type, int code, const QString &a, const QString &b, const QString &c)
{
    ClassObject *cls = errorClasses[int(type)] ? errorClasses[int(type)] : errorClass;
    const Value msg = sv(errorMessage(code, a, b, c));
    const Value id = Value::integer(code);
    const Value args[2] = {msg, id};
    return constructClass(cls, args, 2);
}

void Vm::throwError(ErrorType type, int code, const QString &a, const QString &b, const QString &c)
{
    throw ScriptError{makeError(type, code, a, b, c)};
}

QString Vm::describeError(const Value &v)
{
    try {
        if (Object *o = v.obj(); o && o->kind == ObjKind::Error)
            return toString(callPublic(v, QStringLiteral("toString"), {}));
        return toString(v);
    } catch (const ScriptError &) {
        return QStringLiteral("Error");
    }
}

} // namespace swf::avm2
