// Full screen: the double-click into it with fullScreenArmed, the window
// over the whole screen with its own movie control, its input, the exits
// and the return into the player window, driven with real events over
// recording movie controls.
#define QTEST_QPA_MOUSE_HANDLING
#include "playerharness.h"

#include "app/application.h"
#include "fullscreen/fullscreenwindow.h"
#include "player/playerwindow.h"
#include "ui/aboutbox.h"
#include "ui/skin.h"
#include "ui/skinhost.h"
#include "volume/volumebar.h"

#include <QApplication>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWindow>

namespace {

const QByteArray ThreeMovies = "/m/one.swf\r\n/m/two.swf\r\n/m/three.swf\r\n";

QString journalPath(const QByteArray &path)
{
    return QString::fromLatin1(path.toPercentEncoding("/"));
}

QStringList entriesOf(const QStringList &journal, qsizetype from, const QString &prefix)
{
    QStringList found;
    for (const QString &entry : journal.mid(from)) {
        if (entry.startsWith(prefix))
            found.append(entry);
    }
    return found;
}

void sendWheel(QWindow *window, int delta)
{
    const QPoint local(200, 200);
    QWheelEvent event(local, window->mapToGlobal(local), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(window, &event);
}

void key(FullScreenWindow *fullScreen, Qt::Key k)
{
    QTest::keyClick(fullScreen->windowHandle(), k);
}

void doubleClick(FullScreenWindow *fullScreen)
{
    QTest::mouseDClick(fullScreen->windowHandle(), Qt::LeftButton, {}, QPoint(300, 200));
}

// Double-clicks the player window's movie and runs `act` inside the
// full-screen run that follows, if one does. `act` leaves full screen; if a
// check in it failed, the run is ended here so the test can report.
bool doubleClickMovie(PlayerHarness &h, const std::function<void(FullScreenWindow *)> &act = {})
{
    QObject scope;
    bool ran = false;
    whenModalOpens<FullScreenWindow>(&scope, [&](FullScreenWindow *fullScreen) {
        ran = true;
        if (act)
            act(fullScreen);
        if (fullScreen->isVisible())
            fullScreen->reject();
    });
    QTest::mouseDClick(h.movie, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::qWait(ran ? 0 : 30);
    return ran;
}

} // namespace

class FullScreenTest final : public QObject {
    Q_OBJECT

private slots:
    void firstDoubleClickEntersAtTheFrameReached();
    void windowCoversTheScreenWithItsMovieControl();
    void haltedMovieEntersPlayingWithTheCaptionUntouched();
    void leavingByDoubleClickNeedsTwoDoubleClicksToReEnter();
    void leavingByEscReArms();
    void closeRequestAndEnterEndWithOk();
    void returnContinuesAtTheFrameReached();
    void droppedMovieContinuesAndShowsInThePathLine();
    void spaceHaltsWithoutRewindingAndTheReturnPlays();
    void rightClickDoesNothing();
    void arrowsAndWheelSeekOnlyWhilePlaying();
    void upAndDownStepTheOwnerAndReloadAtTheEnds();
    void upAndDownWithAnEmptyPlaylistChangeNothing();
    void withoutMovieControlTheWindowStaysAndExitsWithOk();
    void whenTheRunCannotStartNothingMoreHappens();
    void fullScreenWindowIsNotSkinned();
};

void FullScreenTest::firstDoubleClickEntersAtTheFrameReached()
{
    PlayerHarness h;
    PlayerWindow *window = h.start();
    QVERIFY(window->fullScreenArmed);
    const QByteArray startUp = h.filePath("vesk.swf");
    h.movie->position = 77;
    const qsizetype mark = h.journal.size();

    QStringList onEntry;
    QVERIFY(doubleClickMovie(h, [&](FullScreenWindow *fullScreen) {
        onEntry = h.journal.mid(mark);
        QVERIFY(!window->fullScreenArmed);
        QCOMPARE(fullScreen->owner, window);
        key(fullScreen, Qt::Key_Escape);
    }));
    QCOMPARE(onEntry, (QStringList{"movie: GetMoviePath", "movie: Stop", "full screen: window",
                                   "full screen: movie control",
                                   "full screen: SetMoviePath " + journalPath(startUp),
                                   "full screen: SetBackground 0", "full screen: SeekToFrame 77",
                                   "full screen: Play"}));
}

void FullScreenTest::windowCoversTheScreenWithItsMovieControl()
{
    PlayerHarness h;
    PlayerWindow *window = h.start();
    QRect geometry, movieGeometry, screen;
    Qt::WindowFlags flags;
    Qt::WindowStates states;
    QWidget *parent = window;
    Qt::WindowModality modality = Qt::NonModal;
    bool timerRunning = false;
    int timerInterval = 0;
    QVERIFY(doubleClickMovie(h, [&](FullScreenWindow *fullScreen) {
        geometry = fullScreen->geometry();
        screen = window->screen()->geometry();
        movieGeometry = h.fullScreenMovie->geometry();
        flags = fullScreen->windowFlags();
        states = fullScreen->windowState();
        parent = fullScreen->parentWidget();
        modality = fullScreen->windowModality();
        const auto *timer = fullScreen->findChild<QTimer *>(QStringLiteral("timer2"));
        timerRunning = timer && timer->isActive();
        timerInterval = timer ? timer->interval() : 0;
        QCOMPARE(fullScreen->movieControl(), h.fullScreenMovie.data());
        QVERIFY(h.fullScreenMovie->isVisible());
        QCOMPARE(h.fullScreenMovie->objectName(), QStringLiteral("id9100"));
        key(fullScreen, Qt::Key_Escape);
    }));
    QCOMPARE(geometry, screen);
    QCOMPARE(movieGeometry, QRect(QPoint(0, 0), screen.size()));
    QVERIFY(flags & Qt::FramelessWindowHint);
    QVERIFY(states & Qt::WindowFullScreen);
    QCOMPARE(parent, nullptr);
    QCOMPARE(modality, Qt::ApplicationModal);
    QVERIFY(timerRunning);
    QCOMPARE(timerInterval, 1);

    // The creation values of the run-time control.
    const MovieControlCreation &creation = h.fullScreenCreation;
    QCOMPARE(creation.windowName, QStringLiteral("Orvanto"));
    QCOMPARE(creation.controlId, 9100);
    QCOMPARE(creation.style,
             quint32(0x40000000 | 0x10000000 | 0x00010000 | 0x00100000 | 0x00200000 | 0x0200));
    QCOMPARE(creation.rect, QRect(QPoint(0, 0), screen.size()));
    // The control went with the window.
    QVERIFY(!h.fullScreenMovie);
}

void FullScreenTest::haltedMovieEntersPlayingWithTheCaptionUntouched()
{
    PlayerHarness h;
    h.start();
    auto *button = h.control<QPushButton>(Res::IDC_PLAYPAUSE);
    h.movie->position = 40;
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(button->text(), QStringLiteral("播放"));
    h.movie->position = 45; // halted here

    QString captionInside;
    bool playingInside = false;
    QVERIFY(doubleClickMovie(h, [&](FullScreenWindow *fullScreen) {
        captionInside = button->text();
        playingInside = h.fullScreenMovie->playing;
        QCOMPARE(h.fullScreenMovie->position, 45);
        key(fullScreen, Qt::Key_Escape);
    }));
    QCOMPARE(captionInside, QStringLiteral("播放"));
    QVERIFY(playingInside);
    QCOMPARE(button->text(), QStringLiteral("暂停"));
}

void FullScreenTest::leavingByDoubleClickNeedsTwoDoubleClicksToReEnter()
{
    PlayerHarness h;
    PlayerWindow *window = h.start();
    QVERIFY(doubleClickMovie(h, doubleClick));
    QCOMPARE(h.fullScreens, 1);
    QVERIFY(!window->fullScreenArmed);

    // The first double-click only raises the flag.
    const qsizetype mark = h.journal.size();
    QVERIFY(!doubleClickMovie(h));
    QVERIFY(window->fullScreenArmed);
    QCOMPARE(entriesOf(h.journal, mark, QStringLiteral("movie:")), QStringList());
    QVERIFY(h.movie->playing);

    QVERIFY(doubleClickMovie(h, doubleClick));
    QCOMPARE(h.fullScreens, 2);
    // The double-click that left full screen was taken there: the movie
    // control behind never saw it.
    QVERIFY(h.movie->inputEvents.count(QStringLiteral("double-click")) == 3);
}

void FullScreenTest::leavingByEscReArms()
{
    PlayerHarness h;
    PlayerWindow *window = h.start();
    const auto esc = [](FullScreenWindow *fullScreen) { key(fullScreen, Qt::Key_Escape); };
    QVERIFY(doubleClickMovie(h, esc));
    QVERIFY(window->fullScreenArmed);
    QVERIFY(doubleClickMovie(h, esc));
    QCOMPARE(h.fullScreens, 2);
}

void FullScreenTest::closeRequestAndEnterEndWithOk()
{
    PlayerHarness h;
    PlayerWindow *window = h.start();
    QVERIFY(doubleClickMovie(h, [](FullScreenWindow *fullScreen) { fullScreen->close(); }));
    // Ended with OK: the movie plays again in the player window.
    QVERIFY(h.movie->playing);
    QCOMPARE(h.journal.last(), QStringLiteral("movie: Play"));
    QVERIFY(!window->fullScreenArmed);

    QVERIFY(!doubleClickMovie(h));
    h.movie->position = 12;
    QVERIFY(
        doubleClickMovie(h, [](FullScreenWindow *fullScreen) { key(fullScreen, Qt::Key_Return); }));
    QVERIFY(h.movie->playing);
    QVERIFY(!window->fullScreenArmed);
}

void FullScreenTest::returnContinuesAtTheFrameReached()
{
    PlayerHarness h;
    h.writeFile("FlashList.ini", ThreeMovies);
    h.scriptMovie = [](FakeMovieControl &movie) { movie.frameCounts.insert("/m/two.swf", 900); };
    PlayerWindow *window = h.start();
    window->PlayEntry(1);
    h.movie->position = 10;
    qsizetype mark = 0;

    QVERIFY(doubleClickMovie(h, [&](FullScreenWindow *fullScreen) {
        h.fullScreenMovie->position = 350;
        QTRY_COMPARE(fullScreen->frame, 350);
        mark = h.journal.size();
        key(fullScreen, Qt::Key_Escape);
    }));
    QCOMPARE(entriesOf(h.journal, mark, QStringLiteral("movie:")),
             (QStringList{"movie: SetMoviePath /m/two.swf", "movie: GetFrameCount",
                          "movie: SeekToFrame 350", "movie: Play"}));
    QCOMPARE(window->handOffPath, QByteArray("/m/two.swf"));
    QCOMPARE(window->handOffFrame, 350);
    auto *bar = h.control<QScrollBar>(Res::IDC_SEEKBAR);
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 900);
    QCOMPARE(bar->value(), 350);
    QCOMPARE(h.control<QPushButton>(Res::IDC_PLAYPAUSE)->text(), QStringLiteral("暂停"));
    QCOMPARE(h.control<QLabel>(Res::IDC_PATHLINE)->text(), QStringLiteral("/m/two.swf"));
    QCOMPARE(window->currentPath, QByteArray("/m/two.swf"));
    QCOMPARE(window->currentIndex, 1);
}

void FullScreenTest::droppedMovieContinuesAndShowsInThePathLine()
{
    PlayerHarness h;
    h.writeFile("FlashList.ini", ThreeMovies);
    PlayerWindow *window = h.start();
    window->PlayEntry(0);
    auto mime = std::make_unique<QMimeData>();
    mime->setUrls({QUrl::fromLocalFile(QStringLiteral("/drop/dropped.swf"))});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, mime.get(), Qt::LeftButton, {});
    QCoreApplication::sendEvent(window, &enter);
    QDropEvent dropped(QPoint(50, 50), Qt::CopyAction, mime.get(), Qt::LeftButton, {});
    QCoreApplication::sendEvent(window, &dropped);
    QCOMPARE(window->currentPath, QByteArray("/m/one.swf"));

