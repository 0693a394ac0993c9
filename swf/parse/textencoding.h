// Text of fonts and text fields. From version 6 on movies hold UTF-8;
// before, the code page of the system the movie was made on, which the
// Flash Player reads in the code page of the system it runs on. This
// player's users run Chinese systems (GBK), so older text that reads as
// GBK is taken as GBK; other text keeps every byte as Latin-1.
#pragma once

#include <QByteArray>
#include <QString>

namespace swf {

QString decodeMovieText(const QByteArray &bytes, int swfVersion);

} // namespace swf
