// The player window driven with real events (clicks, keys, wheel, drops)
// through its native window, over a recording movie control.
#define QTEST_QPA_MOUSE_HANDLING
#include "playerharness.h"

#include "fullscreen/fullscreenwindow.h"
#include "player/playerwindow.h"
#include "playlist/playlistwindow.h"
#include "volume/volumebar.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>
#include <QWindow>

namespace {

QString journalPath(const QByteArray &path)
{
    return QString::fromLatin1(path.toPercentEncoding("/"));
}

// The journal entries after the first `from`.
QStringList tail(const QStringList &journal, qsizetype from)
{
    return journal.mid(from);
}

QRect scrollBarPart(QScrollBar *bar, QStyle::SubControl part)
{
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.subControls = QStyle::SC_All;
    option.orientation = bar->orientation();
    option.state |= QStyle::State_Horizontal;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, bar);
}

void sendWheel(QWidget *over, int delta)
{
    QWindow *window = over->window()->windowHandle();
    const QPoint local = over->mapTo(over->window(), over->rect().center());
    QWheelEvent event(local, window->mapToGlobal(local), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(window, &event);
}

// Drops `mime` on the player window, as a drag that enters, moves and drops.
void drop(QWidget *window, QMimeData *mime)
{
    const QPoint at = window->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent dropped(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &dropped);
}

// Counts the paint events a widget receives.
class PaintCounter final : public QObject {
public:
    explicit PaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

class PlayerWindowTest final : public QObject {
    Q_OBJECT

private slots:
    void startUpRunsItsStepsInOrder();
    void startUpWithoutMovieStillOpens();
    void controlsStandAtTheirTemplatePlaces_data();
    void controlsStandAtTheirTemplatePlaces();
    void playPauseSwapsCaptionAndResumesAtTheBar();
    void stopRewindsOnlyARunningMovie();
    void seekBarCodes_data();
    void seekBarCodes();
    void seekBarClickSeeksAndEndsTheScroll();
    void thumbDragReachesFramesPast65535();
    void timerFollowsOnlyWhilePlaying();
    void wheelSeeksOnlyWhilePlaying();
    void arrowKeysSeekOnlyWhilePlaying();
    void dropOpensOnlyAnExactSuffix_data();
    void dropOpensOnlyAnExactSuffix();
    void dropTakesTheFirstOfSeveralFiles();
    void dropKeepsLongAndNonUtf8PathsWhole();
    void rightClickNeverReachesAnyControl();
    void leftClicksAndDoubleClicksReachTheMovie();
    void enterClicksTheFocusedButton();
    void windowMenuOffersTheAboutEntry();
    void sysCommandsRouteByIdentifier_data();
    void sysCommandsRouteByIdentifier();
    void volumeBarRedrawnAfterTheListedActions();
};

void PlayerWindowTest::startUpRunsItsStepsInOrder()
{
    PlayerHarness h;
    h.scriptMovie = [](FakeMovieControl &movie) { movie.defaultFrameCount = 250; };
    bool timerRunningAtReport = true;
    h.errors->onReport = [&](QWidget *owner) {
        timerRunningAtReport = owner->findChild<QTimer *>(QStringLiteral("timer1"))->isActive();
    };
    PlayerWindow *window = h.start();

    const QString dir = QString::fromLocal8Bit(h.directory());
    const QStringList expected = {
        QStringLiteral("skin: host"),
        QStringLiteral("skin: player window Orvanto V1.0 host id1000 in ") + dir,
        QStringLiteral("movie: SetBackground 0"),
        QStringLiteral("movie: SetMoviePath ") + journalPath(h.filePath("vesk.swf")),
        QStringLiteral("movie: GetFrameCount"),
        QStringLiteral("movie: Play"),
        QStringLiteral("volume: controller"),
        QStringLiteral("skin: own window FlashList"),
        QStringLiteral("error: ") + dir + QStringLiteral("/FlashList.ini was not found."),
    };
    QCOMPARE(h.journal, expected);

    // The list file was missing, yet the sequence went on to the timer.
    QVERIFY(!timerRunningAtReport);
    const auto *timer = window->findChild<QTimer *>(QStringLiteral("timer1"));
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 1);
    QCOMPARE(timer->timerType(), Qt::PreciseTimer);

    QCOMPARE(window->startDirectory, h.directory());
    QVERIFY(window->fullScreenArmed);
    QCOMPARE(h.control<QLabel>(Res::IDC_PATHLINE)->text(), QString());
    QCOMPARE(h.control<QPushButton>(Res::IDC_PLAYPAUSE)->text(), QStringLiteral("暂停"));
    auto *bar = h.control<QScrollBar>(Res::IDC_SEEKBAR);
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 250);
    QVERIFY(!window->windowIcon().isNull());
    QCOMPARE(window->windowTitle(), QStringLiteral("Orvanto V1.0"));
    QVERIFY(window->playlistWindow());
    QVERIFY(!window->playlistWindow()->isVisible());
    QVERIFY(window->playlist.isEmpty());
    QCOMPARE(window->count, 0);
}