    QByteArray playedInside;
    QVERIFY(doubleClickMovie(h, [&](FullScreenWindow *fullScreen) {
        playedInside = h.fullScreenMovie->moviePath;
        key(fullScreen, Qt::Key_Escape);
    }));
    QCOMPARE(playedInside, QByteArray("/drop/dropped.swf"));
    QCOMPARE(h.movie->moviePath, QByteArray("/drop/dropped.swf"));
    QCOMPARE(window->currentPath, QByteArray("/drop/dropped.swf"));
    QCOMPARE(h.control<QLabel>(Res::IDC_PATHLINE)->text(), QStringLiteral("/drop/dropped.swf"));
    // The playlist position is the entry played last.
    QCOMPARE(window->currentIndex, 0);
}

void FullScreenTest::spaceHaltsWithoutRewindingAndTheReturnPlays()
{
    PlayerHarness h;
    h.scriptMovie = [](FakeMovieControl &movie) { movie.defaultFrameCount = 1000; };
    h.start();
    qsizetype mark = 0;
    QVERIFY(doubleClickMovie(h, [&](FullScreenWindow *fullScreen) {
        FakeMovieControl *movie = h.fullScreenMovie;
        movie->position = 200;
        QTRY_COMPARE(fullScreen->frame, 200);
        mark = h.journal.size();
        key(fullScreen, Qt::Key_Space);
        QVERIFY(!movie->playing);
        QCOMPARE(movie->position, 200);
        key(fullScreen, Qt::Key_Space);
        QVERIFY(movie->playing);
        key(fullScreen, Qt::Key_Space);
        // Halted, the frame is no longer followed.
        movie->position = 260;
        QTest::qWait(20);
        QCOMPARE(fullScreen->frame, 200);
        key(fullScreen, Qt::Key_Escape);
    }));
    QCOMPARE(entriesOf(h.journal, mark, QStringLiteral("full screen:")),
             (QStringList{"full screen: Stop", "full screen: Play", "full screen: Stop"}));
    QVERIFY(h.movie->playing);
    QVERIFY(h.journal.contains(QStringLiteral("movie: SeekToFrame 200")));
    QCOMPARE(h.control<QScrollBar>(Res::IDC_SEEKBAR)->value(), 200);
}

