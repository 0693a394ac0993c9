#include "swf/video/videodecoder.h"

#include "swf/io/reader.h"
#include "swf/limits.h"
#include "swf/video/ffmpegerror.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <cstring>
#include <optional>

namespace swf {

namespace {

// The FFmpeg decoder of each CodecID. VP6 in SWF is the Flash variant,
// stored upside down; FFmpeg's "vp6f" and "vp6a" turn it the right way up.
// VP6 with alpha packets start with the offset of the alpha plane, as
// FFmpeg's "vp6a" expects.
AVCodecID codecIdOf(VideoCodec codec)
{
    switch (codec) {
    case VideoCodec::SorensonH263:
        return AV_CODEC_ID_FLV1;
    case VideoCodec::ScreenVideo:
        return AV_CODEC_ID_FLASHSV;
    case VideoCodec::Vp6:
        return AV_CODEC_ID_VP6F;
    case VideoCodec::Vp6Alpha:
        return AV_CODEC_ID_VP6A;
    case VideoCodec::ScreenVideo2:
        return AV_CODEC_ID_FLASHSV2;
    case VideoCodec::None:
        break;
    }
    return AV_CODEC_ID_NONE;
}

Error decodeError(const QString &message)
{
    return Error{ErrorCode::Malformed, -1, -1, message};
}

// Coded pictures are whole macroblocks (VP6) and may pass the stream's
// size by less than one; more than that is damage.
constexpr int kMacroblock = 16;
constexpr qint64 kMinMaxPixels = qint64(1) << 20;

// H263VIDEOPACKET: PictureStartCode (17 bits), Version (5),
// TemporalReference (8), PictureSize (3) with a custom size of 8 or 16
// bits a side for sizes 0 and 1, then PictureType (2): 0 is intra.
bool isH263KeyFrame(QByteArrayView packet)
{
    Reader r(packet);
    if (r.ub(17) != 1)
        return false;
    r.ub(5 + 8);
    const quint32 size = r.ub(3);
    if (size == 0)
        r.ub(16);
    else if (size == 1)
        r.ub(32);
    return r.ub(2) == 0 && r.ok();
}

// SCREENVIDEOPACKET and SCREENV2VIDEOPACKET: block and image sizes (4 +
// 12 bits each way), for version 2 a flag byte, then the blocks in rows,
// each a 16-bit size and that many bytes; a block of size 0 is unchanged
// from the frame before. A version 2 block starts with a flag byte of its
// own: bit 2 marks a block that only changes rows of the one before, bit 0
// one compressed on top of the last key frame's.
bool isScreenKeyFrame(QByteArrayView packet, int version)
{
    Reader r(packet);
    const int blockWidth = int(r.ub(4) + 1) * 16;
    const int imageWidth = int(r.ub(12));
    const int blockHeight = int(r.ub(4) + 1) * 16;
    const int imageHeight = int(r.ub(12));
    // Version 2: reserved (6 bits), an I-frame image and a palette, which
    // FFmpeg does not decode.
    if (version == 2 && (r.u8() & 0x03) != 0)
        return false;
    if (!r.ok() || imageWidth == 0 || imageHeight == 0)
        return false;
    const int blocks = ((imageWidth + blockWidth - 1) / blockWidth) *
                       ((imageHeight + blockHeight - 1) / blockHeight);
    for (int i = 0; i < blocks; ++i) {
        const quint32 size = r.ub(16);
        if (size == 0 || !r.ok())
            return false;
        if (version == 2) {
            if (r.u8() & 0x05)
                return false;
            r.skip(size - 1);
        } else {
            r.skip(size);
        }
    }
    return r.ok();
}

} // namespace

bool isKeyFrame(VideoCodec codec, QByteArrayView packet)
{
    switch (codec) {
    case VideoCodec::SorensonH263:
        return isH263KeyFrame(packet);
    case VideoCodec::ScreenVideo:
        return isScreenKeyFrame(packet, 1);
    case VideoCodec::ScreenVideo2:
        return isScreenKeyFrame(packet, 2);
    case VideoCodec::Vp6:
        // The first bit of a VP6 frame is set for inter frames.
        return !packet.isEmpty() && !(quint8(packet[0]) & 0x80);
    case VideoCodec::Vp6Alpha:
        // After the 24-bit offset of the alpha plane.
        return packet.size() > 3 && !(quint8(packet[3]) & 0x80);
    case VideoCodec::None:
        break;
    }
    return false;
}

namespace {

// VP6 codes whole macroblocks; FLV says by how much to crop the picture to
// its size in a byte FFmpeg takes as extradata, SWF declares the size in
// DefineVideoStream. The byte FLV would carry, from the coded size a key
// frame's header gives: one flag byte, a version byte, the 16-bit offset
// of the second partition when the first byte's low bit is set or the
// version byte has no filter bits, then rows and columns of macroblocks.
std::optional<quint8> vp6Crop(QByteArrayView packet, QSize size)
{
    const auto *b = reinterpret_cast<const quint8 *>(packet.data());
    if (packet.size() < 8 || (b[0] & 0x80))
        return std::nullopt;
    const int skip = (b[0] & 0x01) || !(b[1] & 0x06) ? 2 : 0;
    const int cropWidth = b[3 + skip] * kMacroblock - size.width();
    const int cropHeight = b[2 + skip] * kMacroblock - size.height();
    if (cropWidth < 0 || cropWidth >= kMacroblock || cropHeight < 0 || cropHeight >= kMacroblock)
        return std::nullopt;
    return quint8(cropWidth << 4 | cropHeight);
}

} // namespace

struct VideoDecoder::State {
    const AVCodec *decoder = nullptr;
    bool opened = false;
    AVCodecContext *codec = nullptr;
    AVPacket *packet = nullptr;
    AVFrame *frame = nullptr;
    SwsContext *scaler = nullptr;
    VideoCodec videoCodec = VideoCodec::None;
    QSize streamSize;

