// The playlist of the player window, its list file and the docked playlist
// window, driven with real events over a recording movie control.
#define QTEST_QPA_MOUSE_HANDLING
#include "playerharness.h"

#include "player/playerwindow.h"
#include "playlist/playlistwindow.h"

#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <csignal>
#include <sys/resource.h>

namespace {

const QByteArray ThreeMovies = "/m/one.swf\r\n/m/two.swf\r\n/m/three.swf\r\n";

QStringList lines(QListWidget *box)
{
    QStringList texts;
    for (int row = 0; row < box->count(); ++row)
        texts.append(box->item(row)->text());
    return texts;
}

QStringList moviesLoaded(const QStringList &journal, qsizetype from = 0)
{
    return journal.mid(from).filter(QStringLiteral("SetMoviePath"));
}

QString loaded(const char *path)
{
    return QStringLiteral("movie: SetMoviePath ") + QString::fromLatin1(path);
}

PlaylistWindow *shownPlaylist(PlayerHarness &h)
{
    QTest::mouseClick(h.control<QPushButton>(Res::IDC_PLAYLIST_TOGGLE), Qt::LeftButton);
    PlaylistWindow *list = h.window()->playlistWindow();
    if (!QTest::qWaitForWindowExposed(list))
        qWarning("the playlist window was not exposed");
    return list;
}

void clickLine(QListWidget *box, int row)
{
    QTest::mouseClick(box->viewport(), Qt::LeftButton, {},
                      box->visualItemRect(box->item(row)).center());
}

void doubleClickAt(QListWidget *box, QPoint at)
{
    QTest::mouseDClick(box->viewport(), Qt::LeftButton, {}, at);
}

// The playlist window's docking rectangles around a client rectangle.
QRect createdDock(const QRect &client)
{
    return QRect(
        QPoint(client.left() - 137, client.top() - 25),
        QPoint(client.left() + client.width() - 527 - 1, client.top() + client.height() + 6 - 1));
}

QRect followedDock(const QRect &client)
{
    return QRect(
        QPoint(client.left() - 150, client.top() - 25),
        QPoint(client.left() + client.width() - 525 - 1, client.top() + client.height() + 10 - 1));
}

QRect clientOnScreen(QWidget *window)
{
    return QRect(window->mapToGlobal(QPoint(0, 0)), window->size());
}

} // namespace

class PlaylistTest final : public QObject {
    Q_OBJECT

private slots:
    void startUpReadsTheListIntoPlaylistAndBox();
    void nonUtf8PathsAreListedSavedAndPlayed();
    void playEntryLoadsShowsAndPlays();
    void playEntryOutsideThePlaylistDoesNothing();
    void previousAndNextStopAtTheEnds();
    void deleteRemovesLineEntryAndFileLine();
    void deleteKeepsCurrentIndexAndSteppingStaysSafe();
    void doubleClickOnAnEmptyListDoesNothing();
    void clearingWritesNothingAndRestartBringsTheListBack();
    void contextMenuOffersItsThreeEntries();
    void windowIsHiddenAtStartUpAndToggles();
    void closeBoxEscAndEnterHideTheWindow();
    void dockedWhereCreatedAndFollowsTheMoves();
    void resizingFillsTheClientAreaWithTheList();
    void failedSaveReportsAndKeepsTheOldFile();
    void unwritableFolderIsReported();
};

void PlaylistTest::startUpReadsTheListIntoPlaylistAndBox()
{
    PlayerHarness h;
    // LF and CR LF lines, an empty line, and a last line without terminator.
    h.writeFile("FlashList.ini", "/m/a.b.swf\n/m/plain.swf\r\n\r\n/m/noext\r\n/m/last.SWF");
    PlayerWindow *window = h.start();
    QCOMPARE(window->playlist,
             (QByteArrayList{"/m/a.b.swf", "/m/plain.swf", "", "/m/noext", "/m/last.SWF"}));
    QCOMPARE(window->count, 5);
    QCOMPARE(lines(window->playlistWindow()->listBox()),
             (QStringList{"a.b", "plain", "", "noext", "last"}));
    QCOMPARE(h.errors->messages, QStringList());
    QVERIFY(window->findChild<QTimer *>(QStringLiteral("timer1"))->isActive());
    // Reading does not play anything.
    QCOMPARE(window->currentIndex, -1);
    QCOMPARE(window->currentPath, QByteArray());
}

