// The skin: the .skn reader, the engine behind its two calls, the host of
// control 1000, and the skin steps of the player window, the playlist window
// and the about box.
#include "res/resource.h"
#include "ui/aboutbox.h"
#include "ui/skin.h"
#include "ui/skinengine.h"
#include "ui/skinhost.h"
#include "ui/skinsheet.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QColor SkinBlue(0, 0, 255);

// A skin whose buttons and list are painted with an image beside the skin,
// so a window shows the skin only if the url was resolved against the skin's
// folder.
const QByteArray BlueSkin = "QPushButton { border: none; background-image: url(img/blue.png); }\n"
                            "QListWidget { border: none; background: url('img/blue.png'); }\n";

QByteArray startDirectoryOf(const QTemporaryDir &dir)
{
    return QFile::encodeName(dir.path());
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// A start-up directory holding winaqua.skn with `skin` and the image it uses.
void prepareSkinDirectory(const QTemporaryDir &dir, const QByteArray &skin)
{
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("img")));
    QImage blue(8, 8, QImage::Format_RGB32);
    blue.fill(SkinBlue);
    QVERIFY(blue.save(dir.filePath(QStringLiteral("img/blue.png"))));
    writeFile(dir.filePath(QStringLiteral("winaqua.skn")), skin);
}

// A pixel near the top-left corner, clear of captions.
QColor cornerColour(QWidget *widget)
{
    return widget->grab().toImage().pixelColor(4, 4);
}

// The controls the skin draws in the player window.
struct PlayerLike {
    std::unique_ptr<QDialog> window = std::make_unique<QDialog>();
    QPushButton *play = nullptr;
    SkinHost *host = nullptr;

    explicit PlayerLike(std::shared_ptr<QObject> hosted, bool withEngine)
    {
        window->setObjectName(Res::objectIdName(Res::IDD_PLAYER));
        window->resize(525, 401);
        play = new QPushButton(QStringLiteral("播放"), window.get());
        play->setObjectName(Res::objectIdName(Res::IDC_PLAYPAUSE));
        play->setGeometry(78, 374, 56, 24);
        host =
            withEngine ? new SkinHost(window.get()) : new SkinHost(std::move(hosted), window.get());
        host->setGeometry(177, 338, 32, 33);
    }
};

std::unique_ptr<QDialog> makePlaylistLike()
{
    auto window = std::make_unique<QDialog>();
    window->resize(130, 401);
    auto *list = new QListWidget(window.get());
    list->setObjectName(Res::objectIdName(Res::IDC_PLAYLIST_BOX));
    list->setGeometry(window->rect());
    return window;
}

bool isSkinBlue(const QColor &colour)
{
    return colour == SkinBlue;
}

} // namespace

class TestSkin : public QObject {
    Q_OBJECT

private slots:
    void init();

    void sheetRewritesUrls_data();
    void sheetRewritesUrls();
    void sheetRefusesDamage_data();
    void sheetRefusesDamage();
    void sheetAcceptsHarmlessOddities();
    void sheetQuotesAwkwardFolders();

    void engineLoadsAndApplies();
    void engineRefusesMissingAndDamagedFiles();

    void skinsThreeWindowsButNotFullScreen();
    void missingSkinFileLeavesPlainLook();
    void damagedSkinFileLeavesPlainLook();
    void hostWithoutObjectSkipsSkin();
    void failingQuerySkipsSkin();
    void obtainingAgainReleasesPreviousReference();

    void shippedSkinLoadsAndReadsWell();
};

void TestSkin::init()
{
    // Every test starts without a held reference, as a fresh process does.
    Skin::obtain(nullptr);
    QVERIFY(!Skin::reference());
}

