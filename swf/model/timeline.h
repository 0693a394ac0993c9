// A timeline: the main movie's or a sprite's frames, each a list of the
// control tags that change the display list (or start sounds) when the
// playhead enters that frame.
#pragma once

#include <QString>

#include <memory>
#include <vector>

namespace swf {

enum class ControlKind {
    PlaceObject,
    RemoveObject,
    // Sound events travel from the timeline to the audio sink untouched;
    // their tags are defined by the sound parsers.
    StartSound,
    SoundStreamHead,
    SoundStreamBlock,
    // Scripts; the script machines read their tags (model/scripttags.h).
    DoAction,
    DoInitAction,
    DoAbc,
};

inline bool isSoundEvent(ControlKind kind)
{
    return kind == ControlKind::StartSound || kind == ControlKind::SoundStreamHead ||
           kind == ControlKind::SoundStreamBlock;
}

class ControlTag {
public:
    ControlTag() = default;
    virtual ~ControlTag() = default;
    ControlTag(const ControlTag &) = delete;
    ControlTag &operator=(const ControlTag &) = delete;

    virtual ControlKind kind() const = 0;
};

struct Frame {
    std::vector<std::unique_ptr<const ControlTag>> tags;
};

struct FrameLabel {
    int frame = 0;
    QString name;
    bool anchor = false;
};

struct Timeline {
    std::vector<Frame> frames;
    std::vector<FrameLabel> labels;

    int frameCount() const { return int(frames.size()); }
    // The frame a label names, or -1. Labels compare without case, as the
    // Flash Player's goto does.
    int frameOfLabel(const QString &name) const;
};

} // namespace swf
