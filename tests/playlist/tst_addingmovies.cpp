// The commands that fill the playlist: open files through a scripted chooser
// and through the real open-file dialog, and add folder through a scripted
// folder dialog over real folder trees, awkward names included.
#define QTEST_QPA_MOUSE_HANDLING
#include "playerharness.h"

#include "fs/filefinder.h"
#include "fs/scriptedfolderdialogshell.h"
#include "player/playerwindow.h"
#include "playlist/moviefiledialog.h"
#include "playlist/playlistwindow.h"
#include "volume/volumebar.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <ftw.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray TenMovies = [] {
    QByteArray list;
    for (int i = 0; i < 10; ++i)
        list += "/old/movie" + QByteArray::number(i) + ".swf\r\n";
    return list;
}();

QStringList lines(QListWidget *box)
{
    QStringList texts;
    for (int row = 0; row < box->count(); ++row)
        texts.append(box->item(row)->text());
    return texts;
}

QStringList moviesLoaded(const QStringList &journal, qsizetype from)
{
    return journal.mid(from).filter(QStringLiteral("SetMoviePath"));
}

QString loaded(const QByteArray &path)
{
    return QStringLiteral("movie: SetMoviePath ") +
           QString::fromLatin1(path.toPercentEncoding("/"));
}

QByteArray listFileOf(const QByteArrayList &paths)
{
    QByteArray bytes;
    for (const QByteArray &path : paths)
        bytes += path + "\r\n";
    return bytes;
}

int removeEntry(const char *path, const struct stat *, int, FTW *)
{
    return ::remove(path);
}

// A temporary folder that may hold names that are not valid UTF-8, which
// QTemporaryDir cannot remove.
class TreeDir final {
public:
    TreeDir() : path(QFile::encodeName(m_dir.path())) {}
    ~TreeDir() { ::nftw(path.constData(), removeEntry, 16, FTW_DEPTH | FTW_PHYS); }
    Q_DISABLE_COPY_MOVE(TreeDir)

private:
    QTemporaryDir m_dir;

public:
    const QByteArray path;
};

// Files and folders under `root` (a byte path); names ending in '/' are
// folders.
void makeTree(const QByteArray &root, const QByteArrayList &entries)
{
    for (const QByteArray &entry : entries) {
        const QByteArray path = root + '/' + entry;
        if (entry.endsWith('/')) {
            QVERIFY2(::mkdir(path.constData(), 0755) == 0, path.constData());
        } else {
            // QFile cannot name bytes that are not valid UTF-8: write them
            // with the C library.
            FILE *f = std::fopen(path.constData(), "wb");
            QVERIFY2(f, path.constData());
            std::fputs("FWS", f);
            std::fclose(f);
        }
    }
}

// A finder that notes the cursor shown while it walks.
class CursorNotingFinder final : public FileFinder {
public:
    explicit CursorNotingFinder(QList<int> *shapes) : m_shapes(shapes) {}

protected:
    bool OnFileFound(const QByteArray &path) override
    {
        note();
        return FileFinder::OnFileFound(path);
    }
    void OnEnterDirectory(const QByteArray &directory, const QByteArray *parent) override
    {
        note();
        FileFinder::OnEnterDirectory(directory, parent);
    }

private:
    void note()
    {
        const QCursor *cursor = QGuiApplication::overrideCursor();
        m_shapes->append(cursor ? int(cursor->shape()) : -1);
    }
    QList<int> *m_shapes;
};

} // namespace

class AddingMoviesTest final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void threeFilesReplaceTen();
    void cancelRewritesTheSameList();
    void anyNumberOfFilesIsTaken();
    void contextMenuEntriesRunTheCommands();
    void dialogOffersTheFiltersAndMultipleSelection();
    void dialogPathBytesFindsTheShownName();

    void folderReplacesPlaysAndSavesInWalkOrder();
    void emptyFolderLeavesTheOldFileOnDisk();
    void sameFolderTwiceGivesTheSamePlaylist();
    void cancelledBrowserChangesNothing();
    void folderGoneBeforeTheWalkFindsNothing();
    void waitCursorDuringTheWalk();

