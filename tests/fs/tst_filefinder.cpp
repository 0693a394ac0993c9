// The recursive file finder against real folder trees made in a temporary
// folder: the order of its calls, where it leaves the working directory, and
// how it copes with links, vanished folders and very long paths.
#include "fs/filefinder.h"
#include "fs/namematch.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray workingDirectory()
{
    char *path = ::getcwd(nullptr, 0);
    const QByteArray result = path ? QByteArray(path) : QByteArray();
    std::free(path);
    return result;
}

int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

// Creates `entries` under `base`: names ending in '/' are folders, the rest
// empty files; missing parents are created.
void makeTree(const QByteArray &base, const QList<QByteArray> &entries)
{
    for (const QByteArray &entry : entries) {
        const QString path = QFile::decodeName(base + entry);
        if (entry.endsWith('/')) {
            QVERIFY(QDir().mkpath(path));
            continue;
        }
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
}

// Records every call of the walk as a line: "enter DIR PARENT" (PARENT is
// "-" for none) and "file PATH".
class RecordingFinder : public FileFinder {
public:
    QList<QByteArray> calls;
    QByteArray stopAt; // OnFileFound answers false for this path
    std::function<void(const QByteArray &)> onEnter;

    using FileFinder::SearchDirectory;

protected:
    bool OnFileFound(const QByteArray &path) override
    {
        calls.append("file " + path);
        if (path == stopAt)
            return false;
        return FileFinder::OnFileFound(path);
    }
    void OnEnterDirectory(const QByteArray &directory, const QByteArray *parent) override
    {
        calls.append("enter " + directory + ' ' + (parent ? *parent : QByteArray("-")));
        if (onEnter)
            onEnter(directory);
    }
};

} // namespace

class TestFileFinder : public QObject {
    Q_OBJECT

private:
    QTemporaryDir *m_temp = nullptr;
    QByteArray m_base; // the temporary folder, physical path, ending in '/'
    QByteArray m_savedDirectory;

private slots:
    void init()
    {
        m_savedDirectory = workingDirectory();
        m_temp = new QTemporaryDir;
        QVERIFY(m_temp->isValid());
        m_base = QFile::encodeName(QDir(m_temp->path()).canonicalPath()) + '/';
    }

    void cleanup()
    {
        QCOMPARE(::chdir(m_savedDirectory.constData()), 0);
        delete m_temp;
        m_temp = nullptr;
    }

    void walksDepthFirstFilesBeforeFolders()
    {
        makeTree(m_base, {"R/a.swf", "R/S/b.swf", "R/T/c.swf"});
        const QByteArray r = m_base + "R/";
        RecordingFinder finder;
        QVERIFY(finder.SetRoot(m_base + "R"));
        QCOMPARE(finder.rootDirectory, r);
        QVERIFY(finder.Search("*.swf"));
        const QList<QByteArray> expected = {
            "enter " + r + " -",         "file " + r + "a.swf",
            "enter " + r + "S/ " + r,    "file " + r + "S/b.swf",
            "enter " + r + "T/ " + r,    "file " + r + "T/c.swf",
        };
        QCOMPARE(finder.calls, expected);
        QCOMPARE(finder.foundFiles,
                 QList<QByteArray>({r + "a.swf", r + "S/b.swf", r + "T/c.swf"}));
        QCOMPARE(workingDirectory(), m_base + "R/T");
    }

    void emptyRootAnnouncesOnlyItself()
    {
        makeTree(m_base, {"R/", "R/notes.txt"});
        RecordingFinder finder;
        QVERIFY(finder.SetRoot(m_base + "R"));
        QVERIFY(finder.Search("*.swf"));
        QCOMPARE(finder.calls, QList<QByteArray>({"enter " + m_base + "R/ -"}));
        QVERIFY(finder.foundFiles.isEmpty());
        QCOMPARE(workingDirectory(), m_base + "R");
    }

