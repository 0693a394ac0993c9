#include "mp3testencoder.h"

#include <lame/lame.h>

#include <memory>

Mp3Encoding encodeMp3(const std::vector<qint16> &samples, int rate, int channels, int kbps)
{
    Mp3Encoding result;
    std::unique_ptr<lame_global_flags, int (*)(lame_global_flags *)> lame(lame_init(), lame_close);
    if (!lame)
        return result;
    lame_set_in_samplerate(lame.get(), rate);
    lame_set_out_samplerate(lame.get(), rate);
    lame_set_num_channels(lame.get(), channels);
    lame_set_mode(lame.get(), channels == 2 ? JOINT_STEREO : MONO);
    lame_set_brate(lame.get(), kbps);
    lame_set_quality(lame.get(), 5);
    lame_set_bWriteVbrTag(lame.get(), 0);
    if (lame_init_params(lame.get()) < 0)
        return result;
    const int frames = int(samples.size()) / channels;
    QByteArray out(int(1.25 * frames + 7200 + 16384), Qt::Uninitialized);
    std::vector<qint16> copy(samples);
    int written = 0;
    if (channels == 2) {
        written = lame_encode_buffer_interleaved(lame.get(), copy.data(), frames,
                                                 reinterpret_cast<unsigned char *>(out.data()),
                                                 int(out.size()));
    } else {
        written =
            lame_encode_buffer(lame.get(), copy.data(), copy.data(), frames,
                               reinterpret_cast<unsigned char *>(out.data()), int(out.size()));
    }
    if (written < 0)
        return result;
    const int flushed =
        lame_encode_flush(lame.get(), reinterpret_cast<unsigned char *>(out.data()) + written,
                          int(out.size()) - written);
    if (flushed < 0)
        return result;
    out.truncate(written + flushed);
    result.frames = out;
    result.encoderDelay = lame_get_encoder_delay(lame.get());
    result.frameSamples = lame_get_framesize(lame.get());
    return result;
}