void PlaylistTest::nonUtf8PathsAreListedSavedAndPlayed()
{
    PlayerHarness h;
    const QByteArray odd = "/m/\xFF\xFE\x80odd.swf";
    const QByteArray chinese = "/m/动画.swf";
    h.writeFile("FlashList.ini", odd + "\r\n" + chinese + "\r\n/m/keep.swf\r\n");
    PlayerWindow *window = h.start();
    QListWidget *box = shownPlaylist(h)->listBox();
    QCOMPARE(box->count(), 3);
    QCOMPARE(box->item(1)->text(), QStringLiteral("动画"));
    QVERIFY(box->item(0)->text().endsWith(QStringLiteral("odd")));

    clickLine(box, 0);
    doubleClickAt(box, box->visualItemRect(box->item(0)).center());
    QCOMPARE(h.movie->moviePath, odd);
    QCOMPARE(window->currentPath, odd);

    // Saving writes the bytes back as they were read.
    clickLine(box, 2);
    QTest::keyClick(window->playlistWindow()->windowHandle(), Qt::Key_Delete);
    QCOMPARE(h.readFile("FlashList.ini"), odd + "\r\n" + chinese + "\r\n");
}

void PlaylistTest::playEntryLoadsShowsAndPlays()
{
    PlayerHarness h;
    h.writeFile("FlashList.ini", ThreeMovies);
    h.scriptMovie = [](FakeMovieControl &movie) { movie.frameCounts.insert("/m/two.swf", 640); };
    PlayerWindow *window = h.start();
    QTest::mouseClick(h.control<QPushButton>(Res::IDC_PLAYPAUSE), Qt::LeftButton);

    const qsizetype mark = h.journal.size();
    window->PlayEntry(1);
    QCOMPARE(h.journal.mid(mark),
             (QStringList{loaded("/m/two.swf"), "movie: GetFrameCount", "movie: Play"}));
    QCOMPARE(window->currentIndex, 1);
    QCOMPARE(window->currentPath, QByteArray("/m/two.swf"));
    QCOMPARE(h.control<QLabel>(Res::IDC_PATHLINE)->text(), QStringLiteral("/m/two.swf"));
    QCOMPARE(h.control<QPushButton>(Res::IDC_PLAYPAUSE)->text(), QStringLiteral("暂停"));
    auto *bar = h.control<QScrollBar>(Res::IDC_SEEKBAR);
    QCOMPARE(bar->maximum(), 640);
}

void PlaylistTest::playEntryOutsideThePlaylistDoesNothing()
{
    PlayerHarness h;
    h.writeFile("FlashList.ini", ThreeMovies);
    PlayerWindow *window = h.start();
    const qsizetype mark = h.journal.size();
    window->PlayEntry(-1);
    window->PlayEntry(3);
    window->PlayEntry(1000000);
    QCOMPARE(h.journal.mid(mark), QStringList());
    QCOMPARE(window->currentIndex, -1);
}

