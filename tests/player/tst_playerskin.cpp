// The skin and the about box in the player window: control 1000 hosting the
// real skin engine, the skin file in the start directory, and the about box
// reached through button 1010, the window menu and the system commands.
#define QTEST_QPA_MOUSE_HANDLING
#include "playerharness.h"

#include "player/playerwindow.h"
#include "playlist/playlistwindow.h"
#include "ui/aboutbox.h"
#include "ui/skin.h"
#include "ui/skinengine.h"
#include "ui/skinhost.h"
#include "volume/volumebar.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QWindow>

namespace {

const QColor SkinBlue(0, 0, 255);
const QByteArray BlueSkin = "QPushButton { border: none; background: rgb(0, 0, 255); }\n"
                            "QListWidget { border: none; background: rgb(0, 0, 255); }\n";

QColor cornerColour(QWidget *widget)
{
    return widget->grab().toImage().pixelColor(3, 3);
}

// The real skin services of the program, as the application wires them.
void useRealSkin(PlayerServices &services)
{
    services.skinHostFactory = [](QWidget *parent) { return new SkinHost(parent); };
    services.skinPlayerWindow = Skin::skinPlayerWindow;
    services.skinOwnWindow = Skin::skinOwnWindow;
    services.aboutBoxFactory = [](QWidget *owner) { return std::make_shared<AboutBox>(owner); };
}

// Closes an about box the way the user does: a click on its text.
void clickAwayAboutBox(AboutBox *box)
{
    auto *usage = box->findChild<QWidget *>(QStringLiteral("aboutUsage"));
    QTest::mouseClick(box->windowHandle(), Qt::LeftButton, {},
                      usage->mapTo(box, usage->rect().center()));
}

} // namespace

class PlayerSkinTest final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void skinLoadedAndAppliedToTheThreeWindows();
    void shippedSkinStylesEveryWindowAlike();
    void missingSkinFileLeavesThePlainLook();
    void damagedSkinFileLeavesThePlainLook();
    void controlWithoutObjectSkipsEverySkinStep_data();
    void controlWithoutObjectSkipsEverySkinStep();
    void aboutButtonOpensTheBoxThenRedrawsTheVolumeBar();
    void systemCommandsOpenTheBoxWithoutRedraw_data();
    void systemCommandsOpenTheBoxWithoutRedraw();
    void windowMenuEntryOpensTheBox();
};

void PlayerSkinTest::init()
{
    // Every test starts as a fresh process does: no skin reference held.
    Skin::obtain(nullptr);
}

void PlayerSkinTest::skinLoadedAndAppliedToTheThreeWindows()
{
    QObject scope; // ends the watches of this test
    PlayerHarness h;
    h.writeFile("winaqua.skn", BlueSkin);
    h.adjustServices = useRealSkin;
    PlayerWindow *window = h.start();

    QVERIFY(Skin::reference());
    QCOMPARE(cornerColour(h.control<QPushButton>(Res::IDC_PLAYPAUSE)), SkinBlue);

    // The playlist window, created hidden at start-up, is skinned too.
    QTest::mouseClick(h.control<QPushButton>(Res::IDC_PLAYLIST_TOGGLE), Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowExposed(window->playlistWindow()));
    QCOMPARE(cornerColour(window->playlistWindow()->listBox()), SkinBlue);

    // And every about box.
    for (int run = 0; run < 2; ++run) {
        QColor webButton;
        whenModalOpens<AboutBox>(&scope, [&](AboutBox *box) {
            webButton =
                cornerColour(box->findChild<QPushButton *>(Res::objectIdName(Res::IDC_ABOUT_WEB)));
            clickAwayAboutBox(box);
        });
        QTest::mouseClick(h.control<QPushButton>(Res::IDC_ABOUT), Qt::LeftButton);
        QCOMPARE(webButton, SkinBlue);
    }
}

void PlayerSkinTest::shippedSkinStylesEveryWindowAlike()
{
    PlayerHarness h;
    QFile shipped(QStringLiteral(ORVANTO_SOURCE_DIR "/res/winaqua.skn"));
    QVERIFY(shipped.open(QIODevice::ReadOnly));
    h.writeFile("winaqua.skn", shipped.readAll());
    const QDir images(QStringLiteral(ORVANTO_SOURCE_DIR "/res/winaqua"));
    const QDir start(QFile::decodeName(h.directory()));
    QVERIFY(start.mkdir(QStringLiteral("winaqua")));
    for (const QString &name : images.entryList(QDir::Files))
        QVERIFY(
            QFile::copy(images.filePath(name), start.filePath(QStringLiteral("winaqua/") + name)));
    h.adjustServices = useRealSkin;
    PlayerWindow *window = h.start();

    const auto *host = h.control<SkinHost>(Res::IDC_SKIN);
    QVERIFY(host);
    const auto *engine = qobject_cast<const SkinEngine *>(host->object().get());
    QVERIFY(engine);
    QVERIFY2(engine->hasSkin(), qPrintable(engine->lastError()));
    QCOMPARE(window->styleSheet(), engine->styleSheet());
    QCOMPARE(window->playlistWindow()->styleSheet(), engine->styleSheet());
    QVERIFY(qApp->styleSheet().isEmpty());
}

