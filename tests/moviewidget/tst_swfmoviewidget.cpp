// SwfMovieWidget through the ten operations of the movie control, on
// movies written for each test.
#include "../swf/swftest.h"
#include "player/swfmoviewidget.h"
#include "swf/io/tagcodes.h"
#include "tests/testfiles.h"
#include "tools/swfwriter/actionwriter.h"
#include "tools/swfwriter/buttonwriter.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace {

// A 100 × 50 stage on blue with a red square that walks across `frames`
// frames (or stands still when `frames` is 1).
QByteArray walkingSquare(int frames, double rate, std::optional<int> declared = std::nullopt)
{
    swfwriter::SwfWriter w;
    w.setStageSize(100, 50);
    w.setFrameRate(rate);
    w.setBackgroundColor({0, 0, 255});
    const quint16 square = defineSquare(w, 20, {255, 0, 0});
    w.placeObject2(placeAt(1, square, 40, 15));
    w.showFrame();
    for (int f = 1; f < frames; ++f) {
        w.placeObject2(moveTo(1, 40 + f, 15));
        w.showFrame();
    }
    if (declared)
        w.setFrameCountOverride(*declared);
    return w.finish();
}

// The walking square over 10 frames at 30 fps, scripted: frame 3 stops the
// movie, and a button (the square, behind it) plays it again on Space.
QByteArray stopsUntilSpace()
{
    swfwriter::SwfWriter w;
    w.setVersion(8);
    w.setStageSize(100, 50);
    w.setFrameRate(30);
    w.setBackgroundColor({0, 0, 255});
    const quint16 square = defineSquare(w, 20, {255, 0, 0});
    swfwriter::ButtonSpec button;
    swfwriter::ButtonRecordSpec hit;
    hit.states = swf::ButtonStateFlag::HitTest;
    hit.characterId = square;
    button.records.push_back(hit);
    const quint16 space = 32;
    swfwriter::ButtonActionSpec onSpace;
    onSpace.conditions = quint16(space << 9);
    onSpace.actions = swfwriter::ActionWriter().op(0x06).finish();
    button.actions.push_back(onSpace);
    const quint16 buttonId = swfwriter::defineButton2(w, button);
    w.placeObject2(placeAt(1, buttonId, 0, 0));
    w.placeObject2(placeAt(2, square, 40, 15));
    w.showFrame();
    for (int f = 1; f < 10; ++f) {
        if (f == 3)
            w.rawTag(swf::TagCode::DoAction, swfwriter::ActionWriter().op(0x07).finish());
        w.placeObject2(moveTo(2, 40 + f, 15));
        w.showFrame();
    }
    return w.finish();
}

class PaintCounter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
    int paints = 0;
};

} // namespace

class TestSwfMovieWidget : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void unreadableMovieLeavesAnEmptyControl_data();
    void unreadableMovieLeavesAnEmptyControl();
    void loadingStartsPlayback();
    void stopHaltsAndPlayResumes();
    void seekClampsAndRewinds();
    void frameCountIsTheHeadersCount();
    void drawsTheStageShowingAll();
    void backgroundOverridesTheMovies();
    void pathsAreBytes();
    void runTimeCreation();
    void factoryMakesTheWidget();
    void paintsOnlyWhenSomethingChanged();
    void zeroFrameRateDoesNotSpin();
    void scriptsStopAndKeysPlay();

private:
    QByteArray file(const char *name, const QByteArray &content)
    {
        const QByteArray path = QFile::encodeName(m_dir.filePath(QLatin1String(name)));
        if (!writeBytes(path, content))
            qFatal("cannot write %s", path.constData());
        return path;
    }
    QTemporaryDir m_dir;
};

void TestSwfMovieWidget::unreadableMovieLeavesAnEmptyControl_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("exists");
    QTest::newRow("missing") << QByteArray() << false;
    QTest::newRow("not a movie") << QByteArray("<html></html>") << true;
    QTest::newRow("cut in the header") << walkingSquare(2, 12).left(10) << true;
}

void TestSwfMovieWidget::unreadableMovieLeavesAnEmptyControl()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, exists);
    const QByteArray path = exists ? file("bad.swf", content)
                                   : QFile::encodeName(m_dir.filePath(QStringLiteral("none.swf")));
    SwfMovieWidget widget(MovieControlCreation{});
    widget.resize(100, 80);
    widget.SetMoviePath(file("good.swf", walkingSquare(3, 12))); // replaced by the bad one
    widget.SetBackground(0);
    widget.SetMoviePath(path);
    QCOMPARE(widget.GetMoviePath(), path);
    QCOMPARE(widget.GetFrameCount(), 0);
    QVERIFY(!widget.IsPlaying());
    widget.Play();
    QVERIFY(!widget.IsPlaying());
    widget.SeekToFrame(5);
    widget.Rewind();
    QCOMPARE(widget.GetFramePosition(), 0);
    const QImage shot = widget.grab().toImage();
    for (int y = 0; y < shot.height(); y += 7) {
        for (int x = 0; x < shot.width(); x += 7)
            COMPARE_COLOR(pixelAt(shot, x, y), QColor(Qt::black));
    }
}