void PlayerWindowTest::startUpWithoutMovieStillOpens()
{
    PlayerHarness h;
    // A control without a movie reports no frames and does not run.
    h.scriptMovie = [](FakeMovieControl &movie) { movie.defaultFrameCount = 0; };
    PlayerWindow *window = h.start();
    QVERIFY(window->isVisible());
    QVERIFY(!h.movie->playing);
    QCOMPARE(h.control<QScrollBar>(Res::IDC_SEEKBAR)->maximum(), 0);

    const qsizetype mark = h.journal.size();
    QTest::mouseClick(h.control<QPushButton>(Res::IDC_PLAYPAUSE), Qt::LeftButton);
    QCOMPARE(tail(h.journal, mark),
             QStringList({QStringLiteral("movie: SeekToFrame 0"), QStringLiteral("movie: Play")}));
    QCOMPARE(h.control<QPushButton>(Res::IDC_PLAYPAUSE)->text(), QStringLiteral("暂停"));
}

void PlayerWindowTest::controlsStandAtTheirTemplatePlaces_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("rect");
    // Edges converted with x * 1.5 and y * 1.625, rounded.
    QTest::newRow("movie") << Res::IDC_MOVIE << QString() << QRect(0, 0, 525, 341);
    QTest::newRow("skin") << Res::IDC_SKIN << QString() << QRect(177, 338, 32, 33);
    QTest::newRow("seek bar") << Res::IDC_SEEKBAR << QString() << QRect(0, 340, 524, 14);
    QTest::newRow("path line") << Res::IDC_PATHLINE << QString() << QRect(20, 358, 499, 13);
    QTest::newRow("toggle") << Res::IDC_PLAYLIST_TOGGLE << QString() << QRect(0, 359, 11, 41);
    QTest::newRow("open") << Res::IDC_OPEN << QStringLiteral("打开") << QRect(20, 374, 55, 24);
    QTest::newRow("play") << Res::IDC_PLAYPAUSE << QStringLiteral("暂停") << QRect(78, 374, 56, 24);
    QTest::newRow("stop") << Res::IDC_STOP << QStringLiteral("停止") << QRect(137, 374, 55, 24);
    QTest::newRow("previous") << Res::IDC_PREVIOUS << QStringLiteral("上一部")
                              << QRect(195, 374, 56, 24);
    QTest::newRow("next") << Res::IDC_NEXT << QStringLiteral("下一部") << QRect(254, 374, 55, 24);
    QTest::newRow("about") << Res::IDC_ABOUT << QStringLiteral("关于") << QRect(312, 374, 56, 24);
    QTest::newRow("volume bar") << Res::IDC_VOLUMEBAR << QString() << QRect(399, 379, 125, 14);
}

