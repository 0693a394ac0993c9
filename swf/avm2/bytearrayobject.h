// flash.utils.ByteArray: bytes with a read/write position and an endian.
#pragma once

#include "swf/avm2/object.h"

#include <QByteArray>

namespace swf::avm2 {

class ByteArrayObject final : public Object {
public:
    ByteArrayObject(ClassObject *cls, const Traits *traits, Object *proto)
        : Object(cls, traits, proto, ObjKind::ByteArray)
    {
    }
    size_t extraBytes() const override { return size_t(data.capacity()); }
    bool getOwn(Vm &vm, const Name &name, Value &out) override;
    bool setOwn(Vm &vm, const Name &name, const Value &v) override;
    bool hasOwn(Vm &vm, const Name &name) override;

    QByteArray data;
    quint32 position = 0;
    bool littleEndian = false;
};

} // namespace swf::avm2
