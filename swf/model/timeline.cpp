#include "swf/model/timeline.h"

namespace swf {

int Timeline::frameOfLabel(const QString &name) const
{
    for (const FrameLabel &label : labels) {
        if (label.name.compare(name, Qt::CaseInsensitive) == 0)
            return label.frame;
    }
    return -1;
}

} // namespace swf