void PlaylistTest::previousAndNextStopAtTheEnds()
{
    PlayerHarness h;
    h.writeFile("FlashList.ini", ThreeMovies);
    PlayerWindow *window = h.start();
    QWindow *native = window->windowHandle();

    // Before anything has played, previous has nowhere to go and next
    // starts the first entry.
    QTest::keyClick(native, Qt::Key_Up);
    QCOMPARE(moviesLoaded(h.journal, 0).size(), 1); // only the start-up movie
    QTest::keyClick(native, Qt::Key_Down);
    QCOMPARE(window->currentIndex, 0);

    qsizetype mark = h.journal.size();
    QTest::mouseClick(h.control<QPushButton>(Res::IDC_PREVIOUS), Qt::LeftButton);
    QCOMPARE(moviesLoaded(h.journal, mark), QStringList());
    QCOMPARE(window->currentIndex, 0);

    QTest::mouseClick(h.control<QPushButton>(Res::IDC_NEXT), Qt::LeftButton);
    QTest::keyClick(native, Qt::Key_Down);
    QCOMPARE(moviesLoaded(h.journal, mark),
             (QStringList{loaded("/m/two.swf"), loaded("/m/three.swf")}));
    QCOMPARE(window->currentIndex, 2);

    mark = h.journal.size();
    QTest::keyClick(native, Qt::Key_Down);
    QTest::mouseClick(h.control<QPushButton>(Res::IDC_NEXT), Qt::LeftButton);
    QCOMPARE(moviesLoaded(h.journal, mark), QStringList());

    QTest::keyClick(native, Qt::Key_Up);
    QCOMPARE(moviesLoaded(h.journal, mark), QStringList{loaded("/m/two.swf")});
    QCOMPARE(window->currentIndex, 1);
}

// Delete removes the line, the entry and the file's line; a double-click on
// the line that moved up plays that line's movie.
void PlaylistTest::deleteRemovesLineEntryAndFileLine()
{
    PlayerHarness h;
    h.writeFile("FlashList.ini", ThreeMovies);
    PlayerWindow *window = h.start();
    PlaylistWindow *list = shownPlaylist(h);
    QListWidget *box = list->listBox();

    clickLine(box, 1);
    QTest::keyClick(list->windowHandle(), Qt::Key_Delete);
    QCOMPARE(lines(box), (QStringList{"one", "three"}));
    QCOMPARE(window->playlist, (QByteArrayList{"/m/one.swf", "/m/three.swf"}));
    QCOMPARE(window->count, 2);
    QCOMPARE(h.readFile("FlashList.ini"), QByteArray("/m/one.swf\r\n/m/three.swf\r\n"));

    // Nothing is selected any more: Delete does nothing.
    QTest::keyClick(list->windowHandle(), Qt::Key_Delete);
    QCOMPARE(box->count(), 2);

    const qsizetype mark = h.journal.size();
    doubleClickAt(box, box->visualItemRect(box->item(1)).center());
    QCOMPARE(moviesLoaded(h.journal, mark), QStringList{loaded("/m/three.swf")});
    QCOMPARE(window->currentIndex, 1);
}

void PlaylistTest::deleteKeepsCurrentIndexAndSteppingStaysSafe()
{
    PlayerHarness h;
    h.writeFile("FlashList.ini", ThreeMovies);
    PlayerWindow *window = h.start();
    PlaylistWindow *list = shownPlaylist(h);
    QListWidget *box = list->listBox();
    window->PlayEntry(2);

    for (int row : {2, 1}) {
        clickLine(box, row);
        QTest::keyClick(list->windowHandle(), Qt::Key_Delete);
    }
    QCOMPARE(window->playlist, QByteArrayList{"/m/one.swf"});
    QCOMPARE(window->currentIndex, 2);

    // Previous now points past the end of the playlist; it plays nothing.
    const qsizetype mark = h.journal.size();
    QTest::keyClick(window->windowHandle(), Qt::Key_Up);
    QTest::keyClick(window->windowHandle(), Qt::Key_Down);
    QCOMPARE(moviesLoaded(h.journal, mark), QStringList());
    QCOMPARE(window->currentIndex, 2);
}

void PlaylistTest::doubleClickOnAnEmptyListDoesNothing()
{
    PlayerHarness h;
    PlayerWindow *window = h.start();
    QListWidget *box = shownPlaylist(h)->listBox();
    const qsizetype mark = h.journal.size();
    doubleClickAt(box, QPoint(20, 20));
    QCOMPARE(h.journal.mid(mark), QStringList());
    QCOMPARE(window->currentIndex, -1);
}

