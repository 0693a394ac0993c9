#include "swf/parse/textencoding.h"

#include "swf/io/reader.h"

#include <QStringDecoder>

#include <algorithm>

namespace swf {

QString decodeMovieText(const QByteArray &bytes, int swfVersion)
{
    const bool ascii = std::all_of(bytes.begin(), bytes.end(),
                                   [](char c) { return (static_cast<unsigned char>(c)) < 0x80; });
    if (swfVersion >= 6 || ascii)
        return decodeText(bytes, swfVersion);
    QStringDecoder gbk("GBK", QStringDecoder::Flag::Stateless);
    if (gbk.isValid()) {
        const QString text = gbk.decode(bytes);
        if (!gbk.hasError())
            return text;
    }
    return decodeText(bytes, swfVersion);
}

} // namespace swf