void PlayerWindowTest::controlsStandAtTheirTemplatePlaces()
{
    QFETCH(int, id);
    QFETCH(QString, text);
    QFETCH(QRect, rect);
    PlayerHarness h;
    PlayerWindow *window = h.start();
    QCOMPARE(window->size(), QSize(525, 401));
    auto *control = h.control<QWidget>(id);
    QVERIFY(control);
    QCOMPARE(control->geometry(), rect);
    if (auto *button = qobject_cast<QPushButton *>(control))
        QCOMPARE(button->text(), text);
    auto *label = window->findChild<QLabel *>(QStringLiteral("volumeLabel"));
    QCOMPARE(label->text(), QStringLiteral("音量:"));
}

void PlayerWindowTest::playPauseSwapsCaptionAndResumesAtTheBar()
{
    PlayerHarness h;
    h.start();
    auto *button = h.control<QPushButton>(Res::IDC_PLAYPAUSE);
    auto *bar = h.control<QScrollBar>(Res::IDC_SEEKBAR);
    h.movie->position = 37;
    QTRY_COMPARE(bar->value(), 37);

    qsizetype mark = h.journal.size();
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(tail(h.journal, mark), QStringList(QStringLiteral("movie: Stop")));
    QCOMPARE(button->text(), QStringLiteral("播放"));

    // Resuming starts from the bar's position, wherever the movie stands.
    h.movie->position = 90;
    mark = h.journal.size();
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(tail(h.journal, mark),
             QStringList({QStringLiteral("movie: SeekToFrame 37"), QStringLiteral("movie: Play")}));
    QCOMPARE(button->text(), QStringLiteral("暂停"));
}

void PlayerWindowTest::stopRewindsOnlyARunningMovie()
{
    PlayerHarness h;
    h.start();
    auto *button = h.control<QPushButton>(Res::IDC_PLAYPAUSE);
    auto *bar = h.control<QScrollBar>(Res::IDC_SEEKBAR);
    h.movie->position = 12;
    QTRY_COMPARE(bar->value(), 12);

    qsizetype mark = h.journal.size();
    QTest::mouseClick(h.control<QPushButton>(Res::IDC_STOP), Qt::LeftButton);
    QCOMPARE(tail(h.journal, mark),
             QStringList({QStringLiteral("movie: Stop"), QStringLiteral("movie: Rewind")}));
    QCOMPARE(button->text(), QStringLiteral("播放"));
    QCOMPARE(bar->value(), 0);

    // Pausing and then stopping changes nothing.
    QTest::mouseClick(button, Qt::LeftButton); // resumes
    h.movie->position = 30;
    QTRY_COMPARE(bar->value(), 30);
    QTest::mouseClick(button, Qt::LeftButton); // pauses
    QCOMPARE(button->text(), QStringLiteral("播放"));
    mark = h.journal.size();
    QTest::mouseClick(h.control<QPushButton>(Res::IDC_STOP), Qt::LeftButton);
    QCOMPARE(tail(h.journal, mark), QStringList());
    QCOMPARE(button->text(), QStringLiteral("播放"));
    QCOMPARE(bar->value(), 30);
    QCOMPARE(h.movie->position, 30);
}

void PlayerWindowTest::seekBarCodes_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    using S = QAbstractSlider;
    QTest::newRow("line left") << int(S::SliderSingleStepSub) << 10 << 9;
    QTest::newRow("line left at min") << int(S::SliderSingleStepSub) << 0 << 0;
    QTest::newRow("line right") << int(S::SliderSingleStepAdd) << 10 << 11;
    QTest::newRow("line right at max") << int(S::SliderSingleStepAdd) << 100 << 100;
    // No page size is set: a page moves by nothing, yet still seeks.
    QTest::newRow("page left") << int(S::SliderPageStepSub) << 10 << 10;
    QTest::newRow("page right") << int(S::SliderPageStepAdd) << 10 << 10;
    QTest::newRow("left end") << int(S::SliderToMinimum) << 10 << 0;
    QTest::newRow("right end") << int(S::SliderToMaximum) << 10 << 100;
    QTest::newRow("other code") << int(S::SliderNoAction) << 10 << 10;
}

