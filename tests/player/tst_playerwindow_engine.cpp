// The player window over the real engine, with movies written for each test.
#define QTEST_QPA_MOUSE_HANDLING
#include "playerharness.h"
#include "squaremovie.h"

#include "player/playerwindow.h"
#include "player/swfmoviewidget.h"
#include "tools/swfwriter/swfwriter.h"

#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QWindow>

namespace {

void useEngine(PlayerHarness &h)
{
    h.adjustServices = [](PlayerServices &services) {
        services.movieControlFactory = swfMovieControlFactory();
    };
}

void drop(QWidget *window, const QByteArray &path)
{
    QMimeData mime;
    mime.setData(QStringLiteral("text/uri-list"), "file://" + path + "\r\n");
    const QPoint at = window->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &enter);
    QDropEvent dropped(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &dropped);
}

} // namespace

class PlayerWindowEngineTest final : public QObject {
    Q_OBJECT

private slots:
    void startUpMoviePlaysAndTheBarFollows();
    void withoutStartUpMovieTheWindowStillWorks();
    void seekOnAPausedMovieRestartsIt();
    void arrowsSeekAndTheControlClamps();
    void droppedMovieAndListEntryPlay();
};

void PlayerWindowEngineTest::startUpMoviePlaysAndTheBarFollows()
{
    PlayerHarness h;
    useEngine(h);
    h.writeFile("vesk.swf", squareMovie(30));
    PlayerWindow *window = h.start();
    MovieControl *movie = window->movieControl();
    auto *bar = h.control<QScrollBar>(Res::IDC_SEEKBAR);
    QCOMPARE(movie->GetFrameCount(), 30);
    QCOMPARE(bar->maximum(), 30);
    QVERIFY(movie->IsPlaying());
    QTRY_VERIFY_WITH_TIMEOUT(bar->value() >= 3, 3000);
    QCOMPARE(bar->value(), movie->GetFramePosition());
}

void PlayerWindowEngineTest::withoutStartUpMovieTheWindowStillWorks()
{
    PlayerHarness h;
    useEngine(h);
    PlayerWindow *window = h.start();
    auto *bar = h.control<QScrollBar>(Res::IDC_SEEKBAR);
    QCOMPARE(window->movieControl()->GetFrameCount(), 0);
    QCOMPARE(bar->maximum(), 0);
    auto *button = h.control<QPushButton>(Res::IDC_PLAYPAUSE);
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(window->isVisible());
    QTest::keyClick(window->windowHandle(), Qt::Key_Right);
    QCOMPARE(bar->value(), 0);
}

// Seeking always plays, even a paused movie, and the caption stays.
void PlayerWindowEngineTest::seekOnAPausedMovieRestartsIt()
{
    PlayerHarness h;
    useEngine(h);
    h.writeFile("vesk.swf", squareMovie(40));
    PlayerWindow *window = h.start();
    MovieControl *movie = window->movieControl();
    auto *button = h.control<QPushButton>(Res::IDC_PLAYPAUSE);
    auto *bar = h.control<QScrollBar>(Res::IDC_SEEKBAR);
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(!movie->IsPlaying());
    QCOMPARE(button->text(), QStringLiteral("播放"));

    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    QVERIFY(movie->IsPlaying());
    QCOMPARE(button->text(), QStringLiteral("播放"));
    // The bar's end is the frame count; the control clamps to its last frame
    // (or has already looped past it).
    QVERIFY(movie->GetFramePosition() <= 39);
}

void PlayerWindowEngineTest::arrowsSeekAndTheControlClamps()
{
    PlayerHarness h;
    useEngine(h);
    h.writeFile("vesk.swf", squareMovie(300));
    PlayerWindow *window = h.start();
    MovieControl *movie = window->movieControl();
    QWindow *native = window->windowHandle();

    QTest::keyClick(native, Qt::Key_Right);
    QVERIFY(movie->GetFramePosition() >= 120);
    QTest::keyClick(native, Qt::Key_Left);
    QTest::keyClick(native, Qt::Key_Left);
    QVERIFY(movie->GetFramePosition() < 10);
    QVERIFY(movie->IsPlaying());
}

void PlayerWindowEngineTest::droppedMovieAndListEntryPlay()
{
    PlayerHarness h;
    useEngine(h);
    h.writeFile("vesk.swf", squareMovie(10));
    h.writeFile("listed.swf", squareMovie(25));
    h.writeFile("dropped.SWF", squareMovie(50));
    h.writeFile("FlashList.ini", h.filePath("listed.swf") + "\r\n");
    PlayerWindow *window = h.start();
    auto *bar = h.control<QScrollBar>(Res::IDC_SEEKBAR);

    window->PlayEntry(0);
    QCOMPARE(bar->maximum(), 25);
    drop(window, h.filePath("dropped.SWF"));
    QCOMPARE(window->movieControl()->GetMoviePath(), h.filePath("dropped.SWF"));
    QCOMPARE(bar->maximum(), 50);
    QVERIFY(window->movieControl()->IsPlaying());
    QCOMPARE(h.control<QLabel>(Res::IDC_PATHLINE)->text(),
             QString::fromLocal8Bit(h.filePath("listed.swf")));
}

QTEST_MAIN(PlayerWindowEngineTest)
#include "tst_playerwindow_engine.moc"
