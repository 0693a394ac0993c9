// E4X nodes: parsing with QXmlStreamReader, serialisation with the
// Flash Player's pretty printing, and property access on XML and XMLList.
#include "swf/avm2/xml.h"

#include "swf/avm2/builtins.h"
#include "swf/avm2/vm.h"

#include <QXmlStreamReader>

namespace swf::avm2 {

void XmlObject::trace(Tracer &t) const
{
    Object::trace(t);
    for (const XmlObject *a : attributes)
        t.mark(a);
    for (const XmlObject *c : children)
        t.mark(c);
    t.mark(parent);
}

void XmlListObject::trace(Tracer &t) const
{
    Object::trace(t);
    for (const XmlObject *x : items)
        t.mark(x);
    t.mark(target);
}

} // namespace swf::avm2
namespace swf::avm2 {

bool XmlObject::hasSimpleContent() const
{
    if (nodeKind == XmlKind::Comment || nodeKind == XmlKind::ProcessingInstruction)
        return false;
    for (const XmlObject *c : children) {
        if (c->nodeKind == XmlKind::Element)
            return false;
    }
    return true;
}

namespace xml {
namespace {

constexpr int kMaxDepth = 256;
constexpr size_t kMaxNodes = size_t(1) << 22;

bool isSpaceOnly(const QString &s)
{
    for (QChar c : s) {
        if (!(c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'))
            return false;
    }
    return true;
}

QString trimmed(const QString &s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && (s[b] == u' ' || s[b] == u'\t' || s[b] == u'\n' || s[b] == u'\r'))
        ++b;
    while (e > b && (s[e - 1] == u' ' || s[e - 1] == u'\t' || s[e - 1] == u'\n' || s[e - 1] == u'\r'))
        --e;
    return s.mid(b, e - b);
}

[[noreturn]] void parseError(Vm &vm, const QXmlStreamReader &r)
{
    const QString e = r.errorString();
    int code = 1090;
    if (e.contains(QLatin1String("CDATA")))
        code = 1091;
    else if (e.contains(QLatin1String("comment"), Qt::CaseInsensitive))
        code = 1094;
    else if (r.error() == QXmlStreamReader::PrematureEndOfDocumentError)
        code = 1085;
    if (code == 1085)
        vm.throwError(ErrorType::TypeError, 1085, QStringLiteral("parent"), QStringLiteral("parent"));
    vm.throwError(ErrorType::TypeError, code);
}

} // namespace

XmlObject *newNode(Vm &vm, XmlKind kind)
{
    auto *x = vm.heap.make<XmlObject>(vm.xmlClass, vm.xmlClass->instanceTraits.get(), vm.xmlClass->prototype);
    x->nodeKind = kind;
    return x;
}

XmlListObject *newList(Vm &vm)
{
    return vm.heap.make<XmlListObject>(vm.xmlListClass, vm.xmlListClass->instanceTraits.get(),
                                       vm.xmlListClass->prototype);
}

std::vector<XmlObject *> parse(Vm &vm, const QString &text)
{
    // A wrapper element gives the reader one root and declares the default
    // namespace in force.
    QString doc = QStringLiteral("<parent");
    if (!vm.defaultXmlNs.isEmpty())
        doc += QStringLiteral(" xmlns=\"") + escapeAttribute(vm.defaultXmlNs) + QLatin1Char('"');
    // A declaration or document type may only open a document: drop them.
    QString body = text;
    for (;;) {
        const QString t = body.trimmed();
        if (t.startsWith(QLatin1String("<?xml ")) || t.startsWith(QLatin1String("<?xml?"))) {
            const qsizetype end = t.indexOf(QLatin1String("?>"));
            if (end < 0)
                vm.throwError(ErrorType::TypeError, 1092);
            body = t.mid(end + 2);
        } else if (t.startsWith(QLatin1String("<!DOCTYPE"))) {
            const qsizetype end = t.indexOf(QLatin1Char('>'));
            if (end < 0)
                vm.throwError(ErrorType::TypeError, 1093);
            body = t.mid(end + 1);
        } else {
            break;
        }
    }
    doc += QLatin1Char('>') + body + QStringLiteral("</parent>");
    QXmlStreamReader r(doc);
    XmlObject *root = newNode(vm, XmlKind::Element);
    std::vector<XmlObject *> stack{root};
    size_t nodes = 0;
    const auto &settings = vm.xmlSettings;
    bool first = true;
    while (!r.atEnd()) {
        r.readNext();
        if (++nodes > kMaxNodes)
            vm.throwError(ErrorType::Error, 1000);
        XmlObject *top = stack.back();
        switch (r.tokenType()) {
        case QXmlStreamReader::StartElement: {
            if (first) {
                first = false;
                break;
            }
            if (stack.size() > size_t(kMaxDepth))
                vm.throwError(ErrorType::TypeError, 1090);
            XmlObject *e = newNode(vm, XmlKind::Element);
            e->uri = r.namespaceUri().toString();
            e->localName = r.name().toString();
            e->prefix = r.prefix().toString();
            for (const auto &d : r.namespaceDeclarations())
                e->nsDecls.push_back({d.prefix().toString(), d.namespaceUri().toString()});
            for (const auto &a : r.attributes()) {
                XmlObject *attr = newNode(vm, XmlKind::Attribute);
                attr->uri = a.namespaceUri().toString();
                attr->localName = a.name().toString();
                attr->prefix = a.prefix().toString();
                attr->value = a.value().toString();
                attr->parent = e;
                e->attributes.push_back(attr);
            }
            e->parent = top;
            top->children.push_back(e);
            stack.push_back(e);
            break;
        }
        case QXmlStreamReader::EndElement:
            if (stack.size() > 1)
                stack.pop_back();
            break;
        case QXmlStreamReader::Characters: {
            QString t = r.text().toString();
            if (!r.isCDATA() && settings.ignoreWhitespace) {
                if (isSpaceOnly(t))
                    break;
                t = trimmed(t);
            }
            if (!top->children.empty() && top->children.back()->nodeKind == XmlKind::Text && !r.isCDATA()) {
                top->children.back()->value += t;
                break;
            }
            XmlObject *n = newNode(vm, XmlKind::Text);
            n->value = t;
            n->parent = top;
            top->children.push_back(n);
            break;
        }
        case QXmlStreamReader::Comment:
            if (!settings.ignoreComments) {
                XmlObject *n = newNode(vm, XmlKind::Comment);
                n->value = r.text().toString();
                n->parent = top;
                top->children.push_back(n);
            }
            break;
        case QXmlStreamReader::ProcessingInstruction:
            if (!settings.ignoreProcessingInstructions) {
                XmlObject *n = newNode(vm, XmlKind::ProcessingInstruction);
                n->localName = r.processingInstructionTarget().toString();
                n->value = r.processingInstructionData().toString();
                n->parent = top;
                top->children.push_back(n);
            }
            break;
        default:
            break;
        }
    }
    if (r.hasError())
        parseError(vm, r);
    std::vector<XmlObject *> out = root->children;
    for (XmlObject *x : out)
        x->parent = nullptr;
    return out;
}

XmlObject *toXml(Vm &vm, const Value &v)
{
    if (Object *o = v.obj()) {
        if (o->kind == ObjKind::Xml)
            return static_cast<XmlObject *>(o);
        if (o->kind == ObjKind::XmlList) {
            auto *l = static_cast<XmlListObject *>(o);
            if (l->items.size() == 1)
                return l->items[0];
            vm.throwError(ErrorType::TypeError, 1088);
        }
    }
    if (v.isNullish())
        vm.throwError(ErrorType::TypeError, 1088);
    const QString text = vm.toString(v);
    std::vector<XmlObject *> nodes = parse(vm, text);
    if (nodes.empty()) {
        XmlObject *t = newNode(vm, XmlKind::Text);
        return t;
    }
    if (nodes.size() > 1)
        vm.throwError(ErrorType::TypeError, 1088);
    return nodes[0];
}

XmlListObject *toXmlList(Vm &vm, const Value &v)
{
    if (Object *o = v.obj()) {
        if (o->kind == ObjKind::XmlList)
            return static_cast<XmlListObject *>(o);
        if (o->kind == ObjKind::Xml) {
            XmlListObject *l = newList(vm);
            l->items.push_back(static_cast<XmlObject *>(o));
            return l;
        }
    }
    XmlListObject *l = newList(vm);
    if (v.isNullish())
        return l;
    l->items = parse(vm, vm.toString(v));
    return l;
}

QString escapeElement(const QString &s)
{
    QString out;
    out.reserve(s.size());
    for (QChar c : s) {
        switch (c.unicode()) {
        case '&': out += QStringLiteral("&amp;"); break;
        case '<': out += QStringLiteral("&lt;"); break;
        case '>': out += QStringLiteral("&gt;"); break;
        default: out += c;
        }
    }
    return out;
}

QString escapeAttribute(const QString &s)
{
    QString out;
    out.reserve(s.size());
    for (QChar c : s) {
        switch (c.unicode()) {
        case '"': out += QStringLiteral("&quot;"); break;
        case '&': out += QStringLiteral("&amp;"); break;
        case '<': out += QStringLiteral("&lt;"); break;
        case '\n': out += QStringLiteral("&#xA;"); break;
        case '\r': out += QStringLiteral("&#xD;"); break;
        case '\t': out += QStringLiteral("&#x9;"); break;
        default: out += c;
        }
    }
    return out;
}

QString toString(Vm &vm, XmlObject *x)
{
    if (x->nodeKind == XmlKind::Text || x->nodeKind == XmlKind::Attribute)
        return x->value;
    if (x->hasSimpleContent()) {
        QString s;
        for (const XmlObject *c : x->children) {
            if (c->nodeKind == XmlKind::Text)
                s += c->value;
        }
        return s;
    }
    return toXmlString(vm, x);
}

namespace {

struct Writer {
    Vm &vm;
    QString out;