// Every scroll code seeks and plays, also on a paused movie, and leaves the
// button's caption as it was.
void PlayerWindowTest::seekBarCodes()
{
    QFETCH(int, action);
    QFETCH(int, from);
    QFETCH(int, to);
    PlayerHarness h;
    h.start();
    auto *bar = h.control<QScrollBar>(Res::IDC_SEEKBAR);
    QTest::mouseClick(h.control<QPushButton>(Res::IDC_PLAYPAUSE), Qt::LeftButton);
    QVERIFY(!h.movie->playing);
    bar->setValue(from);

    const qsizetype mark = h.journal.size();
    bar->triggerAction(QAbstractSlider::SliderAction(action));
    QCOMPARE(tail(h.journal, mark), QStringList({QStringLiteral("movie: SeekToFrame %1").arg(to),
                                                 QStringLiteral("movie: Play")}));
    QCOMPARE(bar->value(), to);
    QVERIFY(h.movie->playing);
    QCOMPARE(h.control<QPushButton>(Res::IDC_PLAYPAUSE)->text(), QStringLiteral("播放"));
}

void PlayerWindowTest::seekBarClickSeeksAndEndsTheScroll()
{
    PlayerHarness h;
    h.start();
    auto *bar = h.control<QScrollBar>(Res::IDC_SEEKBAR);
    QTest::mouseClick(h.control<QPushButton>(Res::IDC_PLAYPAUSE), Qt::LeftButton);
    bar->setValue(10);

    // The right arrow: one line on the press, the end of the scroll on the
    // release; each seeks and plays.
    const qsizetype mark = h.journal.size();
    QTest::mouseClick(bar, Qt::LeftButton, {},
                      scrollBarPart(bar, QStyle::SC_ScrollBarAddLine).center());
    const QStringList seekAndPlay = {QStringLiteral("movie: SeekToFrame 11"),
                                     QStringLiteral("movie: Play")};
    QCOMPARE(tail(h.journal, mark), seekAndPlay + seekAndPlay);
    QCOMPARE(h.control<QPushButton>(Res::IDC_PLAYPAUSE)->text(), QStringLiteral("播放"));
}

void PlayerWindowTest::thumbDragReachesFramesPast65535()
{
    PlayerHarness h;
    h.scriptMovie = [](FakeMovieControl &movie) { movie.defaultFrameCount = 100000; };
    h.start();
    auto *bar = h.control<QScrollBar>(Res::IDC_SEEKBAR);
    QTest::mouseClick(h.control<QPushButton>(Res::IDC_PLAYPAUSE), Qt::LeftButton);
    bar->setValue(0);

    const QPoint thumb = scrollBarPart(bar, QStyle::SC_ScrollBarSlider).center();
    const QRect groove = scrollBarPart(bar, QStyle::SC_ScrollBarGroove);
    const QPoint target(groove.left() + groove.width() * 9 / 10, thumb.y());
    const qsizetype mark = h.journal.size();
    QTest::mousePress(bar, Qt::LeftButton, {}, thumb);
    QTest::mouseMove(bar, QPoint((thumb.x() + target.x()) / 2, thumb.y()));
    QTest::mouseMove(bar, target);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, target);

    const int reached = bar->value();
    QVERIFY2(reached > 65535, qPrintable(QString::number(reached)));
    // Thumb track, thumb position and the end of the scroll all seek there.
    const QStringList seeks = tail(h.journal, mark).filter(QStringLiteral("SeekToFrame"));
    QVERIFY(seeks.size() >= 3);
    QCOMPARE(seeks.last(), QStringLiteral("movie: SeekToFrame %1").arg(reached));
    QCOMPARE(h.movie->position, reached);
}

