// A script's bitmap (BitmapData) attached to a clip: a bitmap object whose
// character is the script's own, kept alive while it is shown, drawing its
// pixels as they are at each frame.
#pragma once

#include "swf/model/bitmap.h"
#include "swf/runtime/displayobject.h"

#include <memory>

namespace swf {

class ScriptBitmapInstance final : public DisplayObject {
public:
    ScriptBitmapInstance(std::shared_ptr<const Bitmap> bitmap, const PlacementState &placement,
                         DisplayObject *parent, RuntimeContext &context)
        : DisplayObject(bitmap.get(), CharacterKind::Bitmap, placement, parent, context),
          m_bitmap(std::move(bitmap))
    {
    }

    bool smoothing = false;

private:
    std::shared_ptr<const Bitmap> m_bitmap;
};

} // namespace swf