    // The prefix in scope for a namespace uri, or null when none is.
    static const XmlNamespace *find(const std::vector<XmlNamespace> &scope, const QString &uri, const QString &prefix)
    {
        for (auto it = scope.rbegin(); it != scope.rend(); ++it) {
            if (it->uri == uri && (prefix.isNull() || it->prefix == prefix))
                return &*it;
        }
        return nullptr;
    }

    void write(XmlObject *x, std::vector<XmlNamespace> scope, int indent)
    {
        const bool pretty = vm.xmlSettings.prettyPrinting;
        if (pretty)
            out += QString(indent, u' ');
        switch (x->nodeKind) {
        case XmlKind::Text: out += escapeElement(pretty ? trimmed(x->value) : x->value); return;
        case XmlKind::Attribute: out += escapeAttribute(x->value); return;
        case XmlKind::Comment: out += QStringLiteral("<!--") + x->value + QStringLiteral("-->"); return;
        case XmlKind::ProcessingInstruction:
            out += QStringLiteral("<?") + x->localName + QLatin1Char(' ') + x->value + QStringLiteral("?>");
            return;
        case XmlKind::Element: break;
        }
        std::vector<XmlNamespace> decls;
        for (const auto &d : x->nsDecls) {
            if (!find(scope, d.uri, d.prefix)) {
                decls.push_back(d);
                scope.push_back(d);
            }
        }
        const auto prefixFor = [&](const QString &uri, const QString &preferred, bool attribute) -> QString {
            if (uri.isEmpty())
                return QString();
            if (const XmlNamespace *n = find(scope, uri, preferred.isEmpty() ? QString() : preferred))
                return n->prefix;
            if (const XmlNamespace *n = find(scope, uri, QString()))
                return n->prefix;
            XmlNamespace d{attribute || !preferred.isEmpty() ? (preferred.isEmpty() ? QStringLiteral("ns%1").arg(scope.size()) : preferred) : QString(), uri};
            decls.push_back(d);
            scope.push_back(d);
            return d.prefix;
        };
        const QString p = prefixFor(x->uri, x->prefix, false);
        const QString qname = p.isEmpty() ? x->localName : p + QLatin1Char(':') + x->localName;
        QString attrs;
        for (XmlObject *a : x->attributes) {
            const QString ap = prefixFor(a->uri, a->prefix, true);
            attrs += QLatin1Char(' ') + (ap.isEmpty() ? a->localName : ap + QLatin1Char(':') + a->localName) +
                     QStringLiteral("=\"") + escapeAttribute(a->value) + QLatin1Char('"');
        }
        out += QLatin1Char('<') + qname;
        for (const auto &d : decls)
            out += (d.prefix.isEmpty() ? QStringLiteral(" xmlns") : QStringLiteral(" xmlns:") + d.prefix) +
                   QStringLiteral("=\"") + escapeAttribute(d.uri) + QLatin1Char('"');
        out += attrs;
        if (x->children.empty()) {
            out += QStringLiteral("/>");
            return;
        }
        out += QLatin1Char('>');
        const bool indentChildren = x->children.size() > 1 || x->children[0]->nodeKind != XmlKind::Text;
        const int next = pretty && indentChildren ? indent + qMax(0, vm.xmlSettings.prettyIndent) : 0;
        for (XmlObject *c : x->children) {
            if (pretty && indentChildren)
                out += QLatin1Char('\n');
            write(c, scope, next);
            if (out.size() > (1 << 28))
                vm.throwError(ErrorType::Error, 1000);
        }
        if (pretty && indentChildren)
            out += QLatin1Char('\n') + QString(indent, u' ');
        out += QStringLiteral("</") + qname + QLatin1Char('>');
    }
};

// The namespaces an element inherits: the Flash Player declares them all on
// an element serialised out of its document.
std::vector<XmlNamespace> inherited(XmlObject *x)
{
    std::vector<XmlNamespace> out;
    for (XmlObject *p = x->parent; p; p = p->parent) {
        for (const auto &d : p->nsDecls) {
            bool shadowed = false;
            for (const auto &o : out)
                shadowed = shadowed || o.prefix == d.prefix;
            for (const auto &o : x->nsDecls)
                shadowed = shadowed || o.prefix == d.prefix;
            if (!shadowed)
                out.push_back(d);
        }
    }
    return out;
}

} // namespace

QString toXmlString(Vm &vm, XmlObject *x)
{
    Writer w{vm, QString()};
    if (x->parent && x->nodeKind == XmlKind::Element) {
        const auto extra = inherited(x);
        if (!extra.empty()) {
            const auto saved = x->nsDecls;
            x->nsDecls.insert(x->nsDecls.begin(), extra.begin(), extra.end());
            w.write(x, {}, 0);
            x->nsDecls = saved;
            return w.out;
        }
    }
    w.write(x, {}, 0);
    return w.out;
}

QString listToXmlString(Vm &vm, XmlListObject *l)
{
    QStringList parts;
    for (XmlObject *x : l->items)
        parts << toXmlString(vm, x);
    return parts.join(QLatin1Char('\n'));
}

QString listToString(Vm &vm, XmlListObject *l)
{
    bool simple = true;
    for (XmlObject *x : l->items) {
        if (x->nodeKind == XmlKind::Element && !x->hasSimpleContent())
            simple = false;
    }
    if (!simple)
        return listToXmlString(vm, l);
    QString s;
    for (XmlObject *x : l->items) {
        if (x->nodeKind != XmlKind::Comment && x->nodeKind != XmlKind::ProcessingInstruction)
            s += toString(vm, x);
    }
    return s;
}

XmlObject *deepCopy(Vm &vm, XmlObject *x)
{
    XmlObject *c = newNode(vm, x->nodeKind);
    c->uri = x->uri;
    c->localName = x->localName;
    c->prefix = x->prefix;
    c->nsDecls = x->nsDecls;
    c->value = x->value;
    for (XmlObject *a : x->attributes) {
        XmlObject *ac = deepCopy(vm, a);
        ac->parent = c;
        c->attributes.push_back(ac);
    }
    for (XmlObject *ch : x->children) {
        XmlObject *cc = deepCopy(vm, ch);
        cc->parent = c;
        c->children.push_back(cc);
    }
    return c;
}

bool matches(const XmlObject *node, const Name &name)
{
    if (!name.anyName && node->localName != name.name)
        return false;
    if (name.anyNs)
        return true;
    if (name.ns)
        return name.ns->uri == node->uri;
    if (name.set) {
        for (const Ns *n : *name.set) {
            if (n->uri == node->uri && (n->cat == NsCat::Public || n->cat == NsCat::Explicit || n->cat == NsCat::Internal))
                return true;
        }
        return false;
    }
    return true;
}

void collect(XmlObject *x, const Name &name, std::vector<XmlObject *> &out)
{
    if (name.attribute) {
        for (XmlObject *a : x->attributes) {
            if (matches(a, name))
                out.push_back(a);
        }
        return;
    }
    for (XmlObject *c : x->children) {
        if ((name.anyName && (c->nodeKind == XmlKind::Element || name.anyName)) || (c->nodeKind == XmlKind::Element && matches(c, name))) {
            if (name.anyName && !name.anyNs && name.ns && c->nodeKind == XmlKind::Element && c->uri != name.ns->uri)
                continue;
            out.push_back(c);
        }
    }
}

void descendants(XmlObject *x, const Name &name, std::vector<XmlObject *> &out)
{
    std::vector<std::pair<XmlObject *, size_t>> stack{{x, 0}};
    while (!stack.empty()) {
        auto &[node, i] = stack.back();
        if (i == 0 && name.attribute) {
            for (XmlObject *a : node->attributes)
                if (matches(a, name))
                    out.push_back(a);
        }
        if (i >= node->children.size()) {
            stack.pop_back();
            continue;
        }
        XmlObject *c = node->children[i++];
        if (!name.attribute && (name.anyName ? true : (c->nodeKind == XmlKind::Element && matches(c, name))))
            out.push_back(c);
        if (c->nodeKind == XmlKind::Element)
            stack.emplace_back(c, 0);
    }
}

bool equals(Vm &vm, XmlObject *a, XmlObject *b)
{
    if (a == b)
        return true;
    if (a->nodeKind != b->nodeKind)
        return false;
    if (a->nodeKind != XmlKind::Element)
        return a->value == b->value && a->localName == b->localName;
    if (a->localName != b->localName || a->uri != b->uri)
        return false;
    if (a->attributes.size() != b->attributes.size() || a->children.size() != b->children.size())
        return false;
    for (XmlObject *x : a->attributes) {
        bool found = false;
        for (XmlObject *y : b->attributes)
            found = found || (x->localName == y->localName && x->uri == y->uri && x->value == y->value);
        if (!found)
            return false;
    }
    for (size_t i = 0; i < a->children.size(); ++i) {
        if (!equals(vm, a->children[i], b->children[i]))
            return false;
    }
    return true;
}

QString nameUri(Vm &vm, const Name &name)
{
    if (name.ns && !name.anyNs)
        return name.ns->uri;
    return vm.defaultXmlNs;
}

void setContent(Vm &vm, XmlObject *x, const Value &v)
{
    for (XmlObject *c : x->children)
        c->parent = nullptr;
    x->children.clear();
    Object *o = v.obj();
    if (o && (o->kind == ObjKind::Xml || o->kind == ObjKind::XmlList)) {
        appendChild(vm, x, v);
        return;
    }
    XmlObject *t = newNode(vm, XmlKind::Text);
    t->value = vm.toString(v);
    t->parent = x;
    x->children.push_back(t);
}

void appendChild(Vm &vm, XmlObject *x, const Value &v)
{
    Object *o = v.obj();
    std::vector<XmlObject *> nodes;
    if (o && o->kind == ObjKind::Xml)
        nodes.push_back(static_cast<XmlObject *>(o));
    else if (o && o->kind == ObjKind::XmlList)
        nodes = static_cast<XmlListObject *>(o)->items;
    else {
        XmlObject *t = newNode(vm, XmlKind::Text);
        t->value = vm.toString(v);
        nodes.push_back(t);
    }
    for (XmlObject *n : nodes) {
        for (XmlObject *p = x; p; p = p->parent) {
            if (p == n)
                vm.throwError(ErrorType::TypeError, 1118);
        }
        if (n->nodeKind == XmlKind::Attribute) {
            XmlObject *t = newNode(vm, XmlKind::Text);
            t->value = n->value;
            n = t;
        }
        if (n->parent) {
            auto &siblings = n->parent->children;
            siblings.erase(std::remove(siblings.begin(), siblings.end(), n), siblings.end());
        }
        n->parent = x;
        x->children.push_back(n);
    }
}

} // namespace xml

} // namespace swf::avm2
