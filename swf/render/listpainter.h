// Paints display lists: objects from the lowest depth up, masks (a mask
// placed at depth p with clip depth d limits depths p+1 … d to its area),
// and objects with a blend mode, filters or bitmap caching drawn into
// layers of their own.
#pragma once

#include "swf/render/drawcontext.h"
#include "swf/render/filters.h"
#include "swf/runtime/displayobject.h"

namespace swf {

class ListPainter {
public:
    explicit ListPainter(DrawContext &context) : m_context(context) {}

    void paint(const DisplayList &list, const DrawState &parent);
    // One object with its matrix and colour transform (a level's root).
    void paintObject(const DisplayObject &object, const DrawState &parent);

private:
    struct Mask {
        int lastDepth;
        QPainterPath area; // device pixels
    };

    void paintContent(const DisplayObject &object, const DrawState &state);
    void paintBackground(const DisplayObject &object, const DrawState &state);
    void paintLayered(const DisplayObject &object, const DrawState &state,
                      const std::vector<Filter> &filters);
    void clearOutside(const QRect &keep);
    void applyMasks(const std::vector<Mask> &masks);

    DrawContext &m_context;
};

} // namespace swf