void FullScreenTest::rightClickDoesNothing()
{
    PlayerHarness h;
    h.start();
    QVERIFY(doubleClickMovie(h, [&](FullScreenWindow *fullScreen) {
        const qsizetype mark = h.journal.size();
        QTest::mouseClick(fullScreen->windowHandle(), Qt::RightButton, {}, QPoint(300, 200));
        QTest::mouseDClick(fullScreen->windowHandle(), Qt::RightButton, {}, QPoint(300, 200));
        QCOMPARE(h.fullScreenMovie->inputEvents.filter(QStringLiteral("right")), QStringList());
        QCOMPARE(h.fullScreenMovie->inputEvents.filter(QStringLiteral("menu")), QStringList());
        QCOMPARE(h.journal.mid(mark), QStringList());
        QVERIFY(fullScreen->isVisible());
        key(fullScreen, Qt::Key_Escape);
    }));
}

void FullScreenTest::arrowsAndWheelSeekOnlyWhilePlaying()
{
    PlayerHarness h;
    h.start();
    QStringList seeks, whileHalted;
    QVERIFY(doubleClickMovie(h, [&](FullScreenWindow *fullScreen) {
        FakeMovieControl *movie = h.fullScreenMovie;
        QWindow *native = fullScreen->windowHandle();
        movie->position = 50;
        qsizetype mark = h.journal.size();
        key(fullScreen, Qt::Key_Left); // near the start: below frame 0
        movie->position = 500;
        key(fullScreen, Qt::Key_Right);
        movie->position = 500;
        sendWheel(native, 120);   // away from the user: back
        sendWheel(native, -240);  // towards the user: on
        sendWheel(native, 40000); // a signed 16-bit delta: -25536
        seeks = entriesOf(h.journal, mark, QStringLiteral("full screen:"));
        QVERIFY(movie->inputEvents.filter(QStringLiteral("wheel")).isEmpty());

        key(fullScreen, Qt::Key_Space);
        mark = h.journal.size();
        key(fullScreen, Qt::Key_Left);
        key(fullScreen, Qt::Key_Right);
        sendWheel(native, 120);
        whileHalted = h.journal.mid(mark);
        key(fullScreen, Qt::Key_Escape);
    }));
    QCOMPARE(seeks, (QStringList{"full screen: SeekToFrame -70", "full screen: Play",
                                 "full screen: SeekToFrame 620", "full screen: Play",
                                 "full screen: SeekToFrame 380", "full screen: Play",
                                 "full screen: SeekToFrame 620", "full screen: Play",
                                 "full screen: SeekToFrame 26156", "full screen: Play"}));
    QCOMPARE(whileHalted, QStringList());
}