void PlaylistTest::clearingWritesNothingAndRestartBringsTheListBack()
{
    PlayerHarness h;
    h.writeFile("FlashList.ini", ThreeMovies);
    PlayerWindow *window = h.start();
    QListWidget *box = shownPlaylist(h)->listBox();

    whenMenuOpens(this, [](QMenu *menu) { chooseMenuEntry(menu, Res::ID_CLEAR); });
    QTest::mouseClick(box->viewport(), Qt::RightButton, {}, QPoint(10, 10));
    QTRY_COMPARE(box->count(), 0);
    QVERIFY(window->playlist.isEmpty());
    QCOMPARE(window->count, 0);
    QCOMPARE(h.readFile("FlashList.ini"), ThreeMovies);
    QCOMPARE(h.errors->messages, QStringList());

    window = h.restart();
    QCOMPARE(window->playlist, (QByteArrayList{"/m/one.swf", "/m/two.swf", "/m/three.swf"}));
    QCOMPARE(window->playlistWindow()->listBox()->count(), 3);
}

void PlaylistTest::contextMenuOffersItsThreeEntries()
{
    PlayerHarness h;
    h.writeFile("FlashList.ini", ThreeMovies);
    PlayerWindow *window = h.start();
    PlaylistWindow *list = shownPlaylist(h);

    QString title;
    QStringList entries;
    QList<int> commands;
    whenMenuOpens(this, [&](QMenu *menu) {
        title = menu->title();
        for (QAction *action : menu->actions()) {
            entries.append(action->text());
            commands.append(action->data().toInt());
        }
        menu->close();
    });
    // Anywhere in the window, the list box included.
    QTest::mouseClick(list->listBox()->viewport(), Qt::RightButton, {}, QPoint(10, 10));
    QTRY_COMPARE(entries.size(), 3);
    QCOMPARE(title, QStringLiteral("文件"));
    QCOMPARE(entries, (QStringList{"目录(&D)", "文件(&F)", "清空(&R)"}));
    QCOMPARE(commands, (QList<int>{32771, 32772, 32774}));
    // Choosing nothing changes nothing.
    QCOMPARE(window->playlist.size(), 3);
    QCOMPARE(list->listBox()->count(), 3);
}

void PlaylistTest::windowIsHiddenAtStartUpAndToggles()
{
    PlayerHarness h;
    PlayerWindow *window = h.start();
    PlaylistWindow *list = window->playlistWindow();
    QVERIFY(list);
    QVERIFY(!list->isVisible());
    QVERIFY(!list->visibleFlag());
    QCOMPARE(list->windowTitle(), QStringLiteral("FlashList"));

    auto *toggle = h.control<QPushButton>(Res::IDC_PLAYLIST_TOGGLE);
    QTest::mouseClick(toggle, Qt::LeftButton);
    QVERIFY(list->isVisible());
    QVERIFY(list->visibleFlag());
    QCOMPARE(window->playlistWindow(), list);
    QTest::mouseClick(toggle, Qt::LeftButton);
    QVERIFY(!list->isVisible());
    QVERIFY(!list->visibleFlag());
}