private:
    PlayerWindow *start(const QByteArray &listFile = TenMovies);
    QListWidget *listBox() const { return h->window()->playlistWindow()->listBox(); }
    int redraws() const { return h->window()->volumeBarControl()->invalidationCount(); }

    std::unique_ptr<PlayerHarness> h;
    std::shared_ptr<ScriptedFolderDialogShell> shell;
    std::optional<QByteArrayList> choice;
    int choosers = 0;
    QByteArray workingDirectory;
};

void AddingMoviesTest::init()
{
    const std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
    workingDirectory = cwd.get();
    h = std::make_unique<PlayerHarness>();
    shell = std::make_shared<ScriptedFolderDialogShell>();
    choice.reset();
    choosers = 0;
    h->adjustServices = [this](PlayerServices &services) {
        services.folderDialogShell = shell;
        services.chooseMovieFiles = [this](QWidget *owner) {
            ++choosers;
            h->journal.append(QStringLiteral("dialog: open files over ") +
                              (owner == h->window() ? QStringLiteral("the player window")
                                                    : QStringLiteral("another window")));
            return choice;
        };
    };
}

void AddingMoviesTest::cleanup()
{
    // The finder leaves the working directory in the last folder it walked.
    QVERIFY(::chdir(workingDirectory.constData()) == 0);
    h.reset();
}

PlayerWindow *AddingMoviesTest::start(const QByteArray &listFile)
{
    h->writeFile("FlashList.ini", listFile);
    return h->start();
}

void AddingMoviesTest::threeFilesReplaceTen()
{
    PlayerWindow *window = start();
    QCOMPARE(window->count, 10);
    choice = QByteArrayList{"/new/b.swf", "/new/a.swf", "/new/c.zvl"};
    const int before = redraws();
    const qsizetype mark = h->journal.size();

    QTest::mouseClick(h->control<QPushButton>(Res::IDC_OPEN), Qt::LeftButton);

    QCOMPARE(h->journal.value(mark), QStringLiteral("dialog: open files over the player window"));
    QCOMPARE(window->playlist, *choice);
    QCOMPARE(window->count, 3);
    QCOMPARE(lines(listBox()), (QStringList{"b", "a", "c"}));
    // The first new entry plays, then the list is saved.
    QCOMPARE(moviesLoaded(h->journal, mark), QStringList{loaded("/new/b.swf")});
    QCOMPARE(window->currentIndex, 0);
    QCOMPARE(h->readFile("FlashList.ini"), listFileOf(*choice));
    QCOMPARE(redraws(), before + 1);

    // A "*.zvl" file is handed to the movie control like any other.
    QTest::keyClick(window->windowHandle(), Qt::Key_Down);
    QTest::keyClick(window->windowHandle(), Qt::Key_Down);
    QCOMPARE(h->movie->moviePath, QByteArray("/new/c.zvl"));
}

void AddingMoviesTest::cancelRewritesTheSameList()
{
    PlayerWindow *window = start();
    window->PlayEntry(4);
    // The file on disk has changed since it was read.
    h->writeFile("FlashList.ini", "/elsewhere/one.swf\n");
    const int before = redraws();
    const qsizetype mark = h->journal.size();

    QTest::mouseClick(h->control<QPushButton>(Res::IDC_OPEN), Qt::LeftButton);

    QCOMPARE(choosers, 1);
    QCOMPARE(window->count, 10);
    QCOMPARE(listBox()->count(), 10);
    QCOMPARE(window->currentIndex, 4);
    QCOMPARE(moviesLoaded(h->journal, mark), QStringList());
    QCOMPARE(h->readFile("FlashList.ini"), TenMovies);
    QCOMPARE(redraws(), before + 1);

    // With an empty playlist the cancel writes nothing.
    window->playlist.clear();
    h->writeFile("FlashList.ini", "/kept.swf\r\n");
    QTest::mouseClick(h->control<QPushButton>(Res::IDC_OPEN), Qt::LeftButton);
    QCOMPARE(h->readFile("FlashList.ini"), QByteArray("/kept.swf\r\n"));

    // An empty choice is a confirmed one: the playlist becomes empty and
    // nothing plays or is written.
    window->playlist = {"/a.swf"};
    choice = QByteArrayList{};
    QTest::mouseClick(h->control<QPushButton>(Res::IDC_OPEN), Qt::LeftButton);
    QVERIFY(window->playlist.isEmpty());
    QCOMPARE(listBox()->count(), 0);
    QCOMPARE(h->readFile("FlashList.ini"), QByteArray("/kept.swf\r\n"));
}