void TestSwfMovieWidget::loadingStartsPlayback()
{
    SwfMovieWidget widget(MovieControlCreation{});
    widget.SetMoviePath(file("walk.swf", walkingSquare(5, 10)));
    QCOMPARE(widget.GetFrameCount(), 5);
    QCOMPARE(widget.GetFramePosition(), 0);
    QVERIFY(widget.IsPlaying());
    QTRY_VERIFY_WITH_TIMEOUT(widget.GetFramePosition() > 0, 2000);
    // It loops: the first frame comes round again (it lasts 100 ms).
    QTRY_VERIFY_WITH_TIMEOUT(widget.GetFramePosition() == 0, 3000);
}

void TestSwfMovieWidget::stopHaltsAndPlayResumes()
{
    SwfMovieWidget widget(MovieControlCreation{});
    widget.SetMoviePath(file("walk.swf", walkingSquare(200, 60)));
    QTRY_VERIFY_WITH_TIMEOUT(widget.GetFramePosition() >= 2, 2000);
    widget.Stop();
    QVERIFY(!widget.IsPlaying());
    const int halted = widget.GetFramePosition();
    QTest::qWait(150);
    QCOMPARE(widget.GetFramePosition(), halted);
    widget.Play();
    QVERIFY(widget.IsPlaying());
    QTRY_VERIFY_WITH_TIMEOUT(widget.GetFramePosition() > halted, 2000);
}

void TestSwfMovieWidget::seekClampsAndRewinds()
{
    SwfMovieWidget widget(MovieControlCreation{});
    widget.SetMoviePath(file("walk.swf", walkingSquare(10, 1)));
    widget.Stop();
    widget.SeekToFrame(-120);
    QCOMPARE(widget.GetFramePosition(), 0);
    widget.SeekToFrame(1000);
    QCOMPARE(widget.GetFramePosition(), 9);
    widget.SeekToFrame(4);
    QCOMPARE(widget.GetFramePosition(), 4);
    QVERIFY(!widget.IsPlaying()); // seeking does not start a halted movie
    widget.Rewind();
    QCOMPARE(widget.GetFramePosition(), 0);
    widget.SeekToFrame(7);
    widget.Play();
    QVERIFY(widget.IsPlaying());
    QCOMPARE(widget.GetFramePosition(), 7); // plays from the current frame
}

void TestSwfMovieWidget::frameCountIsTheHeadersCount()
{
    SwfMovieWidget widget(MovieControlCreation{});
    widget.SetMoviePath(file("lies.swf", walkingSquare(3, 12, 65535)));
    QCOMPARE(widget.GetFrameCount(), 65535);
    widget.SeekToFrame(65535);
    QCOMPARE(widget.GetFramePosition(), 2);
    widget.SetMoviePath(file("zero.swf", walkingSquare(3, 12, 0)));
    QCOMPARE(widget.GetFrameCount(), 0);
    QVERIFY(widget.IsPlaying());
}

void TestSwfMovieWidget::drawsTheStageShowingAll()
{
    SwfMovieWidget widget(MovieControlCreation{});
    widget.resize(200, 200);
    widget.SetMoviePath(file("walk.swf", walkingSquare(1, 12)));
    const QImage shot = widget.grab().toImage();
    // Stage 100 × 50 at twice the size, 50 pixels of margin above and below.
    COMPARE_COLOR(pixelAt(shot, 100, 100), QColor(255, 0, 0));
    COMPARE_COLOR(pixelAt(shot, 10, 100), QColor(0, 0, 255));
    COMPARE_COLOR(pixelAt(shot, 100, 20), QColor(0, 0, 255)); // the movie's own colour
}

void TestSwfMovieWidget::backgroundOverridesTheMovies()
{
    SwfMovieWidget widget(MovieControlCreation{});
    widget.resize(200, 200);
    widget.SetMoviePath(file("walk.swf", walkingSquare(1, 12)));
    widget.SetBackground(0x0000ff); // red in the low byte
    QImage shot = widget.grab().toImage();
    COMPARE_COLOR(pixelAt(shot, 100, 20), QColor(255, 0, 0));
    COMPARE_COLOR(pixelAt(shot, 10, 100), QColor(255, 0, 0));
    widget.SetBackground(0x804020);
    shot = widget.grab().toImage();
    COMPARE_COLOR(pixelAt(shot, 100, 20), QColor(0x20, 0x40, 0x80));
    widget.SetBackground(0);
    widget.SetMoviePath(file("walk2.swf", walkingSquare(2, 12))); // the override stays
    shot = widget.grab().toImage();
    COMPARE_COLOR(pixelAt(shot, 100, 20), QColor(0, 0, 0));
}

