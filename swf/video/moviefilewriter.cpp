#include "swf/video/moviefilewriter.h"

#include "swf/video/ffmpegerror.h"
#include "swf/video/yuvconversion.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <cmath>
#include <cstring>

namespace swf {

namespace {

Error writerError(const QString &message)
{
    return Error{ErrorCode::Io, -1, -1, message};
}

// GIF delays are counted in hundredths of a second.
constexpr AVRational kGifTimeBase{1, 100};

const AVCodec *encoderNamed(const char *name, AVCodecID fallback)
{
    const AVCodec *codec = avcodec_find_encoder_by_name(name);
    return codec ? codec : avcodec_find_encoder(fallback);
}

// One encoded stream of the file.
struct Encoder {
    AVCodecContext *codec = nullptr;
    AVStream *stream = nullptr;
    AVFrame *frame = nullptr;
    AVPacket *packet = nullptr;

    Encoder() = default;
    Encoder(const Encoder &) = delete;
    Encoder &operator=(const Encoder &) = delete;
    ~Encoder()
    {
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
    }
};

// The sample format the encoder takes, float where it has the choice.
AVSampleFormat sampleFormatFor(const AVCodec *codec)
{
    if (!codec->sample_fmts)
        return AV_SAMPLE_FMT_FLTP;
    for (const AVSampleFormat *f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f) {
        if (*f == AV_SAMPLE_FMT_FLTP || *f == AV_SAMPLE_FMT_FLT)
            return *f;
    }
    return codec->sample_fmts[0];
}

// Our own rate where the encoder takes it (AAC); Opus runs at 48 kHz.
int sampleRateFor(const AVCodec *codec)
{
    if (!codec->supported_samplerates)
        return MovieFileWriter::kSoundRate;
    for (const int *r = codec->supported_samplerates; *r; ++r) {
        if (*r == MovieFileWriter::kSoundRate)
            return *r;
    }
    for (const int *r = codec->supported_samplerates; *r; ++r) {
        if (*r == 48000)
            return *r;
    }
    return codec->supported_samplerates[0];
}

} // namespace

struct MovieFileWriter::State {
    MovieFileSettings settings;
    AVFormatContext *format = nullptr;
    Encoder video;
    std::unique_ptr<Encoder> audio;
    SwrContext *resampler = nullptr;
    AVAudioFifo *fifo = nullptr;
    int audioFrameSize = 0;
    qint64 pictures = 0;
    qint64 audioPts = 0;
    bool finished = false;

    State() = default;
    State(const State &) = delete;
    State &operator=(const State &) = delete;
    ~State()
    {
        av_audio_fifo_free(fifo);
        swr_free(&resampler);
        if (format && !(format->oformat->flags & AVFMT_NOFILE))
            avio_closep(&format->pb);
        avformat_free_context(format);
    }