void PlayerWindowTest::timerFollowsOnlyWhilePlaying()
{
    PlayerHarness h;
    h.start();
    auto *bar = h.control<QScrollBar>(Res::IDC_SEEKBAR);
    h.movie->position = 42;
    QTRY_COMPARE(bar->value(), 42);

    QTest::mouseClick(h.control<QPushButton>(Res::IDC_PLAYPAUSE), Qt::LeftButton);
    h.movie->position = 60;
    const int queries = h.movie->queries;
    QTRY_VERIFY(h.movie->queries > queries + 5);
    QCOMPARE(bar->value(), 42);
}

void PlayerWindowTest::wheelSeeksOnlyWhilePlaying()
{
    PlayerHarness h;
    h.scriptMovie = [](FakeMovieControl &movie) { movie.defaultFrameCount = 100000; };
    h.start();
    auto *bar = h.control<QScrollBar>(Res::IDC_SEEKBAR);
    h.movie->position = 500;

    // Away from the user goes back.
    qsizetype mark = h.journal.size();
    sendWheel(h.movie, 120);
    QCOMPARE(tail(h.journal, mark), QStringList({QStringLiteral("movie: SeekToFrame 380"),
                                                 QStringLiteral("movie: Play")}));
    QCOMPARE(bar->value(), 380);

    // Over the seek bar the wheel seeks the movie too; the bar does not
    // scroll by itself.
    mark = h.journal.size();
    sendWheel(bar, -240);
    QCOMPARE(tail(h.journal, mark), QStringList({QStringLiteral("movie: SeekToFrame 620"),
                                                 QStringLiteral("movie: Play")}));

    // The delta is a signed 16-bit value.
    mark = h.journal.size();
    sendWheel(h.movie, 40000);
    QCOMPARE(tail(h.journal, mark).value(0),
             QStringLiteral("movie: SeekToFrame %1").arg(620 + 25536));
    QVERIFY(h.movie->inputEvents.isEmpty());

    QTest::mouseClick(h.control<QPushButton>(Res::IDC_PLAYPAUSE), Qt::LeftButton);
    const int halted = bar->value();
    mark = h.journal.size();
    sendWheel(h.movie, 120);
    sendWheel(bar, -120);
    QCOMPARE(tail(h.journal, mark), QStringList());
    QCOMPARE(bar->value(), halted);
}

void PlayerWindowTest::arrowKeysSeekOnlyWhilePlaying()
{
    PlayerHarness h;
    PlayerWindow *window = h.start();
    h.movie->position = 500;
    QWindow *native = window->windowHandle();

    qsizetype mark = h.journal.size();
    QTest::keyClick(native, Qt::Key_Left);
    QTest::keyClick(native, Qt::Key_Right);
    QTest::keyClick(native, Qt::Key_Right);
    QCOMPARE(
        tail(h.journal, mark),
        QStringList({QStringLiteral("movie: SeekToFrame 380"), QStringLiteral("movie: Play"),
                     QStringLiteral("movie: SeekToFrame 500"), QStringLiteral("movie: Play"),
                     QStringLiteral("movie: SeekToFrame 620"), QStringLiteral("movie: Play")}));

    // Near the start the seek goes below frame 0; the control clamps it.
    h.movie->position = 50;
    mark = h.journal.size();
    QTest::keyClick(native, Qt::Key_Left);
    QCOMPARE(tail(h.journal, mark).value(0), QStringLiteral("movie: SeekToFrame -70"));

    QTest::mouseClick(h.control<QPushButton>(Res::IDC_PLAYPAUSE), Qt::LeftButton);
    mark = h.journal.size();
    QTest::keyClick(native, Qt::Key_Left);
    QTest::keyClick(native, Qt::Key_Right);
    QCOMPARE(tail(h.journal, mark), QStringList());
}

void PlayerWindowTest::dropOpensOnlyAnExactSuffix_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("opens");
    QTest::newRow("SWF") << QStringLiteral("clip.SWF") << true;
    QTest::newRow("swf") << QStringLiteral("clip.swf") << true;
    QTest::newRow("Swf") << QStringLiteral("clip.Swf") << false;
    QTest::newRow("sWF") << QStringLiteral("clip.sWF") << false;
    QTest::newRow("zvl") << QStringLiteral("clip.zvl") << false;
    QTest::newRow("swf inside") << QStringLiteral("clip.swf.txt") << false;
    // Only the last three characters count, dot or none.
    QTest::newRow("no dot") << QStringLiteral("clipswf") << true;
}