void TestSkin::sheetRewritesUrls_data()
{
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QStringList>("images");

    const QString f = QStringLiteral("/skins/aqua");
    QTest::newRow("unquoted") << "a { b: url(img/x.png); }"
                              << "a { b: url(\"/skins/aqua/img/x.png\"); }"
                              << QStringList{f + "/img/x.png"};
    QTest::newRow("double quoted, spaces")
        << "a{b:url( \"my img/x.png\" )}"
        << "a{b:url(\"/skins/aqua/my img/x.png\")}" << QStringList{f + "/my img/x.png"};
    QTest::newRow("single quoted")
        << "a{b:url('x.png')}"
        << "a{b:url(\"/skins/aqua/x.png\")}" << QStringList{f + "/x.png"};
    QTest::newRow("upper case") << "a{b:URL(x.png)}"
                                << "a{b:url(\"/skins/aqua/x.png\")}" << QStringList{f + "/x.png"};
    QTest::newRow("parent folder") << "a{b:url(../x.png)}"
                                   << "a{b:url(\"/skins/x.png\")}" << QStringList{"/skins/x.png"};
    QTest::newRow("absolute") << "a{b:url(/usr/x.png)}"
                              << "a{b:url(\"/usr/x.png\")}" << QStringList{"/usr/x.png"};
    QTest::newRow("resource") << "a{b:url(:/res/x.png)}"
                              << "a{b:url(\":/res/x.png\")}" << QStringList{};
    QTest::newRow("in comment") << "/* url(x.png) { */ a{}"
                                << "/* url(x.png) { */ a{}" << QStringList{};
    QTest::newRow("in string") << "a{b:\"url(x.png)\"}"
                               << "a{b:\"url(x.png)\"}" << QStringList{};
    QTest::newRow("not a url function") << "a{b:myurl(x)}"
                                        << "a{b:myurl(x)}" << QStringList{};
    QTest::newRow("two urls") << "a{b:url(x.png);c:url(y.png)}"
                              << "a{b:url(\"/skins/aqua/x.png\");c:url(\"/skins/aqua/y.png\")}"
                              << QStringList{f + "/x.png", f + "/y.png"};
}

void TestSkin::sheetRewritesUrls()
{
    QFETCH(QString, sheet);
    QFETCH(QString, expected);
    QFETCH(QStringList, images);
    const SkinSheet result = SkinSheet::fromBytes(sheet.toUtf8(), QStringLiteral("/skins/aqua"));
    QVERIFY2(result.ok(), qPrintable(result.error()));
    QCOMPARE(result.styleSheet(), expected);
    QCOMPARE(result.imagePaths(), images);
}

void TestSkin::sheetRefusesDamage_data()
{
    QTest::addColumn<QByteArray>("bytes");

    QByteArray junk(4096, '\0');
    QRandomGenerator random(8);
    for (char &c : junk)
        c = static_cast<char>(random.bounded(256));
    QByteArray huge(SkinSheet::MaxFileBytes + 1, ' ');
    huge.replace(0, 4, "a{}\n");

    QTest::newRow("random bytes") << junk;
    QTest::newRow("not UTF-8") << QByteArray("a { color: \xff\xfe red; }");
    QTest::newRow("NUL byte") << QByteArray("a { color: red; }\0b{}", 21);
    QTest::newRow("control byte") << QByteArray("a { color: \x01red; }");
    QTest::newRow("block not closed") << QByteArray("a { color: red;\nb { }");
    QTest::newRow("brace without block") << QByteArray("a { color: red; } }");
    QTest::newRow("nested block") << QByteArray("a { b { color: red; } }");
    QTest::newRow("comment not closed") << QByteArray("a { color: red; } /* b {}");
    QTest::newRow("string not closed") << QByteArray("a { font-family: \"Sans; }");
    QTest::newRow("string broken by newline") << QByteArray("a { b: 'x\n'; }");
    QTest::newRow("url not closed") << QByteArray("a { b: url(x.png; }");
    QTest::newRow("url with stray quote") << QByteArray("a { b: url(x\"y.png); }");
    QTest::newRow("empty url") << QByteArray("a { b: url(); }");
    QTest::newRow("parenthesis not closed") << QByteArray("a { b: qlineargradient(x1:0; }");
    QTest::newRow("parenthesis without opening") << QByteArray("a { b: red); }");
    QTest::newRow("over the size limit") << huge;
}

void TestSkin::sheetRefusesDamage()
{
    QFETCH(QByteArray, bytes);
    const SkinSheet result = SkinSheet::fromBytes(bytes, QStringLiteral("/skins"));
    QVERIFY(!result.ok());
    QVERIFY(!result.error().isEmpty());
    QVERIFY(result.styleSheet().isEmpty());
}

