// Keeps the decoded samples of every sound started, before mixing and
// resampling, as `orvanto-swf sounds` writes them: numbered by the frame
// they started in (from 1) and their order within it (from 0). A stream
// holds the blocks of the frames the timeline reached while it played.
#pragma once

#include "swf/audio/decodedsound.h"
#include "swf/audio/streamdecoder.h"

#include <memory>
#include <vector>

namespace swf {

class SoundCapture {
public:
    struct Entry {
        int frame = 1;
        int index = 0;
        DecodedSound sound;
    };

    // The frame now playing, counted from 1; the driver sets it.
    void setFrame(int frame) { m_frame = frame; }
    int frame() const { return m_frame; }

    void eventSound(const DecodedSound &sound);
    // A stream starts; returns its key for streamBlock().
    int streamStarted(const SoundFormat &format);
    void streamBlock(int key, QByteArrayView block);

    const std::vector<Entry> &entries() const { return m_entries; }

private:
    Entry &begin();

    int m_frame = 1;
    std::vector<Entry> m_entries;
    std::vector<std::unique_ptr<StreamDecoder>> m_streams; // by entry
};

} // namespace swf
