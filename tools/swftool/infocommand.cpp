// orvanto-swf info FILE: the header and tag count as one JSON object.
#include "command.h"

#include "swf/movieloader.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace swftool {

namespace {

// Whole numbers print without a fraction.
QJsonValue number(double value)
{
    if (value == double(qint64(value)))
        return QJsonValue(qint64(value));
    return QJsonValue(value);
}

} // namespace

int runInfo(const Arguments &args)
{
    if (args.size() != 1) {
        reportError(QStringLiteral("usage: orvanto-swf info FILE"));
        return 2;
    }
    auto movie = swf::loadMovieFile(args.front());
    if (!movie) {
        reportFileError(args.front(), movie.error().toString());
        return 1;
    }
    const swf::Movie &m = **movie;
    QJsonObject info;
    info[QLatin1String("version")] = m.version();
    info[QLatin1String("compression")] = swf::compressionName(m.header().compression);
    info[QLatin1String("width")] = number(double(m.stage().width()) / swf::kTwipsPerPixel);
    info[QLatin1String("height")] = number(double(m.stage().height()) / swf::kTwipsPerPixel);
    info[QLatin1String("frameRate")] = number(m.frameRate());
    info[QLatin1String("frameCount")] = m.frameCount();
    if (const auto bg = m.backgroundColor())
        info[QLatin1String("backgroundColor")] = QStringLiteral("#%1%2%3")
                                                     .arg(bg->r, 2, 16, QLatin1Char('0'))
                                                     .arg(bg->g, 2, 16, QLatin1Char('0'))
                                                     .arg(bg->b, 2, 16, QLatin1Char('0'));
    else
        info[QLatin1String("backgroundColor")] = QJsonValue::Null;
    info[QLatin1String("tagCount")] = m.stats().topLevelTags;
    writeStdout(QJsonDocument(info).toJson(QJsonDocument::Compact) + "\n");
    return 0;
}

} // namespace swftool