    std::optional<Error> openVideo();
    std::optional<Error> openAudio();
    std::optional<Error> openEncoder(Encoder &encoder, const AVCodec *codec,
                                     AVDictionary **options);
    std::optional<Error> send(Encoder &encoder, AVFrame *frame);
    std::optional<Error> encodeSound(int samples);
    std::optional<Error> drainSound(bool all);
    std::optional<Error> fillPicture(const QImage &picture);
};

Result<std::unique_ptr<MovieFileWriter>> MovieFileWriter::open(const QByteArray &path,
                                                               const MovieFileSettings &settings)
{
    routeFfmpegLog();
    auto state = std::make_unique<State>();
    state->settings = settings;
    if (settings.format == MovieFileFormat::Gif)
        state->settings.sound = false;
    if (settings.size.isEmpty() || !(settings.framesPerSecond > 0))
        return writerError(QStringLiteral("no picture size or frame rate"));
    const char *formatName = settings.format == MovieFileFormat::Mp4    ? "mp4"
                             : settings.format == MovieFileFormat::WebM ? "webm"
                                                                        : "gif";
    int status = avformat_alloc_output_context2(&state->format, nullptr, formatName, nullptr);
    if (status < 0)
        return ffmpegError(QStringLiteral("no %1 muxer").arg(QLatin1String(formatName)), status);
    if (auto error = state->openVideo())
        return *error;
    if (state->settings.sound) {
        if (auto error = state->openAudio())
            return *error;
    }
    // "file:" keeps a colon in the name from being read as a protocol. The
    // MP4 muxer opens the file again by its URL to move the index.
    const QByteArray url = "file:" + path;
    state->format->url = av_strdup(url.constData());
    status = avio_open(&state->format->pb, url.constData(), AVIO_FLAG_WRITE);
    if (status < 0)
        return ffmpegError(QStringLiteral("cannot write %1").arg(QString::fromLocal8Bit(path)),
                           status);
    AVDictionary *options = nullptr;
    // The index first, so that players start before the whole file is read.
    if (settings.format == MovieFileFormat::Mp4)
        av_dict_set(&options, "movflags", "+faststart", 0);
    status = avformat_write_header(state->format, &options);
    av_dict_free(&options);
    if (status < 0)
        return ffmpegError(QStringLiteral("file header not written"), status);
    return std::unique_ptr<MovieFileWriter>(new MovieFileWriter(std::move(state)));
}

MovieFileWriter::MovieFileWriter(std::unique_ptr<State> state) : d(std::move(state))
{
}

MovieFileWriter::~MovieFileWriter() = default;

int MovieFileWriter::picturesAdded() const
{
    return int(d->pictures);
}

std::optional<Error> MovieFileWriter::State::openEncoder(Encoder &encoder, const AVCodec *codec,
                                                         AVDictionary **options)
{
    if (format->oformat->flags & AVFMT_GLOBALHEADER)
        encoder.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int status = avcodec_open2(encoder.codec, codec, options);
    if (status < 0)
        return ffmpegError(QStringLiteral("encoder %1 not opened").arg(QLatin1String(codec->name)),
                           status);
    encoder.stream = avformat_new_stream(format, nullptr);
    encoder.packet = av_packet_alloc();
    encoder.frame = av_frame_alloc();
    if (!encoder.stream || !encoder.packet || !encoder.frame)
        return writerError(QStringLiteral("no memory for an encoder"));
    status = avcodec_parameters_from_context(encoder.stream->codecpar, encoder.codec);
    if (status < 0)
        return ffmpegError(QStringLiteral("stream parameters"), status);
    encoder.stream->time_base = encoder.codec->time_base;
    return std::nullopt;
}

std::optional<Error> MovieFileWriter::State::openVideo()
{
    const bool gif = settings.format == MovieFileFormat::Gif;
    const AVCodec *codec =
        settings.format == MovieFileFormat::Mp4    ? encoderNamed("libx264", AV_CODEC_ID_H264)
        : settings.format == MovieFileFormat::WebM ? encoderNamed("libvpx-vp9", AV_CODEC_ID_VP9)
                                                   : avcodec_find_encoder(AV_CODEC_ID_GIF);
    if (!codec)
        return writerError(QStringLiteral("no video encoder for this format"));
    video.codec = avcodec_alloc_context3(codec);
    if (!video.codec)
        return writerError(QStringLiteral("no memory for an encoder"));
    AVCodecContext *c = video.codec;
    c->width = settings.size.width();
    c->height = settings.size.height();
    c->framerate = av_d2q(settings.framesPerSecond, 1 << 16);
    c->time_base = gif ? kGifTimeBase : av_inv_q(c->framerate);
    c->pix_fmt = gif ? AV_PIX_FMT_PAL8 : AV_PIX_FMT_YUV420P;
    c->thread_count = settings.threads;
    AVDictionary *options = nullptr;
    if (!gif) {
        // A key frame every two seconds, so editors and players seek well.
        c->gop_size = qMax(1, int(std::lround(settings.framesPerSecond * 2)));
        c->colorspace = AVCOL_SPC_BT709;
        c->color_primaries = AVCOL_PRI_BT709;
        c->color_trc = AVCOL_TRC_BT709;
        c->color_range = AVCOL_RANGE_MPEG;
    }
    if (settings.format == MovieFileFormat::Mp4) {
        // Flat colours and sharp edges: a fast preset keeps them well at
        // this quality, and export stays several times faster than real
        // time.
        av_dict_set(&options, "preset", "superfast", 0);
        av_dict_set(&options, "crf", "20", 0);
    } else if (settings.format == MovieFileFormat::WebM) {
        // Constant quality; the fast settings keep an export near real time.
        c->bit_rate = 0;
        av_dict_set(&options, "crf", "32", 0);
        av_dict_set(&options, "deadline", "realtime", 0);
        av_dict_set(&options, "cpu-used", "8", 0);
        av_dict_set(&options, "row-mt", "1", 0);
    }
    auto error = openEncoder(video, codec, &options);
    av_dict_free(&options);
    if (error)
        return error;
    video.stream->avg_frame_rate = c->framerate;
    video.frame->format = c->pix_fmt;
    video.frame->width = c->width;
    video.frame->height = c->height;
    if (av_frame_get_buffer(video.frame, 0) < 0)
        return writerError(QStringLiteral("no memory for a picture"));
    return std::nullopt;
}

std::optional<Error> MovieFileWriter::State::openAudio()
{
    const AVCodec *codec = settings.format == MovieFileFormat::Mp4
                               ? avcodec_find_encoder(AV_CODEC_ID_AAC)
                               : encoderNamed("libopus", AV_CODEC_ID_OPUS);
    if (!codec)
        return writerError(QStringLiteral("no sound encoder for this format"));
    audio = std::make_unique<Encoder>();
    audio->codec = avcodec_alloc_context3(codec);
    if (!audio->codec)
        return writerError(QStringLiteral("no memory for an encoder"));
    AVCodecContext *c = audio->codec;
    c->sample_fmt = sampleFormatFor(codec);
    c->sample_rate = sampleRateFor(codec);
    av_channel_layout_default(&c->ch_layout, 2);
    c->bit_rate = settings.format == MovieFileFormat::Mp4 ? 160000 : 128000;
    c->time_base = AVRational{1, c->sample_rate};
    AVDictionary *options = nullptr;
    // FFmpeg's AAC encoder searches much longer by default for little gain
    // at this bit rate.
    av_dict_set(&options, "aac_coder", "fast", 0);
    auto error = openEncoder(*audio, codec, &options);
    av_dict_free(&options);
    if (error)
        return error;
    audioFrameSize = c->frame_size > 0 ? c->frame_size : 1024;
    AVFrame *frame = audio->frame;
    frame->format = c->sample_fmt;
    frame->sample_rate = c->sample_rate;
    frame->nb_samples = audioFrameSize;
    if (av_channel_layout_copy(&frame->ch_layout, &c->ch_layout) < 0 ||
        av_frame_get_buffer(frame, 0) < 0)
        return writerError(QStringLiteral("no memory for sound"));
    AVChannelLayout stereo{};
    av_channel_layout_default(&stereo, 2);
    int status = swr_alloc_set_opts2(&resampler, &c->ch_layout, c->sample_fmt, c->sample_rate,
                                     &stereo, AV_SAMPLE_FMT_S16, kSoundRate, 0, nullptr);
    av_channel_layout_uninit(&stereo);
    if (status >= 0)
        status = swr_init(resampler);
    if (status < 0)
        return ffmpegError(QStringLiteral("sound conversion"), status);
    fifo = av_audio_fifo_alloc(c->sample_fmt, 2, audioFrameSize * 4);
    if (!fifo)
        return writerError(QStringLiteral("no memory for sound"));
    return std::nullopt;
}

// Hands one frame (null: the end) to the encoder and writes every packet
// it gives back.
std::optional<Error> MovieFileWriter::State::send(Encoder &encoder, AVFrame *frame)
{
    int status = avcodec_send_frame(encoder.codec, frame);
    if (status < 0)
        return ffmpegError(QStringLiteral("encoding"), status);
    for (;;) {
        status = avcodec_receive_packet(encoder.codec, encoder.packet);
        if (status == AVERROR(EAGAIN) || status == AVERROR_EOF)
            return std::nullopt;
        if (status < 0)
            return ffmpegError(QStringLiteral("encoding"), status);
        av_packet_rescale_ts(encoder.packet, encoder.codec->time_base, encoder.stream->time_base);
        encoder.packet->stream_index = encoder.stream->index;
        status = av_interleaved_write_frame(format, encoder.packet);
        if (status < 0)
            return ffmpegError(QStringLiteral("writing"), status);
    }
}

std::optional<Error> MovieFileWriter::addPicture(const QImage &picture)
{
    if (d->finished)
        return writerError(QStringLiteral("file already finished"));
    if (picture.size() != d->settings.size)
        return writerError(QStringLiteral("picture of %1x%2 in a file of %3x%4")
                               .arg(picture.width())
                               .arg(picture.height())
                               .arg(d->settings.size.width())
                               .arg(d->settings.size.height()));
    if (av_frame_make_writable(d->video.frame) < 0)
        return writerError(QStringLiteral("no memory for a picture"));
    if (auto error = d->fillPicture(picture))
        return error;
    AVFrame *frame = d->video.frame;
    frame->pts =
        d->settings.format == MovieFileFormat::Gif
            ? std::llround(double(d->pictures) * kGifTimeBase.den / d->settings.framesPerSecond)
            : d->pictures;
    ++d->pictures;
    return d->send(d->video, frame);
}

std::optional<Error> MovieFileWriter::State::fillPicture(const QImage &picture)
{
    AVFrame *frame = video.frame;
    if (settings.format == MovieFileFormat::Gif) {
        if (picture.format() != QImage::Format_Indexed8 || picture.colorCount() > 256)
            return writerError(QStringLiteral("a GIF takes pictures of 256 colours at most"));
        for (int y = 0; y < picture.height(); ++y)
            std::memcpy(frame->data[0] + qsizetype(y) * frame->linesize[0],
                        picture.constScanLine(y), size_t(picture.width()));
        // The palette as FFmpeg keeps it: 256 entries of native 0xAARRGGBB.
        auto *palette = reinterpret_cast<quint32 *>(frame->data[1]);
        const QList<QRgb> colors = picture.colorTable();
        for (int i = 0; i < 256; ++i)
            palette[i] = i < colors.size() ? colors[i] : 0xff000000u;
        return std::nullopt;
    }
    const QImage source = picture.format() == QImage::Format_RGB32 ||
                                  picture.format() == QImage::Format_ARGB32_Premultiplied
                              ? picture
                              : picture.convertToFormat(QImage::Format_RGB32);
    toYuv420(source, frame->data, frame->linesize);
    return std::nullopt;
}

std::optional<Error> MovieFileWriter::addSound(const qint16 *samples, int frames)
{
    if (!d->audio || frames <= 0)
        return std::nullopt;
    if (d->finished)
        return writerError(QStringLiteral("file already finished"));
    const AVCodecContext *c = d->audio->codec;
    const int room = swr_get_out_samples(d->resampler, frames);
    uint8_t **converted = nullptr;
    if (room < 0 ||
        av_samples_alloc_array_and_samples(&converted, nullptr, 2, room, c->sample_fmt, 0) < 0)
        return writerError(QStringLiteral("no memory for sound"));
    const auto *in = reinterpret_cast<const uint8_t *>(samples);
    const int done = swr_convert(d->resampler, converted, room, &in, frames);
    const int written =
        done > 0 ? av_audio_fifo_write(d->fifo, reinterpret_cast<void **>(converted), done) : done;
    av_freep(&converted[0]);
    av_freep(&converted);
    if (written < 0)
        return ffmpegError(QStringLiteral("sound conversion"), written);
    return d->drainSound(false);
}

// Encodes whole frames from the FIFO; with `all`, also the rest, padded
// with silence to a whole frame.
std::optional<Error> MovieFileWriter::State::drainSound(bool all)
{
    while (av_audio_fifo_size(fifo) >= audioFrameSize) {
        if (auto error = encodeSound(audioFrameSize))
            return error;
    }
    if (all && av_audio_fifo_size(fifo) > 0)
        return encodeSound(av_audio_fifo_size(fifo));
    return std::nullopt;
}

std::optional<Error> MovieFileWriter::State::encodeSound(int samples)
{
    AVFrame *frame = audio->frame;
    if (av_frame_make_writable(frame) < 0)
        return writerError(QStringLiteral("no memory for sound"));
    av_audio_fifo_read(fifo, reinterpret_cast<void **>(frame->data), samples);
    if (samples < audioFrameSize)
        av_samples_set_silence(frame->data, samples, audioFrameSize - samples, 2,
                               AVSampleFormat(frame->format));
    frame->nb_samples = audioFrameSize;
    frame->pts = audioPts;
    audioPts += audioFrameSize;
    return send(*audio, frame);
}

std::optional<Error> MovieFileWriter::finish()
{
    if (d->finished)
        return std::nullopt;
    d->finished = true;
    if (d->audio) {
        // What the resampler still holds, then the last partial frame.
        const int room = swr_get_out_samples(d->resampler, 0);
        uint8_t **converted = nullptr;
        if (room > 0 && av_samples_alloc_array_and_samples(&converted, nullptr, 2, room,
                                                           d->audio->codec->sample_fmt, 0) >= 0) {
            const int done = swr_convert(d->resampler, converted, room, nullptr, 0);
            if (done > 0)
                av_audio_fifo_write(d->fifo, reinterpret_cast<void **>(converted), done);
            av_freep(&converted[0]);
            av_freep(&converted);
        }
        if (auto error = d->drainSound(true))
            return error;
        if (auto error = d->send(*d->audio, nullptr))
            return error;
    }
    if (auto error = d->send(d->video, nullptr))
        return error;
    const int status = av_write_trailer(d->format);
    if (status < 0)
        return ffmpegError(QStringLiteral("file trailer not written"), status);
    if (avio_closep(&d->format->pb) < 0)
        return writerError(QStringLiteral("file not closed"));
    return std::nullopt;
}

} // namespace swf
