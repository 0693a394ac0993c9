// RegExp on PCRE2 (through QRegularExpression): ECMAScript patterns are
// translated where the two dialects differ, flags mapped to options. Also
// the String methods that take patterns.
#include "swf/avm2/natives.h"

#include <QRegularExpression>

namespace swf::avm2::builtins {
namespace {

class RegExpObject final : public Object {
public:
    using Object::Object;
    QString source;
    bool global = false, ignoreCase = false, multiline = false, dotall = false, extended = false;
    QRegularExpression re;
    double lastIndex = 0;
};

// Rewrites the ECMAScript constructs PCRE reads differently.
QString translate(const QString &src, bool multiline)
{
    QString out;
    bool inClass = false;
    for (qsizetype i = 0; i < src.size(); ++i) {
        const QChar c = src[i];
        if (c == u'\\' && i + 1 < src.size()) {
            const QChar n = src[i + 1];
            if (n == u'u' && i + 5 < src.size() + 0 && i + 6 <= src.size()) {
                bool ok = false;
                const uint v = src.mid(i + 2, 4).toUInt(&ok, 16);
                if (ok) {
                    out += QStringLiteral("\\x{%1}").arg(v, 0, 16);
                    i += 5;
                    continue;
                }
            }
            if (n == u'0' && (i + 2 >= src.size() || !src[i + 2].isDigit())) {
                out += QStringLiteral("\\x{0}");
                ++i;
                continue;
            }
            out += c;
            out += n;
            ++i;
            continue;
        }
        if (inClass) {
            if (c == u']')
                inClass = false;
            else if (c == u'[')
                out += u'\\';
            out += c;
            continue;
        }
        if (c == u'[') {
            if (src.mid(i, 3) == QLatin1String("[^]")) {
                out += QStringLiteral("[\\s\\S]");
                i += 2;
                continue;
            }
            if (src.mid(i, 2) == QLatin1String("[]")) {
                out += QStringLiteral("(?!)");
                i += 1;
                continue;
            }
            inClass = true;
            out += c;
            if (i + 1 < src.size() && src[i + 1] == u'^') {
                out += u'^';
                ++i;
            }
            if (i + 1 < src.size() && src[i + 1] == u']') {
                out += QStringLiteral("\\]");
                ++i;
            }
            continue;
        }
        if (c == u'$' && !multiline) {
            out += QStringLiteral("(?!(?s:.))");
            continue;
        }
        out += c;
    }
    return out;
}

RegExpObject *asRegExp(Vm &vm, const Value &v)
{
    Object *o = v.obj();
    if (!o || o->kind != ObjKind::RegExp)
        vm.throwError(ErrorType::TypeError, 1004, QStringLiteral("RegExp.prototype.exec"));
    return static_cast<RegExpObject *>(o);
}

void compile(RegExpObject *r, const QString &source, const QString &flags)
{
    r->source = source;
    for (QChar f : flags) {
        switch (f.unicode()) {
        case 'g': r->global = true; break;
        case 'i': r->ignoreCase = true; break;
        case 'm': r->multiline = true; break;
        case 's': r->dotall = true; break;
        case 'x': r->extended = true; break;
        default: break;
        }
    }
    QRegularExpression::PatternOptions o = QRegularExpression::NoPatternOption;
    if (r->ignoreCase)
        o |= QRegularExpression::CaseInsensitiveOption;
    if (r->multiline)
        o |= QRegularExpression::MultilineOption;
    if (r->dotall)
        o |= QRegularExpression::DotMatchesEverythingOption;
    if (r->extended)
        o |= QRegularExpression::ExtendedPatternSyntaxOption;
    r->re = QRegularExpression(translate(source, r->multiline), o);
}

Object *allocRegExp(Vm &vm, ClassObject *cls)
{
    return vm.heap.make<RegExpObject>(cls, cls->instanceTraits.get(), cls->prototype, ObjKind::RegExp);
}

NATIVE(regexpInit)
{
    auto *r = asRegExp(vm, self);
    const Value p = arg(args, argc, 0);
    if (Object *o = p.obj(); o && o->kind == ObjKind::RegExp) {
        if (argc > 1 && !args[1].isUndefined())
            vm.throwError(ErrorType::TypeError, 1100);
        auto *src = static_cast<RegExpObject *>(o);
        QString flags;
        if (src->global) flags += u'g';
        if (src->ignoreCase) flags += u'i';
        if (src->multiline) flags += u'm';
        if (src->dotall) flags += u's';
        if (src->extended) flags += u'x';
        compile(r, src->source, flags);
        return Value();
    }
    compile(r, p.isUndefined() ? QString() : vm.toString(p),
            argc > 1 && !args[1].isUndefined() ? vm.toString(args[1]) : QString());
    return Value();
}

Value regexpCall(Vm &vm, const Value &, const Value *args, int argc)
{
    if (argc >= 1 && isRegExp(args[0]) && (argc < 2 || args[1].isUndefined()))
        return args[0];
    return vm.constructClass(vm.regexpClass, args, argc);
}

Value matchArray(Vm &vm, const QRegularExpressionMatch &m, const QString &input)
{
    ArrayObject *a = vm.newArray();
    for (int g = 0; g <= m.lastCapturedIndex() || g <= m.regularExpression().captureCount(); ++g) {
        if (m.capturedStart(g) < 0)
            a->push(g == 0 ? vm.sv(QString()) : Value());
        else
            a->push(vm.sv(m.captured(g)));
    }
    a->dyn().set(QStringLiteral("index"), Value::integer(int(m.capturedStart(0))));
    a->dyn().set(QStringLiteral("input"), vm.sv(input));
    for (const QString &name : m.regularExpression().namedCaptureGroups()) {
        if (!name.isEmpty())
            a->dyn().set(name, vm.sv(m.captured(name)));
    }
    return Value::object(a);
}

NATIVE(exec)
{
    return regexpExec(vm, asRegExp(vm, self), argString(vm, args, argc, 0, QStringLiteral("undefined")));
}

NATIVE(test)
{
    return Value::boolean(!regexpExec(vm, asRegExp(vm, self), argString(vm, args, argc, 0, QStringLiteral("undefined"))).isNull());
}

NATIVE(regexpToString)
{
    auto *r = asRegExp(vm, self);
    QString s = QLatin1Char('/') + r->source + QLatin1Char('/');
    if (r->global) s += u'g';
    if (r->ignoreCase) s += u'i';
    if (r->multiline) s += u'm';
    if (r->dotall) s += u's';
    if (r->extended) s += u'x';
    return vm.sv(s);
}

NATIVE(getSource) { return vm.sv(asRegExp(vm, self)->source); }
NATIVE(getGlobal) { return Value::boolean(asRegExp(vm, self)->global); }
NATIVE(getIgnoreCase) { return Value::boolean(asRegExp(vm, self)->ignoreCase); }
NATIVE(getMultiline) { return Value::boolean(asRegExp(vm, self)->multiline); }
NATIVE(getDotall) { return Value::boolean(asRegExp(vm, self)->dotall); }
NATIVE(getExtended) { return Value::boolean(asRegExp(vm, self)->extended); }
NATIVE(getLastIndex) { return Value::number(asRegExp(vm, self)->lastIndex); }
NATIVE(setLastIndex)
{
    asRegExp(vm, self)->lastIndex = argNumber(vm, args, argc, 0, 0);
    return Value();
}

RegExpObject *toRegExp(Vm &vm, const Value &pattern)
{
    if (isRegExp(pattern))
        return static_cast<RegExpObject *>(pattern.o);
    const Value src = vm.sv(vm.toString(pattern));
    return static_cast<RegExpObject *>(vm.constructClass(vm.regexpClass, &src, 1).o);
}

// $&, $1.., $`, $' and $$ in a replacement string.
QString expand(const QString &repl, const QRegularExpressionMatch &m, const QString &s)
{
    QString out;
    const int groups = m.regularExpression().captureCount();
    for (qsizetype i = 0; i < repl.size(); ++i) {
        const QChar c = repl[i];
        if (c != u'$' || i + 1 >= repl.size()) {
            out += c;
            continue;
        }
        const QChar n = repl[i + 1];
        if (n == u'$') {
            out += u'$';
            ++i;
        } else if (n == u'&') {
            out += m.captured(0);
            ++i;
        } else if (n == u'`') {
            out += s.left(m.capturedStart(0));
            ++i;
        } else if (n == u'\'') {
            out += s.mid(m.capturedEnd(0));
            ++i;
        } else if (n.isDigit()) {
            int g = n.digitValue();
            qsizetype used = 1;
            if (i + 2 < repl.size() && repl[i + 2].isDigit() && g * 10 + repl[i + 2].digitValue() <= groups) {
                g = g * 10 + repl[i + 2].digitValue();
                used = 2;
            }
            if (g >= 1 && g <= groups) {
                out += m.captured(g);
                i += used;
            } else {
                out += c;
            }
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

bool isRegExp(const Value &v)
{
    return v.obj() && v.o->kind == ObjKind::RegExp;
}

Value regexpExec(Vm &vm, Object *o, const QString &s)
{
    auto *r = static_cast<RegExpObject *>(o);
    double start = r->global ? r->lastIndex : 0;
    if (start < 0 || start > double(s.size()) || !r->re.isValid()) {
        r->lastIndex = 0;
        return Value::null();
    }
    const QRegularExpressionMatch m = r->re.match(s, qsizetype(start));
    if (!m.hasMatch()) {
        if (r->global)
            r->lastIndex = 0;
        return Value::null();
    }
    if (r->global)
        r->lastIndex = double(m.capturedEnd(0));
    return matchArray(vm, m, s);
}

Value stringMatch(Vm &vm, const QString &s, const Value &pattern)
{
    RegExpObject *r = toRegExp(vm, pattern);
    if (!r->global)
        return regexpExec(vm, r, s);
    ArrayObject *out = vm.newArray();
    auto it = r->re.globalMatch(s);
    while (it.hasNext())
        out->push(vm.sv(it.next().captured(0)));
    r->lastIndex = 0;
    if (out->length() == 0)
        return Value::null();
    return Value::object(out);
}

Value stringReplace(Vm &vm, const QString &s, const Value &pattern, const Value &replacement)
{
    const bool fn = isCallable(replacement);
    const QString repl = fn ? QString() : vm.toString(replacement);
    if (!isRegExp(pattern)) {
        const QString pat = vm.toString(pattern);
        const qsizetype at = s.indexOf(pat);
        if (at < 0)
            return vm.sv(s);
        QString with;
        if (fn) {
            const Value cargs[3] = {vm.sv(pat), Value::integer(int(at)), vm.sv(s)};
            with = vm.toString(vm.call(replacement, Value::null(), cargs, 3));
        } else {
            const QRegularExpressionMatch m = QRegularExpression(QRegularExpression::escape(pat)).match(s, at);
            with = expand(repl, m, s);
        }
        return vm.sv(s.left(at) + with + s.mid(at + pat.size()));
    }
    auto *r = static_cast<RegExpObject *>(pattern.o);
    QString out;
    qsizetype last = 0;
    qsizetype from = 0;
    while (from <= s.size()) {
        const QRegularExpressionMatch m = r->re.match(s, from);
        if (!m.hasMatch())
            break;
        out += s.mid(last, m.capturedStart(0) - last);
        if (fn) {
            std::vector<Value> cargs;
            for (int g = 0; g <= r->re.captureCount(); ++g)
                cargs.push_back(m.capturedStart(g) < 0 ? (g ? vm.sv(QString()) : Value()) : vm.sv(m.captured(g)));
            cargs.push_back(Value::integer(int(m.capturedStart(0))));
            cargs.push_back(vm.sv(s));
            out += vm.toString(vm.call(replacement, Value::null(), cargs.data(), int(cargs.size())));
        } else {
            out += expand(repl, m, s);
        }
        last = m.capturedEnd(0);
        from = m.capturedEnd(0) == m.capturedStart(0) ? last + 1 : last;
        if (!r->global)
            break;
        if (out.size() > (1 << 28))
            vm.throwError(ErrorType::Error, 1000);
    }
    if (r->global)
        r->lastIndex = 0;
    out += s.mid(last);
    return vm.sv(out);
}

Value stringSearch(Vm &vm, const QString &s, const Value &pattern)
{
    RegExpObject *r = toRegExp(vm, pattern);
    const QRegularExpressionMatch m = r->re.match(s);
    return Value::integer(m.hasMatch() ? int(m.capturedStart(0)) : -1);
}

Value stringSplit(Vm &vm, const QString &s, const Value &separator, quint32 limit)
{
    ArrayObject *a = vm.newArray();
    if (limit == 0)
        return Value::object(a);
    if (!isRegExp(separator)) {
        const QString sep = vm.toString(separator);
        if (sep.isEmpty() && s.isEmpty()) {
            a->push(vm.sv(s));
            return Value::object(a);
        }
        if (sep.isEmpty()) {
            for (qsizetype i = 0; i < s.size() && a->length() < limit; ++i)
                a->push(vm.sv(QString(s[i])));
            return Value::object(a);
        }
        qsizetype from = 0;
        while (a->length() < limit) {
            const qsizetype at = s.indexOf(sep, from);
            if (at < 0) {
                a->push(vm.sv(s.mid(from)));
                break;
            }
            a->push(vm.sv(s.mid(from, at - from)));
            from = at + sep.size();
        }
        return Value::object(a);
    }
    auto *r = static_cast<RegExpObject *>(separator.o);
    if (s.isEmpty()) {
        if (!r->re.match(s).hasMatch())
            a->push(vm.sv(s));
        return Value::object(a);
    }
    qsizetype p = 0, q = 0;
    while (q < s.size()) {
        const QRegularExpressionMatch m = r->re.match(s, q, QRegularExpression::NormalMatch,
                                                      QRegularExpression::AnchorAtOffsetMatchOption);
        if (!m.hasMatch() || m.capturedEnd(0) == p) {
            ++q;
            continue;
        }
        const qsizetype e = m.capturedEnd(0);
        a->push(vm.sv(s.mid(p, q - p)));
        if (a->length() >= limit)
            return Value::object(a);
        for (int g = 1; g <= r->re.captureCount(); ++g) {
            a->push(m.capturedStart(g) < 0 ? Value() : vm.sv(m.captured(g)));
            if (a->length() >= limit)
                return Value::object(a);
        }
        p = e;
        q = p;
    }
    a->push(vm.sv(s.mid(p)));
    return Value::object(a);
}

void installRegExp(Vm &vm)
{
    vm.regexpClass = ClassBuilder(vm, QString(), QStringLiteral("RegExp"), vm.objectClass, false)
                         .alloc(allocRegExp, ObjKind::RegExp)
                         .init(regexpInit)
                         .callAs(regexpCall)
                         .method(QStringLiteral("exec"), exec, 1)
                         .method(QStringLiteral("test"), test, 1)
                         .method(QStringLiteral("toString"), regexpToString, 0, ClassBuilder::Proto)
                         .getter(QStringLiteral("source"), getSource)
                         .getter(QStringLiteral("global"), getGlobal)
                         .getter(QStringLiteral("ignoreCase"), getIgnoreCase)
                         .getter(QStringLiteral("multiline"), getMultiline)
                         .getter(QStringLiteral("dotall"), getDotall)
                         .getter(QStringLiteral("extended"), getExtended)
                         .getter(QStringLiteral("lastIndex"), getLastIndex)
                         .setter(QStringLiteral("lastIndex"), setLastIndex)
                         .constant(QStringLiteral("length"), Value::integer(1));
}

} // namespace swf::avm2::builtins
