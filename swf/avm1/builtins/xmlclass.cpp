// XMLNode and XML: a tree of element and text nodes that scripts read and
// change through the DOM-like properties of XMLNode.prototype, and the
// document class that parses text into it and loads it.
#include "swf/avm1/arrayobject.h"
#include "swf/avm1/builtins.h"
#include "swf/avm1/dataloads.h"
#include "swf/avm1/heap.h"
#include "swf/avm1/machine.h"
#include "swf/avm1/xmlparser.h"
#include "swf/limits.h"

namespace swf::avm1 {

namespace {

// A node: what the player keeps natively, the childNodes array mirrored
// from its children as they change.
class XmlNodeObject final : public Object {
public:
    explicit XmlNodeObject(Object *proto) : Object(proto) {}

    void markChildren(Heap &heap) override
    {
        Object::markChildren(heap);
        heap.mark(name);
        heap.mark(value);
        heap.mark(attributes);
        heap.mark(childArray);
        heap.mark(parent);
        for (XmlNodeObject *child : children)
            heap.mark(child);
        heap.mark(contentType);
        heap.mark(ignoreWhite);
        heap.mark(status);
        heap.mark(xmlDecl);
        heap.mark(docTypeDecl);
        heap.mark(loaded);
    }

    void syncChildNodes()
    {
        auto &elements = childArray->elements();
        elements.assign(children.begin(), children.end());
        for (size_t i = 0; i < children.size(); ++i)
            children[i]->indexHint = qsizetype(i);
    }
    qsizetype indexInParent() const
    {
        if (!parent)
            return -1;
        const auto &siblings = parent->children;
        // Walking siblings asks this for each: the hint saves a search.
        if (indexHint >= 0 && indexHint < qsizetype(siblings.size()) &&
            siblings[size_t(indexHint)] == this)
            return indexHint;
        const auto it = std::find(siblings.begin(), siblings.end(), this);
        return it == siblings.end() ? -1 : qsizetype(it - siblings.begin());
    }
    void detach()
    {
        if (!parent)
            return;
        auto &siblings = parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
        parent->syncChildNodes();
        parent = nullptr;
    }
    bool isAncestorOf(const XmlNodeObject *node) const
    {
        for (const XmlNodeObject *n = node; n; n = n->parent) {
            if (n == this)
                return true;
        }
        return false;
    }