// Far more than a 260-character selection: every file is taken.
void AddingMoviesTest::anyNumberOfFilesIsTaken()
{
    PlayerWindow *window = start();
    QByteArrayList many;
    for (int i = 0; i < 400; ++i)
        many.append("/a/rather/long/folder/name/for/many/movies/clip number " +
                    QByteArray::number(i) + ".swf");
    choice = many;
    QTest::mouseClick(h->control<QPushButton>(Res::IDC_OPEN), Qt::LeftButton);
    QCOMPARE(window->playlist, many);
    QCOMPARE(listBox()->count(), 400);
    QCOMPARE(h->readFile("FlashList.ini"), listFileOf(many));
}

void AddingMoviesTest::contextMenuEntriesRunTheCommands()
{
    QTemporaryDir trees;
    const QByteArray root = QFile::encodeName(trees.path()) + "/R";
    makeTree(QFile::encodeName(trees.path()), {"R/", "R/only.swf"});
    shell->result = FolderItem::folder(root);

    PlayerWindow *window = start();
    QTest::mouseClick(h->control<QPushButton>(Res::IDC_PLAYLIST_TOGGLE), Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowExposed(window->playlistWindow()));

    whenMenuOpens(this, [](QMenu *menu) { chooseMenuEntry(menu, Res::ID_ADD_FOLDER); });
    QTest::mouseClick(listBox()->viewport(), Qt::RightButton, {}, QPoint(10, 10));
    QTRY_COMPARE(window->playlist, QByteArrayList{root + "/only.swf"});
    QCOMPARE(shell->browseCount, 1);

    choice = QByteArrayList{"/x/y.swf"};
    const int before = redraws();
    whenMenuOpens(this, [](QMenu *menu) { chooseMenuEntry(menu, Res::ID_ADD_FILES); });
    QTest::mouseClick(listBox()->viewport(), Qt::RightButton, {}, QPoint(10, 10));
    QTRY_COMPARE(window->playlist, QByteArrayList{"/x/y.swf"});
    // The dialog belongs to the player window, wherever it was asked for.
    QVERIFY(h->journal.contains(QStringLiteral("dialog: open files over the player window")));
    QCOMPARE(redraws(), before + 1);
    QCOMPARE(h->readFile("FlashList.ini"), QByteArray("/x/y.swf\r\n"));
}

void AddingMoviesTest::dialogOffersTheFiltersAndMultipleSelection()
{
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path());
    makeTree(folder, {"b.swf", "a.swf", "c.zvl", "long " + QByteArray(200, 'n') + ".swf"});
    QWidget owner;
    QVERIFY(::chdir(folder.constData()) == 0);

    QStringList filters;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    QFileDialog::AcceptMode accept = QFileDialog::AcceptSave;
    QString shownIn;
    whenModalOpens<QFileDialog>(this, [&](QFileDialog *dialog) {
        filters = dialog->nameFilters();
        mode = dialog->fileMode();
        accept = dialog->acceptMode();
        shownIn = dialog->directory().absolutePath();
        auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        edit->setText(QStringLiteral("\"b.swf\" \"long %1.swf\" \"a.swf\"")
                          .arg(QString(200, QLatin1Char('n'))));
        QTest::keyClick(edit, Qt::Key_Return);
    });
    const std::optional<QByteArrayList> chosen = MovieFileDialog::choose(&owner);

    QCOMPARE(filters, (QStringList{"Flash Files(*.swf)", "*.zvl"}));
    QCOMPARE(mode, QFileDialog::ExistingFiles);
    QCOMPARE(accept, QFileDialog::AcceptOpen);
    QCOMPARE(shownIn, dir.path());
    QVERIFY(chosen);
    QCOMPARE(*chosen,
             (QByteArrayList{folder + "/b.swf", folder + "/long " + QByteArray(200, 'n') + ".swf",
                             folder + "/a.swf"}));

    whenModalOpens<QFileDialog>(this, [](QFileDialog *dialog) { dialog->reject(); });
    QVERIFY(!MovieFileDialog::choose(&owner));
}

