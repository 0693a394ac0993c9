// The about box, its window-menu entry and the ways the player window
// opens it.
#include "res/resource.h"
#include "res/strings.h"
#include "ui/aboutbox.h"
#include "ui/aboutcommands.h"
#include "ui/maker.h"
#include "ui/urlopener.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

class RecordingOpener final : public UrlOpener {
public:
    void openUrl(const QUrl &url) override { urls.append(url); }
    QList<QUrl> urls;
};

QPushButton *buttonOf(const AboutBox &box, int id)
{
    return box.findChild<QPushButton *>(Res::objectIdName(id));
}

// Clicks through the window system, so that the press goes wherever the
// window's hit-testing sends it, as a user's click does.
void clickAt(AboutBox &box, QPoint point, Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mouseClick(box.windowHandle(), button, {}, point);
}

void showAndWait(AboutBox &box)
{
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
}

} // namespace

class TestAboutBox : public QObject {
    Q_OBJECT

private slots:
    void showsTemplate100();
    void usageTextIsExact();

    void leftClickOutsideButtonsClosesWithOk_data();
    void leftClickOutsideButtonsClosesWithOk();
    void otherClicksKeepItOpen();
    void buttonsHandOverAddressesAndStayOpen_data();
    void buttonsHandOverAddressesAndStayOpen();
    void runIsModalAndEndsWithTheClick();

    void windowMenuEntry();
    void emptyStringAddsNoEntry();
    void systemCommandsSixteenToThirtyOneOpenIt_data();
    void systemCommandsSixteenToThirtyOneOpenIt();
    void aboutButtonRedrawsVolumeBarAfterTheBox();
    void windowMenuEntryRoutesToTheBoxWithoutRedraw();
};

void TestAboutBox::showsTemplate100()
{
    RecordingOpener opener;
    AboutBox box(nullptr, &opener);
    QCOMPARE(box.windowTitle(), QStringLiteral("About Orvanto"));
    QCOMPARE(box.size(), QSize(296, 348)); // 197 x 214 dialog units
    QCOMPARE(box.minimumSize(), box.maximumSize());

    const auto *icon = box.findChild<QLabel *>(QStringLiteral("aboutIcon"));
    QVERIFY(icon);
    QVERIFY(!icon->pixmap().isNull());
    QCOMPARE(icon->pixmap().deviceIndependentSize().toSize(), QSize(32, 32));
    const auto *version = box.findChild<QLabel *>(QStringLiteral("aboutVersion"));
    QVERIFY(version);
    QCOMPARE(version->text(), QStringLiteral("Orvanto Version 1.0"));

    // The mail button stands above the web button; both name their address.
    QPushButton *web = buttonOf(box, Res::IDC_ABOUT_WEB);
    QPushButton *mail = buttonOf(box, Res::IDC_ABOUT_MAIL);
    QVERIFY(web && mail);
    QCOMPARE(web->geometry(), QRect(65, 284, 153, 28));
    QCOMPARE(mail->geometry(), QRect(65, 254, 153, 27));
    QVERIFY(Maker::webAddress().contains(web->text()));
    QCOMPARE(mail->text(), Maker::mailAddress());
    QVERIFY(Maker::webAddress().endsWith(QStringLiteral(".example/")));
    QVERIFY(Maker::mailAddress().endsWith(QStringLiteral(".example")));

    // Template order is tab order: the web button comes first.
    QCOMPARE(web->nextInFocusChain(), mail);
}

