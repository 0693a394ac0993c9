// Embedded video: the tags as parsed, the frame a video object shows as its
// timeline moves on and jumps (decoded from the key frame before it), the
// object drawn like any other, and damaged streams that show nothing while
// the rest of the movie plays. The streams are written by FFmpeg's
// encoders.
#include "swftest.h"
#include "videotestencoder.h"

#include "swf/model/video.h"
#include "tools/swfwriter/videowriter.h"

#include <QPainter>
#include <QTest>

using swf::VideoCodec;

namespace {

constexpr int kWidth = 128;
constexpr int kHeight = 96;
constexpr int kFrames = 12;
// The square that changes colour every frame, in the stream's pixels; the
// rest of the picture stays, so the encoders write inter frames.
const QRect kMarker(16, 32, 32, 32);

QColor markerColor(int k)
{
    return QColor::fromHsv((k * 47) % 360, 200, 220);
}
const QColor kLeft(40, 90, 200);
const QColor kRight(200, 160, 40);

QList<QImage> pictures(QSize size = QSize(kWidth, kHeight))
{
    QList<QImage> list;
    for (int k = 0; k < kFrames; ++k) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(kRight);
        QPainter painter(&image);
        painter.fillRect(0, 0, size.width() / 2, size.height(), kLeft);
        painter.fillRect(kMarker, markerColor(k));
        painter.end();
        list.append(image);
    }
    return list;
}

// A stage of 300 x 240 on black: the stream placed at (10, 10) at twice its
// size (`place` may change the placement), one video frame per movie
// frame with the ratio naming it, and a white square at (275, 215) that
// always draws.
QByteArray videoMovie(const swfwriter::VideoStreamFields &fields, const QList<QByteArray> &packets,
                      const std::function<void(swfwriter::Place &)> &place = {})
{
    swfwriter::SwfWriter movie;
    movie.setStageSize(300, 240);
    movie.setBackgroundColor({0, 0, 0, 255});
    const quint16 square = defineSquare(movie, 20, {255, 255, 255, 255});
    const quint16 stream = swfwriter::defineVideoStream(movie, fields);
    movie.placeObject2(placeAt(3, square, 275, 215));
    for (int k = 0; k < packets.size(); ++k) {
        swfwriter::videoFrame(movie, stream, quint16(k), packets[k]);
        swfwriter::Place p;
        p.depth = 2;
        p.ratio = quint16(k);
        if (k == 0) {
            p.characterId = stream;
            p.matrix = swfwriter::scaleRotateTranslate(2.0, 2.0, 0, 10, 10);
            if (place)
                place(p);
        } else {
            p.move = true;
        }
        movie.placeObject2(p);
        movie.showFrame();
    }
    return movie.finish();
}

swfwriter::VideoStreamFields fieldsFor(VideoCodec codec)
{
    return {codec, kWidth, kHeight, quint16(kFrames), 0, false};
}

// Points of the video as drawn, at stage pixels (10 + 2x, 10 + 2y): the
// marker's middle, and a point of each half outside it.
QColor markerDrawn(const QImage &stage)
{
    const QPoint middle = kMarker.center();
    return pixelAt(stage, 10 + 2 * middle.x(), 10 + 2 * middle.y());
}
QColor leftDrawn(const QImage &stage)
{
    return pixelAt(stage, 10 + 2 * 8, 10 + 2 * 8);
}
QColor rightDrawn(const QImage &stage)
{
    return pixelAt(stage, 10 + 2 * 3 * kWidth / 4, 10 + kHeight);
}

} // namespace

class VideoTest : public QObject {
    Q_OBJECT
private slots:
    void tagsAsParsed();
    void showsTheFrameTheTimelineReached_data();
    void showsTheFrameTheTimelineReached();
    void drawnLikeAnyObject();
    void damagedStreamsShowNothing_data();
    void damagedStreamsShowNothing();
};

