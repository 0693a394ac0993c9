#include "swf/video/ffmpegerror.h"

#include "swf/log.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

#include <cstdio>
#include <mutex>

namespace swf {

Error ffmpegError(const QString &what, int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return Error{ErrorCode::Malformed, -1, -1,
                 QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(text))};
}

namespace {

extern "C" void logFfmpeg(void *context, int level, const char *format, va_list args)
{
    // Encoders report their statistics as information; only what may be
    // amiss is worth a line.
    if (level > AV_LOG_WARNING)
        return;
    char line[1024];
    int prefix = 1;
    av_log_format_line2(context, level, format, args, line, sizeof line, &prefix);
    const QString text = QString::fromLocal8Bit(line).trimmed();
    if (text.isEmpty())
        return;
    qCDebug(lcSwfVideo).noquote() << text;
}

} // namespace

void routeFfmpegLog()
{
    static std::once_flag routed;
    std::call_once(routed, [] { av_log_set_callback(logFfmpeg); });
}

} // namespace swf
