// The window menu's entries of our own over the real engine: saving the
// frame shown as a PNG at the movie's size or twice it, exporting the movie
// behind a modal progress dialog while the window goes on playing, and
// cancelling an export. The file choosers are scripted.
#include "playerharness.h"
#include "squaremovie.h"

#include "player/exportdialog.h"
#include "player/playerwindow.h"
#include "player/swfmoviewidget.h"
#include "tools/swfwriter/swfwriter.h"

#include <QFile>
#include <QImage>
#include <QMenu>
#include <QPushButton>
#include <QTest>

namespace {

// The engine's movie control, and choosers that answer `answer` and count
// their calls.
void useEngine(PlayerHarness &h, std::optional<FrameFileChoice> frameAnswer,
               std::optional<QByteArray> exportAnswer, int *asked)
{
    h.adjustServices = [=](PlayerServices &services) {
        services.movieControlFactory = swfMovieControlFactory();
        services.chooseFrameFile = [=](QWidget *, const QByteArray &, QSize) {
            ++*asked;
            return frameAnswer;
        };
        services.chooseExportFile = [=](QWidget *, const QByteArray &) {
            ++*asked;
            return exportAnswer;
        };
    };
}

bool isMp4(const QByteArray &path)
{
    QFile file(QFile::decodeName(path));
    return file.open(QIODevice::ReadOnly) && file.read(8).mid(4) == "ftyp";
}

} // namespace

class PlayerExportTest final : public QObject {
    Q_OBJECT

private slots:
    void savesTheFrameShown_data();
    void savesTheFrameShown();
    void exportsWhileTheWindowPlays();
    void cancelledExportLeavesNoFile();
    void withoutAMovieSaysSo();
};

void PlayerExportTest::savesTheFrameShown_data()
{
    QTest::addColumn<int>("scale");
    QTest::newRow("own size") << 1;
    QTest::newRow("twice") << 2;
}

// Paused on frame 30, the entry chosen from the window menu with the
// keyboard: the picture shows the square 30 pixels in, at the scale asked.
void PlayerExportTest::savesTheFrameShown()
{
    QFETCH(int, scale);
    QObject scope;
    PlayerHarness h;
    int asked = 0;
    const QByteArray picture = h.filePath("frame.png");
    useEngine(h, FrameFileChoice{picture, scale}, std::nullopt, &asked);
    h.writeFile("vesk.swf", squareMovie(60));
    PlayerWindow *window = h.start();
    const qsizetype reported = h.errors->messages.size(); // the missing list file
    window->movieControl()->SeekToFrame(30);
    window->movieControl()->Stop();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    whenMenuOpens(&scope, [](QMenu *menu) { chooseMenuEntry(menu, Res::IDM_SAVEFRAME); });
    QTest::keyClick(window->windowHandle(), Qt::Key_Space, Qt::AltModifier);
    QTRY_VERIFY(QFile::exists(QFile::decodeName(picture)));
    QCOMPARE(asked, 1);
    const QImage image(QFile::decodeName(picture));
    QCOMPARE(image.size(), QSize(200, 100) * scale);
    QCOMPARE(image.pixelColor((30 + 10) * scale, 50 * scale), kSquareColor);
    QVERIFY(image.pixelColor((30 - 2) * scale, 50 * scale) != kSquareColor);
    QCOMPARE(h.errors->messages.size(), reported);
}

// The export runs behind its modal dialog; the window's movie plays on
// meanwhile, and the dialog closes by itself when the file is written.
void PlayerExportTest::exportsWhileTheWindowPlays()
{
    QObject scope;
    PlayerHarness h;
    int asked = 0;
    const QByteArray out = h.filePath("movie.mp4");
    useEngine(h, std::nullopt, out, &asked);
    h.writeFile("vesk.swf", squareMovie(120, QSize(640, 480)));
    PlayerWindow *window = h.start();
    const qsizetype reported = h.errors->messages.size(); // the missing list file
    MovieControl *movie = window->movieControl();
    int shownMaximum = -1;
    QList<int> positions;
    whenModalOpens<ExportDialog>(&scope, [&](ExportDialog *dialog) {
        shownMaximum = dialog->maximum();
        positions.append(movie->GetFramePosition());
    });
    QTest::qWait(50);
    const int before = movie->GetFramePosition();
    window->OnSysCommand(Res::IDM_EXPORTVIDEO);
    QCOMPARE(asked, 1);
    QCOMPARE(h.errors->messages.size(), reported);
    QVERIFY(isMp4(out));
    QCOMPARE(shownMaximum, 120);
    QVERIFY(movie->IsPlaying());
    QVERIFY2(movie->GetFramePosition() != before, "the window's movie stood still");
}

// Cancel stops the export and takes its file away; nothing is reported.
void PlayerExportTest::cancelledExportLeavesNoFile()
{
    QObject scope;
    PlayerHarness h;
    int asked = 0;
    const QByteArray out = h.filePath("cancelled.webm");
    useEngine(h, std::nullopt, out, &asked);
    h.writeFile("vesk.swf", squareMovie(5000, QSize(640, 480)));
    PlayerWindow *window = h.start();
    const qsizetype reported = h.errors->messages.size(); // the missing list file
    whenModalOpens<ExportDialog>(&scope, [](ExportDialog *dialog) {
        QTimer::singleShot(300, dialog, [dialog] {
            QTest::mouseClick(dialog->findChild<QPushButton *>(), Qt::LeftButton);
        });
    });
    window->OnSysCommand(Res::IDM_EXPORTVIDEO);
    QCOMPARE(asked, 1);
    QVERIFY(!QFile::exists(QFile::decodeName(out)));
    QCOMPARE(h.errors->messages.size(), reported);
    QVERIFY(window->isVisible());
}

// With no movie the control can give, both entries report it and ask for
// no file.
void PlayerExportTest::withoutAMovieSaysSo()
{
    PlayerHarness h;
    int asked = 0;
    useEngine(h, FrameFileChoice{h.filePath("x.png"), 1}, h.filePath("x.mp4"), &asked);
    PlayerWindow *window = h.start();
    const qsizetype reported = h.errors->messages.size(); // the missing list file
    window->OnSysCommand(Res::IDM_SAVEFRAME);
    window->OnSysCommand(Res::IDM_EXPORTVIDEO);
    QCOMPARE(asked, 0);
    QCOMPARE(h.errors->messages.size(), reported + 2);
    QVERIFY(h.errors->messages.last().startsWith(QStringLiteral("无法读取影片")));
}

QTEST_MAIN(PlayerExportTest)
#include "tst_playerexport.moc"