void TestSkin::sheetAcceptsHarmlessOddities()
{
    // A byte-order mark, Windows line ends, tabs, form feeds, an empty file
    // and non-ASCII text in comments and strings are all fine.
    const QByteArray bom = "\xef\xbb\xbf"
                           "a {\r\n\tcolor: red;\f}\r\n";
    SkinSheet sheet = SkinSheet::fromBytes(bom, QStringLiteral("/s"));
    QVERIFY2(sheet.ok(), qPrintable(sheet.error()));
    QCOMPARE(sheet.styleSheet(), QStringLiteral("a {\r\n\tcolor: red;\f}\r\n"));

    QVERIFY(SkinSheet::fromBytes(QByteArray(), QStringLiteral("/s")).ok());
    sheet =
        SkinSheet::fromBytes("/* 水色 } */ a { font-family: \"文泉 {\"; }", QStringLiteral("/s"));
    QVERIFY2(sheet.ok(), qPrintable(sheet.error()));
}

void TestSkin::sheetQuotesAwkwardFolders()
{
    // A folder whose name holds a double quote is written with single
    // quotes; one holding both kinds cannot be written and is refused.
    SkinSheet sheet = SkinSheet::fromBytes("a{b:url(x.png)}", QStringLiteral("/my \"skins\""));
    QVERIFY2(sheet.ok(), qPrintable(sheet.error()));
    QCOMPARE(sheet.styleSheet(), QStringLiteral("a{b:url('/my \"skins\"/x.png')}"));
    sheet = SkinSheet::fromBytes("a{b:url(x.png)}", QStringLiteral("/it's \"here\""));
    QVERIFY(!sheet.ok());
    sheet = SkinSheet::fromBytes("a{b:url(x.png)}", QStringLiteral("/line\nbreak"));
    QVERIFY(!sheet.ok());
}

void TestSkin::engineLoadsAndApplies()
{
    // The folder's name has a space and a quote; the working directory is
    // elsewhere when the window is drawn, as after the file finder ran.
    QTemporaryDir base;
    QVERIFY(base.isValid());
    const QString folder = base.filePath(QStringLiteral("my \"aqua\" skin"));
    QVERIFY(QDir().mkpath(folder + QStringLiteral("/img")));
    QImage blue(8, 8, QImage::Format_RGB32);
    blue.fill(SkinBlue);
    QVERIFY(blue.save(folder + QStringLiteral("/img/blue.png")));
    writeFile(folder + QStringLiteral("/winaqua.skn"), BlueSkin);

    SkinEngine engine;
    QVERIFY(engine.LoadSkinFile(folder + QStringLiteral("/winaqua.skn")));
    QVERIFY(engine.hasSkin());
    QVERIFY(engine.lastError().isEmpty());

    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(QDir::rootPath()));
    QDialog window;
    auto *button = new QPushButton(QStringLiteral("x"), &window);
    button->setGeometry(0, 0, 60, 24);
    engine.ApplyToWindow(&window);
    const QColor colour = cornerColour(button);
    QVERIFY(QDir::setCurrent(previous));
    QVERIFY2(isSkinBlue(colour), qPrintable(colour.name()));
    QVERIFY(qApp->styleSheet().isEmpty());

    engine.ApplyToWindow(nullptr); // ignored, must not crash
}

void TestSkin::engineRefusesMissingAndDamagedFiles()
{
    QTemporaryDir dir;
    prepareSkinDirectory(dir, BlueSkin);
    SkinEngine engine;
    QVERIFY(engine.LoadSkinFile(dir.filePath(QStringLiteral("winaqua.skn"))));

    // A refused file replaces the loaded skin: later windows stay plain.
    const QStringList refused = {dir.filePath(QStringLiteral("missing.skn")), dir.path(),
                                 dir.filePath(QStringLiteral("img/blue.png"))};
    for (const QString &path : refused) {
        QVERIFY2(!engine.LoadSkinFile(path), qPrintable(path));
        QVERIFY(!engine.hasSkin());
        QVERIFY(!engine.lastError().isEmpty());
        QDialog window;
        window.setStyleSheet(QStringLiteral("QDialog { color: red; }"));
        engine.ApplyToWindow(&window);
        QCOMPARE(window.styleSheet(), QStringLiteral("QDialog { color: red; }"));
    }
}

