#include "swf/model/sound.h"

namespace swf {

double SoundFormat::rate() const
{
    switch (soundCodec()) {
    case SoundCodec::Nellymoser16k:
        return 16000.0;
    case SoundCodec::Nellymoser8k:
        return 8000.0;
    default:
        break;
    }
    // 5.5 kHz is an eighth of 44.1 kHz, not 5500 Hz.
    static constexpr double rates[] = {5512.5, 11025.0, 22050.0, 44100.0};
    return rates[rateCode & 3];
}

SoundFormat SoundFormat::fromByte(quint8 packed)
{
    SoundFormat format;
    format.codec = quint8(packed >> 4);
    format.rateCode = quint8((packed >> 2) & 3);
    format.sixteenBit = packed & 2;
    format.stereo = packed & 1;
    return format;
}

quint8 SoundFormat::toByte() const
{
    return quint8((codec & 0x0f) << 4 | (rateCode & 3) << 2 | (sixteenBit ? 2 : 0) |
                  (stereo ? 1 : 0));
}

} // namespace swf