void TestAboutBox::usageTextIsExact()
{
    // clang-format off
    const QByteArray expected =
        "\xe4\xbd\xbf\xe7\x94\xa8\xe8\xaf\xb4\xe6\x98\x8e:" // 使用说明:
        "\x0a\x0a\x0d"
        "      1\xe3\x80\x81\xe5\x8f\x8c\xe5\x87\xbb\xe8\xbf\x9b\xe5\x85\xa5/"
        "\xe9\x80\x80\xe5\x87\xba\xe5\x85\xa8\xe5\xb1\x8f\xe3\x80\x82"
        "\x0a\x0d"
        "      2\xe3\x80\x81\xe6\x92\xad\xe6\x94\xbe\xe6\x97\xb6\xe6\xbb\x9a\xe8\xbd\xae"
        "\xe5\x89\x8d\xe5\x90\x8e\xe6\xbb\x9a\xe5\x8a\xa8\xe6\x8e\xa7\xe5\x88\xb6" "Flash"
        "\xe5\x90\x8e\xe9\x80\x80\xe5\x92\x8c\xe5\xbf\xab\xe8\xbf\x9b\xe3\x80\x82"
        "\x0a\x0d"
        "      3\xe3\x80\x81\xe5\x85\xa8\xe5\xb1\x8f\xe6\x97\xb6\xe7\xa9\xba\xe6\xa0\xbc"
        "\xe9\x94\xae\xe6\x8e\xa7\xe5\x88\xb6\xe6\x92\xad\xe6\x94\xbe/\xe6\x9a\x82\xe5\x81\x9c"
        "\xef\xbc\x8c\xe5\xb7\xa6\xe5\x90\x8e\xe6\x96\xb9\xe5\x90\x91\xe9\x94\xae\xe6\x8e\xa7"
        "\xe5\x88\xb6" "Flash" "\xe5\x90\x8e\xe9\x80\x80\xe5\x92\x8c\xe5\xbf\xab\xe8\xbf\x9b"
        "\xef\xbc\x8c\xe4\xb8\x8a\xe4\xb8\x8b\xe6\x96\xb9\xe5\x90\x91\xe9\x94\xae\xe6\x89\x93"
        "\xe5\xbc\x80\xe4\xb8\x8a\xe4\xb8\x80\xe9\x83\xa8\xe4\xb8\x8b\xe4\xb8\x80\xe9\x83\xa8"
        "Flash\xe3\x80\x82"
        "\x0a\x0d"
        "      4\xe3\x80\x81\xe6\x94\xaf\xe6\x8c\x81\xe6\x8b\x96\xe6\x94\xbe\xe6\x89\x93\xe5\xbc\x80"
        "Flash\xe6\x96\x87\xe4\xbb\xb6\xe3\x80\x82"
        "\x0a"
        "      5\xe3\x80\x81\xe5\x8f\x8c\xe5\x87\xbb\xe6\x92\xad\xe6\x94\xbe\xe5\x88\x97\xe8\xa1\xa8"
        "\xe4\xb8\xad\xe6\x96\x87\xe4\xbb\xb6\xef\xbc\x8c\xe7\x82\xb9\xe5\x87\xbb\xe5\x8f\xb3"
        "\xe9\x94\xae\xe8\x8f\x9c\xe5\x8d\x95\xe5\x8f\xaf\xe4\xbb\xa5\xe6\xb7\xbb\xe5\x8a\xa0"
        "\xe4\xb8\x80\xe4\xb8\xaa\xe6\x96\x87\xe4\xbb\xb6\xe5\xa4\xb9\xe9\x87\x8c\xe7\x9a\x84"
        "Flash\xe6\x96\x87\xe4\xbb\xb6\xe3\x80\x82\xe8\x87\xaa\xe5\x8a\xa8\xe4\xbf\x9d\xe5\xad\x98"
        "/\xe6\x89\x93\xe5\xbc\x80\xe4\xb8\x80\xe4\xb8\xaa\xe6\x96\x87\xe4\xbb\xb6\xe5\x88\x97"
        "\xe8\xa1\xa8\xef\xbc\x81";
    // clang-format on
    QCOMPARE(AboutBox::usageText().toUtf8(), expected);

    AboutBox box;
    const auto *usage = box.findChild<QLabel *>(QStringLiteral("aboutUsage"));
    QVERIFY(usage);
    QCOMPARE(usage->text().toUtf8(), expected);
    QCOMPARE(usage->textFormat(), Qt::PlainText);
}

void TestAboutBox::leftClickOutsideButtonsClosesWithOk_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QPoint>("offset");
    QTest::newRow("icon") << QStringLiteral("aboutIcon") << QPoint(16, 16);
    QTest::newRow("version text") << QStringLiteral("aboutVersion") << QPoint(20, 6);
    QTest::newRow("usage text") << QStringLiteral("aboutUsage") << QPoint(100, 100);
    QTest::newRow("bare background") << QString() << QPoint(280, 330);
}

void TestAboutBox::leftClickOutsideButtonsClosesWithOk()
{
    QFETCH(QString, target);
    QFETCH(QPoint, offset);
    RecordingOpener opener;
    AboutBox box(nullptr, &opener);
    showAndWait(box);
    QPoint point = offset;
    if (!target.isEmpty()) {
        const auto *label = box.findChild<QLabel *>(target);
        QVERIFY(label);
        point += label->pos();
    }
    clickAt(box, point);
    QVERIFY(!box.isVisible());
    QCOMPARE(box.result(), int(QDialog::Accepted));
    QVERIFY(opener.urls.isEmpty());
}

void TestAboutBox::otherClicksKeepItOpen()
{
    AboutBox box;
    showAndWait(box);
    clickAt(box, QPoint(280, 330), Qt::RightButton);
    clickAt(box, QPoint(280, 330), Qt::MiddleButton);
    QVERIFY(box.isVisible());
}

void TestAboutBox::buttonsHandOverAddressesAndStayOpen_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QUrl>("url");
    QTest::newRow("web") << Res::IDC_ABOUT_WEB << QUrl(QStringLiteral("https://orvanto.example/"));
    QTest::newRow("mail") << Res::IDC_ABOUT_MAIL
                          << QUrl(QStringLiteral("mailto:mail@orvanto.example"));
}