void AddingMoviesTest::dialogPathBytesFindsTheShownName()
{
    const TreeDir dir;
    const QByteArray folder = dir.path;
    makeTree(folder, {"\xC0sub/", "\xC0sub/\xE9t\xE9.swf", "动画.swf"});
    const QString shownFolder = QFile::decodeName(folder + "/\xC0sub");
    QCOMPARE(MovieFileDialog::pathBytes(shownFolder + QLatin1Char('/') +
                                        QFile::decodeName("\xE9t\xE9.swf")),
             folder + "/\xC0sub/\xE9t\xE9.swf");
    QCOMPARE(MovieFileDialog::pathBytes(QFile::decodeName(folder) + QStringLiteral("/动画.swf")),
             folder + "/动画.swf");
    // Nothing shown under that name: the name as it is.
    QCOMPARE(MovieFileDialog::pathBytes(QFile::decodeName(folder) + QStringLiteral("/none.swf")),
             folder + "/none.swf");
}

// The finder's order: a folder's movies first, in case-insensitive name
// order, then its subfolders, each walked whole; a folder named like a movie
// is walked, never listed; hidden movies and bytes that are no UTF-8 count.
void AddingMoviesTest::folderReplacesPlaysAndSavesInWalkOrder()
{
    const TreeDir trees;
    const QByteArray base = trees.path;
    const QByteArray odd = "\xFF\xFE odd.swf";
    makeTree(base, {"R/", "R/a.swf", "R/UPPER.SWF", "R/.hidden.swf", "R/notes.txt", "R/" + odd,
                    "R/x.swf/", "R/x.swf/inner.swf", "R/S/", "R/S/b.swf", "R/S/deep/",
                    "R/S/deep/c.Swf", "R/empty/"});
    const QByteArray root = base + "/R";
    shell->result = FolderItem::folder(root);
    PlayerWindow *window = start();
    const int before = redraws();
    const qsizetype mark = h->journal.size();

    window->AddFolder();

    const QByteArrayList expected = {
        root + "/.hidden.swf", root + "/a.swf",        root + "/UPPER.SWF",      root + "/" + odd,
        root + "/S/b.swf",     root + "/S/deep/c.Swf", root + "/x.swf/inner.swf"};
    QCOMPARE(window->playlist, expected);
    QCOMPARE(window->count, 7);
    QCOMPARE(listBox()->count(), 7);
    QCOMPARE(listBox()->item(1)->text(), QStringLiteral("a"));
    QCOMPARE(listBox()->item(6)->text(), QStringLiteral("inner"));
    QCOMPARE(moviesLoaded(h->journal, mark), QStringList{loaded(root + "/.hidden.swf")});
    QCOMPARE(window->currentIndex, 0);
    // Saved byte for byte; the add-folder command does not redraw the bar.
    QCOMPARE(h->readFile("FlashList.ini"), listFileOf(expected));
    QCOMPARE(redraws(), before);
    QCOMPARE(window->lastFolder, root);

    // The browser: string 102 as its title, file-system folders only with a
    // status line, owned by the player window.
    QCOMPARE(shell->receivedTitle, QStringLiteral("Browse flash(*.swf) folder...."));
    QCOMPARE(shell->receivedInfo.ulFlags, 5u);
    QCOMPARE(shell->receivedInfo.hwndOwner, window);

    // The next run of the program reads the same list back.
    window = h->restart();
    QCOMPARE(window->playlist, expected);
}

void AddingMoviesTest::emptyFolderLeavesTheOldFileOnDisk()
{
    const TreeDir trees;
    const QByteArray base = trees.path;
    makeTree(base, {"E/", "E/notes.txt", "E/sub/", "E/sub/movie.swf.txt", "E/m.swf/"});
    shell->result = FolderItem::folder(base + "/E");
    PlayerWindow *window = start();
    window->PlayEntry(2);
    const qsizetype mark = h->journal.size();

    window->AddFolder();

    QVERIFY(window->playlist.isEmpty());
    QCOMPARE(window->count, 0);
    QCOMPARE(listBox()->count(), 0);
    QCOMPARE(moviesLoaded(h->journal, mark), QStringList());
    QCOMPARE(h->readFile("FlashList.ini"), TenMovies);
    QCOMPARE(h->errors->messages, QStringList());
    QCOMPARE(window->lastFolder, base + "/E");
}

