// Turns a codec's bytes into interleaved signed 16-bit samples. A decoder
// keeps what one call leaves for the next (MP3 frames split between
// blocks, Nellymoser's overlap, a PCM byte cut in two), so the blocks of a
// stream go through one decoder, in order.
#pragma once

#include "swf/model/sound.h"

#include <QByteArrayView>

#include <memory>
#include <vector>

namespace swf {

class SoundDecoder {
public:
    virtual ~SoundDecoder() = default;

    // Appends what `data` decodes to, leaving `out` no longer than `limit`
    // samples (all channels together); the rest is dropped.
    virtual void decode(QByteArrayView data, std::vector<qint16> &out, qint64 limit) = 0;
    // The rate and channel count of what decode() appends. MP3 learns them
    // from its first frame and keeps them: later frames are converted.
    virtual double rate() const = 0;
    virtual int channels() const = 0;
};

// A decoder for `format`, or null for codecs the engine does not play
// (Speex, unknown values).
std::unique_ptr<SoundDecoder> makeSoundDecoder(const SoundFormat &format);

} // namespace swf