void TestAboutBox::buttonsHandOverAddressesAndStayOpen()
{
    QFETCH(int, id);
    QFETCH(QUrl, url);
    RecordingOpener opener;
    AboutBox box(nullptr, &opener);
    showAndWait(box);
    QPushButton *button = buttonOf(box, id);
    QVERIFY(button);

    clickAt(box, button->geometry().center());
    QCOMPARE(opener.urls, QList<QUrl>{url});
    QVERIFY(box.isVisible());

    // The keyboard reaches the same action.
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Space);
    QCOMPARE(opener.urls, (QList<QUrl>{url, url}));
    QVERIFY(box.isVisible());
}

void TestAboutBox::runIsModalAndEndsWithTheClick()
{
    bool wasModal = false;
    QTimer::singleShot(0, this, [&] {
        auto *box = qobject_cast<AboutBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        wasModal = true;
        QVERIFY(QTest::qWaitForWindowExposed(box));
        clickAt(*box, QPoint(20, 330));
    });
    RecordingOpener opener;
    QCOMPARE(AboutBox::run(nullptr, &opener), int(QDialog::Accepted));
    QVERIFY(wasModal);
}

void TestAboutBox::windowMenuEntry()
{
    QMenu menu;
    menu.addAction(QStringLiteral("Close"));
    QAction *entry = AboutCommands::addSystemMenuEntry(&menu, Res::loadString);
    QVERIFY(entry);
    const QList<QAction *> actions = menu.actions();
    QCOMPARE(actions.size(), 3);
    QVERIFY(actions.at(1)->isSeparator());
    QCOMPARE(actions.at(2), entry);
    QCOMPARE(entry->text(), QStringLiteral("&About Orvanto..."));
    QCOMPARE(AboutCommands::commandOf(entry), Res::IDM_ABOUTBOX);

    QVERIFY(!AboutCommands::addSystemMenuEntry(nullptr, Res::loadString));
}

void TestAboutBox::emptyStringAddsNoEntry()
{
    QMenu menu;
    menu.addAction(QStringLiteral("Close"));
    int asked = -1;
    QAction *entry = AboutCommands::addSystemMenuEntry(&menu, [&](int id) {
        asked = id;
        return QString();
    });
    QVERIFY(!entry);
    QCOMPARE(asked, Res::IDS_ABOUTBOX);
    QCOMPARE(menu.actions().size(), 1);
}

void TestAboutBox::systemCommandsSixteenToThirtyOneOpenIt_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<bool>("opens");
    QTest::newRow("15") << 15 << false;
    QTest::newRow("16") << 16 << true;
    QTest::newRow("17") << 17 << true;
    QTest::newRow("31") << 31 << true;
    QTest::newRow("32") << 32 << false;
    QTest::newRow("close") << 0xF060 << false;
    QTest::newRow("move") << 0xF010 << false;
}

void TestAboutBox::systemCommandsSixteenToThirtyOneOpenIt()
{
    QFETCH(int, command);
    QFETCH(bool, opens);
    int aboutRuns = 0;
    int redraws = 0;
    QList<int> standard;
    const AboutCommandHandlers handlers{[&] { ++aboutRuns; }, [&] { ++redraws; },
                                        [&](int c) { standard.append(c); }};
    AboutCommands::systemCommand(command, handlers);
    QCOMPARE(AboutCommands::opensAboutBox(command), opens);
    QCOMPARE(aboutRuns, opens ? 1 : 0);
    QCOMPARE(standard, opens ? QList<int>{} : QList<int>{command});
    QCOMPARE(redraws, 0);
}

void TestAboutBox::aboutButtonRedrawsVolumeBarAfterTheBox()
{
    // The real box: the redraw comes once the modal run has ended.
    QStringList events;
    RecordingOpener opener;
    const AboutCommandHandlers handlers{
        [&] {
            QTimer::singleShot(0, this, [&] {
                if (auto *box = qobject_cast<AboutBox *>(QApplication::activeModalWidget())) {
                    events << QStringLiteral("shown");
                    box->accept();
                }
            });
            AboutBox::run(nullptr, &opener);
            events << QStringLiteral("closed");
        },
        [&] {
            events << (QApplication::activeModalWidget() ? QStringLiteral("redraw while open")
                                                         : QStringLiteral("redraw"));
        },
        [&](int) { events << QStringLiteral("standard"); }};
    AboutCommands::aboutButton(handlers);
    QCOMPARE(events, (QStringList{"shown", "closed", "redraw"}));
}

void TestAboutBox::windowMenuEntryRoutesToTheBoxWithoutRedraw()
{
    QMenu menu;
    AboutCommands::addSystemMenuEntry(&menu, Res::loadString);
    int aboutRuns = 0;
    int redraws = 0;
    const AboutCommandHandlers handlers{[&] { ++aboutRuns; }, [&] { ++redraws; }, [](int) {}};
    connect(&menu, &QMenu::triggered, this, [&](QAction *action) {
        AboutCommands::systemCommand(AboutCommands::commandOf(action), handlers);
    });
    menu.actions().constLast()->trigger();
    QCOMPARE(aboutRuns, 1);
    QCOMPARE(redraws, 0);
}

QTEST_MAIN(TestAboutBox)
#include "test_aboutbox.moc"
