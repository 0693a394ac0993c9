// JSON: a parser that keeps the order of keys, and stringify with
// replacers, indentation and toJSON, as the Flash Player's JSON class.
#include "swf/avm2/natives.h"

#include <cmath>

namespace swf::avm2::builtins {
namespace {

constexpr int kMaxDepth = 512;

class JsonParser {
public:
    JsonParser(Vm &vm, const QString &text) : m_vm(vm), m_s(text) {}

    Value parse()
    {
        const Value v = value(0);
        skipSpace();
        if (m_i != m_s.size())
            fail();
        return v;
    }

private:
    [[noreturn]] void fail() { m_vm.throwError(ErrorType::SyntaxError, 1132); }
    void skipSpace()
    {
        while (m_i < m_s.size() && (m_s[m_i] == u' ' || m_s[m_i] == u'\t' || m_s[m_i] == u'\n' || m_s[m_i] == u'\r'))
            ++m_i;
    }
    bool take(QChar c)
    {
        skipSpace();
        if (m_i < m_s.size() && m_s[m_i] == c) {
            ++m_i;
            return true;
        }
        return false;
    }
    Value value(int depth)
    {
        if (depth > kMaxDepth)
            fail();
        skipSpace();
        if (m_i >= m_s.size())
            fail();
        const QChar c = m_s[m_i];
        if (c == u'{')
            return object(depth);
        if (c == u'[')
            return array(depth);
        if (c == u'"')
            return m_vm.sv(string());
        if (m_s.mid(m_i, 4) == QLatin1String("true")) {
            m_i += 4;
            return Value::boolean(true);
        }
        if (m_s.mid(m_i, 5) == QLatin1String("false")) {
            m_i += 5;
            return Value::boolean(false);
        }
        if (m_s.mid(m_i, 4) == QLatin1String("null")) {
            m_i += 4;
            return Value::null();
        }
        return number();
    }
    Value object(int depth)
    {
        ++m_i;
        Object *o = m_vm.newObject();
        if (take(u'}'))
            return Value::object(o);
        do {
            skipSpace();
            if (m_i >= m_s.size() || m_s[m_i] != u'"')
                fail();
            const QString key = string();
            if (!take(u':'))
                fail();
            o->dyn().set(key, value(depth + 1));
        } while (take(u','));
        if (!take(u'}'))
            fail();
        return Value::object(o);
    }
    Value array(int depth)
    {
        ++m_i;
        ArrayObject *a = m_vm.newArray();
        if (take(u']'))
            return Value::object(a);
        do
            a->push(value(depth + 1));
        while (take(u','));
        if (!take(u']'))
            fail();
        return Value::object(a);
    }
    QString string()
    {
        ++m_i;
        QString out;
        while (m_i < m_s.size()) {
            const QChar c = m_s[m_i++];
            if (c == u'"')
                return out;
            if (c.unicode() < 0x20)
                fail();
            if (c != u'\\') {
                out += c;
                continue;
            }
            if (m_i >= m_s.size())
                fail();
            const QChar e = m_s[m_i++];
            switch (e.unicode()) {
            case '"': out += u'"'; break;
            case '\\': out += u'\\'; break;
            case '/': out += u'/'; break;
            case 'b': out += u'\b'; break;
            case 'f': out += u'\f'; break;
            case 'n': out += u'\n'; break;
            case 'r': out += u'\r'; break;
            case 't': out += u'\t'; break;
            case 'u': {
                bool ok = false;
                const uint v = m_s.mid(m_i, 4).toUInt(&ok, 16);
                if (!ok || m_i + 4 > m_s.size())
                    fail();
                out += QChar(char16_t(v));
                m_i += 4;
                break;
            }
            default:
                fail();
            }
        }
        fail();
    }
    Value number()
    {
        const qsizetype start = m_i;
        if (m_i < m_s.size() && m_s[m_i] == u'-')
            ++m_i;
        if (m_i >= m_s.size() || !m_s[m_i].isDigit())
            fail();
        if (m_s[m_i] == u'0') {
            ++m_i;
        } else {
            while (m_i < m_s.size() && m_s[m_i].isDigit())
                ++m_i;
        }
        if (m_i < m_s.size() && m_s[m_i] == u'.') {
            ++m_i;
            if (m_i >= m_s.size() || !m_s[m_i].isDigit())
                fail();
            while (m_i < m_s.size() && m_s[m_i].isDigit())
                ++m_i;
        }
        if (m_i < m_s.size() && (m_s[m_i] == u'e' || m_s[m_i] == u'E')) {
            ++m_i;
            if (m_i < m_s.size() && (m_s[m_i] == u'+' || m_s[m_i] == u'-'))
                ++m_i;
            if (m_i >= m_s.size() || !m_s[m_i].isDigit())
                fail();
            while (m_i < m_s.size() && m_s[m_i].isDigit())
                ++m_i;
        }
        return Value::number(m_s.mid(start, m_i - start).toDouble());
    }