// Up and Down step the player window's playlist in full (its own movie plays
// the new entry behind the full-screen window), then the current entry plays
// in full screen; at the ends that reloads the entry playing.
void FullScreenTest::upAndDownStepTheOwnerAndReloadAtTheEnds()
{
    PlayerHarness h;
    h.writeFile("FlashList.ini", ThreeMovies);
    PlayerWindow *window = h.start();
    window->PlayEntry(0);
    const VolumeBar *volume = window->volumeBarControl();
    QStringList atFirst, stepped, atLast;
    int redraws = 0;
    bool playingBehind = false;

    QVERIFY(doubleClickMovie(h, [&](FullScreenWindow *fullScreen) {
        const int before = volume->invalidationCount();
        qsizetype mark = h.journal.size();
        key(fullScreen, Qt::Key_Up);
        atFirst = h.journal.mid(mark);

        mark = h.journal.size();
        key(fullScreen, Qt::Key_Down);
        stepped = h.journal.mid(mark);
        playingBehind = h.movie->playing;
        QCOMPARE(fullScreen->moviePath, QByteArray("/m/two.swf"));

        key(fullScreen, Qt::Key_Down);
        mark = h.journal.size();
        key(fullScreen, Qt::Key_Down);
        atLast = h.journal.mid(mark);
        redraws = volume->invalidationCount() - before;
        h.fullScreenMovie->position = 33;
        QTRY_COMPARE(fullScreen->frame, 33);
        key(fullScreen, Qt::Key_Escape);
    }));
    QCOMPARE(atFirst, (QStringList{"full screen: SetMoviePath /m/one.swf", "full screen: Play"}));
    QCOMPARE(stepped,
             (QStringList{"movie: SetMoviePath /m/two.swf", "movie: GetFrameCount", "movie: Play",
                          "full screen: SetMoviePath /m/two.swf", "full screen: Play"}));
    QVERIFY(playingBehind);
    QCOMPARE(atLast, (QStringList{"full screen: SetMoviePath /m/three.swf", "full screen: Play"}));
    QCOMPARE(redraws, 4);
    QCOMPARE(window->currentIndex, 2);
    QCOMPARE(h.movie->moviePath, QByteArray("/m/three.swf"));
    QCOMPARE(h.control<QScrollBar>(Res::IDC_SEEKBAR)->value(), 33);
}

