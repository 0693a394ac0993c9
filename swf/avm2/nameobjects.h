// Namespace and QName objects.
#pragma once

#include "swf/avm2/object.h"

namespace swf::avm2 {

class NamespaceObject final : public Object {
public:
    NamespaceObject(ClassObject *cls, const Traits *traits, Object *proto)
        : Object(cls, traits, proto, ObjKind::Namespace)
    {
        m_dynamic = false;
    }
    const Ns *ns = nullptr;
    // Undefined when the namespace has no prefix; a string otherwise.
    Value prefix;
    void trace(Tracer &t) const override
    {
        Object::trace(t);
        t.mark(prefix);
    }
};

class QNameObject final : public Object {
public:
    QNameObject(ClassObject *cls, const Traits *traits, Object *proto)
        : Object(cls, traits, proto, ObjKind::QName)
    {
        m_dynamic = false;
    }
    bool anyNamespace = false; // uri is null: "*"
    QString uri;
    QString localName;
    bool anyName = false;
    QString prefix;
};

} // namespace swf::avm2
