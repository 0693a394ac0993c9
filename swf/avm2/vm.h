// The ActionScript 3 machine: the heap, the core classes, the loaded ABC
// units and their scripts, and the operations bytecode and natives share
// (conversions, property access, calls, errors).
#pragma once

#include "swf/avm2/classobject.h"
#include "swf/avm2/function.h"
#include "swf/avm2/heap.h"
#include "swf/avm2/method.h"
#include "swf/avm2/names.h"

#include <QElapsedTimer>
#include <QHash>
#include <QTimeZone>

#include <functional>
#include <memory>
#include <vector>

namespace swf::avm2 {

class AbcUnit;
class ArrayObject;
struct AbcFile;

// An ActionScript exception in flight through native frames. It never
// leaves the machine: the runner and every entry point catch it.
struct ScriptError {
    Value value;
};
// Ends every script at once: the second timeout, which no catch sees.
struct ScriptAbort {};

enum class ErrorType : quint8 {
    Error,
    TypeError,
    ReferenceError,
    RangeError,
    ArgumentError,
    VerifyError,
    EvalError,
    SyntaxError,
    URIError,
    SecurityError,
    DefinitionError,
    UninitializedError,
    EOFError,
    IOError,
};

struct VmOptions {
    int maxRecursion = 256;
    int timeoutSeconds = 15;
    QTimeZone timeZone = QTimeZone::systemTimeZone();
    int swfVersion = 10;
    std::function<void(const QString &)> trace;
    // Milliseconds since start, for getTimer and the timeout; tests inject it.
    std::function<qint64()> clock;
};

struct ScriptEntry {
    AbcUnit *unit = nullptr;
    int index = 0;
    Object *global = nullptr;
    ScopeChain *scope = nullptr;
    enum State : quint8 { NotRun, Running, Done } state = NotRun;
};

class Vm {
public:
    explicit Vm(VmOptions options = {});
    ~Vm();
    Vm(const Vm &) = delete;
    Vm &operator=(const Vm &) = delete;

    // Loading and running --------------------------------------------------
    // Adds an ABC unit's scripts to the domain; runs the last script unless
    // lazy. Returns the error text if the unit was refused.
    QString loadAbc(const QByteArray &bytes, bool lazy);
    // A definition by qualified name ("flash.display.Sprite", "Foo"),
    // running the script that defines it if needed; null if none.
    Value definitionByName(const QString &qualified);
    void runPendingScripts();

    // Conversions ----------------------------------------------------------
    Str *str(const QString &s) { return heap.make<Str>(s); }
    Value sv(const QString &s) { return Value::string(str(s)); }
    QString toString(const Value &v);
    double toNumber(const Value &v);
    qint32 toInt32(const Value &v);
    quint32 toUint32(const Value &v);
    bool toBoolean(const Value &v) const;
    enum class Hint { None, Number, String };
    Value toPrimitive(const Value &v, Hint hint);
    Object *toObject(const Value &v); // throws for null and undefined
    QString typeOf(const Value &v);
    static QString numberToString(double d);
    QString displayName(const Value &v); // for error messages
    Value coerce(const Value &v, ClassObject *type);   // "coerce" and slot stores
    bool isType(const Value &v, ClassObject *type);
    ClassObject *classOf(const Value &v);               // Number for 1, String for "a"
    bool strictEquals(const Value &a, const Value &b);
    bool looseEquals(const Value &a, const Value &b);
    // lessThan: 1 true, 0 false, -1 undefined (NaN involved)
    int lessThan(const Value &a, const Value &b);
    Value add(const Value &a, const Value &b);
    Str *concat(Str *a, Str *b);

    // Properties -------------------------------------------------------------
    Name publicName(const QString &n) const;
    Name nameFromValue(const Value &key, const Name &base);
    Value getProperty(const Value &obj, const Name &name);
    void setProperty(const Value &obj, const Name &name, const Value &v, bool init = false);
    bool deleteProperty(const Value &obj, const Name &name);
    bool hasProperty(const Value &obj, const Name &name);
    Value getPublic(const Value &obj, const QString &n) { return getProperty(obj, publicName(n)); }
    void setPublic(const Value &obj, const QString &n, const Value &v) { setProperty(obj, publicName(n), v); }
    Value callProperty(const Value &obj, const Name &name, const Value *args, int argc);
    Value callPublic(const Value &obj, const QString &n, std::initializer_list<Value> args);
    // Searches the prototype chain after the object's own properties.
    bool getDynamic(Object *o, const Name &name, Value &out);
    Object *prototypeOf(const Value &v);
    // The fixed properties a value's accesses see (XML hides its methods
    // from all but calls).
    const Traits *traitsOf(const Value &v, bool forCalls);

    // Calls ----------------------------------------------------------------
    Value call(const Value &fn, const Value &self, const Value *args, int argc);
    Value construct(const Value &ctor, const Value *args, int argc);
    Value constructClass(ClassObject *cls, const Value *args, int argc);
    Value invoke(Method *m, ScopeChain *scope, const Value &self, const Value *args, int argc,
                 FunctionObject *callee = nullptr);
    void runConstructor(ClassObject *cls, Object *self, const Value *args, int argc);
    Value slotValue(Object *o, quint32 slot) { return o->slotv[slot]; }
    void setSlot(Object *o, quint32 slot, const Value &v);

