#pragma once

#include <cstddef>

namespace swf {

// Script machines that recurse on the native stack (a call from script into
// a native and back, or a bytecode call in the ActionScript 3 machine) stop
// at a depth the movie chooses; this is the second fence, for when the
// frames are larger than that depth assumes (sanitizer builds, natives deep
// in Qt) or the thread's stack is small. It reports whether less than
// `reserve` bytes remain below the current frame on the calling thread.
inline constexpr std::size_t kStackReserve = 512 * 1024;

bool stackNearlyExhausted(std::size_t reserve = kStackReserve);

} // namespace swf