void TestSkin::skinsThreeWindowsButNotFullScreen()
{
    QTemporaryDir dir;
    prepareSkinDirectory(dir, BlueSkin);
    PlayerLike player(nullptr, true);
    auto fullScreen = std::make_unique<QDialog>();
    auto *fullScreenButton = new QPushButton(QStringLiteral("x"), fullScreen.get());
    fullScreenButton->setGeometry(0, 0, 60, 24);

    Skin::skinPlayerWindow(player.window.get(), player.host, startDirectoryOf(dir));

    QVERIFY(Skin::reference());
    QVERIFY2(isSkinBlue(cornerColour(player.play)), "player window not skinned");

    // The playlist window is created later, by the toggle.
    std::unique_ptr<QDialog> playlist = makePlaylistLike();
    Skin::skinOwnWindow(playlist.get());
    QVERIFY2(isSkinBlue(cornerColour(playlist->findChild<QListWidget *>())),
             "playlist window not skinned");

    for (int run = 0; run < 2; ++run) {
        AboutBox about;
        QPushButton *web = about.findChild<QPushButton *>(Res::objectIdName(Res::IDC_ABOUT_WEB));
        QVERIFY(web);
        QVERIFY2(isSkinBlue(cornerColour(web)), "about box not skinned");
    }

    QVERIFY(fullScreen->styleSheet().isEmpty());
    QVERIFY(!isSkinBlue(cornerColour(fullScreenButton)));
    QVERIFY(qApp->styleSheet().isEmpty());
}

void TestSkin::missingSkinFileLeavesPlainLook()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    PlayerLike player(nullptr, true);
    Skin::skinPlayerWindow(player.window.get(), player.host, startDirectoryOf(dir));

    // The engine is held; it just has nothing to draw with.
    QVERIFY(Skin::reference());
    QVERIFY(player.window->styleSheet().isEmpty());
    QVERIFY(!isSkinBlue(cornerColour(player.play)));
    std::unique_ptr<QDialog> playlist = makePlaylistLike();
    Skin::skinOwnWindow(playlist.get());
    QVERIFY(playlist->styleSheet().isEmpty());
    AboutBox about;
    QVERIFY(about.styleSheet().isEmpty());
}

void TestSkin::damagedSkinFileLeavesPlainLook()
{
    QTemporaryDir dir;
    prepareSkinDirectory(dir, BlueSkin + "QPushButton { color: red; ");
    PlayerLike player(nullptr, true);
    Skin::skinPlayerWindow(player.window.get(), player.host, startDirectoryOf(dir));

    QVERIFY(Skin::reference());
    QVERIFY(player.window->styleSheet().isEmpty());
    QVERIFY(!isSkinBlue(cornerColour(player.play)));
    AboutBox about;
    QVERIFY(about.styleSheet().isEmpty());
}

void TestSkin::hostWithoutObjectSkipsSkin()
{
    QTemporaryDir dir;
    prepareSkinDirectory(dir, BlueSkin);
    PlayerLike player(nullptr, false);
    QVERIFY(!player.host->object());

    Skin::skinPlayerWindow(player.window.get(), player.host, startDirectoryOf(dir));

    QVERIFY(!Skin::reference());
    QVERIFY(player.window->styleSheet().isEmpty());
    std::unique_ptr<QDialog> playlist = makePlaylistLike();
    Skin::skinOwnWindow(playlist.get());
    QVERIFY(playlist->styleSheet().isEmpty());
    AboutBox about;
    QVERIFY(about.styleSheet().isEmpty());

    // A plain placeholder standing as control 1000, or no control at all,
    // fares the same.
    QWidget placeholder(player.window.get());
    Skin::skinPlayerWindow(player.window.get(), &placeholder, startDirectoryOf(dir));
    QVERIFY(!Skin::reference());
    Skin::skinPlayerWindow(player.window.get(), nullptr, startDirectoryOf(dir));
    QVERIFY(!Skin::reference());
    QVERIFY(player.window->styleSheet().isEmpty());
}

void TestSkin::failingQuerySkipsSkin()
{
    QTemporaryDir dir;
    prepareSkinDirectory(dir, BlueSkin);
    // The control has an object, but it offers no skin interface.
    PlayerLike player(std::make_shared<QObject>(), false);
    QVERIFY(player.host->object());
    QVERIFY(!Skin::queryInterface(player.host->object()));

    Skin::skinPlayerWindow(player.window.get(), player.host, startDirectoryOf(dir));

    QVERIFY(!Skin::reference());
    QVERIFY(player.window->styleSheet().isEmpty());
    QVERIFY(!isSkinBlue(cornerColour(player.play)));
    AboutBox about;
    QVERIFY(about.styleSheet().isEmpty());
}

