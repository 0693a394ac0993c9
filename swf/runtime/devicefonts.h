// Device fonts: the installed font a movie's font name stands for. The
// generic names "_sans", "_serif" and "_typewriter", the usual Windows
// families and the Chinese, Japanese and Korean system fonts map to the
// closest installed family; other names go through the system's own
// font matching.
#pragma once

#include <QFont>
#include <QString>

namespace swf {

// Device fonts need the font database of a GUI application; without one
// (command-line tools, fuzzers) device text is not drawn.
bool deviceFontsAvailable();

// The font for `name`, at `pixelSize`, unhinted and without kerning as
// the outlines are scaled afterwards.
QFont deviceFont(const QString &name, bool bold, bool italic, int pixelSize);

} // namespace swf
