// Paints display lists: objects from the lowest depth up, masks (a mask
// placed at depth p with clip depth d limits depths p+1 … d to its area),
// and objects with a blend mode, filters or bitmap caching drawn into
// layers of their own.
#pragma once

#include "swf/render/drawcontext.h"
#include "swf/render/filters.h"
#include "swf/runtime/displayobject.h"

#include <optional>

namespace swf {

class ListPainter {
public:
    explicit ListPainter(DrawContext &context) : m_context(context) {}

    void paint(const DisplayList &list, const DrawState &parent);
    // One object with its matrix and colour transform (a level's root).
    void paintObject(const DisplayObject &object, const DrawState &parent);
    // What the object shows, under `state` as given: its own matrix, colour
    // transform, mask and filters are left out.
    void paintContent(const DisplayObject &object, const DrawState &state);
    // As paintContent, within the area of the object's script mask, if any
    // (what a script's BitmapData.draw shows of a clip).
    void paintMaskedContent(const DisplayObject &object, const DrawState &state);

private:
    struct Mask {
        int lastDepth;
        QPainterPath area; // device pixels
    };

    void paintUnmasked(const DisplayObject &object, const DrawState &state);
    bool clipToScriptMask(const DisplayObject &object, const DisplayObject &mask,
                          const DrawState &state);
    void paintBackground(const DisplayObject &object, const DrawState &state);
    struct LayerPlan {
        QRect area;                       // device pixels
        std::optional<quint64> signature; // set for layers to keep
        QPoint offset;                    // of the area from the object's origin
    };

    void paintLayered(const DisplayObject &object, const DrawState &state,
                      const std::vector<Filter> &filters);
    LayerPlan planLayer(const DisplayObject &object, const QTransform &transform, int margin,
                        bool keep);
    QImage drawLayer(const DisplayObject &object, const QTransform &transform, const QRect &area);
    void clearOutside(const QRect &keep);
    void applyMasks(const std::vector<Mask> &masks);

    DrawContext &m_context;
};

} // namespace swf
