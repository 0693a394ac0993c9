// E4X: XML nodes (elements, text, comments, processing instructions,
// attributes) and XMLList, the ordered lists of nodes that queries give.
#pragma once

#include "swf/avm2/object.h"

namespace swf::avm2 {

enum class XmlKind : quint8 { Element, Text, Comment, ProcessingInstruction, Attribute };

struct XmlNamespace {
    QString prefix;
    QString uri;
    bool operator==(const XmlNamespace &o) const { return prefix == o.prefix && uri == o.uri; }
};

class XmlObject final : public Object {
public:
    XmlObject(ClassObject *cls, const Traits *traits, Object *proto)
        : Object(cls, traits, proto, ObjKind::Xml)
    {
        m_dynamic = false;
    }
    void trace(Tracer &t) const override;
    bool getOwn(Vm &vm, const Name &name, Value &out) override;
    bool setOwn(Vm &vm, const Name &name, const Value &v) override;
    bool deleteOwn(Vm &vm, const Name &name) override;
    bool hasOwn(Vm &vm, const Name &name) override;
    int nextIndex(Vm &vm, int index) override { Q_UNUSED(vm); return index < 1 ? index + 1 : 0; }
    Value nameAt(Vm &vm, int index) override;
    Value valueAt(Vm &vm, int index) override { Q_UNUSED(vm); return index == 1 ? Value::object(this) : Value(); }

    bool isElement() const { return nodeKind == XmlKind::Element; }
    bool hasSimpleContent() const;

    XmlKind nodeKind = XmlKind::Element;
    QString uri;
    QString localName;
    QString prefix;
    std::vector<XmlNamespace> nsDecls;
    std::vector<XmlObject *> attributes;
    std::vector<XmlObject *> children;
    XmlObject *parent = nullptr;
    QString value; // text, comment, processing-instruction and attribute content
};

class XmlListObject final : public Object {
public:
    XmlListObject(ClassObject *cls, const Traits *traits, Object *proto)
        : Object(cls, traits, proto, ObjKind::XmlList)
    {
        m_dynamic = false;
    }
    void trace(Tracer &t) const override;
    bool getOwn(Vm &vm, const Name &name, Value &out) override;
    bool setOwn(Vm &vm, const Name &name, const Value &v) override;
    bool deleteOwn(Vm &vm, const Name &name) override;
    bool hasOwn(Vm &vm, const Name &name) override;
    int nextIndex(Vm &, int index) override { return size_t(index) < items.size() ? index + 1 : 0; }
    Value nameAt(Vm &vm, int index) override;
    Value valueAt(Vm &, int index) override
    {
        return index >= 1 && size_t(index) <= items.size() ? Value::object(items[size_t(index) - 1]) : Value();
    }

    std::vector<XmlObject *> items;
    // Where an assignment to an empty list puts the new node.
    XmlObject *target = nullptr;
    QString targetName;
    QString targetUri;
    bool targetAttribute = false;
};

} // namespace swf::avm2