void VideoTest::tagsAsParsed()
{
    swfwriter::SwfWriter writer;
    const quint16 id = swfwriter::defineVideoStream(
        writer, {VideoCodec::Vp6Alpha, 320, 240, 3, quint8(swf::VideoDeblocking::Off), true});
    swfwriter::videoFrame(writer, id, 0, "first");
    swfwriter::TimelineWriter sprite;
    // Packets on a sprite's timeline join the stream too; a number given
    // again keeps its first packet.
    swfwriter::videoFrame(sprite, id, 2, "third");
    swfwriter::videoFrame(sprite, id, 0, "again");
    sprite.showFrame();
    writer.defineSprite(sprite);
    writer.showFrame();
    const auto movie = mustParse(writer.finish());
    QVERIFY(movie);
    const auto *stream = dynamic_cast<const swf::VideoStream *>(movie->character(id));
    QVERIFY(stream);
    QCOMPARE(stream->videoCodec(), VideoCodec::Vp6Alpha);
    QCOMPARE(QSize(stream->width, stream->height), QSize(320, 240));
    QCOMPARE(stream->frameCount, 3);
    QCOMPARE(stream->deblocking, quint8(swf::VideoDeblocking::Off));
    QVERIFY(stream->smoothing);
    const swf::VideoPackets *packets = movie->videos().packetsOf(id);
    QVERIFY(packets);
    QCOMPARE(packets->size(), size_t(2));
    QCOMPARE(packets->at(0), QByteArray("first"));
    QCOMPARE(packets->at(2), QByteArray("third"));
}

void VideoTest::showsTheFrameTheTimelineReached_data()
{
    QTest::addColumn<VideoCodec>("codec");
    QTest::addColumn<int>("tolerance");
    // H.263 is lossy; the screen codecs keep every colour.
    QTest::newRow("Sorenson H.263") << VideoCodec::SorensonH263 << 12;
    QTest::newRow("Screen Video") << VideoCodec::ScreenVideo << 2;
    QTest::newRow("Screen Video 2") << VideoCodec::ScreenVideo2 << 2;
}

// Stepping through every frame, then seeking back into the middle of a
// group of pictures, forward past frames and back to the start: each time
// the frame the timeline reached, however the decoder got there.
void VideoTest::showsTheFrameTheTimelineReached()
{
    QFETCH(VideoCodec, codec);
    QFETCH(int, tolerance);
    const QList<QByteArray> packets = encodeVideo(codec, pictures(), 5);
    QCOMPARE(packets.size(), kFrames);
    const auto movie = mustParse(videoMovie(fieldsFor(codec), packets));
    QVERIFY(movie);
    const auto shows = [&](const swf::Player &player, int k) {
        const QImage stage = renderStage(player, {}, Qt::black);
        return near(markerDrawn(stage), markerColor(k), tolerance) &&
               near(leftDrawn(stage), kLeft, tolerance) &&
               near(rightDrawn(stage), kRight, tolerance);
    };
    swf::Player played(movie);
    for (int k = 0; k < kFrames; ++k) {
        if (k > 0)
            played.step();
        QVERIFY2(shows(played, k), qPrintable(QStringLiteral("frame %1 played").arg(k)));
    }
    // A player of its own, so no picture comes from the cache.
    swf::Player sought(movie);
    for (int k : {3, 9, 7, 0, 11}) {
        sought.seek(k);
        QVERIFY2(shows(sought, k), qPrintable(QStringLiteral("frame %1 sought").arg(k)));
    }
}