void PlaylistTest::closeBoxEscAndEnterHideTheWindow()
{
    PlayerHarness h;
    h.start();
    PlaylistWindow *list = shownPlaylist(h);
    auto *toggle = h.control<QPushButton>(Res::IDC_PLAYLIST_TOGGLE);

    list->close();
    QVERIFY(!list->isVisible());
    QVERIFY(!list->visibleFlag());

    QTest::mouseClick(toggle, Qt::LeftButton);
    QTest::keyClick(list->windowHandle(), Qt::Key_Escape);
    QVERIFY(!list->isVisible());
    QVERIFY(!list->visibleFlag());

    // Enter is the dialog's accept: hidden, while the flag says shown, so
    // the next toggle only clears the flag.
    QTest::mouseClick(toggle, Qt::LeftButton);
    QTest::keyClick(list->windowHandle(), Qt::Key_Return);
    QVERIFY(!list->isVisible());
    QVERIFY(list->visibleFlag());
    QTest::mouseClick(toggle, Qt::LeftButton);
    QVERIFY(!list->isVisible());
    QVERIFY(!list->visibleFlag());
    QTest::mouseClick(toggle, Qt::LeftButton);
    QVERIFY(list->isVisible());
}

void PlaylistTest::dockedWhereCreatedAndFollowsTheMoves()
{
    PlayerHarness h;
    PlayerWindow *window = h.construct();
    PlaylistWindow *list = window->playlistWindow();
    QCOMPARE(list->savedRect(), createdDock(clientOnScreen(window)));
    QCOMPARE(list->savedRect().width(), 135);

    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    // Hidden, it follows as well.
    window->move(window->pos() + QPoint(40, 30));
    QTRY_COMPARE(list->savedRect(), followedDock(clientOnScreen(window)));
    QCOMPARE(list->savedRect().width(), 150);
    QCOMPARE(list->frameGeometry().topLeft(), list->savedRect().topLeft());
    QVERIFY(!list->isVisible());

    QTest::mouseClick(h.control<QPushButton>(Res::IDC_PLAYLIST_TOGGLE), Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowExposed(list));
    QCOMPARE(list->frameGeometry(), followedDock(clientOnScreen(window)));
}

void PlaylistTest::resizingFillsTheClientAreaWithTheList()
{
    PlayerHarness h;
    h.start();
    PlaylistWindow *list = shownPlaylist(h);
    list->resize(220, 310);
    QTRY_COMPARE(list->listBox()->geometry(), QRect(0, 0, 220, 310));
}

void PlaylistTest::failedSaveReportsAndKeepsTheOldFile()
{
    PlayerHarness h;
    h.writeFile("FlashList.ini", ThreeMovies);
    PlayerWindow *window = h.start();
    PlaylistWindow *list = shownPlaylist(h);
    window->playlist.append(QByteArrayList(100, "/a/rather/long/path/to/yet/another/movie.swf"));

    // A file-size limit makes the write fail as a full disk would.
    rlimit previous{};
    ::getrlimit(RLIMIT_FSIZE, &previous);
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lowered = previous;
    lowered.rlim_cur = 256;
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &lowered) == 0);
    list->listBox()->addItems(QStringList(100, QStringLiteral("movie")));
    clickLine(list->listBox(), 0);
    QTest::keyClick(list->windowHandle(), Qt::Key_Delete);
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, handler);

    QCOMPARE(h.errors->messages.size(), 1);
    QVERIFY(
        h.errors->messages.first().contains(QString::fromLocal8Bit(h.filePath("FlashList.ini"))));
    QCOMPARE(h.readFile("FlashList.ini"), ThreeMovies);
    // The playlist in memory stays usable.
    QCOMPARE(window->playlist.size(), 102);
    window->PlayEntry(0);
    QCOMPARE(window->currentPath, QByteArray("/m/two.swf"));
}

void PlaylistTest::unwritableFolderIsReported()
{
    // A start directory that takes no new files, whoever runs the program.
    PlayerHarness h;
    h.setDirectory("/sys");
    PlayerWindow *window = h.start();
    QCOMPARE(h.errors->messages, QStringList("/sys/FlashList.ini was not found."));

    window->playlist = {"/m/one.swf"};
    QVERIFY(!window->SaveList());
    QCOMPARE(h.errors->messages.last(), QStringLiteral("Access to /sys/FlashList.ini was denied."));
    QCOMPARE(window->count, 1);
}

QTEST_MAIN(PlaylistTest)
#include "tst_playlist.moc"
