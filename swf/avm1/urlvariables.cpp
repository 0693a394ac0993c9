#include "swf/avm1/urlvariables.h"

#include <QByteArray>

namespace swf::avm1 {

namespace {

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

} // namespace

QString unescapeUrlComponent(QStringView text, int version)
{
    if (!text.contains(u'%') && !text.contains(u'+'))
        return text.toString();
    QString out;
    out.reserve(text.size());
    // Escaped bytes gather here until a plain character ends the run.
    QByteArray bytes;
    const auto flush = [&] {
        if (bytes.isEmpty())
            return;
        out += version >= 6 ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
        bytes.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
            hexValue(text[i + 2]) >= 0) {
            bytes += char(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
            continue;
        }
        flush();
        out += c == u'+' ? QChar(u' ') : c;
    }
    flush();
    return out;
}

std::vector<std::pair<QString, QString>> decodeUrlVariables(QStringView text, int version)
{
    std::vector<std::pair<QString, QString>> pairs;
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = text.indexOf(u'&', start);
        if (end < 0)
            end = text.size();
        const QStringView part = text.mid(start, end - start);
        const qsizetype eq = part.indexOf(u'=');
        const QStringView name = eq < 0 ? part : part.left(eq);
        if (!name.isEmpty())
            pairs.emplace_back(unescapeUrlComponent(name, version),
                               eq < 0 ? QString()
                                      : unescapeUrlComponent(part.mid(eq + 1), version));
        start = end + 1;
    }
    return pairs;
}

} // namespace swf::avm1
