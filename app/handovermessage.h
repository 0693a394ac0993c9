// The message a second launch sends to the running player: the files it was
// given. "ORVF", a 32-bit big-endian count, then each path as a 32-bit
// big-endian length and its bytes. The receiver trusts nothing: counts and
// lengths are capped and checked against the bytes that arrived.
#pragma once

#include <QByteArray>
#include <QByteArrayList>

namespace HandoverMessage {

inline constexpr qsizetype kMaxFiles = 4096;
inline constexpr qsizetype kMaxPathLength = 65536;
inline constexpr qsizetype kMaxMessageSize = 1 << 20;

enum class Status {
    Incomplete, // a correct beginning; more bytes are due
    Complete,   // `files` holds the paths
    Malformed,  // never a message, however many bytes follow
};

// Nothing for more files, or a longer path or message, than the caps allow.
QByteArray encode(const QByteArrayList &files);
Status decode(const QByteArray &bytes, QByteArrayList *files);

} // namespace HandoverMessage
