// orvanto-swf compare DIR [--diff OUTDIR] [--only NAME]: draws every
// NAME.swf of DIR as the reference pictures were taken (the first frame
// shown, then ten frame steps, its scripts run, at the movie's own size)
// and compares it with NAME.swf.png. A pixel is an outlier when a channel
// differs by more than 8; a movie passes with at most 0.5% outliers.
//
// One line per movie ("pass NAME 0.000%" or "FAIL NAME 3.125%"), then a
// summary for the movies without scripts and for those with scripts
// (DoAction, DoInitAction, DoABC, clip or button actions); --scripted
// compares only the latter. Exit status 0 when every compared movie
// passes, 1 when some fail, 2 for bad arguments.
#include "command.h"
#include "scriptedplayer.h"

#include "swf/io/container.h"
#include "swf/io/file.h"
#include "swf/io/reader.h"
#include "swf/io/tagcodes.h"
#include "swf/io/tagstream.h"
#include "swf/limits.h"
#include "swf/movieloader.h"
#include "swf/parse/records.h"
#include "swf/render/renderer.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QUrl>

#include <cmath>
#include <optional>

namespace swftool {

namespace {

constexpr int kChannelTolerance = 8;
constexpr double kMaxOutlierShare = 0.005;
// Frame steps after the first frame, as the reference pictures were made.
constexpr int kFrameSteps = 10;

struct CompareOptions {
    QByteArray dir;
    QByteArray diffDir;
    QByteArray only;
    // Compares only the movies with scripts.
    bool scripted = false;
};

std::optional<CompareOptions> parseOptions(const Arguments &args, QString *problem)
{
    CompareOptions options;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QByteArray &arg = args[i];
        if (arg == "--diff" || arg == "--only") {
            if (i + 1 >= args.size()) {
                *problem = QStringLiteral("%1 needs a value").arg(QString::fromLatin1(arg));
                return std::nullopt;
            }
            (arg == "--diff" ? options.diffDir : options.only) = args[++i];
        } else if (arg == "--scripted") {
            options.scripted = true;
        } else if (options.dir.isEmpty() && !arg.startsWith("--")) {
            options.dir = arg;
        } else {
            *problem = QStringLiteral("unexpected argument %1").arg(QString::fromLocal8Bit(arg));
            return std::nullopt;
        }
    }
    if (options.dir.isEmpty()) {
        *problem = QStringLiteral("usage: orvanto-swf compare DIR [--diff OUTDIR] [--only NAME]");
        return std::nullopt;
    }
    if (options.only.endsWith(".swf"))
        options.only.chop(4);
    return options;
}

// Button actions: DefineButton2 announces them with a non-zero offset;
// DefineButton's list follows its button records and is empty when its
// first byte ends it.
bool buttonHasActions(const swf::Tag &tag)
{
    swf::Reader r(tag.body);
    r.u16(); // button id
    if (tag.code == swf::TagCode::DefineButton2) {
        r.u8(); // menu flag
        return r.u16() != 0;
    }
    while (r.ok() && r.u8() != 0) { // record flags; zero ends the records
        r.u16();                    // character id
        r.u16();                    // depth
        swf::readMatrix(r);
    }
    return !r.ok() || r.u8() != 0;
}

bool timelineHasScripts(QByteArrayView data, qint64 base, int nesting)
{
    swf::TagStream stream(data, base);
    swf::Tag tag;
    while (stream.next(tag)) {
        switch (tag.code) {
        case swf::TagCode::DoAction:
        case swf::TagCode::DoInitAction:
        case swf::TagCode::DoAbc:
        case swf::TagCode::DoAbc1:
            return true;
        case swf::TagCode::PlaceObject2:
        case swf::TagCode::PlaceObject3:
            if (!tag.body.isEmpty() && (quint8(tag.body[0]) & 0x80))
                return true;
            break;
        case swf::TagCode::DefineButton:
        case swf::TagCode::DefineButton2:
            if (buttonHasActions(tag))
                return true;
            break;
        case swf::TagCode::DefineSprite:
            if (nesting < 8 && tag.body.size() >= 4 &&
                timelineHasScripts(tag.body.sliced(4), 0, nesting + 1))
                return true;
            break;
        default:
            break;
        }
    }
    return false;
}

bool hasScripts(const QByteArray &path)
{
    auto file = swf::readFile(path, swf::limits::kMaxFileBytes);
    if (!file)
        return false;
    auto decoded = swf::decodeSwf(file->bytes);
    if (!decoded)
        return false;
    const qint64 start = decoded->header.tagsOffset;
    return timelineHasScripts(QByteArrayView(decoded->data).sliced(start), start, 0);
}

QSize ownSize(const swf::Movie &movie)
{
    const double side = swf::limits::kMaxRenderSide;
    const double w = std::round(double(movie.stage().width()) / swf::kTwipsPerPixel);
    const double h = std::round(double(movie.stage().height()) / swf::kTwipsPerPixel);
    return QSize(int(qBound(1.0, w, side)), int(qBound(1.0, h, side)));
}

bool outlier(QRgb a, QRgb b)
{
    return qAbs(qRed(a) - qRed(b)) > kChannelTolerance ||
           qAbs(qGreen(a) - qGreen(b)) > kChannelTolerance ||
           qAbs(qBlue(a) - qBlue(b)) > kChannelTolerance;
}

struct Comparison {
    double share = 1.0;
    QImage diff; // outliers red over a faded copy of the reference
};

Comparison compareImages(const QImage &ours, const QImage &reference)
{
    Comparison result;
    if (ours.size() != reference.size())
        return result;
    const QImage a = ours.convertToFormat(QImage::Format_RGB32);
    const QImage b = reference.convertToFormat(QImage::Format_RGB32);
    result.diff = QImage(a.size(), QImage::Format_RGB32);
    qint64 outliers = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto *pa = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *pb = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        auto *pd = reinterpret_cast<QRgb *>(result.diff.scanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const int grey = 128 + qGray(pb[x]) / 2;
            if (outlier(pa[x], pb[x])) {
                ++outliers;
                pd[x] = qRgb(255, 0, 0);
            } else {
                pd[x] = qRgb(grey, grey, grey);
            }
        }
    }
    result.share = double(outliers) / double(qint64(a.width()) * a.height());
    return result;
}