void PlayerSkinTest::missingSkinFileLeavesThePlainLook()
{
    PlayerHarness h;
    h.adjustServices = useRealSkin;
    PlayerWindow *window = h.start();
    // The engine is held; it has nothing to draw with.
    QVERIFY(Skin::reference());
    QVERIFY(window->styleSheet().isEmpty());
    QVERIFY(window->playlistWindow()->styleSheet().isEmpty());
    QVERIFY(cornerColour(h.control<QPushButton>(Res::IDC_PLAYPAUSE)) != SkinBlue);
    // The program starts and plays normally.
    QVERIFY(h.movie->playing);
    QCOMPARE(h.control<QPushButton>(Res::IDC_PLAYPAUSE)->text(), QStringLiteral("暂停"));
}

void PlayerSkinTest::damagedSkinFileLeavesThePlainLook()
{
    PlayerHarness h;
    h.writeFile("winaqua.skn", BlueSkin + "QPushButton { color: red; ");
    h.adjustServices = useRealSkin;
    PlayerWindow *window = h.start();
    QVERIFY(window->styleSheet().isEmpty());
    QVERIFY(cornerColour(h.control<QPushButton>(Res::IDC_PLAYPAUSE)) != SkinBlue);
    QVERIFY(h.movie->playing);
    QVERIFY(window->playlistWindow());
}

void PlayerSkinTest::controlWithoutObjectSkipsEverySkinStep_data()
{
    QTest::addColumn<bool>("withObject");
    QTest::newRow("no object") << false;
    QTest::newRow("object without the interface") << true;
}

void PlayerSkinTest::controlWithoutObjectSkipsEverySkinStep()
{
    QObject scope; // ends the watches of this test
    QFETCH(bool, withObject);
    PlayerHarness h;
    h.writeFile("winaqua.skn", BlueSkin);
    h.adjustServices = [withObject](PlayerServices &services) {
        useRealSkin(services);
        services.skinHostFactory = [withObject](QWidget *parent) {
            return new SkinHost(withObject ? std::make_shared<QObject>() : nullptr, parent);
        };
    };
    PlayerWindow *window = h.start();

    QVERIFY(!Skin::reference());
    QVERIFY(window->styleSheet().isEmpty());
    QVERIFY(window->playlistWindow()->styleSheet().isEmpty());
    QVERIFY(cornerColour(h.control<QPushButton>(Res::IDC_PLAYPAUSE)) != SkinBlue);
    bool plainBox = false;
    whenModalOpens<AboutBox>(&scope, [&](AboutBox *box) {
        plainBox = box->styleSheet().isEmpty();
        clickAwayAboutBox(box);
    });
    QTest::mouseClick(h.control<QPushButton>(Res::IDC_ABOUT), Qt::LeftButton);
    QVERIFY(plainBox);
}

// The bar is redrawn once the box has closed, not while it is open.
void PlayerSkinTest::aboutButtonOpensTheBoxThenRedrawsTheVolumeBar()
{
    QObject scope; // ends the watches of this test
    PlayerHarness h;
    h.adjustServices = useRealSkin;
    PlayerWindow *window = h.start();
    const int before = window->volumeBarControl()->invalidationCount();
    int whileOpen = -1;
    QString caption;
    whenModalOpens<AboutBox>(&scope, [&](AboutBox *box) {
        whileOpen = window->volumeBarControl()->invalidationCount();
        caption = box->windowTitle();
        clickAwayAboutBox(box);
    });
    QTest::mouseClick(h.control<QPushButton>(Res::IDC_ABOUT), Qt::LeftButton);
    QCOMPARE(caption, QStringLiteral("About Orvanto"));
    QCOMPARE(whileOpen, before);
    QCOMPARE(window->volumeBarControl()->invalidationCount(), before + 1);
    QVERIFY(!QApplication::activeModalWidget());
}

void PlayerSkinTest::systemCommandsOpenTheBoxWithoutRedraw_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<bool>("opens");
    for (int command = 16; command <= 31; ++command)
        QTest::addRow("%d", command) << command << true;
    QTest::newRow("32") << 32 << false;
    QTest::newRow("minimise") << 0xF020 << false;
}

void PlayerSkinTest::systemCommandsOpenTheBoxWithoutRedraw()
{
    QObject scope; // ends the watches of this test
    QFETCH(int, command);
    QFETCH(bool, opens);
    PlayerHarness h;
    h.adjustServices = useRealSkin;
    PlayerWindow *window = h.start();
    const int before = window->volumeBarControl()->invalidationCount();
    int boxes = 0;
    whenModalOpens<AboutBox>(&scope, [&](AboutBox *box) {
        ++boxes;
        clickAwayAboutBox(box);
    });
    window->OnSysCommand(command);
    QTest::qWait(opens ? 0 : 50);
    QCOMPARE(boxes, opens ? 1 : 0);
    QCOMPARE(window->volumeBarControl()->invalidationCount(), before);
}

void PlayerSkinTest::windowMenuEntryOpensTheBox()
{
    QObject scope; // ends the watches of this test
    PlayerHarness h;
    h.adjustServices = useRealSkin;
    PlayerWindow *window = h.start();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    const int before = window->volumeBarControl()->invalidationCount();
    bool opened = false;
    whenMenuOpens(&scope, [](QMenu *menu) { chooseMenuEntry(menu, Res::IDM_ABOUTBOX); });
    whenModalOpens<AboutBox>(&scope, [&](AboutBox *box) {
        opened = true;
        clickAwayAboutBox(box);
    });
    QTest::keyClick(window->windowHandle(), Qt::Key_Space, Qt::AltModifier);
    QTRY_VERIFY(opened);
    QTRY_VERIFY(!QApplication::activeModalWidget());
    QCOMPARE(window->volumeBarControl()->invalidationCount(), before);
}

QTEST_MAIN(PlayerSkinTest)
#include "tst_playerskin.moc"