// Scaled by its matrix, colour-transformed, and masked: a mask over the
// left half of the drawn video leaves the right half black.
void VideoTest::drawnLikeAnyObject()
{
    const QList<QByteArray> packets = encodeVideo(VideoCodec::ScreenVideo, pictures(), kFrames);
    QCOMPARE(packets.size(), kFrames);
    swf::ColorTransform noRed;
    noRed.multR = 0;
    const auto movie =
        mustParse(videoMovie(fieldsFor(VideoCodec::ScreenVideo), packets,
                             [&](swfwriter::Place &p) { p.colorTransform = noRed; }));
    QVERIFY(movie);
    swf::Player player(movie);
    QImage stage = renderStage(player, {}, Qt::black);
    const QColor marker = markerColor(0);
    COMPARE_COLOR(markerDrawn(stage), QColor(0, marker.green(), marker.blue()));
    // Twice the stream's size: the picture ends at 10 + 2 * 128.
    COMPARE_COLOR(pixelAt(stage, 10 + 2 * kWidth - 2, 12),
                  QColor(0, kRight.green(), kRight.blue()));
    COMPARE_COLOR(pixelAt(stage, 10 + 2 * kWidth + 2, 12), QColor(Qt::black));

    swfwriter::SwfWriter masked;
    masked.setStageSize(300, 240);
    masked.setBackgroundColor({0, 0, 0, 255});
    const quint16 mask = defineSquare(masked, kWidth, {255, 255, 255, 255});
    const quint16 stream = swfwriter::defineVideoStream(masked, fieldsFor(VideoCodec::ScreenVideo));
    swfwriter::videoFrame(masked, stream, 0, packets[0]);
    swfwriter::Place clip = placeAt(1, mask, 10, 10);
    clip.clipDepth = 2;
    masked.placeObject2(clip);
    swfwriter::Place video = placeAt(2, stream, 10, 10);
    video.matrix = swfwriter::scaleRotateTranslate(2.0, 2.0, 0, 10, 10);
    video.ratio = 0;
    masked.placeObject2(video);
    masked.showFrame();
    const auto maskedMovie = mustParse(masked.finish());
    QVERIFY(maskedMovie);
    swf::Player maskedPlayer(maskedMovie);
    stage = renderStage(maskedPlayer, {}, Qt::black);
    COMPARE_COLOR(markerDrawn(stage), markerColor(0));
    COMPARE_COLOR(rightDrawn(stage), QColor(Qt::black));
}

void VideoTest::damagedStreamsShowNothing_data()
{
    QTest::addColumn<int>("codec");
    QTest::addColumn<QSize>("declared");
    QTest::addColumn<bool>("garbled");
    QTest::newRow("codec unknown") << 9 << QSize(kWidth, kHeight) << false;
    QTest::newRow("no codec") << 0 << QSize(kWidth, kHeight) << false;
    QTest::newRow("frames larger than the stream")
        << int(VideoCodec::ScreenVideo) << QSize(16, 16) << false;
    QTest::newRow("packets garbled")
        << int(VideoCodec::SorensonH263) << QSize(kWidth, kHeight) << true;
}

// The video shows nothing (the stage stays black where it would be), says
// so once, and the square beside it draws in every frame.
void VideoTest::damagedStreamsShowNothing()
{
    QFETCH(int, codec);
    QFETCH(QSize, declared);
    QFETCH(bool, garbled);
    QList<QByteArray> packets = encodeVideo(
        codec == int(VideoCodec::SorensonH263) ? VideoCodec::SorensonH263 : VideoCodec::ScreenVideo,
        pictures(), 4);
    QCOMPARE(packets.size(), kFrames);
    if (garbled) {
        for (QByteArray &packet : packets)
            packet = QByteArray(packet.size(), '\xff');
    }
    swfwriter::VideoStreamFields fields{VideoCodec(codec),
                                        quint16(declared.width()),
                                        quint16(declared.height()),
                                        quint16(kFrames),
                                        0,
                                        false};
    const auto movie = mustParse(videoMovie(fields, packets));
    QVERIFY(movie);
    if (codec != 0)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("video stream .* not shown"));
    QTest::failOnWarning(QRegularExpression("video stream"));
    swf::Player player(movie);
    for (int k = 0; k < kFrames; ++k) {
        const QImage stage = renderStage(player, {}, Qt::black);
        COMPARE_COLOR(pixelAt(stage, 20, 20), QColor(Qt::black));
        COMPARE_COLOR(pixelAt(stage, 280, 220), QColor(Qt::white));
        player.step();
    }
    player.seek(2);
    COMPARE_COLOR(pixelAt(renderStage(player, {}, Qt::black), 20, 20), QColor(Qt::black));
}

QTEST_GUILESS_MAIN(VideoTest)
#include "tst_video.moc"
