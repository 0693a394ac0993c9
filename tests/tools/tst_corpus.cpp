// The reference corpus: orvanto-swf render of the script-free movies that
// use only solid fills must match the Flash Player's pictures, taken after
// the first frame and ten frame steps (render --frames 11). A pixel is an
// outlier when a channel differs by more than 8; a movie passes with at
// most 0.5% outliers.
#include "swf/io/container.h"
#include "swf/io/reader.h"
#include "swf/io/tagcodes.h"
#include "swf/io/tagstream.h"
#include "swf/model/shape.h"
#include "swftest_tools.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <set>

namespace {

constexpr int kChannelTolerance = 8;
constexpr double kMaxOutlierShare = 0.005;

// Tags that neither script nor draw anything beyond solid shapes.
const std::set<quint16> &plainTags()
{
    using namespace swf::TagCode;
    static const std::set<quint16> tags = {End,
                                           ShowFrame,
                                           DefineShape,
                                           PlaceObject,
                                           RemoveObject,
                                           SetBackgroundColor,
                                           DefineShape2,
                                           Protect,
                                           PlaceObject2,
                                           RemoveObject2,
                                           DefineShape3,
                                           DefineSprite,
                                           FrameLabel,
                                           ExportAssets,
                                           EnableDebugger,
                                           EnableDebugger2,
                                           ScriptLimits,
                                           SetTabIndex,
                                           FileAttributes,
                                           PlaceObject3,
                                           Metadata,
                                           DefineShape4,
                                           DefineSceneAndFrameLabelData,
                                           41 /* product info */,
                                           63 /* debug id */};
    return tags;
}

// False when a PlaceObject2/3 carries clip actions, filters or a blend mode.
bool plainPlacement(const swf::Tag &tag)
{
    swf::Reader r(tag.body);
    const quint8 flags = r.u8();
    if (flags & 0x80)
        return false; // clip actions: scripts
    if (tag.code == swf::TagCode::PlaceObject3)
        return (r.u8() & 0x03) == 0; // filter list, blend mode
    return true;
}

bool plainTimeline(QByteArrayView data, qint64 base)
{
    swf::TagStream stream(data, base);
    swf::Tag tag;
    while (stream.next(tag)) {
        if (!plainTags().count(tag.code))
            return false;
        if ((tag.code == swf::TagCode::PlaceObject2 || tag.code == swf::TagCode::PlaceObject3) &&
            !plainPlacement(tag))
            return false;
        if (tag.code == swf::TagCode::DefineSprite &&
            !plainTimeline(tag.body.sliced(qMin<qsizetype>(4, tag.body.size())), 0))
            return false;
    }
    return true;
}

bool solidFillsOnly(const swf::Movie &movie)
{
    for (const auto &[id, character] : movie.dictionary()) {
        const auto *shape = dynamic_cast<const swf::Shape *>(character.get());
        if (!shape)
            continue;
        for (const swf::StyleTable &table : shape->styleTables) {
            for (const swf::FillStyle &fill : table.fills) {
                if (fill.kind != swf::FillKind::Solid)
                    return false;
            }
            for (const swf::LineStyle &line : table.lines) {
                if (line.fill)
                    return false;
            }
        }
    }
    return true;
}

// Script-free (no DoAction, DoInitAction, DoABC, clip or button actions),
// drawing nothing but solid shapes.
bool selected(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    auto decoded = swf::decodeSwf(bytes);
    if (!decoded)
        return false;
    const qint64 start = decoded->header.tagsOffset;
    if (!plainTimeline(QByteArrayView(decoded->data).sliced(start), start))
        return false;
    auto movie = swf::parseMovie(bytes);
    return movie && solidFillsOnly(**movie);
}

double outlierShare(const QImage &ours, const QImage &reference)
{
    if (ours.size() != reference.size())
        return 1.0;
    const QImage a = ours.convertToFormat(QImage::Format_RGB32);
    const QImage b = reference.convertToFormat(QImage::Format_RGB32);
    qint64 outliers = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto *pa = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *pb = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            if (qAbs(qRed(pa[x]) - qRed(pb[x])) > kChannelTolerance ||
                qAbs(qGreen(pa[x]) - qGreen(pb[x])) > kChannelTolerance ||
                qAbs(qBlue(pa[x]) - qBlue(pb[x])) > kChannelTolerance)
                ++outliers;
        }
    }
    return double(outliers) / (qint64(a.width()) * a.height());
}

} // namespace

class TestCorpus : public QObject {
    Q_OBJECT
private slots:
    void solidFillMoviesMatchTheReference();
};

void TestCorpus::solidFillMoviesMatchTheReference()
{
    const QDir images(QStringLiteral(ORVANTO_CORPUS_DIR "/flashplayer/image"));
    if (!images.exists())
        QSKIP("the reference corpus is not here");
    QTemporaryDir out;
    QVERIFY(out.isValid());
    QStringList passed, failed;
    for (const QString &name :
         images.entryList({QStringLiteral("*.swf")}, QDir::Files, QDir::Name)) {
        const QString movie = images.filePath(name);
        if (!QFile::exists(movie + QStringLiteral(".png")) || !selected(movie))
            continue;
        const QString png = out.filePath(name + QStringLiteral(".png"));
        QProcess render;
        render.start(QStringLiteral(ORVANTO_SWF_TOOL),
                     {QStringLiteral("render"), movie, QStringLiteral("-o"), png,
                      QStringLiteral("--frames"), QStringLiteral("11")});
        QVERIFY(render.waitForFinished(60000));
        QCOMPARE(render.exitCode(), 0);
        const double share = outlierShare(QImage(png), QImage(movie + QStringLiteral(".png")));
        const QString line = QStringLiteral("%1 %2%").arg(name).arg(share * 100, 0, 'f', 3);
        (share <= kMaxOutlierShare ? passed : failed).append(line);
    }
    qInfo().noquote() << "corpus: passed" << passed.size() << "of" << passed.size() + failed.size();
    for (const QString &line : passed)
        qInfo().noquote() << "  pass" << line;
    for (const QString &line : failed)
        qInfo().noquote() << "  FAIL" << line;
    QVERIFY2(!passed.isEmpty(), "no movie of the corpus was selected");
    QVERIFY2(failed.isEmpty(), qPrintable(failed.join(QStringLiteral(", "))));
}

QTEST_GUILESS_MAIN(TestCorpus)
#include "tst_corpus.moc"