void FullScreenTest::upAndDownWithAnEmptyPlaylistChangeNothing()
{
    PlayerHarness h;
    PlayerWindow *window = h.start();
    QVERIFY(window->playlist.isEmpty());
    QStringList inside;
    QVERIFY(doubleClickMovie(h, [&](FullScreenWindow *fullScreen) {
        const qsizetype mark = h.journal.size();
        key(fullScreen, Qt::Key_Up);
        key(fullScreen, Qt::Key_Down);
        inside = h.journal.mid(mark);
        QCOMPARE(fullScreen->moviePath, h.filePath("vesk.swf"));
        key(fullScreen, Qt::Key_Escape);
    }));
    QCOMPARE(inside, QStringList());
    QCOMPARE(window->currentIndex, -1);
}

void FullScreenTest::withoutMovieControlTheWindowStaysAndExitsWithOk()
{
    PlayerHarness h;
    h.writeFile("FlashList.ini", ThreeMovies);
    h.fullScreenMovieFails = true;
    PlayerWindow *window = h.start();
    h.movie->position = 64;
    qsizetype mark = 0;
    bool shown = false;
    QVERIFY(doubleClickMovie(h, [&](FullScreenWindow *fullScreen) {
        shown = fullScreen->isVisible();
        QVERIFY(!fullScreen->movieControl());
        QVERIFY(!fullScreen->findChild<QTimer *>(QStringLiteral("timer2"))->isActive());
        mark = h.journal.size();
        for (const Qt::Key k : {Qt::Key_Space, Qt::Key_Left, Qt::Key_Right})
            key(fullScreen, k);
        sendWheel(fullScreen->windowHandle(), 120);
        QCOMPARE(h.journal.mid(mark), QStringList());
        QTest::qWait(10);
        QCOMPARE(fullScreen->frame, 64);
        key(fullScreen, Qt::Key_Escape);
    }));
    QVERIFY(shown);
    // The exit ended with OK: the handed-over movie plays again at the
    // handed-over frame.
    QCOMPARE(entriesOf(h.journal, mark, QStringLiteral("movie:")),
             (QStringList{"movie: SetMoviePath " + journalPath(h.filePath("vesk.swf")),
                          "movie: GetFrameCount", "movie: SeekToFrame 64", "movie: Play"}));
    QVERIFY(window->fullScreenArmed);
}