// Ours, the reference and the outliers side by side.
QImage diffPicture(const QImage &ours, const QImage &reference, const QImage &diff)
{
    const int w = qMax(ours.width(), reference.width());
    const int h = qMax(ours.height(), reference.height());
    QImage picture(3 * w + 8, h, QImage::Format_RGB32);
    picture.fill(QColor(255, 0, 255));
    QPainter painter(&picture);
    painter.drawImage(0, 0, ours);
    painter.drawImage(w + 4, 0, reference);
    if (!diff.isNull())
        painter.drawImage(2 * w + 8, 0, diff);
    return picture;
}

// The share of outliers, or nothing when the movie cannot be drawn.
std::optional<double> compareMovie(const QString &swfPath, const CompareOptions &options)
{
    const QByteArray path = QFile::encodeName(swfPath);
    auto movie = swf::loadMovieFile(path);
    if (!movie) {
        reportFileError(path, movie.error().toString());
        return std::nullopt;
    }
    // Files the movie loads are read from beside it.
    const QString url = QUrl::fromLocalFile(QFileInfo(swfPath).absoluteFilePath()).toString();
    const auto player = makePlayer(
        *movie, nullptr,
        std::make_shared<ToolScriptServices>(ToolScriptServices::kDefaultTimeoutMs, url));
    for (int i = 0; i < kFrameSteps; ++i)
        player->step();
    const QImage reference(swfPath + QStringLiteral(".png"));
    // A stage of a fractional pixel size may round either way; a picture
    // a pixel or two off is drawn at the reference's size instead, the
    // stage cut or extended, never scaled.
    QSize size = ownSize(**movie);
    const QSize offBy = reference.size() - size;
    if (!reference.isNull() && qAbs(offBy.width()) <= 2 && qAbs(offBy.height()) <= 2)
        size = reference.size();
    swf::Renderer renderer;
    const QImage ours =
        renderer.renderUnscaled(*player, size, swf::Renderer::backgroundOf(*player));
    const Comparison comparison = compareImages(ours, reference);
    if (comparison.share > kMaxOutlierShare && !options.diffDir.isEmpty()) {
        const QString out =
            QDir(QFile::decodeName(options.diffDir))
                .filePath(QFileInfo(swfPath).completeBaseName() + QStringLiteral(".diff.png"));
        if (!diffPicture(ours, reference, comparison.diff).save(out, "png"))
            reportFileError(QFile::encodeName(out), QStringLiteral("cannot write the diff"));
    }
    return comparison.share;
}

} // namespace

int runCompare(const Arguments &args)
{
    QString problem;
    const auto options = parseOptions(args, &problem);
    if (!options) {
        reportError(problem);
        return 2;
    }
    const QDir dir(QFile::decodeName(options->dir));
    if (!dir.exists()) {
        reportFileError(options->dir, QStringLiteral("no such folder"));
        return 2;
    }
    if (!options->diffDir.isEmpty() && !QDir().mkpath(QFile::decodeName(options->diffDir))) {
        reportFileError(options->diffDir, QStringLiteral("cannot create the folder"));
        return 2;
    }
    // Passes and movies compared, without scripts and with them.
    int passed[2] = {0, 0};
    int compared[2] = {0, 0};
    for (const QString &name : dir.entryList({QStringLiteral("*.swf")}, QDir::Files, QDir::Name)) {
        const QString swfPath = dir.filePath(name);
        const QString base = name.chopped(4);
        if (!options->only.isEmpty() && base != QFile::decodeName(options->only))
            continue;
        if (!QFile::exists(swfPath + QStringLiteral(".png")))
            continue;
        const int kind = hasScripts(QFile::encodeName(swfPath)) ? 1 : 0;
        if (options->scripted && kind == 0)
            continue;
        const std::optional<double> share = compareMovie(swfPath, *options);
        const bool pass = share && *share <= kMaxOutlierShare;
        ++compared[kind];
        passed[kind] += pass;
        writeStdout(QStringLiteral("%1 %2 %3%\n")
                        .arg(pass ? QLatin1String("pass") : QLatin1String("FAIL"), name)
                        .arg(share.value_or(1.0) * 100.0, 0, 'f', 3)
                        .toUtf8());
    }
    writeStdout(QStringLiteral("passed %1 of %2 script-free movies; %3 of %4 with scripts\n")
                    .arg(passed[0])
                    .arg(compared[0])
                    .arg(passed[1])
                    .arg(compared[1])
                    .toUtf8());
    return passed[0] + passed[1] == compared[0] + compared[1] ? 0 : 1;
}

} // namespace swftool