    int type = xml::kElementNode;
    Value name;  // a string, or null for documents and text
    Value value; // a string for text, else null
    Object *attributes = nullptr;
    ArrayObject *childArray = nullptr;
    XmlNodeObject *parent = nullptr;
    std::vector<XmlNodeObject *> children;
    qsizetype indexHint = -1; // where this was among its parent's children
    // Documents (XML objects) only.
    bool document = false;
    Value contentType;
    Value ignoreWhite;
    Value status;
    Value xmlDecl;
    Value docTypeDecl;
    Value loaded;
};

// The prototypes nodes and documents are made with, kept for the
// constructors and the methods that make nodes.
struct XmlClasses final : MachineExtension {
    FunctionObject *node = nullptr;
    FunctionObject *document = nullptr;
    Object *nodeProto = nullptr;
    Object *documentProto = nullptr;
    void markRoots(Heap &heap) override
    {
        heap.mark(node);
        heap.mark(document);
        heap.mark(nodeProto);
        heap.mark(documentProto);
    }
};

XmlNodeObject *nodeOf(const Value &v)
{
    return dynamic_cast<XmlNodeObject *>(v.asObject());
}

XmlNodeObject *makeNode(Machine &m, Object *proto, int type, const Value &text)
{
    auto *node = m.heap().make<XmlNodeObject>(proto);
    node->type = type;
    const bool element = type == xml::kElementNode;
    node->name = element ? text : Value(static_cast<Object *>(nullptr));
    node->value = element ? Value(static_cast<Object *>(nullptr)) : text;
    node->attributes = m.newObject();
    node->childArray = m.newArray();
    // The player makes childNodes as scripts make arrays, with its maker.
    m.defineValue(node->childArray, m.names().constructor.text(),
                  m.get(m.global(), QStringLiteral("Array")),
                  PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    return node;
}

XmlNodeObject *newNode(Machine &m, int type, const Value &text)
{
    XmlClasses *c = m.extension<XmlClasses>();
    return makeNode(m, c->nodeProto, type, text);
}

Object *prototypeOf(Machine &m, FunctionObject *constructor)
{
    return m.get(constructor, m.names().prototype.data()).asObject();
}

void appendTo(XmlNodeObject *parent, XmlNodeObject *child, qsizetype index = -1)
{
    child->detach();
    child->parent = parent;
    auto &list = parent->children;
    if (index < 0 || index > qsizetype(list.size()))
        list.push_back(child);
    else
        list.insert(list.begin() + index, child);
    parent->syncChildNodes();
}

void clearChildren(XmlNodeObject *node)
{
    for (XmlNodeObject *child : node->children)
        child->parent = nullptr;
    node->children.clear();
    node->syncChildNodes();
}

// Elements with an id attribute are listed by it: on the document's
// idMap from version 8, on the document itself before.
void buildChildren(Machine &m, XmlNodeObject *parent, const std::vector<xml::Node> &nodes,
                   Object *ids)
{
    XmlClasses *classes = m.extension<XmlClasses>();
    for (const xml::Node &n : nodes) {
        XmlNodeObject *made =
            newNode(m, n.type, Value(n.type == xml::kTextNode ? n.value : n.name));
        // Nodes read from text know their maker as "constructor".
        m.defineValue(made, m.names().constructor.text(), Value(classes->node),
                      PropertyFlag::DontEnum | PropertyFlag::DontDelete);
        for (const auto &[attr, v] : n.attributes) {
            m.set(made->attributes, attr, Value(v));
            if (ids && attr == QLatin1String("id"))
                m.set(ids, v, Value(static_cast<Object *>(made)));
        }
        // Fresh nodes have no parent to leave; childNodes is made once below.
        made->parent = parent;
        parent->children.push_back(made);
        // The reader caps the nesting, so this recursion is bounded.
        buildChildren(m, made, n.children, ids);
    }
    parent->syncChildNodes();
}

// The attributes object's own enumerable properties, in the order they
// were set (what Object.prototype gains is not an attribute).
std::vector<std::pair<QString, Value>> attributesOf(Machine &m, XmlNodeObject *node)
{
    std::vector<std::pair<QString, Value>> out;
    if (!node->attributes)
        return out;
    std::vector<StrRef> names;
    for (const Property &p : node->attributes->properties().entries()) {
        if (!(p.flags & PropertyFlag::DontEnum) && m.hasOwnProperty(node->attributes, p.key.data()))
            names.push_back(p.name);
    }
    for (const StrRef &name : names)
        out.emplace_back(name.text(), m.get(node->attributes, m.key(name.data())));
    return out;
}

QString nameText(Machine &m, const Value &name)
{
    return name.isNullish() ? QString() : m.toString(name).text();
}

QString serialize(Machine &m, XmlNodeObject *root)
{
    QString out;
    if (root->document) {
        if (!root->xmlDecl.isUndefined())
            out += m.toString(root->xmlDecl).text();
        if (!root->docTypeDecl.isUndefined())
            out += m.toString(root->docTypeDecl).text();
    }
    // Depth first without recursion: scripts can nest nodes without end.
    struct Step {
        XmlNodeObject *node;
        size_t next;
    };
    std::vector<Step> stack;
    const auto open = [&](XmlNodeObject *node) -> bool {
        if (node->type != xml::kElementNode) {
            out += xml::escapeText(nameText(m, node->value));
            return false;
        }
        const bool named = !node->name.isNullish();
        if (named) {
            out += QLatin1Char('<') + m.toString(node->name).text();
            for (const auto &[attr, v] : attributesOf(m, node))
                out += QLatin1Char(' ') + attr + QLatin1String("=\"") +
                       xml::escapeText(m.toString(v).text()) + QLatin1Char('"');
            if (node->children.empty()) {
                out += QLatin1String(" />");
                return false;
            }
            out += QLatin1Char('>');
        }
        return true;
    };
    if (!open(root))
        return out;
    stack.push_back({root, 0});
    while (!stack.empty()) {
        if (out.size() > limits::kMaxScriptStringLength)
            break;
        Step &top = stack.back();
        if (top.next < top.node->children.size()) {
            XmlNodeObject *child = top.node->children[top.next++];
            if (open(child))
                stack.push_back({child, 0});
            continue;
        }
        if (!top.node->name.isNullish())
            out += QLatin1String("</") + m.toString(top.node->name).text() + QLatin1Char('>');
        stack.pop_back();
    }
    return out;
}

// The prefix of a name ("a" of "a:b") and its local part. A name that
// ends at its first colon has no prefix ("a:" is all local).
std::pair<QString, QString> splitName(const QString &name)
{
    const qsizetype colon = name.indexOf(QLatin1Char(':'));
    if (colon < 0 || colon + 1 == name.size())
        return {QString(), name};
    return {name.left(colon), name.mid(colon + 1)};
}

QString prefixOf(const QString &name)
{
    return splitName(name).first;
}

QString localOf(const QString &name)
{
    return splitName(name).second;
}

// The namespace bound to `prefix` at `node`, looking up the tree.
Value namespaceFor(Machine &m, XmlNodeObject *node, const QString &prefix)
{
    const QString wanted =
        prefix.isEmpty() ? QStringLiteral("xmlns") : QStringLiteral("xmlns:") + prefix;
    for (XmlNodeObject *n = node; n; n = n->parent) {
        for (const auto &[attr, v] : attributesOf(m, n)) {
            if (attr == wanted)
                return Value(m.toString(v));
        }
    }
    return Value(static_cast<Object *>(nullptr));
}

Value textOf(Machine &m, const Value &v)
{
    return Value(m.toString(v));
}

const Value &nullValue()
{
    static const Value null(static_cast<Object *>(nullptr));
    return null;
}

Value nodeOrNull(XmlNodeObject *node)
{
    return node ? Value(static_cast<Object *>(node)) : nullValue();
}

// XMLNode.prototype's properties.

#define NODE_OR_UNDEFINED                                                                          \
    XmlNodeObject *node = nodeOf(self);                                                            \
    if (!node)                                                                                     \
        return Value();

Value getNodeType(Machine &, const Value &self, const Args &)
{
    NODE_OR_UNDEFINED
    return Value(node->type);
}

Value getNodeName(Machine &, const Value &self, const Args &)
{
    NODE_OR_UNDEFINED
    return node->name;
}

Value setNodeName(Machine &m, const Value &self, const Args &args)
{
    NODE_OR_UNDEFINED
    // undefined leaves the name; anything else is made a string (null too).
    if (!args[0].isUndefined())
        node->name = textOf(m, args[0]);
    return Value();
}

Value getNodeValue(Machine &, const Value &self, const Args &)
{
    NODE_OR_UNDEFINED
    return node->value;
}

Value setNodeValue(Machine &m, const Value &self, const Args &args)
{
    NODE_OR_UNDEFINED
    if (!args[0].isUndefined())
        node->value = textOf(m, args[0]);
    return Value();
}

Value getAttributes(Machine &, const Value &self, const Args &)
{
    NODE_OR_UNDEFINED
    return Value(node->attributes);
}

Value getChildNodes(Machine &, const Value &self, const Args &)
{
    NODE_OR_UNDEFINED
    return Value(static_cast<Object *>(node->childArray));
}

Value getFirstChild(Machine &, const Value &self, const Args &)
{
    NODE_OR_UNDEFINED
    return nodeOrNull(node->children.empty() ? nullptr : node->children.front());
}

Value getLastChild(Machine &, const Value &self, const Args &)
{
    NODE_OR_UNDEFINED
    return nodeOrNull(node->children.empty() ? nullptr : node->children.back());
}

Value getParentNode(Machine &, const Value &self, const Args &)
{
    NODE_OR_UNDEFINED
    return nodeOrNull(node->parent);
}

Value getNextSibling(Machine &, const Value &self, const Args &)
{
    NODE_OR_UNDEFINED
    const qsizetype i = node->indexInParent();
    if (i < 0 || i + 1 >= qsizetype(node->parent->children.size()))
        return nullValue();
    return nodeOrNull(node->parent->children[size_t(i + 1)]);
}

Value getPreviousSibling(Machine &, const Value &self, const Args &)
{
    NODE_OR_UNDEFINED
    const qsizetype i = node->indexInParent();
    if (i <= 0)
        return nullValue();
    return nodeOrNull(node->parent->children[size_t(i - 1)]);
}

Value getLocalName(Machine &m, const Value &self, const Args &)
{
    NODE_OR_UNDEFINED
    if (node->name.isNullish())
        return nullValue();
    return Value(localOf(m.toString(node->name).text()));
}

Value getPrefix(Machine &m, const Value &self, const Args &)
{
    NODE_OR_UNDEFINED
    if (node->name.isNullish())
        return nullValue();
    return Value(prefixOf(m.toString(node->name).text()));
}

Value getNamespaceURI(Machine &m, const Value &self, const Args &)
{
    NODE_OR_UNDEFINED
    if (node->name.isNullish())
        return nullValue();
    const Value uri = namespaceFor(m, node, prefixOf(m.toString(node->name).text()));
    return uri.isNull() ? Value(QString()) : uri;
}

// XMLNode.prototype's methods.

Value appendChild(Machine &, const Value &self, const Args &args)
{
    XmlNodeObject *node = nodeOf(self);
    XmlNodeObject *child = nodeOf(args[0]);
    // A node cannot hold itself or its ancestors; one of its children
    // stays where it is.
    if (!node || !child || child->isAncestorOf(node) || child->parent == node)
        return Value();
    appendTo(node, child);
    return Value();
}

Value insertBefore(Machine &, const Value &self, const Args &args)
{
    XmlNodeObject *node = nodeOf(self);
    XmlNodeObject *child = nodeOf(args[0]);
    XmlNodeObject *before = nodeOf(args[1]);
    if (!node || !child || !before || before->parent != node || child == before ||
        child->isAncestorOf(node))
        return Value();
    child->detach();
    appendTo(node, child, before->indexInParent());
    return Value();
}

Value removeNode(Machine &, const Value &self, const Args &)
{
    if (XmlNodeObject *node = nodeOf(self))
        node->detach();
    return Value();
}

Value hasChildNodes(Machine &, const Value &self, const Args &)
{
    NODE_OR_UNDEFINED
    return Value(!node->children.empty());
}

XmlNodeObject *copyOne(Machine &m, XmlNodeObject *from)
{
    XmlNodeObject *copy = newNode(m, from->type, Value());
    copy->name = from->name;
    copy->value = from->value;
    for (const auto &[attr, v] : attributesOf(m, from))
        m.set(copy->attributes, attr, v);
    return copy;
}

Value cloneNode(Machine &m, const Value &self, const Args &args)
{
    NODE_OR_UNDEFINED
    XmlNodeObject *root = copyOne(m, node);
    if (!m.toBoolean(args[0]))
        return Value(static_cast<Object *>(root));
    // Copies of the children, breadth first without recursion.
    std::vector<std::pair<XmlNodeObject *, XmlNodeObject *>> work{{node, root}};
    qint64 made = 0;
    while (!work.empty() && made < limits::kMaxXmlNodes) {
        const auto [from, to] = work.back();
        work.pop_back();
        for (XmlNodeObject *child : from->children) {
            XmlNodeObject *copy = copyOne(m, child);
            copy->parent = to;
            to->children.push_back(copy);
            work.emplace_back(child, copy);
            ++made;
        }
        to->syncChildNodes();
    }
    return Value(static_cast<Object *>(root));
}

Value toString(Machine &m, const Value &self, const Args &)
{
    XmlNodeObject *node = nodeOf(self);
    if (!node)
        return Value(m.objectString(self));
    return Value(serialize(m, node));
}

Value getNamespaceForPrefix(Machine &m, const Value &self, const Args &args)
{
    NODE_OR_UNDEFINED
    if (args[0].isUndefined())
        return nullValue();
    return namespaceFor(m, node, m.toString(args[0]).text());
}

Value getPrefixForNamespace(Machine &m, const Value &self, const Args &args)
{
    NODE_OR_UNDEFINED
    if (args[0].isUndefined())
        return nullValue();
    const QString uri = m.toString(args[0]).text();
    for (XmlNodeObject *n = node; n; n = n->parent) {
        for (const auto &[attr, v] : attributesOf(m, n)) {
            if (m.toString(v).text() != uri)
                continue;
            if (attr == QLatin1String("xmlns"))
                return Value(QString());
            if (attr.startsWith(QLatin1String("xmlns:")))
                return Value(attr.mid(6));
        }
    }
    return nullValue();
}

// The node properties are put on XMLNode.prototype, as it then is, when
// a node is made natively; the first prototype has them from the start.
void defineNodeProperties(Machine &m, Object *proto)
{
    if (!proto)
        return;
    defineMissingAccessors(m, proto,
                           {
                               {"attributes", getAttributes, nullptr},
                               {"childNodes", getChildNodes, nullptr},
                               {"firstChild", getFirstChild, nullptr},
                               {"lastChild", getLastChild, nullptr},
                               {"localName", getLocalName, nullptr},
                               {"namespaceURI", getNamespaceURI, nullptr},
                               {"nextSibling", getNextSibling, nullptr},
                               {"nodeName", getNodeName, setNodeName},
                               {"nodeType", getNodeType, nullptr},
                               {"nodeValue", getNodeValue, setNodeValue},
                               {"parentNode", getParentNode, nullptr},
                               {"prefix", getPrefix, nullptr},
                               {"previousSibling", getPreviousSibling, nullptr},
                           },
                           0);
}

Value constructNode(Machine &m, const Value &, const Args &args)
{
    XmlClasses *c = m.extension<XmlClasses>();
    if (args[0].isUndefined() || args[1].isUndefined()) {
        // Without a type and a text the object is no node: its node
        // properties read undefined.
        Object *made = m.newObject();
        m.initializeConstructed(made, c->node);
        return Value(made);
    }
    // Type 1 makes an element; any other makes a node that reads as text.
    // The type is read once (an object's valueOf runs once).
    const double asked = m.toNumber(args[0]);
    const int type = asked == xml::kElementNode ? xml::kElementNode : m.toInt32(Value(asked));
    XmlNodeObject *node = makeNode(m, c->nodeProto, type, textOf(m, args[1]));
    defineNodeProperties(m, prototypeOf(m, c->node));
    // Nodes made by new know their maker, but not as "constructor".
    m.defineValue(node, m.names().constructor2.text(), Value(c->node));
    return Value(static_cast<Object *>(node));
}

// XML.prototype's properties and methods.

#define DOCUMENT_OR_UNDEFINED                                                                      \
    XmlNodeObject *node = nodeOf(self);                                                            \
    if (!node || !node->document)                                                                  \
        return Value();

// The document's own properties: undefined leaves each as it was; the
// flags and the status convert what they are given, the texts keep it.
enum class Kind { Text, Boolean, Integer };

Value convertFor(Machine &m, Kind kind, const Value &v)
{
    // The player reads an object as text first, whatever it then makes
    // of it (its toString runs).
    if (kind != Kind::Text && v.isObject())
        m.toString(v);
    switch (kind) {
    case Kind::Text:
        return v;
    case Kind::Boolean:
        return Value(m.toBoolean(v));
    case Kind::Integer:
        return Value(m.toInt32(Value(m.toNumber(v))));
    }
    return v;
}

template <Value XmlNodeObject::*field> Value getDocument(Machine &, const Value &self, const Args &)
{
    DOCUMENT_OR_UNDEFINED
    return node->*field;
}

template <Value XmlNodeObject::*field, Kind kind>
Value setDocument(Machine &m, const Value &self, const Args &args)
{
    DOCUMENT_OR_UNDEFINED
    if (!args[0].isUndefined())
        node->*field = convertFor(m, kind, args[0]);
    return Value();
}

// XML.prototype, as it then is, gets the document properties when a
// document is made, not before.
void defineDocumentProperties(Machine &m, Object *proto)
{
    if (!proto)
        return;
    defineMissingAccessors(m, proto,
                           {
                               {"contentType", getDocument<&XmlNodeObject::contentType>,
                                setDocument<&XmlNodeObject::contentType, Kind::Text>},
                               {"docTypeDecl", getDocument<&XmlNodeObject::docTypeDecl>,
                                setDocument<&XmlNodeObject::docTypeDecl, Kind::Text>},
                               {"ignoreWhite", getDocument<&XmlNodeObject::ignoreWhite>,
                                setDocument<&XmlNodeObject::ignoreWhite, Kind::Boolean>},
                               {"loaded", getDocument<&XmlNodeObject::loaded>,
                                setDocument<&XmlNodeObject::loaded, Kind::Boolean>},
                               {"status", getDocument<&XmlNodeObject::status>,
                                setDocument<&XmlNodeObject::status, Kind::Integer>},
                               {"xmlDecl", getDocument<&XmlNodeObject::xmlDecl>,
                                setDocument<&XmlNodeObject::xmlDecl, Kind::Text>},
                           },
                           PropertyFlag::DontEnum);
}

void parseInto(Machine &m, XmlNodeObject *node, const QString &text)
{
    const xml::Document doc = xml::parse(text, m.toBoolean(node->ignoreWhite));
    clearChildren(node);
    node->xmlDecl = doc.hasXmlDecl ? Value(doc.xmlDecl) : Value();
    node->docTypeDecl = doc.hasDocType ? Value(doc.docType) : Value();
    node->status = Value(doc.status);
    Object *ids = node;
    if (m.version() >= 8)
        ids = m.get(node, QStringLiteral("idMap")).asObject();
    buildChildren(m, node, doc.children, ids);
}

Value parseXML(Machine &m, const Value &self, const Args &args)
{
    DOCUMENT_OR_UNDEFINED
    if (args[0].isUndefined())
        return Value();
    parseInto(m, node, m.toString(textOf(m, args[0])).text());
    return Value();
}

Value createElement(Machine &m, const Value &, const Args &args)
{
    if (args[0].isUndefined())
        return Value();
    XmlNodeObject *node = newNode(m, xml::kElementNode, textOf(m, args[0]));
    defineNodeProperties(m, prototypeOf(m, m.extension<XmlClasses>()->node));
    return Value(static_cast<Object *>(node));
}

Value createTextNode(Machine &m, const Value &, const Args &args)
{
    if (args[0].isUndefined())
        return Value();
    XmlNodeObject *node = newNode(m, xml::kTextNode, textOf(m, args[0]));
    defineNodeProperties(m, prototypeOf(m, m.extension<XmlClasses>()->node));
    return Value(static_cast<Object *>(node));
}

Value onData(Machine &m, const Value &self, const Args &args)
{
    return onDataWith(m, self, args, QStringLiteral("parseXML"));
}

Value constructDocument(Machine &m, const Value &, const Args &args)
{
    XmlClasses *c = m.extension<XmlClasses>();
    XmlNodeObject *node = makeNode(m, c->documentProto, xml::kElementNode, nullValue());
    m.initializeConstructed(node, c->document);
    defineDocumentProperties(m, prototypeOf(m, c->document));
    node->document = true;
    node->contentType = Value(QStringLiteral("application/x-www-form-urlencoded"));
    node->ignoreWhite = Value(false);
    node->status = Value(0);
    if (m.version() >= 8)
        m.set(node, QStringLiteral("idMap"), Value(m.newObject()));
    if (args.size() > 0 && !args[0].isUndefined())
        parseInto(m, node, m.toString(textOf(m, args[0])).text());
    return Value(static_cast<Object *>(node));
}

// Called without new, the classes make nothing.
Value callWithoutNew(Machine &, const Value &, const Args &)
{
    return Value();
}

#undef NODE_OR_UNDEFINED
#undef DOCUMENT_OR_UNDEFINED

} // namespace

void installXmlClasses(Machine &m)
{
    DataLoads::of(m);
    auto owned = std::make_unique<XmlClasses>();
    XmlClasses &c = *owned;
    m.addExtension(std::move(owned));

    c.nodeProto = m.newObject();
    c.node = m.defineClass(QStringLiteral("XMLNode"), c.nodeProto, callWithoutNew, constructNode);
    defineNodeProperties(m, c.nodeProto);
    const struct {
        const char *name;
        NativeFunction call;
    } nodeMethods[] = {
        {"appendChild", appendChild},
        {"cloneNode", cloneNode},
        {"getNamespaceForPrefix", getNamespaceForPrefix},
        {"getPrefixForNamespace", getPrefixForNamespace},
        {"hasChildNodes", hasChildNodes},
        {"insertBefore", insertBefore},
        {"removeNode", removeNode},
        {"toString", toString},
    };
    for (const auto &method : nodeMethods)
        m.defineValue(c.nodeProto, QString::fromLatin1(method.name),
                      Value(m.newNative(method.call)), 0);

    // XML.prototype is a node object itself, made by XMLNode.
    c.documentProto = m.newObject();
    c.documentProto->setProto(c.nodeProto);
    c.document =
        m.defineClass(QStringLiteral("XML"), c.documentProto, callWithoutNew, constructDocument);
    c.documentProto->properties().remove(m.key(QStringLiteral("constructor")).data());
    m.defineValue(c.documentProto, QStringLiteral("__constructor__"), Value(c.node));
    defineMethods(m, c.documentProto,
                  {
                      {"addRequestHeader", addRequestHeaderMethod, true},
                      {"createElement", createElement, false},
                      {"createTextNode", createTextNode, false},
                      {"getBytesLoaded", getBytesLoadedMethod, true},
                      {"getBytesTotal", getBytesTotalMethod, true},
                      {"load", loadMethod, false},
                      {"onData", onData, true},
                      {"onLoad", onLoadMethod, true},
                      {"parseXML", parseXML, false},
                      {"send", sendMethod, false},
                      {"sendAndLoad", sendAndLoadMethod, false},
                  },
                  0);
}

} // namespace swf::avm1