void TestSwfMovieWidget::pathsAreBytes()
{
    const QByteArray path = QFile::encodeName(m_dir.path()) + "/\xc4\xe3\xba\xc3-\xe9.swf";
    QVERIFY(writeBytes(path, walkingSquare(6, 12)));
    SwfMovieWidget widget(MovieControlCreation{});
    widget.SetMoviePath(path);
    QCOMPARE(widget.GetMoviePath(), path);
    QCOMPARE(widget.GetFrameCount(), 6);
}

void TestSwfMovieWidget::runTimeCreation()
{
    QWidget window;
    MovieControlCreation creation;
    creation.origin = MovieControlCreation::Origin::RunTime;
    creation.rect = QRect(10, 20, 300, 200);
    creation.windowName = QStringLiteral("movie");
    creation.controlId = 1234;
    creation.style =
        MovieControlStyle::Child | MovieControlStyle::Visible | MovieControlStyle::TabStop;
    SwfMovieWidget widget(creation, &window);
    QCOMPARE(widget.geometry(), QRect(10, 20, 300, 200));
    QCOMPARE(widget.objectName(), QStringLiteral("1234"));
    QCOMPARE(widget.focusPolicy(), Qt::StrongFocus);
    QCOMPARE(widget.creation().controlId, 1234);
    window.show();
    QVERIFY(widget.isVisible());

    creation.style = MovieControlStyle::Child;
    SwfMovieWidget hidden(creation, &window);
    QVERIFY(!hidden.isVisible());
}

void TestSwfMovieWidget::factoryMakesTheWidget()
{
    QWidget parent;
    const MovieControlFactory factory = swfMovieControlFactory();
    MovieControl *control = factory(MovieControlCreation{}, &parent);
    QVERIFY(qobject_cast<SwfMovieWidget *>(control));
    QCOMPARE(control->parentWidget(), &parent);
}

void TestSwfMovieWidget::paintsOnlyWhenSomethingChanged()
{
    SwfMovieWidget widget(MovieControlCreation{});
    widget.resize(100, 50);
    PaintCounter counter;
    widget.installEventFilter(&counter);
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    widget.SetMoviePath(file("still.swf", walkingSquare(1, 60)));
    QTest::qWait(100);
    counter.paints = 0;
    QTest::qWait(300);
    QVERIFY2(counter.paints == 0, qPrintable(QString::number(counter.paints)));
    QVERIFY(widget.IsPlaying());

    widget.SetMoviePath(file("moving.swf", walkingSquare(60, 60)));
    QTest::qWait(50);
    counter.paints = 0;
    QTest::qWait(300);
    QVERIFY2(counter.paints >= 3, qPrintable(QString::number(counter.paints)));
}

void TestSwfMovieWidget::zeroFrameRateDoesNotSpin()
{
    SwfMovieWidget widget(MovieControlCreation{});
    widget.SetMoviePath(file("zero.swf", walkingSquare(5, 0)));
    QVERIFY(widget.IsPlaying());
    // A spinning clock would burn the processor time while waiting.
    const std::clock_t before = std::clock();
    QTest::qWait(400);
    const double cpuMs = 1000.0 * double(std::clock() - before) / CLOCKS_PER_SEC;
    QVERIFY2(cpuMs < 150, qPrintable(QString::number(cpuMs)));
    QVERIFY(widget.GetFramePosition() <= 1);
}

// The movie's own stop() halts it where the window sees it; a key the
// widget is given reaches the movie's button; the picture saved is the one
// the scripts made.
void TestSwfMovieWidget::scriptsStopAndKeysPlay()
{
    SwfMovieWidget widget(MovieControlCreation{});
    widget.resize(100, 50);
    widget.SetMoviePath(file("scripted.swf", stopsUntilSpace()));
    QTRY_VERIFY_WITH_TIMEOUT(!widget.IsPlaying(), 2000);
    QCOMPARE(widget.GetFramePosition(), 3);
    QTest::qWait(100);
    QCOMPARE(widget.GetFramePosition(), 3);
    const QImage shown = widget.grabStage(QSize(200, 100));
    QCOMPARE(shown.size(), QSize(200, 100));
    COMPARE_COLOR(pixelAt(shown, (40 + 3 + 1) * 2, 50), QColor(Qt::red));
    COMPARE_COLOR(pixelAt(shown, (40 + 3 - 1) * 2, 50), QColor(Qt::blue));

    QTest::keyClick(&widget, Qt::Key_Space);
    QTRY_VERIFY_WITH_TIMEOUT(widget.GetFramePosition() > 3, 2000);
    QVERIFY(widget.IsPlaying());
}

QTEST_MAIN(TestSwfMovieWidget)
#include "tst_swfmoviewidget.moc"