    void listsInCaseInsensitiveOrderAndWalksMatchingFolders()
    {
        makeTree(m_base, {"R/b.SWF", "R/A.swf", "R/c.txt", "R/_x.swf", "R/.hidden.swf",
                          "R/noext", "R/x.swf/inner.swf", "R/Zed/z.swf", "R/alpha/",
                          "R/\xc3\xa9t\xc3\xa9.swf", "R/\xc3\x89T\xc3\x89-2.SWF"});
        const QByteArray r = m_base + "R/";
        RecordingFinder finder;
        QVERIFY(finder.SetRoot(r));
        QVERIFY(finder.Search("*.swf"));
        // Upper-case folding puts '_' after the letters and '.' before them;
        // "ÉTÉ-2" and "été" sort as "ÉTÉ-2.SWF" < "ÉTÉ.SWF", after ASCII.
        const QList<QByteArray> files = {
            r + ".hidden.swf", r + "A.swf", r + "b.SWF", r + "_x.swf",
            r + "\xc3\x89T\xc3\x89-2.SWF", r + "\xc3\xa9t\xc3\xa9.swf",
            r + "x.swf/inner.swf", r + "Zed/z.swf",
        };
        QCOMPARE(finder.foundFiles, files);
        const QList<QByteArray> entered = {
            "enter " + r + " -", "enter " + r + "alpha/ " + r,
            "enter " + r + "x.swf/ " + r, "enter " + r + "Zed/ " + r,
        };
        QList<QByteArray> announced;
        for (const QByteArray &call : finder.calls) {
            if (call.startsWith("enter "))
                announced.append(call);
        }
        QCOMPARE(announced, entered);
        QCOMPARE(workingDirectory(), m_base + "R/Zed");
    }

    void wildcardMatching_data()
    {
        QTest::addColumn<QByteArray>("pattern");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("matches");
        QTest::newRow("capitals") << QByteArray("*.swf") << QByteArray("A.SWF") << true;
        QTest::newRow("longer extension") << QByteArray("*.swf") << QByteArray("a.swfx") << false;
        QTest::newRow("suffix after") << QByteArray("*.swf") << QByteArray("a.swf.bak") << false;
        QTest::newRow("only extension") << QByteArray("*.swf") << QByteArray(".swf") << true;
        QTest::newRow("question mark") << QByteArray("?.swf") << QByteArray("ab.swf") << false;
        QTest::newRow("question one") << QByteArray("a?c") << QByteArray("aXc") << true;
        QTest::newRow("backtracking") << QByteArray("*a*b") << QByteArray("xaayaab") << true;
        QTest::newRow("backtracking fails") << QByteArray("*a*b") << QByteArray("xaayaa") << false;
        QTest::newRow("star star") << QByteArray("**.swf") << QByteArray("m.swf") << true;
        QTest::newRow("star dot star no dot") << QByteArray("*.*") << QByteArray("noext") << true;
        QTest::newRow("empty pattern") << QByteArray("") << QByteArray("a") << false;
        QTest::newRow("literal star in name") << QByteArray("a*") << QByteArray("a*b") << true;
        QTest::newRow("accented capitals")
            << QByteArray("\xc3\xa9*.swf") << QByteArray("\xc3\x89t\xc3\xa9.SWF") << true;
        QTest::newRow("question is one character")
            << QByteArray("?.swf") << QByteArray("\xc3\xa9.swf") << true;
        QTest::newRow("not UTF-8") << QByteArray("*.swf") << QByteArray("\xe9t\xe9.SWF") << true;
        QTest::newRow("not UTF-8, other bytes")
            << QByteArray("\xe9*") << QByteArray("\xc9t") << false;
    }

    void wildcardMatching()
    {
        QFETCH(QByteArray, pattern);
        QFETCH(QByteArray, name);
        QFETCH(bool, matches);
        QCOMPARE(wildcardMatch(pattern, name), matches);
    }

    void stoppedWalkEndsAtOnceAndClosesEveryListing()
    {
        makeTree(m_base, {"R/a.swf", "R/S/b.swf", "R/S/b2.swf", "R/S/U/d.swf", "R/T/c.swf"});
        const QByteArray r = m_base + "R/";
        const int descriptorsBefore = openDescriptors();
        RecordingFinder finder;
        finder.stopAt = r + "S/b.swf";
        QVERIFY(finder.SetRoot(r));
        QVERIFY(!finder.Search("*.swf"));
        const QList<QByteArray> expected = {
            "enter " + r + " -",      "file " + r + "a.swf",
            "enter " + r + "S/ " + r, "file " + r + "S/b.swf",
        };
        QCOMPARE(finder.calls, expected);
        QCOMPARE(finder.foundFiles, QList<QByteArray>({r + "a.swf"}));
        QCOMPARE(workingDirectory(), m_base + "R/S");
        QCOMPARE(openDescriptors(), descriptorsBefore);
    }

