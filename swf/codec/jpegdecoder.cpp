#include "swf/codec/jpegdecoder.h"

#include "swf/limits.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE
#include <memory>
#include <vector>

#include <jpeglib.h>

namespace swf {

namespace {

constexpr quint8 kMarker = 0xff;
constexpr quint8 kSoi = 0xd8;
constexpr quint8 kEoi = 0xd9;
constexpr quint8 kSos = 0xda;
constexpr quint8 kTem = 0x01;

bool isRestart(quint8 code)
{
    return code >= 0xd0 && code <= 0xd7;
}

bool startsWithEoiSoi(QByteArrayView data, qsizetype at)
{
    return at + 4 <= data.size() && quint8(data[at]) == kMarker && quint8(data[at + 1]) == kEoi &&
           quint8(data[at + 2]) == kMarker && quint8(data[at + 3]) == kSoi;
}

Error jpegError(const QString &message, ErrorCode code = ErrorCode::Malformed)
{
    return Error{code, -1, -1, message};
}

// libjpeg reports fatal errors through a callback that must not return:
// it jumps back to the decoding function, past libjpeg's own frames only.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void onFatalError(j_common_ptr info)
{
    auto *manager = reinterpret_cast<ErrorManager *>(info->err);
    (*info->err->format_message)(info, manager->message);
    std::longjmp(manager->jump, 1);
}

// Warnings (a stream cut short, stray bytes) are not worth a line on
// stderr: the image decodes as far as it goes, as in the Flash Player.
void onMessage(j_common_ptr)
{
}

void onProgress(j_common_ptr info)
{
    auto *decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > limits::kMaxJpegScans) {
        auto *manager = reinterpret_cast<ErrorManager *>(info->err);
        std::snprintf(manager->message, sizeof manager->message, "more than %d scans",
                      limits::kMaxJpegScans);
        std::longjmp(manager->jump, 1);
    }
}

// Everything the decoding touches, so that the jump back finds it intact.
struct Job {
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    jpeg_progress_mgr progress{};
    QByteArrayView data;
    QImage image;
    std::vector<JSAMPLE> row;
    bool created = false;
    bool refused = false;
};

// CMYK as Adobe writes it (inverted) or as the standard has it.
void cmykToArgb(const JSAMPLE *cmyk, QRgb *out, int width, bool inverted)
{
    for (int x = 0; x < width; ++x, cmyk += 4) {
        int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[x] = qRgb(c * k / 255, m * k / 255, y * k / 255);
    }
}

bool readPixels(Job &job)
{
    jpeg_decompress_struct &info = job.info;
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    jpeg_start_decompress(&info);
    const int width = int(info.output_width);
    job.image = QImage(width, int(info.output_height), QImage::Format_ARGB32_Premultiplied);
    if (job.image.isNull())
        return false;
    if (cmyk)
        job.row.resize(size_t(width) * 4);
    while (info.output_scanline < info.output_height) {
        const int y = int(info.output_scanline);
        JSAMPROW row = cmyk ? job.row.data() : job.image.scanLine(y);
        if (jpeg_read_scanlines(&info, &row, 1) != 1) {
            // Rows libjpeg could not give stay black rather than garbage.
            for (int rest = y; rest < job.image.height(); ++rest)
                std::fill_n(reinterpret_cast<QRgb *>(job.image.scanLine(rest)), width,
                            qRgb(0, 0, 0));
            break;
        }
        if (cmyk)
            cmykToArgb(job.row.data(), reinterpret_cast<QRgb *>(job.image.scanLine(y)), width,
                       info.saw_Adobe_marker);
    }
    return true;
}

// False when libjpeg gave up; the message is in the job's error manager.
bool runJob(Job &job)
{
    if (setjmp(job.errors.jump))
        return false;
    jpeg_create_decompress(&job.info);
    job.created = true;
    job.info.mem->max_memory_to_use = long(limits::kMaxBitmapPixels) * 8;
    job.info.progress = &job.progress;
    jpeg_mem_src(&job.info, reinterpret_cast<const unsigned char *>(job.data.data()),
                 static_cast<unsigned long>(job.data.size()));
    if (jpeg_read_header(&job.info, TRUE) != JPEG_HEADER_OK) {
        std::snprintf(job.errors.message, sizeof job.errors.message, "no image in the stream");
        return false;
    }
    const qint64 w = job.info.image_width, h = job.info.image_height;
    if (w < 1 || h < 1 || w > limits::kMaxBitmapSide || h > limits::kMaxBitmapSide ||
        w * h > limits::kMaxBitmapPixels) {
        job.refused = true;
        std::snprintf(job.errors.message, sizeof job.errors.message,
                      "image of %lld x %lld pixels is beyond the limits", w, h);
        return false;
    }
    if (!readPixels(job)) {
        std::snprintf(job.errors.message, sizeof job.errors.message, "no memory for the image");
        return false;
    }
    return true;
}

} // namespace

QByteArray repairJpegStream(QByteArrayView data)
{
    qsizetype pos = 0;
    while (startsWithEoiSoi(data, pos))
        pos += 2; // keeps the SOI of the pair
    if (pos + 2 > data.size() || quint8(data[pos]) != kMarker || quint8(data[pos + 1]) != kSoi)
        return data.toByteArray();
    QByteArray out;
    out.reserve(data.size() - pos);
    out.append(data.sliced(pos, 2));
    pos += 2;
    // Marker segments up to the start of scan; the entropy-coded data after
    // it is copied as it is.
    while (pos + 2 <= data.size()) {
        if (quint8(data[pos]) != kMarker)
            break; // not a marker: leave the rest to libjpeg
        const quint8 code = quint8(data[pos + 1]);
        if (code == kMarker) {
            ++pos; // fill byte
            continue;
        }
        // Before the scan, an end or start of image only ever separates
        // the streams that the movie joined: tables and image.
        if (code == kSoi || code == kEoi) {
            pos += 2;
            continue;
        }
        if (code == kTem || isRestart(code)) {
            out.append(data.sliced(pos, 2));
            pos += 2;
            continue;
        }
        if (code == kSos || pos + 4 > data.size())
            break;
        const qsizetype length = (quint8(data[pos + 2]) << 8) | quint8(data[pos + 3]);
        const qsizetype end = qMin(data.size(), pos + 2 + length);
        out.append(data.sliced(pos, end - pos));
        pos = end;
    }
    out.append(data.sliced(pos));
    return out;
}

Result<QImage> decodeJpeg(QByteArrayView data)
{
    const QByteArray stream = repairJpegStream(data);
    if (stream.size() < 4)
        return jpegError(QStringLiteral("JPEG data too short"), ErrorCode::Truncated);
    auto job = std::make_unique<Job>();
    job->info.err = jpeg_std_error(&job->errors.base);
    job->errors.base.error_exit = onFatalError;
    job->errors.base.output_message = onMessage;
    job->progress.progress_monitor = onProgress;
    job->data = stream;
    const bool ok = runJob(*job);
    if (job->created)
        jpeg_destroy_decompress(&job->info);
    if (!ok) {
        return jpegError(QStringLiteral("JPEG: %1").arg(QString::fromLatin1(job->errors.message)),
                         job->refused ? ErrorCode::TooLarge : ErrorCode::Malformed);
    }
    return std::move(job->image);
}

} // namespace swf