// A dropped movie plays; the playlist, currentIndex, currentPath and the path
// line stay with the entry played before.
void PlayerWindowTest::dropOpensOnlyAnExactSuffix()
{
    QFETCH(QString, name);
    QFETCH(bool, opens);
    PlayerHarness h;
    h.writeFile("FlashList.ini", "/movies/first.swf\r\n/movies/second.swf\r\n");
    PlayerWindow *window = h.start();
    window->PlayEntry(0);
    auto *button = h.control<QPushButton>(Res::IDC_PLAYPAUSE);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(button->text(), QStringLiteral("播放"));

    const QString path = QStringLiteral("/dropped/") + name;
    auto mime = std::make_unique<QMimeData>();
    mime->setUrls({QUrl::fromLocalFile(path)});
    const qsizetype mark = h.journal.size();
    drop(window, mime.get());

    if (opens) {
        QCOMPARE(
            tail(h.journal, mark),
            QStringList({QStringLiteral("movie: SetMoviePath ") + journalPath(path.toUtf8()),
                         QStringLiteral("movie: GetFrameCount"), QStringLiteral("movie: Play")}));
        QCOMPARE(button->text(), QStringLiteral("暂停"));
    } else {
        QCOMPARE(tail(h.journal, mark), QStringList());
        QCOMPARE(button->text(), QStringLiteral("播放"));
    }
    QCOMPARE(window->currentPath, QByteArray("/movies/first.swf"));
    QCOMPARE(window->currentIndex, 0);
    QCOMPARE(window->playlist.size(), 2);
    QCOMPARE(h.control<QLabel>(Res::IDC_PATHLINE)->text(), QStringLiteral("/movies/first.swf"));
}

void PlayerWindowTest::dropTakesTheFirstOfSeveralFiles()
{
    PlayerHarness h;
    PlayerWindow *window = h.start();
    auto mime = std::make_unique<QMimeData>();
    mime->setUrls({QUrl::fromLocalFile(QStringLiteral("/d/notes.txt")),
                   QUrl::fromLocalFile(QStringLiteral("/d/b.swf")),
                   QUrl::fromLocalFile(QStringLiteral("/d/c.swf"))});
    qsizetype mark = h.journal.size();
    drop(window, mime.get());
    QCOMPARE(tail(h.journal, mark), QStringList());

    mime->setUrls({QUrl::fromLocalFile(QStringLiteral("/d/a.swf")),
                   QUrl::fromLocalFile(QStringLiteral("/d/b.swf")),
                   QUrl::fromLocalFile(QStringLiteral("/d/c.swf"))});
    mark = h.journal.size();
    drop(window, mime.get());
    QCOMPARE(tail(h.journal, mark).filter(QStringLiteral("SetMoviePath")),
             QStringList(QStringLiteral("movie: SetMoviePath /d/a.swf")));
}

void PlayerWindowTest::dropKeepsLongAndNonUtf8PathsWhole()
{
    PlayerHarness h;
    PlayerWindow *window = h.start();

    const QByteArray longPath = "/" + QByteArray(300, 'a') + "/" + QByteArray(300, 'b') + ".swf";
    auto mime = std::make_unique<QMimeData>();
    mime->setData(QStringLiteral("text/uri-list"), "file://" + longPath + "\r\n");
    drop(window, mime.get());
    QCOMPARE(h.movie->moviePath, longPath);

    // Bytes that are no UTF-8 reach the control unchanged.
    mime->setData(QStringLiteral("text/uri-list"),
                  "# a comment line\r\nfile://localhost/tmp/%FF%FEclip%20one.swf\r\n");
    drop(window, mime.get());
    QCOMPARE(h.movie->moviePath, QByteArray("/tmp/\xFF\xFE"
                                            "clip one.swf"));
}