void TestSkin::obtainingAgainReleasesPreviousReference()
{
    std::weak_ptr<QObject> first;
    {
        SkinHost firstHost;
        first = firstHost.object();
        QVERIFY(Skin::obtain(&firstHost));
    }
    // The reference keeps the engine alive beyond its host ...
    QVERIFY(!first.expired());
    QVERIFY(Skin::reference());

    // ... until the reference is obtained again.
    SkinHost secondHost;
    QVERIFY(Skin::obtain(&secondHost));
    QVERIFY(first.expired());
    QCOMPARE(dynamic_cast<QObject *>(Skin::reference().get()), secondHost.object().get());

    // A failed query also replaces it.
    SkinHost stranger(std::make_shared<QObject>());
    QVERIFY(!Skin::obtain(&stranger));
    QVERIFY(!Skin::reference());
}

void TestSkin::shippedSkinLoadsAndReadsWell()
{
    // Qt drops a sheet it cannot parse with no more than a warning.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("style ?sheet"),
                                            QRegularExpression::CaseInsensitiveOption));
    // The application object's dialog colours: white text on black.
    const QPalette previousPalette = QApplication::palette("QDialog");
    QPalette dialogColours;
    dialogColours.setColor(QPalette::Window, Qt::black);
    dialogColours.setColor(QPalette::WindowText, Qt::white);
    QApplication::setPalette(dialogColours, "QDialog");

    const QString path = QStringLiteral(ORVANTO_SOURCE_DIR "/res/winaqua.skn");
    const SkinSheet sheet = SkinSheet::fromFile(path);
    QVERIFY2(sheet.ok(), qPrintable(sheet.error()));
    QVERIFY(!sheet.imagePaths().isEmpty());
    for (const QString &image : sheet.imagePaths())
        QVERIFY2(!QImage(image).isNull(), qPrintable(image));

    SkinEngine engine;
    QVERIFY(engine.LoadSkinFile(path));
    PlayerLike player(nullptr, true);
    auto *label = new QLabel(QStringLiteral("音量:"), player.window.get());
    label->setGeometry(369, 380, 29, 13);
    auto *seek = new QScrollBar(Qt::Horizontal, player.window.get());
    seek->setObjectName(Res::objectIdName(Res::IDC_SEEKBAR));
    seek->setGeometry(0, 340, 524, 15);
    auto *volume = new QProgressBar(player.window.get());
    volume->setObjectName(Res::objectIdName(Res::IDC_VOLUMEBAR));
    volume->setGeometry(399, 379, 125, 15);
    volume->setValue(volume->maximum());
    engine.ApplyToWindow(player.window.get());
    const QImage window = player.window->grab().toImage();
    QApplication::setPalette(previousPalette, "QDialog");

    // Captions are dark on a light panel, whatever the dialog colours say.
    const auto lightness = [&](QWidget *w, int dx, int dy) {
        return window.pixelColor(w->geometry().topLeft() + QPoint(dx, dy)).lightness();
    };
    QVERIFY(lightness(label, 0, 0) > 200);
    int darkest = 255;
    for (int y = label->y(); y < label->y() + label->height(); ++y)
        for (int x = label->x(); x < label->x() + label->width(); ++x)
            darkest = qMin(darkest, window.pixelColor(x, y).lightness());
    QVERIFY2(darkest < 90, qPrintable(QString::number(darkest)));

    // The movie area stays black even where no movie paints it; the panel
    // below is light.
    QCOMPARE(window.pixelColor(10, 10), QColor(Qt::black));
    QCOMPARE(window.pixelColor(260, 330), QColor(Qt::black));
    QVERIFY(window.pixelColor(10, 398).lightness() > 200);

    // The play button and the volume level are blue gel.
    const QColor play = window.pixelColor(player.play->geometry().topLeft() + QPoint(8, 17));
    QVERIFY2(play.blue() > play.red() + 60, qPrintable(play.name()));
    const QColor level = window.pixelColor(volume->geometry().center());
    QVERIFY2(level.blue() > level.red() + 60, qPrintable(level.name()));
}

QTEST_MAIN(TestSkin)
#include "test_skin.moc"