    // Objects ----------------------------------------------------------------
    Object *newObject();
    ArrayObject *newArray(size_t reserve = 0);
    FunctionObject *newFunction(Method *m, ScopeChain *scope);
    FunctionObject *newNative(const QString &name, NativeFn fn, int length);
    FunctionObject *bindMethod(const MethodEnv &env, const Value &self);
    ScopeChain *newScope(const ScopeChain *outer, const ScopeChain::Entry *extra, int count);
    Object *functionPrototype(FunctionObject *f);
    Value applyType(const Value &base, const Value *params, int count);

    // Errors ---------------------------------------------------------------
    [[noreturn]] void throwError(ErrorType type, int code, const QString &a = {}, const QString &b = {},
                                 const QString &c = {});
    Value makeError(ErrorType type, int code, const QString &a = {}, const QString &b = {},
                    const QString &c = {});
    [[noreturn]] void throwValue(const Value &v) { throw ScriptError{v}; }
    static QString errorMessage(int code, const QString &a, const QString &b, const QString &c);
    // "TypeError: Error #1009: ..." for an uncaught error, as the player prints it.
    QString describeError(const Value &v);

    // Safe points: the interpreter calls this on backward jumps and calls.
    void safePoint();
    void collect();
    void checkTimeout();
    int nativeDepth = 0;

    // The machine's state ----------------------------------------------------
    Heap heap;
    NamespaceTable names;
    VmOptions options;
    std::vector<Value> stack; // every frame's registers, operands and scopes
    std::vector<quint8> withFlags; // beside each scope slot of the stack
    size_t stackTop = 0;
    struct FrameRoot {
        FunctionObject *callee;
        ScopeChain *scope;
    };
    std::vector<FrameRoot> frameRoots;
    int depth = 0;
    // Extra roots that natives register while they call back into scripts.
    std::vector<Value> pinned;

    std::vector<std::unique_ptr<AbcUnit>> units;
    std::vector<std::unique_ptr<Method>> nativeMethods;
    // Definitions: local name -> (namespace, script) of every loaded script.
    QHash<QString, std::vector<std::pair<const Ns *, ScriptEntry *>>> domain;
    std::vector<std::unique_ptr<ScriptEntry>> scripts;
    Object *builtinGlobal = nullptr;
    Object *root = nullptr; // the document class's instance
    // ApplicationDomain.currentDomain, and the memory the memory opcodes use.
    Value applicationDomain;
    class ByteArrayObject *domainMemory = nullptr;
    QHash<QString, ClassObject *> vectorClasses;
    std::vector<Object *> weakDictionaries;
    std::vector<std::unique_ptr<Traits>> unitTraits;
    qint64 startMs = 0;
    bool timedOut = false;
    quint32 safePoints = 0;
    QElapsedTimer timer;
    QString defaultXmlNs;
    struct XmlSettings {
        bool ignoreComments = true;
        bool ignoreProcessingInstructions = true;
        bool ignoreWhitespace = true;
        bool prettyPrinting = true;
        int prettyIndent = 2;
    } xmlSettings;
    struct Timer {
        int id = 0;
        Value fn;
        std::vector<Value> args;
        double delay = 0, due = 0;
        bool repeat = false;
    };
    std::vector<Timer> timers;
    int lastTimerId = 0;

    // Core classes, set up by the constructor.
    ClassObject *objectClass = nullptr, *classClass = nullptr, *functionClass = nullptr;
    ClassObject *arrayClass = nullptr, *stringClass = nullptr, *numberClass = nullptr;
    ClassObject *intClass = nullptr, *uintClass = nullptr, *booleanClass = nullptr;
    ClassObject *namespaceClass = nullptr, *qnameClass = nullptr, *errorClass = nullptr;
    ClassObject *dateClass = nullptr, *regexpClass = nullptr, *vectorClass = nullptr;
    ClassObject *xmlClass = nullptr, *xmlListClass = nullptr, *voidClass = nullptr;
    ClassObject *errorClasses[14] = {};
    ClassObject *vectorIntClass = nullptr, *vectorUintClass = nullptr;
    ClassObject *vectorNumberClass = nullptr, *vectorObjectClass = nullptr;

    ScriptEntry *findScript(const Name &name, bool run);
    void runScript(ScriptEntry *s);
    Value findGlobal(const Name &name, bool strict);
    qint64 nowMs() const;

private:
    void traceRoots(Tracer &t);
};

// Holds the collector off while C++ code keeps values in locals across a
// call back into scripts.
class NoGc {
public:
    explicit NoGc(Vm &vm) : m_vm(vm) { ++m_vm.nativeDepth; }
    ~NoGc() { --m_vm.nativeDepth; }
    NoGc(const NoGc &) = delete;
    NoGc &operator=(const NoGc &) = delete;

private:
    Vm &m_vm;
};

// Pins values for the duration of a native's callbacks into scripts.
class PinScope {
public:
    explicit PinScope(Vm &vm) : m_vm(vm), m_size(vm.pinned.size()) {}
    ~PinScope() { m_vm.pinned.resize(m_size); }
    PinScope(const PinScope &) = delete;
    PinScope &operator=(const PinScope &) = delete;
    void pin(const Value &v) { m_vm.pinned.push_back(v); }

private:
    Vm &m_vm;
    size_t m_size;
};

} // namespace swf::avm2