void PlayerWindowTest::rightClickNeverReachesAnyControl()
{
    PlayerHarness h;
    h.start();
    QTest::mouseClick(h.movie, Qt::RightButton);
    QTest::mouseDClick(h.movie, Qt::RightButton);
    QCOMPARE(h.movie->inputEvents.filter(QStringLiteral("press")), QStringList());
    QCOMPARE(h.movie->inputEvents.filter(QStringLiteral("double")), QStringList());
    QCOMPARE(h.movie->inputEvents.filter(QStringLiteral("menu")), QStringList());

    // Nor does it press a button.
    auto *button = h.control<QPushButton>(Res::IDC_PLAYPAUSE);
    QSignalSpy pressed(button, &QPushButton::pressed);
    QTest::mouseClick(button, Qt::RightButton);
    QCOMPARE(pressed.count(), 0);
    QCOMPARE(button->text(), QStringLiteral("暂停"));
}

void PlayerWindowTest::leftClicksAndDoubleClicksReachTheMovie()
{
    PlayerHarness h;
    h.start();
    QTest::mouseClick(h.movie, Qt::LeftButton);
    // The double-click enters full screen, and after that goes on to the
    // movie control.
    QObject scope;
    whenModalOpens<FullScreenWindow>(&scope, [](FullScreenWindow *fullScreen) {
        QTest::keyClick(fullScreen->windowHandle(), Qt::Key_Escape);
    });
    QTest::mouseDClick(h.movie, Qt::LeftButton);
    QCOMPARE(h.fullScreens, 1);
    QCOMPARE(h.movie->inputEvents.mid(0, 2),
             QStringList({QStringLiteral("press"), QStringLiteral("release")}));
    QVERIFY(h.movie->inputEvents.contains(QStringLiteral("double-click")));
}

void PlayerWindowTest::enterClicksTheFocusedButton()
{
    PlayerHarness h;
    PlayerWindow *window = h.start();
    auto *stop = h.control<QPushButton>(Res::IDC_STOP);
    auto *about = h.control<QPushButton>(Res::IDC_ABOUT);
    about->setFocus();
    stop->setFocus();
    const qsizetype mark = h.journal.size();
    QTest::keyClick(window->windowHandle(), Qt::Key_Return);
    QCOMPARE(tail(h.journal, mark),
             QStringList({QStringLiteral("movie: Stop"), QStringLiteral("movie: Rewind")}));
    QCOMPARE(h.aboutBoxes, 0);
    QVERIFY(window->isVisible());
}

void PlayerWindowTest::windowMenuOffersTheAboutEntry()
{
    PlayerHarness h;
    PlayerWindow *window = h.start();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));

    QStringList entries;
    whenMenuOpens(this, [&entries](QMenu *menu) {
        for (QAction *action : menu->actions())
            entries.append(action->isSeparator() ? QStringLiteral("-") : action->text());
        chooseMenuEntry(menu, Res::IDM_ABOUTBOX);
    });
    QTest::keyClick(window->windowHandle(), Qt::Key_F10, Qt::ShiftModifier);
    QTRY_COMPARE(h.aboutBoxes, 1);
    // The about entry after a separator, then the entries of our own.
    QCOMPARE(entries.mid(entries.size() - 4),
             QStringList({QStringLiteral("-"), QStringLiteral("&About Orvanto..."),
                          QStringLiteral("保存画面..."), QStringLiteral("导出视频...")}));
    QVERIFY(entries.contains(QStringLiteral("&Move")));
    QVERIFY(window->isVisible());
}

void PlayerWindowTest::sysCommandsRouteByIdentifier_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<bool>("about");
    QTest::addColumn<bool>("closes");
    QTest::newRow("16") << 16 << true << false;
    QTest::newRow("17") << 17 << true << false;
    QTest::newRow("31") << 31 << true << false;
    QTest::newRow("32") << 32 << false << false;
    QTest::newRow("15") << 15 << false << false;
    QTest::newRow("close") << 0xF060 << false << true;
}