void FullScreenTest::whenTheRunCannotStartNothingMoreHappens()
{
    PlayerHarness h;
    h.fullScreenWindowFails = true;
    PlayerWindow *window = h.start();
    auto *bar = h.control<QScrollBar>(Res::IDC_SEEKBAR);
    h.movie->position = 21;
    QTRY_COMPARE(bar->value(), 21);
    const qsizetype mark = h.journal.size();

    QVERIFY(!doubleClickMovie(h));
    QCOMPARE(h.journal.mid(mark),
             (QStringList{"movie: GetMoviePath", "movie: Stop", "full screen: window"}));
    QVERIFY(!h.movie->playing);
    QCOMPARE(h.movie->position, 21);
    QVERIFY(!window->fullScreenArmed);
    QCOMPARE(h.control<QPushButton>(Res::IDC_PLAYPAUSE)->text(), QStringLiteral("暂停"));
    QCOMPARE(h.control<QLabel>(Res::IDC_PATHLINE)->text(), QString());
    QCOMPARE(bar->value(), 21);

    // The next double-click raises the flag, the one after tries again.
    QVERIFY(!doubleClickMovie(h));
    QVERIFY(window->fullScreenArmed);
    h.fullScreenWindowFails = false;
    QVERIFY(doubleClickMovie(h, [](FullScreenWindow *f) { key(f, Qt::Key_Escape); }));
}

void FullScreenTest::fullScreenWindowIsNotSkinned()
{
    PlayerHarness h;
    h.writeFile("winaqua.skn", "QDialog { background: rgb(0, 0, 255); }\n"
                               "QPushButton { background: rgb(0, 0, 255); }\n");
    h.fullScreenMovieFails = true; // nothing covers the window's own face
    h.adjustServices = [](PlayerServices &services) {
        services.skinHostFactory = [](QWidget *parent) { return new SkinHost(parent); };
        services.skinPlayerWindow = Skin::skinPlayerWindow;
        services.skinOwnWindow = Skin::skinOwnWindow;
    };
    Skin::obtain(nullptr);
    PlayerWindow *window = h.start();
    QVERIFY(!window->styleSheet().isEmpty());

    bool styled = true;
    QColor face;
    QVERIFY(doubleClickMovie(h, [&](FullScreenWindow *fullScreen) {
        styled =
            fullScreen->testAttribute(Qt::WA_StyleSheet) || !fullScreen->styleSheet().isEmpty();
        face = fullScreen->grab(QRect(10, 10, 4, 4)).toImage().pixelColor(1, 1);
        key(fullScreen, Qt::Key_Escape);
    }));
    QVERIFY(!styled);
    QCOMPARE(face, QColor(Qt::black));
    Skin::obtain(nullptr);
}

int main(int argc, char *argv[])
{
    // With the program's dialog colours: black background, white text.
    Application application(argc, argv);
    FullScreenTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_fullscreen.moc"