void AddingMoviesTest::sameFolderTwiceGivesTheSamePlaylist()
{
    const TreeDir trees;
    const QByteArray base = trees.path;
    makeTree(base, {"F/", "F/one.swf", "F/two.swf", "G/", "G/three.swf"});
    shell->result = FolderItem::folder(base + "/F");
    PlayerWindow *window = start();

    window->AddFolder();
    const QByteArrayList first = window->playlist;
    QCOMPARE(first.size(), 2);
    // The first run of a session opens on nothing in particular.
    QVERIFY(shell->log.contains("SETSELECTION "));

    shell->log.clear();
    window->AddFolder();
    QCOMPARE(window->playlist, first);
    QCOMPARE(listBox()->count(), 2);
    QCOMPARE(h->readFile("FlashList.ini"), listFileOf(first));
    // The second run opens on the folder chosen the first time.
    QCOMPARE(shell->log.value(1), "SETSELECTION " + base + "/F");
    QCOMPARE(shell->log.value(3), "SETSTATUSTEXT " + base + "/F");

    shell->log.clear();
    shell->result = FolderItem::folder(base + "/G");
    window->AddFolder();
    QCOMPARE(window->playlist, QByteArrayList{base + "/G/three.swf"});
    QCOMPARE(shell->log.value(1), "SETSELECTION " + base + "/F");
}

void AddingMoviesTest::cancelledBrowserChangesNothing()
{
    const TreeDir trees;
    const QByteArray base = trees.path;
    makeTree(base, {"F/", "F/one.swf"});
    shell->result = FolderItem::folder(base + "/F");
    PlayerWindow *window = start();
    window->AddFolder();
    const QByteArrayList found = window->playlist;
    h->writeFile("FlashList.ini", "/changed.swf\r\n");
    const qsizetype mark = h->journal.size();

    shell->result.reset();
    shell->log.clear();
    window->AddFolder();
    QCOMPARE(window->playlist, found);
    QCOMPARE(window->lastFolder, base + "/F");
    QCOMPARE(h->journal.mid(mark), QStringList());
    QCOMPARE(h->readFile("FlashList.ini"), QByteArray("/changed.swf\r\n"));

    // The next run opens on the folder chosen before the cancel.
    window->AddFolder();
    QByteArrayList selections;
    for (const QByteArray &entry : shell->log) {
        if (entry.startsWith("SETSELECTION"))
            selections.append(entry);
    }
    QCOMPARE(selections, QByteArrayList(2, "SETSELECTION " + base + "/F"));
}

// A folder confirmed in the dialog and removed before the walk reaches it
// yields no paths, like any root that cannot be entered.
void AddingMoviesTest::folderGoneBeforeTheWalkFindsNothing()
{
    const TreeDir trees;
    const QByteArray base = trees.path;
    makeTree(base, {"V/", "V/a.swf"});
    shell->result = FolderItem::folder(base + "/V");
    shell->whileOpen = [&] {
        QVERIFY(::unlink((base + "/V/a.swf").constData()) == 0);
        QVERIFY(::rmdir((base + "/V").constData()) == 0);
    };
    PlayerWindow *window = start();
    window->AddFolder();
    QVERIFY(window->playlist.isEmpty());
    QCOMPARE(listBox()->count(), 0);
    QCOMPARE(h->readFile("FlashList.ini"), TenMovies);
    QCOMPARE(window->lastFolder, base + "/V");
}

void AddingMoviesTest::waitCursorDuringTheWalk()
{
    const TreeDir trees;
    const QByteArray base = trees.path;
    makeTree(base, {"W/", "W/a.swf", "W/b/", "W/b/c.swf"});
    shell->result = FolderItem::folder(base + "/W");
    QList<int> shapes;
    const auto adjust = h->adjustServices;
    h->adjustServices = [&, adjust](PlayerServices &services) {
        adjust(services);
        services.fileFinderFactory = [&shapes] {
            return std::make_unique<CursorNotingFinder>(&shapes);
        };
    };
    PlayerWindow *window = start();
    QVERIFY(!QGuiApplication::overrideCursor());
    window->AddFolder();
    QCOMPARE(window->playlist.size(), 2);
    // Two folders entered, two movies found, all under the wait cursor.
    QCOMPARE(shapes, QList<int>(4, int(Qt::WaitCursor)));
    QVERIFY(!QGuiApplication::overrideCursor());
}

QTEST_MAIN(AddingMoviesTest)
#include "tst_addingmovies.moc"