void PlayerWindowTest::sysCommandsRouteByIdentifier()
{
    QFETCH(int, id);
    QFETCH(bool, about);
    QFETCH(bool, closes);
    PlayerHarness h;
    PlayerWindow *window = h.start();
    window->OnSysCommand(id);
    QCOMPARE(h.aboutBoxes, about ? 1 : 0);
    QCOMPARE(window->isVisible(), !closes);
}

// The volume bar is redrawn once after seeking (every scroll code),
// play/pause, stop (also of a halted movie), previous and next (buttons and
// arrow keys, at the ends too) and the about button; not after a drop, the
// window menu's about entry, a playlist entry played or the Left/Right keys.
void PlayerWindowTest::volumeBarRedrawnAfterTheListedActions()
{
    PlayerHarness h;
    h.writeFile("FlashList.ini", "/m/one.swf\r\n/m/two.swf\r\n");
    PlayerWindow *window = h.start();
    const VolumeBar *volume = window->volumeBarControl();
    QVERIFY(volume);
    QWindow *native = window->windowHandle();

    const auto redraws = [&](const std::function<void()> &action) {
        const int before = volume->invalidationCount();
        action();
        return volume->invalidationCount() - before;
    };
    const auto click = [&](int id) {
        return [&h, id] { QTest::mouseClick(h.control<QPushButton>(id), Qt::LeftButton); };
    };
    const auto key = [native](Qt::Key k) { return [native, k] { QTest::keyClick(native, k); }; };
    QCOMPARE(redraws(click(Res::IDC_PLAYPAUSE)), 1);
    QCOMPARE(redraws(click(Res::IDC_STOP)), 1); // halted: nothing else happens
    QCOMPARE(redraws(click(Res::IDC_PLAYPAUSE)), 1);
    QCOMPARE(redraws(click(Res::IDC_STOP)), 1);
    QCOMPARE(redraws(click(Res::IDC_PREVIOUS)), 1); // nothing to step to
    QCOMPARE(redraws(click(Res::IDC_NEXT)), 1);
    QCOMPARE(redraws(key(Qt::Key_Down)), 1);
    QCOMPARE(redraws(key(Qt::Key_Down)), 1); // at the last entry
    QCOMPARE(redraws(key(Qt::Key_Up)), 1);
    QCOMPARE(redraws(click(Res::IDC_ABOUT)), 1);
    QCOMPARE(h.aboutBoxes, 1);
    auto *seekBar = h.control<QScrollBar>(Res::IDC_SEEKBAR);
    for (const auto action : {QAbstractSlider::SliderToMinimum, QAbstractSlider::SliderToMaximum,
                              QAbstractSlider::SliderSingleStepSub,
                              QAbstractSlider::SliderPageStepAdd, QAbstractSlider::SliderNoAction})
        QCOMPARE(redraws([&] { seekBar->triggerAction(action); }), 1);

    QCOMPARE(redraws(key(Qt::Key_Left)), 0);
    QCOMPARE(redraws(key(Qt::Key_Right)), 0);
    QCOMPARE(redraws([&] { window->PlayEntry(0); }), 0);
    QCOMPARE(redraws([&] {
                 auto mime = std::make_unique<QMimeData>();
                 mime->setUrls({QUrl::fromLocalFile(QStringLiteral("/d/a.swf"))});
                 drop(window, mime.get());
             }),
             0);
    QCOMPARE(redraws([&] { window->OnSysCommand(16); }), 0);
    QCOMPARE(h.aboutBoxes, 2);

    // An invalidation repaints the bar.
    PaintCounter counter(h.control<QProgressBar>(Res::IDC_VOLUMEBAR));
    QTest::qWait(20);
    counter.paints = 0;
    QTest::mouseClick(h.control<QPushButton>(Res::IDC_STOP), Qt::LeftButton);
    QTRY_VERIFY(counter.paints > 0);
}

QTEST_MAIN(PlayerWindowTest)
#include "tst_playerwindow.moc"