    Vm &m_vm;
    const QString &m_s;
    qsizetype m_i = 0;
};

Value revive(Vm &vm, const Value &holder, const QString &key, const Value &reviver, int depth)
{
    if (depth > kMaxDepth)
        vm.throwError(ErrorType::SyntaxError, 1132);
    Value v = vm.getPublic(holder, key);
    if (Object *o = v.obj()) {
        std::vector<QString> keys;
        if (o->kind == ObjKind::Array) {
            for (quint32 i = 0; i < static_cast<ArrayObject *>(o)->length(); ++i)
                keys.push_back(QString::number(i));
        } else if (DynProps *d = o->dynIfAny()) {
            for (const auto &e : d->entries)
                if (!e.deleted)
                    keys.push_back(e.key);
        }
        for (const QString &k : keys) {
            const Value nv = revive(vm, v, k, reviver, depth + 1);
            if (nv.isUndefined())
                vm.deleteProperty(v, vm.publicName(k));
            else
                vm.setPublic(v, k, nv);
        }
    }
    const Value cargs[2] = {vm.sv(key), v};
    return vm.call(reviver, holder, cargs, 2);
}

NATIVE(jsonParse)
{
    const Value text = arg(args, argc, 0);
    if (text.isNullish())
        vm.throwError(ErrorType::SyntaxError, 1132);
    const QString s = vm.toString(text);
    Value v = JsonParser(vm, s).parse();
    const Value reviver = arg(args, argc, 1);
    if (isCallable(reviver)) {
        Object *root = vm.newObject();
        root->dyn().set(QString(), v);
        v = revive(vm, Value::object(root), QString(), reviver, 0);
    }
    return v;
}

QString quote(const QString &s)
{
    QString out = QStringLiteral("\"");
    for (QChar c : s) {
        switch (c.unicode()) {
        case '"': out += QStringLiteral("\\\""); break;
        case '\\': out += QStringLiteral("\\\\"); break;
        case '\b': out += QStringLiteral("\\b"); break;
        case '\f': out += QStringLiteral("\\f"); break;
        case '\n': out += QStringLiteral("\\n"); break;
        case '\r': out += QStringLiteral("\\r"); break;
        case '\t': out += QStringLiteral("\\t"); break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out + QLatin1Char('"');
}

struct Stringifier {
    Vm &vm;
    Value replacerFn;
    std::vector<QString> allowed;
    bool haveAllowed = false;
    QString gap;
    std::vector<Object *> stack;

    // The names an object serialises: its public fixed properties, then
    // its dynamic ones.
    std::vector<QString> keysOf(Object *o)
    {
        if (haveAllowed)
            return allowed;
        std::vector<QString> keys;
        if (o->traits && o->klass && o->klass->unit) {
            for (auto it = o->traits->table.constBegin(); it != o->traits->table.constEnd(); ++it) {
                for (const auto &[ns, b] : it.value()) {
                    if (ns == vm.names.publicNs() && (b.kind == Binding::Slot || b.kind == Binding::Const ||
                                                      (b.kind == Binding::Accessor && b.getter >= 0)))
                        keys.push_back(it.key());
                }
            }
        }
        if (DynProps *d = o->dynIfAny()) {
            for (const auto &e : d->entries)
                if (!e.deleted && !e.dontEnum)
                    keys.push_back(e.key);
        }
        return keys;
    }

    bool str(const QString &key, const Value &holder, Value v, const QString &indent, QString &out)
    {
        if (v.obj() && vm.hasProperty(v, vm.publicName(QStringLiteral("toJSON")))) {
            const Value toJson = vm.getPublic(v, QStringLiteral("toJSON"));
            if (isCallable(toJson)) {
                const Value k = vm.sv(key);
                v = vm.call(toJson, v, &k, 1);
            }
        }
        if (isCallable(replacerFn)) {
            const Value cargs[2] = {vm.sv(key), v};
            v = vm.call(replacerFn, holder, cargs, 2);
        }
        switch (v.tag) {
        case Tag::Null: out += QStringLiteral("null"); return true;
        case Tag::Bool: out += v.b ? QStringLiteral("true") : QStringLiteral("false"); return true;
        case Tag::Int: out += QString::number(v.i); return true;
        case Tag::Number: out += std::isfinite(v.d) ? Vm::numberToString(v.d) : QStringLiteral("null"); return true;
        case Tag::String: out += quote(v.s->text()); return true;
        case Tag::Object: break;
        default: return false;
        }
        Object *o = v.o;
        if (o->kind == ObjKind::Function || o->kind == ObjKind::Class)
            return false;
        if (std::find(stack.begin(), stack.end(), o) != stack.end() || stack.size() > size_t(kMaxDepth))
            vm.throwError(ErrorType::TypeError, 1129);
        stack.push_back(o);
        const QString inner = indent + gap;
        QStringList parts;
        const bool isList = o->kind == ObjKind::Array || o->kind == ObjKind::Vector;
        if (isList) {
            const quint32 n = vm.toUint32(vm.getPublic(v, QStringLiteral("length")));
            for (quint32 i = 0; i < n; ++i) {
                QString part;
                if (!str(QString::number(i), v, vm.getPublic(v, QString::number(i)), inner, part))
                    part = QStringLiteral("null");
                parts << part;
            }
        } else {
            for (const QString &k : keysOf(o)) {
                QString part;
                if (str(k, v, vm.getPublic(v, k), inner, part))
                    parts << quote(k) + (gap.isEmpty() ? QStringLiteral(":") : QStringLiteral(": ")) + part;
            }
        }
        stack.pop_back();
        const QChar open = isList ? u'[' : u'{', close = isList ? u']' : u'}';
        if (parts.isEmpty())
            out += QString(open) + close;
        else if (gap.isEmpty())
            out += open + parts.join(QLatin1Char(',')) + close;
        else
            out += open + QLatin1Char('\n') + inner + parts.join(QStringLiteral(",\n") + inner) + QLatin1Char('\n') + indent + close;
        return true;
    }
};

NATIVE(jsonStringify)
{
    Stringifier s{vm, Value(), {}, false, QString(), {}};
    const Value replacer = arg(args, argc, 1);
    if (isCallable(replacer)) {
        s.replacerFn = replacer;
    } else if (replacer.obj() && replacer.o->kind == ObjKind::Array) {
        s.haveAllowed = true;
        for (const Value &k : static_cast<ArrayObject *>(replacer.o)->toVector()) {
            const QString name = vm.toString(k);
            if (std::find(s.allowed.begin(), s.allowed.end(), name) == s.allowed.end())
                s.allowed.push_back(name);
        }
    } else if (!replacer.isNullish()) {
        vm.throwError(ErrorType::TypeError, 1131);
    }
    const Value space = arg(args, argc, 2);
    if (space.isNumeric())
        s.gap = QString(qBound(0, vm.toInt32(space), 10), u' ');
    else if (space.isString())
        s.gap = space.s->text().left(10);
    Object *holder = vm.newObject();
    holder->dyn().set(QString(), arg(args, argc, 0));
    QString out;
    if (!s.str(QString(), Value::object(holder), arg(args, argc, 0), QString(), out))
        return Value::null();
    return vm.sv(out);
}

} // namespace

void installJson(Vm &vm)
{
    ClassBuilder(vm, QString(), QStringLiteral("JSON"), vm.objectClass)
        .finalClass()
        .construct([](Vm &vm, ClassObject *, const Value *, int) -> Value {
            vm.throwError(ErrorType::ArgumentError, 2012, QStringLiteral("JSON"));
        })
        .staticMethod(QStringLiteral("parse"), jsonParse, 2)
        .staticMethod(QStringLiteral("stringify"), jsonStringify, 3);
}

} // namespace swf::avm2::builtins
