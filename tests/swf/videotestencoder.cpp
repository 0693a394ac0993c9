#include "videotestencoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswscale/swscale.h>
}

#include <memory>

namespace {

struct CodecDeleter {
    void operator()(AVCodecContext *c) const { avcodec_free_context(&c); }
};
struct FrameDeleter {
    void operator()(AVFrame *f) const { av_frame_free(&f); }
};
struct PacketDeleter {
    void operator()(AVPacket *p) const { av_packet_free(&p); }
};

// Sends one picture (null: the end) and collects what comes out.
bool drain(AVCodecContext *c, AVFrame *frame, AVPacket *packet, QList<QByteArray> &packets)
{
    if (avcodec_send_frame(c, frame) < 0)
        return false;
    while (avcodec_receive_packet(c, packet) >= 0) {
        packets.append(QByteArray(reinterpret_cast<const char *>(packet->data), packet->size));
        av_packet_unref(packet);
    }
    return true;
}

} // namespace

QList<QByteArray> encodeVideo(swf::VideoCodec codec, const QList<QImage> &pictures, int keyInterval)
{
    const AVCodecID id = codec == swf::VideoCodec::SorensonH263  ? AV_CODEC_ID_FLV1
                         : codec == swf::VideoCodec::ScreenVideo ? AV_CODEC_ID_FLASHSV
                                                                 : AV_CODEC_ID_FLASHSV2;
    const AVCodec *encoder = avcodec_find_encoder(id);
    if (!encoder || pictures.isEmpty())
        return {};
    std::unique_ptr<AVCodecContext, CodecDeleter> c(avcodec_alloc_context3(encoder));
    const QSize size = pictures.first().size();
    c->width = size.width();
    c->height = size.height();
    c->time_base = AVRational{1, 25};
    c->gop_size = keyInterval;
    c->pix_fmt = id == AV_CODEC_ID_FLV1 ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_BGR24;
    // Fine quantisation, so flat colours come back close to what went in.
    c->flags |= AV_CODEC_FLAG_QSCALE;
    c->global_quality = FF_QP2LAMBDA * 2;
    if (avcodec_open2(c.get(), encoder, nullptr) < 0)
        return {};
    std::unique_ptr<AVFrame, FrameDeleter> frame(av_frame_alloc());
    std::unique_ptr<AVPacket, PacketDeleter> packet(av_packet_alloc());
    frame->format = c->pix_fmt;
    frame->width = c->width;
    frame->height = c->height;
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        return {};
    SwsContext *scaler = sws_getContext(c->width, c->height, AV_PIX_FMT_BGRA, c->width, c->height,
                                        c->pix_fmt, SWS_POINT, nullptr, nullptr, nullptr);
    QList<QByteArray> packets;
    bool ok = scaler != nullptr;
    for (qsizetype i = 0; ok && i < pictures.size(); ++i) {
        const QImage rgb = pictures[i].convertToFormat(QImage::Format_RGB32);
        ok = av_frame_make_writable(frame.get()) >= 0;
        const uint8_t *planes[4] = {rgb.constBits(), nullptr, nullptr, nullptr};
        const int strides[4] = {int(rgb.bytesPerLine()), 0, 0, 0};
        sws_scale(scaler, planes, strides, 0, c->height, frame->data, frame->linesize);
        frame->pts = i;
        ok = ok && drain(c.get(), frame.get(), packet.get(), packets);
    }
    ok = ok && drain(c.get(), nullptr, packet.get(), packets);
    sws_freeContext(scaler);
    return ok && packets.size() == pictures.size() ? packets : QList<QByteArray>();
}