    ~State()
    {
        sws_freeContext(scaler);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
    }

    std::optional<Error> open(QByteArrayView firstPacket);
    Result<QImage> picture();
};

std::unique_ptr<VideoDecoder> VideoDecoder::create(const VideoStream &stream)
{
    routeFfmpegLog();
    const AVCodec *decoder = avcodec_find_decoder(codecIdOf(stream.videoCodec()));
    const int width = qMin<int>(stream.width, limits::kMaxVideoSide);
    const int height = qMin<int>(stream.height, limits::kMaxVideoSide);
    if (!decoder || width == 0 || height == 0)
        return nullptr;
    auto state = std::make_unique<State>();
    state->videoCodec = stream.videoCodec();
    state->streamSize = QSize(width, height);
    state->codec = avcodec_alloc_context3(decoder);
    state->packet = av_packet_alloc();
    state->frame = av_frame_alloc();
    if (!state->codec || !state->packet || !state->frame)
        return nullptr;
    AVCodecContext *c = state->codec;
    c->width = width;
    c->height = height;
    // One thread: a picture comes out for each packet that goes in.
    c->thread_count = 1;
    // FFmpeg refuses pictures (and its scratch buffers, which may be
    // larger than a small picture) past this before allocating them.
    c->max_pixels = qMax(qint64(width + kMacroblock) * (height + kMacroblock), kMinMaxPixels);
    if (stream.deblocking == quint8(VideoDeblocking::Off))
        c->skip_loop_filter = AVDISCARD_ALL;
    state->decoder = decoder;
    return std::unique_ptr<VideoDecoder>(new VideoDecoder(std::move(state)));
}

VideoDecoder::VideoDecoder(std::unique_ptr<State> state) : d(std::move(state))
{
}

VideoDecoder::~VideoDecoder() = default;

void VideoDecoder::reset()
{
    if (avcodec_is_open(d->codec))
        avcodec_flush_buffers(d->codec);
}

// Opened with the first packet, which tells a VP6 decoder how to crop.
std::optional<Error> VideoDecoder::State::open(QByteArrayView firstPacket)
{
    opened = true;
    const bool alpha = videoCodec == VideoCodec::Vp6Alpha;
    const qsizetype header = alpha ? qMin<qsizetype>(3, firstPacket.size()) : 0;
    if (videoCodec == VideoCodec::Vp6 || alpha) {
        if (const auto crop = vp6Crop(firstPacket.sliced(header), streamSize)) {
            codec->extradata = static_cast<uint8_t *>(av_mallocz(1 + AV_INPUT_BUFFER_PADDING_SIZE));
            if (!codec->extradata)
                return decodeError(QStringLiteral("no memory for a video decoder"));
            codec->extradata[0] = *crop;
            codec->extradata_size = 1;
        }
    }
    const int status = avcodec_open2(codec, decoder, nullptr);
    if (status < 0)
        return ffmpegError(QStringLiteral("video decoder not opened"), status);
    return std::nullopt;
}

Result<QImage> VideoDecoder::decode(QByteArrayView packet, Picture picture)
{
    if (packet.isEmpty())
        return decodeError(QStringLiteral("empty video packet"));
    if (!d->opened) {
        if (auto error = d->open(packet))
            return *error;
    }
    if (!avcodec_is_open(d->codec))
        return decodeError(QStringLiteral("video decoder not opened"));
    // The copy gets the zeroed padding FFmpeg's bit readers may read into.
    if (av_new_packet(d->packet, int(packet.size())) < 0)
        return decodeError(QStringLiteral("no memory for a video packet"));
    std::memcpy(d->packet->data, packet.data(), size_t(packet.size()));
    // The Screen Video 2 decoder keeps a key frame's blocks for the frames
    // that build on them, and knows it by this flag (FLV's frame type).
    if (isKeyFrame(d->videoCodec, packet))
        d->packet->flags |= AV_PKT_FLAG_KEY;
    int status = avcodec_send_packet(d->codec, d->packet);
    av_packet_unref(d->packet);
    if (status >= 0)
        status = avcodec_receive_frame(d->codec, d->frame);
    if (status < 0)
        return ffmpegError(QStringLiteral("video packet not decoded"), status);
    const QSize coded(d->frame->width, d->frame->height);
    if (coded.width() >= d->streamSize.width() + kMacroblock ||
        coded.height() >= d->streamSize.height() + kMacroblock) {
        av_frame_unref(d->frame);
        return decodeError(QStringLiteral("video frame of %1x%2 in a stream of %3x%4")
                               .arg(coded.width())
                               .arg(coded.height())
                               .arg(d->streamSize.width())
                               .arg(d->streamSize.height()));
    }
    Result<QImage> result = picture == Picture::Make ? d->picture() : Result<QImage>(QImage());
    av_frame_unref(d->frame);
    return result;
}

// The decoded frame, cut to the stream's size, as premultiplied ARGB.
Result<QImage> VideoDecoder::State::picture()
{
    const int width = qMin(frame->width, streamSize.width());
    const int height = qMin(frame->height, streamSize.height());
    const auto format = AVPixelFormat(frame->format);
    const AVPixFmtDescriptor *descriptor = av_pix_fmt_desc_get(format);
    if (!descriptor || width <= 0 || height <= 0)
        return decodeError(QStringLiteral("video frame without a picture"));
    const bool alpha = descriptor->flags & AV_PIX_FMT_FLAG_ALPHA;
    scaler = sws_getCachedContext(scaler, width, height, format, width, height, AV_PIX_FMT_BGRA,
                                  SWS_BILINEAR, nullptr, nullptr, nullptr);
    // Opaque pictures come out with alpha 255, which is premultiplied as
    // it stands.
    QImage image(width, height,
                 alpha ? QImage::Format_ARGB32 : QImage::Format_ARGB32_Premultiplied);
    if (!scaler || image.isNull())
        return decodeError(
            QStringLiteral("no memory for a %1x%2 video frame").arg(width).arg(height));
    uint8_t *planes[4] = {image.bits(), nullptr, nullptr, nullptr};
    int strides[4] = {int(image.bytesPerLine()), 0, 0, 0};
    sws_scale(scaler, frame->data, frame->linesize, 0, height, planes, strides);
    if (alpha)
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
    return image;
}

} // namespace swf
