#include "mediareader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <QImage>

#include <memory>

namespace {

struct Input {
    AVFormatContext *format = nullptr;
    std::vector<AVCodecContext *> decoders;
    AVFrame *frame = av_frame_alloc();
    AVPacket *packet = av_packet_alloc();
    ~Input()
    {
        for (AVCodecContext *c : decoders)
            avcodec_free_context(&c);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avformat_close_input(&format);
    }
};

QColor middleOf(const AVFrame *frame)
{
    QImage image(frame->width, frame->height, QImage::Format_RGB32);
    SwsContext *scaler =
        sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                       frame->height, AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr);
    if (!scaler)
        return {};
    // What the file says of its colours, as players take it.
    const int space = frame->colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_DEFAULT;
    sws_setColorspaceDetails(scaler, sws_getCoefficients(space),
                             frame->color_range == AVCOL_RANGE_JPEG,
                             sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
    uint8_t *planes[4] = {image.bits(), nullptr, nullptr, nullptr};
    int strides[4] = {int(image.bytesPerLine()), 0, 0, 0};
    sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, planes, strides);
    sws_freeContext(scaler);
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

void take(MediaFile &file, const AVStream *stream, const AVFrame *frame)
{
    const double time = frame->best_effort_timestamp == AV_NOPTS_VALUE
                            ? 0.0
                            : double(frame->best_effort_timestamp) * av_q2d(stream->time_base);
    if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
        file.pictures.append({time, middleOf(frame)});
        return;
    }
    if (file.sound.empty()) {
        file.soundStart = time;
        file.soundRate = frame->sample_rate;
    }
    const auto format = AVSampleFormat(frame->format);
    for (int i = 0; i < frame->nb_samples; ++i) {
        float value = 0.0f;
        if (format == AV_SAMPLE_FMT_FLTP)
            value = reinterpret_cast<const float *>(frame->extended_data[0])[i];
        else if (format == AV_SAMPLE_FMT_FLT)
            value =
                reinterpret_cast<const float *>(frame->data[0])[i * frame->ch_layout.nb_channels];
        else if (format == AV_SAMPLE_FMT_S16)
            value =
                reinterpret_cast<const qint16 *>(frame->data[0])[i * frame->ch_layout.nb_channels] /
                32768.0f;
        file.sound.push_back(value);
    }
}

void decode(MediaFile &file, Input &in, int index, const AVPacket *packet)
{
    AVCodecContext *c = in.decoders[size_t(index)];
    if (!c || avcodec_send_packet(c, packet) < 0)
        return;
    while (avcodec_receive_frame(c, in.frame) >= 0) {
        take(file, in.format->streams[index], in.frame);
        av_frame_unref(in.frame);
    }
}

} // namespace

QString MediaFile::codecs() const
{
    QStringList names;
    for (const MediaStream &stream : streams) {
        if (stream.video)
            names.prepend(stream.codec);
        else
            names.append(stream.codec);
    }
    return names.join('+');
}

std::optional<MediaFile> readMedia(const QByteArray &path)
{
    av_log_set_level(AV_LOG_QUIET);
    Input in;
    if (avformat_open_input(&in.format, path.constData(), nullptr, nullptr) < 0 ||
        avformat_find_stream_info(in.format, nullptr) < 0)
        return std::nullopt;
    MediaFile file;
    file.duration =
        in.format->duration == AV_NOPTS_VALUE ? 0.0 : double(in.format->duration) / AV_TIME_BASE;
    for (unsigned i = 0; i < in.format->nb_streams; ++i) {
        const AVCodecParameters *parameters = in.format->streams[i]->codecpar;
        MediaStream stream;
        stream.codec = QString::fromLatin1(avcodec_get_name(parameters->codec_id));
        stream.video = parameters->codec_type == AVMEDIA_TYPE_VIDEO;
        stream.size = QSize(parameters->width, parameters->height);
        stream.sampleRate = parameters->sample_rate;
        file.streams.append(stream);
        const AVCodec *codec = avcodec_find_decoder(parameters->codec_id);
        AVCodecContext *c = codec ? avcodec_alloc_context3(codec) : nullptr;
        if (c && (avcodec_parameters_to_context(c, parameters) < 0 ||
                  avcodec_open2(c, codec, nullptr) < 0))
            avcodec_free_context(&c);
        in.decoders.push_back(c);
    }
    while (av_read_frame(in.format, in.packet) >= 0) {
        decode(file, in, in.packet->stream_index, in.packet);
        av_packet_unref(in.packet);
    }
    for (int i = 0; i < int(in.decoders.size()); ++i)
        decode(file, in, i, nullptr);
    return file;
}
