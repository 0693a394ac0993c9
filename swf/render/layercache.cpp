#include "swf/render/layercache.h"

#include "swf/geometry/drawing.h"
#include "swf/model/bitmap.h"
#include "swf/runtime/edittextinstance.h"

#include <QHash>

#include <cstring>

namespace swf {

namespace {

// All kept layers together.
constexpr qint64 kMaxBytes = qint64(128) * 1024 * 1024;

class Hasher {
public:
    template <typename T> void add(const T &value)
    {
        unsigned char bytes[sizeof(T)];
        std::memcpy(bytes, &value, sizeof(T));
        for (unsigned char b : bytes) {
            m_hash ^= b;
            m_hash *= 1099511628211ull; // FNV-1a
        }
    }
    quint64 value() const { return m_hash; }

private:
    quint64 m_hash = 14695981039346656037ull;
};

void addMatrix(Hasher &h, const Matrix &m)
{
    h.add(m.scaleX);
    h.add(m.rotateSkew0);
    h.add(m.rotateSkew1);
    h.add(m.scaleY);
    h.add(m.translateX);
    h.add(m.translateY);
}

void addColorTransform(Hasher &h, const ColorTransform &cx)
{
    for (qint16 v : {cx.multR, cx.multG, cx.multB, cx.multA, cx.addR, cx.addG, cx.addB, cx.addA})
        h.add(v);
}

// Everything inside `object` that drawing reads; false for kinds whose
// content can change unseen.
bool addContent(Hasher &h, const DisplayObject &object)
{
    h.add(object.kind());
    h.add(object.character());
    switch (object.kind()) {
    case CharacterKind::Shape:
    case CharacterKind::MorphShape:
    case CharacterKind::Text:
        break;
    case CharacterKind::Bitmap:
        if (const auto *pixels = static_cast<const Bitmap *>(object.character())->pixels.get())
            h.add(pixels->revision);
        break;
    case CharacterKind::EditText: {
        const auto &field = static_cast<const EditTextInstance &>(object);
        h.add(qHash(field.text()));
        h.add(field.scroll());
        h.add(field.hscroll());
        break;
    }
    case CharacterKind::Sprite:
    case CharacterKind::Button:
        break;
    default:
        return false;
    }
    // Revisions count per drawing: the object tells drawings apart.
    if (const Drawing *drawing = object.drawing(); drawing && !drawing->isEmpty()) {
        h.add(object.serial());
        h.add(drawing->revision());
        // Bitmaps a script fills with change without the drawing changing.
        for (const StyleTable &table : drawing->shape().styleTables) {
            for (const FillStyle &fill : table.fills) {
                if (fill.scriptBitmap && fill.scriptBitmap->pixels)
                    h.add(fill.scriptBitmap->pixels->revision);
            }
        }
    }
    const DisplayList *children = object.children();
    if (!children)
        return true;
    for (const auto &[depth, child] : children->objects()) {
        const PlacementState &p = child->placement();
        h.add(depth);
        addMatrix(h, p.matrix);
        addColorTransform(h, p.colorTransform);
        h.add(p.ratio);
        h.add(p.clipDepth);
        h.add(p.blendMode);
        h.add(p.filters);
        h.add(p.cacheAsBitmap);
        h.add(p.visible);
        h.add(p.opaqueBackground.has_value());
        if (p.opaqueBackground)
            h.add(*p.opaqueBackground);
        if (!addContent(h, *child))
            return false;
    }
    return true;
}

} // namespace

std::optional<quint64> LayerCache::signature(const DisplayObject &object,
                                             const QTransform &transform, double stageScale)
{
    Hasher h;
    for (double v :
         {transform.m11(), transform.m12(), transform.m21(), transform.m22(), stageScale})
        h.add(v);
    const PlacementState &own = object.placement();
    h.add(own.filters);
    h.add(own.ratio);
    h.add(own.opaqueBackground.has_value());
    if (own.opaqueBackground)
        h.add(*own.opaqueBackground);
    if (!addContent(h, object))
        return std::nullopt;
    return h.value();
}

void LayerCache::beginFrame()
{
    // Layers of objects not drawn in the last frame are gone.
    for (auto it = m_layers.begin(); it != m_layers.end();) {
        if (it->second.lastFrame < m_frame) {
            m_bytes -= it->second.layer.sizeInBytes();
            it = m_layers.erase(it);
        } else {
            ++it;
        }
    }
    ++m_frame;
}

void LayerCache::clear()
{
    m_layers.clear();
    m_bytes = 0;
}

const QImage *LayerCache::find(const DisplayObject &object, quint64 signature, QPoint offset)
{
    const auto it = m_layers.find(object.serial());
    if (it == m_layers.end())
        return nullptr;
    Entry &entry = it->second;
    entry.lastFrame = m_frame;
    if (entry.signature != signature || entry.offset != offset)
        return nullptr;
    return &entry.layer;
}

void LayerCache::keep(const DisplayObject &object, quint64 signature, QPoint offset,
                      const QImage &layer)
{
    Entry &entry = m_layers[object.serial()];
    m_bytes -= entry.layer.sizeInBytes();
    if (m_bytes + layer.sizeInBytes() > kMaxBytes) {
        m_layers.erase(object.serial());
        return;
    }
    entry.signature = signature;
    entry.offset = offset;
    entry.layer = layer.copy();
    entry.lastFrame = m_frame;
    m_bytes += entry.layer.sizeInBytes();
}

} // namespace swf