    void resolvesRootsAgainstTheWorkingDirectory()
    {
        makeTree(m_base, {"R/S/", "R/T/"});
        QCOMPARE(::chdir(m_base.constData()), 0);
        FileFinder finder;
        QCOMPARE(finder.rootDirectory, m_base);

        QVERIFY(finder.SetRoot("R"));
        QCOMPARE(finder.rootDirectory, m_base + "R/");
        QCOMPARE(workingDirectory(), m_base + "R");
        QVERIFY(finder.SetRoot("../R/./S/../T/"));
        QCOMPARE(finder.rootDirectory, m_base + "R/T/");
        QCOMPARE(workingDirectory(), m_base + "R/T");
        QVERIFY(finder.SetRoot(m_base + "R//S//"));
        QCOMPARE(finder.rootDirectory, m_base + "R/S/");
        QVERIFY(finder.SetRoot("/"));
        QCOMPARE(finder.rootDirectory, QByteArray("/"));
        QVERIFY(finder.SetRoot("/.."));
        QCOMPARE(finder.rootDirectory, QByteArray("/"));
    }

    void rootThatCannotBeEnteredIsRefused()
    {
        makeTree(m_base, {"R/a.swf", "file.swf"});
        QCOMPARE(::chdir(m_base.constData()), 0);
        RecordingFinder finder;
        QVERIFY(!finder.SetRoot(m_base + "missing"));
        QVERIFY(finder.rootDirectory.isEmpty());
        QVERIFY(!finder.SetRoot(m_base + "file.swf"));
        QVERIFY(!finder.SetRoot(""));
        QVERIFY(!finder.SetRoot(QByteArray("R\0x", 3)));
        QCOMPARE(workingDirectory(), m_base.chopped(1));

        // Searched anyway, it reports nothing and ends.
        QVERIFY(finder.Search("*.swf"));
        QVERIFY(finder.foundFiles.isEmpty());
    }

    void secondSearchAppends()
    {
        makeTree(m_base, {"R/a.swf", "R/S/b.swf"});
        const QByteArray r = m_base + "R/";
        FileFinder finder;
        QVERIFY(finder.SetRoot(r));
        QVERIFY(finder.Search("*.swf"));
        QVERIFY(finder.SetRoot(r));
        QVERIFY(finder.Search("*.SWF"));
        QCOMPARE(finder.foundFiles, QList<QByteArray>({r + "a.swf", r + "S/b.swf",
                                                       r + "a.swf", r + "S/b.swf"}));
    }

    void symbolicLinkLoopsEnd()
    {
        makeTree(m_base, {"R/a.swf", "R/S/b.swf"});
        const QByteArray r = m_base + "R/";
        QCOMPARE(::symlink("..", (r + "S/up").constData()), 0);
        QCOMPARE(::symlink(".", (r + "S/self").constData()), 0);
        QCOMPARE(::symlink("S", (r + "T").constData()), 0);
        QCOMPARE(::symlink("a.swf", (r + "link.swf").constData()), 0);
        QCOMPARE(::symlink("nowhere", (r + "dangling").constData()), 0);
        RecordingFinder finder;
        QVERIFY(finder.SetRoot(r));
        QVERIFY(finder.Search("*.swf"));
        // T is another way into S, which is no longer on the walk when T is
        // reached, so it is walked; links back up are announced, not entered.
        QCOMPARE(finder.foundFiles, QList<QByteArray>({r + "a.swf", r + "link.swf",
                                                       r + "S/b.swf", r + "T/b.swf"}));
        const QList<QByteArray> expected = {
            "enter " + r + " -",
            "file " + r + "a.swf",
            "file " + r + "link.swf",
            "enter " + r + "S/ " + r,
            "file " + r + "S/b.swf",
            "enter " + r + "S/self/ " + r + "S/",
            "enter " + r + "S/up/ " + r + "S/",
            "enter " + r + "T/ " + r,
            "file " + r + "T/b.swf",
            "enter " + r + "T/self/ " + r + "T/",
            "enter " + r + "T/up/ " + r + "T/",
        };
        QCOMPARE(finder.calls, expected);
        QCOMPARE(workingDirectory(), m_base + "R/S"); // T is S
    }

    void folderGoneBeforeItIsEnteredIsSkipped_data()
    {
        QTest::addColumn<bool>("replaceWithFile");
        QTest::newRow("removed") << false;
        QTest::newRow("replaced by a file") << true;
    }

