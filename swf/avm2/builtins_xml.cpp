// The XML and XMLList classes, and the machine's E4X hooks (descendants,
// escaping, equality, +, calls of XML methods by public names).
#include "swf/avm2/nameobjects.h"
#include "swf/avm2/natives.h"
#include "swf/avm2/xml.h"

namespace swf::avm2::builtins {
namespace {

using namespace xml;

XmlObject *self1(Vm &vm, const Value &self, const char *method)
{
    Object *o = self.obj();
    if (o && o->kind == ObjKind::Xml)
        return static_cast<XmlObject *>(o);
    if (o && o->kind == ObjKind::XmlList) {
        auto *l = static_cast<XmlListObject *>(o);
        if (l->items.size() == 1)
            return l->items[0];
        vm.throwError(ErrorType::TypeError, 1086, QString::fromLatin1(method));
    }
    vm.throwError(ErrorType::TypeError, 1004, QStringLiteral("XML.prototype.") + QString::fromLatin1(method));
}

std::vector<XmlObject *> nodesOf(const Value &self)
{
    Object *o = self.obj();
    if (o && o->kind == ObjKind::Xml)
        return {static_cast<XmlObject *>(o)};
    if (o && o->kind == ObjKind::XmlList)
        return static_cast<XmlListObject *>(o)->items;
    return {};
}

Value listOf(Vm &vm, std::vector<XmlObject *> items, XmlObject *target = nullptr)
{
    XmlListObject *l = newList(vm);
    l->items = std::move(items);
    l->target = target;
    return Value::object(l);
}

Name nameArg(Vm &vm, const Value &v, bool attribute)
{
    Name n;
    n.attribute = attribute;
    if (Object *o = v.obj(); o && o->kind == ObjKind::QName) {
        qnameToName(vm, o, n);
        n.attribute = attribute;
        return n;
    }
    n.name = v.isUndefined() ? QStringLiteral("*") : vm.toString(v);
    if (!attribute && n.name.startsWith(QLatin1Char('@'))) {
        n.name = n.name.mid(1);
        n.attribute = true;
    }
    n.anyName = n.name == QLatin1String("*");
    if (n.anyName)
        n.anyNs = true;
    else
        n.ns = vm.names.intern(NsCat::Public, vm.defaultXmlNs);
    return n;
}

NATIVE(xmlLength) { return Value::integer(int(nodesOf(self).size())); }

NATIVE(xmlChildren)
{
    std::vector<XmlObject *> out;
    for (XmlObject *x : nodesOf(self))
        out.insert(out.end(), x->children.begin(), x->children.end());
    return listOf(vm, std::move(out), nodesOf(self).size() == 1 ? nodesOf(self)[0] : nullptr);
}

NATIVE(xmlAttributes)
{
    std::vector<XmlObject *> out;
    for (XmlObject *x : nodesOf(self))
        out.insert(out.end(), x->attributes.begin(), x->attributes.end());
    return listOf(vm, std::move(out));
}

NATIVE(xmlAttribute)
{
    const Name n = nameArg(vm, arg(args, argc, 0), true);
    std::vector<XmlObject *> out;
    for (XmlObject *x : nodesOf(self))
        collect(x, n, out);
    return listOf(vm, std::move(out));
}

NATIVE(xmlChild)
{
    const Value which = arg(args, argc, 0);
    std::vector<XmlObject *> out;
    if (which.isNumeric()) {
        const double i = which.num();
        for (XmlObject *x : nodesOf(self)) {
            if (i >= 0 && i < double(x->children.size()))
                out.push_back(x->children[size_t(i)]);
        }
        return listOf(vm, std::move(out));
    }
    const Name n = nameArg(vm, which, false);
    for (XmlObject *x : nodesOf(self))
        collect(x, n, out);
    return listOf(vm, std::move(out), nodesOf(self).size() == 1 ? nodesOf(self)[0] : nullptr);
}

Value kindFilter(Vm &vm, const Value &self, XmlKind kind, const Name *name = nullptr)
{
    std::vector<XmlObject *> out;
    for (XmlObject *x : nodesOf(self)) {
        for (XmlObject *c : x->children) {
            if (c->nodeKind == kind && (!name || matches(c, *name)))
                out.push_back(c);
        }
    }
    return listOf(vm, std::move(out));
}

NATIVE(xmlElements)
{
    const Name n = nameArg(vm, arg(args, argc, 0), false);
    return kindFilter(vm, self, XmlKind::Element, &n);
}
NATIVE(xmlText) { return kindFilter(vm, self, XmlKind::Text); }
NATIVE(xmlComments) { return kindFilter(vm, self, XmlKind::Comment); }
NATIVE(xmlProcessingInstructions)
{
    const Name n = nameArg(vm, arg(args, argc, 0), false);
    return kindFilter(vm, self, XmlKind::ProcessingInstruction, &n);
}

NATIVE(xmlDescendantsFn)
{
    const Name n = nameArg(vm, arg(args, argc, 0), false);
    std::vector<XmlObject *> out;
    for (XmlObject *x : nodesOf(self))
        descendants(x, n, out);
    return listOf(vm, std::move(out));
}

NATIVE(xmlCopy)
{
    Object *o = self.obj();
    if (o && o->kind == ObjKind::XmlList) {
        std::vector<XmlObject *> out;
        for (XmlObject *x : static_cast<XmlListObject *>(o)->items)
            out.push_back(deepCopy(vm, x));
        return listOf(vm, std::move(out));
    }
    return Value::object(deepCopy(vm, self1(vm, self, "copy")));
}

NATIVE(xmlToString)
{
    Object *o = self.obj();
    if (o && o->kind == ObjKind::XmlList)
        return vm.sv(listToString(vm, static_cast<XmlListObject *>(o)));
    if (o && o->kind == ObjKind::Xml)
        return vm.sv(toString(vm, static_cast<XmlObject *>(o)));
    return vm.sv(QString());
}

NATIVE(xmlToXmlString)
{
    Object *o = self.obj();
    if (o && o->kind == ObjKind::XmlList)
        return vm.sv(listToXmlString(vm, static_cast<XmlListObject *>(o)));
    return vm.sv(toXmlString(vm, self1(vm, self, "toXMLString")));
}

NATIVE(xmlValueOf) { return self; }

NATIVE(xmlHasSimpleContent)
{
    const auto nodes = nodesOf(self);
    if (self.obj() && self.o->kind == ObjKind::XmlList) {
        if (nodes.empty())
            return Value::boolean(true);
        if (nodes.size() > 1) {
            for (XmlObject *x : nodes)
                if (x->nodeKind == XmlKind::Element)
                    return Value::boolean(false);
            return Value::boolean(true);
        }
    }
    return Value::boolean(!nodes.empty() && nodes[0]->hasSimpleContent());
}

NATIVE(xmlHasComplexContent)
{
    const auto nodes = nodesOf(self);
    if (nodes.size() != 1) {
        for (XmlObject *x : nodes)
            if (x->nodeKind == XmlKind::Element)
                return Value::boolean(true);
        return Value::boolean(false);
    }
    XmlObject *x = nodes[0];
    if (x->nodeKind != XmlKind::Element)
        return Value::boolean(false);
    for (XmlObject *c : x->children)
        if (c->nodeKind == XmlKind::Element)
            return Value::boolean(true);
    return Value::boolean(false);
}

NATIVE(xmlNodeKind)
{
    static const char *const kinds[] = {"element", "text", "comment", "processing-instruction", "attribute"};
    return vm.sv(QString::fromLatin1(kinds[int(self1(vm, self, "nodeKind")->nodeKind)]));
}

NATIVE(xmlLocalName)
{
    XmlObject *x = self1(vm, self, "localName");
    if (x->nodeKind == XmlKind::Text || x->nodeKind == XmlKind::Comment)
        return Value::null();
    return vm.sv(x->localName);
}

Value makeQName(Vm &vm, const QString &uri, const QString &local)
{
    const Value a[2] = {vm.sv(uri), vm.sv(local)};
    return vm.constructClass(vm.qnameClass, a, 2);
}

NATIVE(xmlName)
{
    XmlObject *x = self1(vm, self, "name");
    if (x->nodeKind == XmlKind::Text || x->nodeKind == XmlKind::Comment)
        return Value::null();
    return makeQName(vm, x->uri, x->localName);
}

NATIVE(xmlParent)
{
    const auto nodes = nodesOf(self);
    XmlObject *p = nullptr;
    for (size_t i = 0; i < nodes.size(); ++i) {
        if (i == 0)
            p = nodes[0]->parent;
        else if (nodes[i]->parent != p)
            return Value();
    }
    return p ? Value::object(p) : Value();
}

NATIVE(xmlChildIndex)
{
    XmlObject *x = self1(vm, self, "childIndex");
    if (!x->parent || x->nodeKind == XmlKind::Attribute)
        return Value::integer(-1);
    const auto &c = x->parent->children;
    return Value::integer(int(std::find(c.begin(), c.end(), x) - c.begin()));
}

NATIVE(xmlContains)
{
    const Value v = arg(args, argc, 0);
    for (XmlObject *x : nodesOf(self)) {
        if (vm.looseEquals(Value::object(x), v))
            return Value::boolean(true);
    }
    return Value::boolean(false);
}

NATIVE(xmlAppendChild)
{
    XmlObject *x = self1(vm, self, "appendChild");
    Value v = arg(args, argc, 0);
    if (v.isString() && v.s->text().trimmed().startsWith(QLatin1Char('<')))
        v = Value::object(toXml(vm, v));
    appendChild(vm, x, v);
    return Value::object(x);
}

NATIVE(xmlPrependChild)
{
    XmlObject *x = self1(vm, self, "prependChild");
    auto saved = x->children;
    x->children.clear();
    appendChild(vm, x, arg(args, argc, 0));
    for (XmlObject *c : saved)
        x->children.push_back(c);
    return Value::object(x);
}

Value insertChild(Vm &vm, const Value &self, const Value *args, int argc, bool after)
{
    XmlObject *x = self1(vm, self, after ? "insertChildAfter" : "insertChildBefore");
    const Value ref = arg(args, argc, 0);
    auto &c = x->children;
    qsizetype at;
    if (ref.isNull()) {
        at = after ? 0 : qsizetype(c.size());
    } else {
        XmlObject *r = toXml(vm, ref);
        const auto it = std::find(c.begin(), c.end(), r);
        if (it == c.end())
            return Value();
        at = (it - c.begin()) + (after ? 1 : 0);
    }
    XmlObject *tmp = newNode(vm, XmlKind::Element);
    appendChild(vm, tmp, arg(args, argc, 1));
    for (XmlObject *n : tmp->children)
        n->parent = x;
    c.insert(c.begin() + at, tmp->children.begin(), tmp->children.end());
    return Value::object(x);
}

NATIVE(xmlInsertChildAfter) { return insertChild(vm, self, args, argc, true); }
NATIVE(xmlInsertChildBefore) { return insertChild(vm, self, args, argc, false); }

NATIVE(xmlSetChildren)
{
    XmlObject *x = self1(vm, self, "setChildren");
    setContent(vm, x, arg(args, argc, 0));
    return Value::object(x);
}

NATIVE(xmlReplace)
{
    XmlObject *x = self1(vm, self, "replace");
    const Value which = arg(args, argc, 0);
    const Value v = arg(args, argc, 1);
    std::vector<XmlObject *> targets;
    if (which.isNumeric()) {
        const double i = which.num();
        if (i >= 0 && i < double(x->children.size()))
            targets.push_back(x->children[size_t(i)]);
    } else {
        collect(x, nameArg(vm, which, false), targets);
    }
    if (targets.empty())
        return Value::object(x);
    XmlObject *tmp = newNode(vm, XmlKind::Element);
    Object *o = v.obj();
    appendChild(vm, tmp, o && o->kind == ObjKind::Xml ? Value::object(deepCopy(vm, static_cast<XmlObject *>(o))) : v);
    auto &c = x->children;
    const auto first = std::find(c.begin(), c.end(), targets[0]);
    const qsizetype at = first - c.begin();
    for (XmlObject *t : targets) {
        c.erase(std::remove(c.begin(), c.end(), t), c.end());
        t->parent = nullptr;
    }
    for (XmlObject *n : tmp->children)
        n->parent = x;
    c.insert(c.begin() + std::min<qsizetype>(at, qsizetype(c.size())), tmp->children.begin(), tmp->children.end());
    return Value::object(x);
}

NATIVE(xmlNormalize)
{
    for (XmlObject *x : nodesOf(self)) {
        std::vector<XmlObject *> out;
        for (XmlObject *c : x->children) {
            if (c->nodeKind == XmlKind::Text) {
                if (!out.empty() && out.back()->nodeKind == XmlKind::Text) {
                    out.back()->value += c->value;
                    continue;
                }
                if (c->value.isEmpty())
                    continue;
            }
            out.push_back(c);
        }
        x->children = std::move(out);
    }
    return self;
}

NATIVE(xmlSetLocalName)
{
    XmlObject *x = self1(vm, self, "setLocalName");
    const Value v = arg(args, argc, 0);
    x->localName = v.obj() && v.o->kind == ObjKind::QName ? static_cast<QNameObject *>(v.o)->localName : vm.toString(v);
    return Value();
}

NATIVE(xmlSetName)
{
    XmlObject *x = self1(vm, self, "setName");
    const Value v = arg(args, argc, 0);
    if (v.obj() && v.o->kind == ObjKind::QName) {
        auto *q = static_cast<QNameObject *>(v.o);
        x->localName = q->localName;
        x->uri = q->uri;
    } else {
        x->localName = vm.toString(v);
    }
    return Value();
}

Value nsValue(Vm &vm, const QString &prefix, const QString &uri)
{
    const Value a[2] = {vm.sv(prefix), vm.sv(uri)};
    return vm.constructClass(vm.namespaceClass, a, 2);
}

NATIVE(xmlNamespace)
{
    XmlObject *x = self1(vm, self, "namespace");
    if (argc == 0) {
        QString prefix = x->prefix;
        for (XmlObject *p = x; p && prefix.isNull(); p = p->parent)
            for (const auto &d : p->nsDecls)
                if (d.uri == x->uri)
                    prefix = d.prefix;
        if (x->nodeKind == XmlKind::Text)
            return Value::null();
        return nsValue(vm, prefix, x->uri);
    }
    const QString want = vm.toString(args[0]);
    for (XmlObject *p = x; p; p = p->parent)
        for (const auto &d : p->nsDecls)
            if (d.prefix == want)
                return nsValue(vm, d.prefix, d.uri);
    return Value();
}

NATIVE(xmlSetNamespace)
{
    XmlObject *x = self1(vm, self, "setNamespace");
    const Value v = arg(args, argc, 0);
    if (v.obj() && v.o->kind == ObjKind::Namespace) {
        auto *n = static_cast<NamespaceObject *>(v.o);
        x->uri = n->ns->uri;
        x->prefix = n->prefix.isString() ? n->prefix.s->text() : QString();
    } else {
        x->uri = vm.toString(v);
    }
    if (!x->prefix.isEmpty() || !x->uri.isEmpty()) {
        XmlNamespace d{x->prefix, x->uri};
        if (std::find(x->nsDecls.begin(), x->nsDecls.end(), d) == x->nsDecls.end())
            x->nsDecls.push_back(d);
    }
    return Value();
}

NATIVE(xmlAddNamespace)
{
    XmlObject *x = self1(vm, self, "addNamespace");
    const Value v = arg(args, argc, 0);
    XmlNamespace d;
    if (v.obj() && v.o->kind == ObjKind::Namespace) {
        auto *n = static_cast<NamespaceObject *>(v.o);
        d = {n->prefix.isString() ? n->prefix.s->text() : QString(), n->ns->uri};
    } else {
        d = {QString(), vm.toString(v)};
    }
    if (std::find(x->nsDecls.begin(), x->nsDecls.end(), d) == x->nsDecls.end())
        x->nsDecls.push_back(d);
    return Value::object(x);
}

NATIVE(xmlRemoveNamespace)
{
    XmlObject *x = self1(vm, self, "removeNamespace");
    const Value v = arg(args, argc, 0);
    const QString uri = v.obj() && v.o->kind == ObjKind::Namespace ? static_cast<NamespaceObject *>(v.o)->ns->uri : vm.toString(v);
    if (uri != x->uri)
        std::erase_if(x->nsDecls, [&](const XmlNamespace &d) { return d.uri == uri; });
    return Value::object(x);
}

NATIVE(xmlNamespaceDeclarations)
{
    XmlObject *x = self1(vm, self, "namespaceDeclarations");
    ArrayObject *a = vm.newArray();
    for (const auto &d : x->nsDecls)
        a->push(nsValue(vm, d.prefix, d.uri));
    return Value::object(a);
}

NATIVE(xmlInScopeNamespaces)
{
    XmlObject *x = self1(vm, self, "inScopeNamespaces");
    ArrayObject *a = vm.newArray();
    std::vector<QString> seen;
    for (XmlObject *p = x; p; p = p->parent) {
        for (const auto &d : p->nsDecls) {
            if (std::find(seen.begin(), seen.end(), d.prefix) != seen.end())
                continue;
            seen.push_back(d.prefix);
            a->push(nsValue(vm, d.prefix, d.uri));
        }
    }
    if (a->length() == 0)
        a->push(nsValue(vm, QString(), QString()));
    return Value::object(a);
}

NATIVE(xmlToJson) { return vm.sv(QStringLiteral("XML")); }

Value xmlConstruct(Vm &vm, ClassObject *, const Value *args, int argc)
{
    const Value v = arg(args, argc, 0);
    if (Object *o = v.obj(); o && o->kind == ObjKind::Xml) {
        // A copy follows the settings in force, as parsing would.
        XmlObject *c = deepCopy(vm, static_cast<XmlObject *>(o));
        std::vector<XmlObject *> work{c};
        while (!work.empty()) {
            XmlObject *n = work.back();
            work.pop_back();
            std::erase_if(n->children, [&](XmlObject *k) {
                return (k->nodeKind == XmlKind::Comment && vm.xmlSettings.ignoreComments) ||
                       (k->nodeKind == XmlKind::ProcessingInstruction && vm.xmlSettings.ignoreProcessingInstructions);
            });
            for (XmlObject *k : n->children)
                work.push_back(k);
        }
        return Value::object(c);
    }
    if (argc == 0 || v.isNullish())
        return Value::object(newNode(vm, XmlKind::Text));
    return Value::object(toXml(vm, v));
}

Value xmlCall(Vm &vm, const Value &, const Value *args, int argc)
{
    const Value v = arg(args, argc, 0);
    if (argc == 0 || v.isNullish())
        return Value::object(newNode(vm, XmlKind::Text));
    return Value::object(toXml(vm, v));
}

Value xmlListConstruct(Vm &vm, ClassObject *, const Value *args, int argc)
{
    const Value v = arg(args, argc, 0);
    if (Object *o = v.obj(); o && o->kind == ObjKind::XmlList) {
        XmlListObject *l = newList(vm);
        l->items = static_cast<XmlListObject *>(o)->items;
        return Value::object(l);
    }
    return Value::object(toXmlList(vm, v));
}

Value xmlListCall(Vm &vm, const Value &, const Value *args, int argc)
{
    return Value::object(toXmlList(vm, arg(args, argc, 0)));
}

#define SETTING(name, field)                                                                   \
    NATIVE(get_##name) { return Value::boolean(vm.xmlSettings.field); }                        \
    NATIVE(set_##name)                                                                         \
    {                                                                                          \
        vm.xmlSettings.field = vm.toBoolean(arg(args, argc, 0));                               \
        return Value();                                                                        \
    }
SETTING(ignoreComments, ignoreComments)
SETTING(ignoreProcessingInstructions, ignoreProcessingInstructions)
SETTING(ignoreWhitespace, ignoreWhitespace)
SETTING(prettyPrinting, prettyPrinting)
NATIVE(getPrettyIndent) { return Value::integer(vm.xmlSettings.prettyIndent); }
NATIVE(setPrettyIndent)
{
    vm.xmlSettings.prettyIndent = qMin(argInt(vm, args, argc, 0, 2), 64);
    return Value();
}

Value settingsObject(Vm &vm, const Vm::XmlSettings &s)
{
    Object *o = vm.newObject();
    o->dyn().set(QStringLiteral("ignoreComments"), Value::boolean(s.ignoreComments));
    o->dyn().set(QStringLiteral("ignoreProcessingInstructions"), Value::boolean(s.ignoreProcessingInstructions));
    o->dyn().set(QStringLiteral("ignoreWhitespace"), Value::boolean(s.ignoreWhitespace));
    o->dyn().set(QStringLiteral("prettyPrinting"), Value::boolean(s.prettyPrinting));
    o->dyn().set(QStringLiteral("prettyIndent"), Value::integer(s.prettyIndent));
    return Value::object(o);
}

NATIVE(xmlSettingsFn) { return settingsObject(vm, vm.xmlSettings); }
NATIVE(xmlDefaultSettings) { return settingsObject(vm, Vm::XmlSettings()); }
NATIVE(xmlSetSettings)
{
    const Value o = arg(args, argc, 0);
    if (!o.obj()) {
        vm.xmlSettings = Vm::XmlSettings();
        return Value();
    }
    auto &s = vm.xmlSettings;
    const auto flag = [&](const char *n, bool &field) {
        const Value v = vm.getPublic(o, QString::fromLatin1(n));
        if (v.isBool())
            field = v.b;
    };
    flag("ignoreComments", s.ignoreComments);
    flag("ignoreProcessingInstructions", s.ignoreProcessingInstructions);
    flag("ignoreWhitespace", s.ignoreWhitespace);
    flag("prettyPrinting", s.prettyPrinting);
    const Value indent = vm.getPublic(o, QStringLiteral("prettyIndent"));
    if (indent.isNumeric())
        s.prettyIndent = qBound(0, vm.toInt32(indent), 64);
    return Value();
}

Object *allocXml(Vm &vm, ClassObject *) { return newNode(vm, XmlKind::Text); }
Object *allocXmlList(Vm &vm, ClassObject *) { return newList(vm); }

struct MethodDef {
    const char *name;
    NativeFn fn;
    int length;
};

const MethodDef kShared[] = {
    {"attribute", xmlAttribute, 1}, {"attributes", xmlAttributes, 0}, {"child", xmlChild, 1},
    {"children", xmlChildren, 0}, {"comments", xmlComments, 0}, {"contains", xmlContains, 1},
    {"copy", xmlCopy, 0}, {"descendants", xmlDescendantsFn, 1}, {"elements", xmlElements, 1},
    {"hasComplexContent", xmlHasComplexContent, 0}, {"hasSimpleContent", xmlHasSimpleContent, 0},
    {"length", xmlLength, 0}, {"normalize", xmlNormalize, 0}, {"parent", xmlParent, 0},
    {"processingInstructions", xmlProcessingInstructions, 1}, {"text", xmlText, 0},
    {"toString", xmlToString, 0}, {"toXMLString", xmlToXmlString, 0}, {"valueOf", xmlValueOf, 0},
    {"addNamespace", xmlAddNamespace, 1}, {"appendChild", xmlAppendChild, 1}, {"childIndex", xmlChildIndex, 0},
    {"inScopeNamespaces", xmlInScopeNamespaces, 0}, {"insertChildAfter", xmlInsertChildAfter, 2},
    {"insertChildBefore", xmlInsertChildBefore, 2}, {"localName", xmlLocalName, 0}, {"name", xmlName, 0},
    {"namespace", xmlNamespace, 1}, {"namespaceDeclarations", xmlNamespaceDeclarations, 0},
    {"nodeKind", xmlNodeKind, 0}, {"prependChild", xmlPrependChild, 1}, {"removeNamespace", xmlRemoveNamespace, 1},
    {"replace", xmlReplace, 2}, {"setChildren", xmlSetChildren, 1}, {"setLocalName", xmlSetLocalName, 1},
    {"setName", xmlSetName, 1}, {"setNamespace", xmlSetNamespace, 1},
};

} // namespace

void installXml(Vm &vm)
{
    ClassBuilder x(vm, QString(), QStringLiteral("XML"), vm.objectClass);
    x.finalClass().construct(xmlConstruct).callAs(xmlCall).alloc(allocXml, ObjKind::Xml);
    ClassBuilder l(vm, QString(), QStringLiteral("XMLList"), vm.objectClass);
    l.finalClass().construct(xmlListConstruct).callAs(xmlListCall).alloc(allocXmlList, ObjKind::XmlList);
    for (const auto &m : kShared) {
        x.method(QString::fromLatin1(m.name), m.fn, m.length);
        l.method(QString::fromLatin1(m.name), m.fn, m.length);
    }
    x.method(QStringLiteral("toJSON"), xmlToJson, 1, ClassBuilder::Proto);
    x.staticGetter(QStringLiteral("ignoreComments"), get_ignoreComments)
        .staticSetter(QStringLiteral("ignoreComments"), set_ignoreComments)
        .staticGetter(QStringLiteral("ignoreProcessingInstructions"), get_ignoreProcessingInstructions)
        .staticSetter(QStringLiteral("ignoreProcessingInstructions"), set_ignoreProcessingInstructions)
        .staticGetter(QStringLiteral("ignoreWhitespace"), get_ignoreWhitespace)
        .staticSetter(QStringLiteral("ignoreWhitespace"), set_ignoreWhitespace)
        .staticGetter(QStringLiteral("prettyPrinting"), get_prettyPrinting)
        .staticSetter(QStringLiteral("prettyPrinting"), set_prettyPrinting)
        .staticGetter(QStringLiteral("prettyIndent"), getPrettyIndent)
        .staticSetter(QStringLiteral("prettyIndent"), setPrettyIndent)
        .staticMethod(QStringLiteral("settings"), xmlSettingsFn, 0)
        .staticMethod(QStringLiteral("setSettings"), xmlSetSettings, 1)
        .staticMethod(QStringLiteral("defaultSettings"), xmlDefaultSettings, 0)
        .constant(QStringLiteral("length"), Value::integer(1));
    l.constant(QStringLiteral("length"), Value::integer(1));
    vm.xmlClass = x;
    vm.xmlListClass = l;
}

bool xmlEquals(Vm &vm, const Value &a, const Value &b)
{
    Object *x = a.obj(), *y = b.obj();
    const bool ax = x && (x->kind == ObjKind::Xml || x->kind == ObjKind::XmlList);
    const bool bx = y && (y->kind == ObjKind::Xml || y->kind == ObjKind::XmlList);
    if (!ax && !bx)
        return false;
    if (ax && bx) {
        const auto na = nodesOf(a), nb = nodesOf(b);
        if (na.size() != nb.size())
            return false;
        for (size_t i = 0; i < na.size(); ++i) {
            XmlObject *p = na[i], *q = nb[i];
            if (p->hasSimpleContent() && q->hasSimpleContent() && p->nodeKind != XmlKind::Element && q->nodeKind != XmlKind::Element) {
                if (xml::toString(vm, p) != xml::toString(vm, q))
                    return false;
            } else if ((p->nodeKind != XmlKind::Element) != (q->nodeKind != XmlKind::Element)) {
                if (!(p->hasSimpleContent() && q->hasSimpleContent() && xml::toString(vm, p) == xml::toString(vm, q)))
                    return false;
            } else if (!equals(vm, p, q)) {
                return false;
            }
        }
        return true;
    }
    const Value xv = ax ? a : b;
    const Value other = ax ? b : a;
    const auto nodes = nodesOf(xv);
    if (xv.o->kind == ObjKind::XmlList && nodes.empty())
        return other.isUndefined();
    if (nodes.size() != 1)
        return false;
    if (!nodes[0]->hasSimpleContent())
        return false;
    const QString s = xml::toString(vm, nodes[0]);
    if (other.isNumeric())
        return vm.toNumber(vm.sv(s)) == other.num();
    if (other.isBool())
        return vm.toNumber(vm.sv(s)) == (other.b ? 1 : 0);
    return s == vm.toString(other);
}

Value xmlConcat(Vm &vm, const Value &a, const Value &b)
{
    std::vector<XmlObject *> items = nodesOf(a);
    const auto more = nodesOf(b);
    items.insert(items.end(), more.begin(), more.end());
    return listOf(vm, std::move(items));
}

bool xmlCallMethod(Vm &vm, Object *o, const Name &name, const Value *args, int argc, Value &out)
{
    const Binding *b = vm.xmlClass->instanceTraits->findQName(vm.names.as3Ns(), name.name);
    if (b && b->kind == Binding::Method) {
        const MethodEnv &env = vm.xmlClass->instanceTraits->vtable[b->slot];
        out = vm.invoke(env.method, env.scope, Value::object(o), args, argc);
        return true;
    }
    // A list of one node with simple content answers String's methods.
    const auto nodes = nodesOf(Value::object(o));
    if (nodes.size() == 1 && nodes[0]->hasSimpleContent() && vm.stringClass->instanceTraits->findQName(vm.names.as3Ns(), name.name)) {
        out = vm.callProperty(vm.sv(xml::toString(vm, nodes[0])), name, args, argc);
        return true;
    }
    return false;
}

Value xmlDescendants(Vm &vm, const Value &obj, const Name &name)
{
    Object *o = obj.obj();
    if (!o || (o->kind != ObjKind::Xml && o->kind != ObjKind::XmlList))
        vm.throwError(ErrorType::TypeError, 1016, vm.displayName(obj));
    std::vector<XmlObject *> out;
    for (XmlObject *x : nodesOf(obj))
        descendants(x, name, out);
    return listOf(vm, std::move(out));
}

Value xmlEscape(Vm &vm, const Value &v, bool attribute)
{
    Object *o = v.obj();
    if (o && o->kind == ObjKind::Xml)
        return vm.sv(toXmlString(vm, static_cast<XmlObject *>(o)));
    if (o && o->kind == ObjKind::XmlList)
        return vm.sv(listToXmlString(vm, static_cast<XmlListObject *>(o)));
    const QString s = vm.toString(v);
    return vm.sv(attribute ? escapeAttribute(s) : escapeElement(s));
}

} // namespace swf::avm2::builtins
