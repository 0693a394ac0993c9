// FFmpeg's error codes as the engine's error values, and its log as the
// engine's.
#pragma once

#include "swf/error.h"

namespace swf {

// "what: FFmpeg's sentence for `code`".
Error ffmpegError(const QString &what, int code);

// Sends FFmpeg's warnings to the swf.video category as debug messages
// (what matters comes back as an error value) instead of standard error.
// FFmpeg keeps one log for the process; the first call sets it.
void routeFfmpegLog();

} // namespace swf