    void folderGoneBeforeItIsEnteredIsSkipped()
    {
        QFETCH(bool, replaceWithFile);
        makeTree(m_base, {"R/a.swf", "R/S/b.swf", "R/S/U/d.swf", "R/T/c.swf"});
        const QByteArray r = m_base + "R/";
        RecordingFinder finder;
        finder.onEnter = [&](const QByteArray &directory) {
            if (directory != r + "S/")
                return;
            QVERIFY(QDir(QFile::decodeName(directory)).removeRecursively());
            if (replaceWithFile) {
                QFile file(QFile::decodeName(r + "S"));
                QVERIFY(file.open(QIODevice::WriteOnly));
            }
        };
        QVERIFY(finder.SetRoot(r));
        QVERIFY(finder.Search("*.swf"));
        const QList<QByteArray> expected = {
            "enter " + r + " -",      "file " + r + "a.swf",
            "enter " + r + "S/ " + r, "enter " + r + "T/ " + r,
            "file " + r + "T/c.swf",
        };
        QCOMPARE(finder.calls, expected);
        QCOMPARE(workingDirectory(), m_base + "R/T");
    }

    void rootGoneBeforeTheWalkReportsNothing()
    {
        makeTree(m_base, {"R/a.swf", "Other/x.swf"});
        RecordingFinder finder;
        QVERIFY(finder.SetRoot(m_base + "R"));
        QVERIFY(QDir(QFile::decodeName(m_base + "R")).removeRecursively());
        QCOMPARE(::chdir((m_base + "Other").constData()), 0);
        QVERIFY(finder.Search("*.swf"));
        QVERIFY(finder.foundFiles.isEmpty());
    }

    void unreadableFoldersAreSkipped()
    {
        if (::geteuid() == 0)
            QSKIP("permissions do not keep the superuser out of a folder");
        makeTree(m_base, {"R/a.swf", "R/S/b.swf", "R/V/e.swf", "R/T/c.swf", "R/T/W/f.swf"});
        const QByteArray r = m_base + "R/";
        QCOMPARE(::chmod((r + "S").constData(), 0), 0);   // cannot be entered
        QCOMPARE(::chmod((r + "T").constData(), 0300), 0); // entered, not listed
        const auto restore = qScopeGuard([&] {
            ::chmod((r + "S").constData(), 0700);
            ::chmod((r + "T").constData(), 0700);
        });
        RecordingFinder finder;
        QVERIFY(finder.SetRoot(r));
        QVERIFY(finder.Search("*.swf"));
        QCOMPARE(finder.foundFiles, QList<QByteArray>({r + "a.swf", r + "V/e.swf"}));
        QCOMPARE(workingDirectory(), m_base + "R/V");
    }

    void pathsLongerThanTheKernelLimit()
    {
        // 24 levels of 200-byte names: over 4,800 bytes below the base.
        const QByteArray level(200, 'd');
        QCOMPARE(::chdir(m_base.constData()), 0);
        makeTree(m_base, {"top.swf"});
        QByteArray deep = m_base;
        for (int i = 0; i < 24; ++i) {
            QCOMPARE(::mkdir(level.constData(), 0700), 0);
            QCOMPARE(::chdir(level.constData()), 0);
            deep += level + '/';
        }
        QFile file(QStringLiteral("deep.swf"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(deep.size() > 4096);
        const auto removeTree = qScopeGuard([&] {
            QCOMPARE(::chdir(m_savedDirectory.constData()), 0);
            QCOMPARE(QProcess::execute(QStringLiteral("rm"),
                                       {QStringLiteral("-rf"), m_temp->path()}), 0);
        });

        FileFinder finder;
        QCOMPARE(finder.rootDirectory, deep);
        QVERIFY(finder.SetRoot(m_base));
        QVERIFY(finder.Search("*.swf"));
        QCOMPARE(finder.foundFiles, QList<QByteArray>({m_base + "top.swf", deep + "deep.swf"}));
        QCOMPARE(FileFinder().rootDirectory, deep);

        FileFinder deepFinder;
        QVERIFY(deepFinder.SetRoot(m_base));
        QVERIFY(deepFinder.SetRoot(deep));
        QCOMPARE(deepFinder.rootDirectory, deep);
        QVERIFY(deepFinder.Search("*.swf"));
        QCOMPARE(deepFinder.foundFiles, QList<QByteArray>({deep + "deep.swf"}));
    }
};

QTEST_GUILESS_MAIN(TestFileFinder)
#include "tst_filefinder.moc"
