// The folder browser's contract with its dialog, driven headlessly through a
// scripted shell: the notifications and messages in order, the parameter
// block frozen while the dialog is open, cancelling and odd choices.
#include "fs/initialfolderbrowser.h"
#include "fs/scriptedfolderdialogshell.h"
#include "res/resource.h"

#include <QTest>
#include <QWidget>

#include <functional>

namespace {

// Shows the browser's protected state and lets a test act from inside the
// creation notification.
class ProbeBrowser : public InitialFolderBrowser {
public:
    using InitialFolderBrowser::InitialFolderBrowser;

    std::function<void()> onInitialized;

    const FolderBrowseInfo &info() const { return browseInfo; }
    QString title() const { return browseInfo.lpszTitle ? *browseInfo.lpszTitle : QString(); }
    bool isOpen() const { return dialogWindow != nullptr; }

protected:
    void OnInitialized() override
    {
        InitialFolderBrowser::OnInitialized();
        if (onInitialized)
            onInitialized();
    }
};

const QString kBrowseTitle = QStringLiteral("Browse flash(*.swf) folder....");

} // namespace

class TestFolderBrowser : public QObject {
    Q_OBJECT

private slots:
    void opensOnTheInitialFolderAndShowsTheSelectedPath()
    {
        ScriptedFolderDialogShell shell;
        shell.selectionChanges = {FolderItem::folder("/m/new"), FolderItem::computer(),
                                  FolderItem::folder("/m/final")};
        shell.result = FolderItem::folder("/m/final");
        InitialFolderBrowser browser(nullptr, Res::IDS_BROWSE_TITLE, &shell);
        browser.SetFlags(BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT);
        browser.SetInitialFolder("/m/old");
        QVERIFY(browser.Browse());
        QCOMPARE(browser.GetPath(), QByteArray("/m/final"));
        // Selecting the initial folder notifies at once, so its path shows
        // twice; the item outside the file system empties the line.
        const QList<QByteArray> expected = {
            "INITIALIZED",
            "SETSELECTION /m/old",
            "SELCHANGED /m/old",
            "SETSTATUSTEXT /m/old",
            "SETSTATUSTEXT /m/old",
            "SELCHANGED /m/new",
            "SETSTATUSTEXT /m/new",
            "SELCHANGED -",
            "SETSTATUSTEXT ",
            "SELCHANGED /m/final",
            "SETSTATUSTEXT /m/final",
        };
        QCOMPARE(shell.log, expected);
    }

    void emptyInitialFolderStillSendsBothMessages()
    {
        ScriptedFolderDialogShell shell;
        InitialFolderBrowser browser(nullptr, Res::IDS_BROWSE_TITLE, &shell);
        browser.SetFlags(BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT);
        QVERIFY(!browser.Browse());
        QCOMPARE(shell.log,
                 QList<QByteArray>({"INITIALIZED", "SETSELECTION ", "SETSTATUSTEXT "}));
        QVERIFY(shell.statusText.isEmpty());
        QCOMPARE(shell.selection, FolderItem::computer());
    }

    void dialogReceivesTheParameterBlock()
    {
        ScriptedFolderDialogShell shell;
        QWidget owner;
        ProbeBrowser browser(&owner, Res::IDS_BROWSE_TITLE, &shell);
        browser.SetFlags(5);
        browser.Browse();
        QCOMPARE(shell.receivedInfo.hwndOwner, &owner);
        QCOMPARE(shell.receivedInfo.ulFlags, 5u);
        QCOMPARE(shell.receivedInfo.pidlRoot, FolderItem::computer());
        QCOMPARE(shell.receivedTitle, kBrowseTitle);
        QVERIFY(shell.receivedInfo.lpfn == &FolderBrowser::BrowseCallbackProc);
        QCOMPARE(shell.receivedInfo.lParam, static_cast<FolderBrowser *>(&browser));
    }

    void settersChangeNothingWhileTheDialogIsOpen()
    {
        ScriptedFolderDialogShell shell;
        QWidget owner;
        ProbeBrowser browser(&owner, Res::IDS_BROWSE_TITLE, &shell);
        browser.SetFlags(BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT);
        auto tryEverySetter = [&] {
            QVERIFY(browser.isOpen());
            browser.SetFlags(0);
            browser.SetOwner(nullptr);
            browser.SetRootItem(FolderItem::folder("/elsewhere"));
            browser.SetTitleText(QStringLiteral("other"));
            QVERIFY(browser.SetTitle(Res::IDS_ABOUTBOX)); // loads, changes nothing
        };
        browser.onInitialized = tryEverySetter;
        shell.whileOpen = [&] {
            tryEverySetter();
            browser.SetInitialFolder("/next"); // accepted at any time
        };
        shell.result = FolderItem::folder("/chosen");
        QVERIFY(browser.Browse());

        QCOMPARE(shell.closingInfo.ulFlags, BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT);
        QCOMPARE(shell.closingInfo.hwndOwner, &owner);
        QCOMPARE(shell.closingInfo.pidlRoot, FolderItem::computer());
        QCOMPARE(*shell.closingInfo.lpszTitle, kBrowseTitle);

        // Idle again: the setters work, and the next dialog opens on the
        // folder set while the last one was open.
        QVERIFY(!browser.isOpen());
        browser.SetFlags(BIF_STATUSTEXT);
        browser.SetOwner(nullptr);
        QVERIFY(browser.SetTitle(Res::IDS_ABOUTBOX));
        QCOMPARE(browser.info().ulFlags, BIF_STATUSTEXT);
        QCOMPARE(browser.info().hwndOwner, nullptr);
        QCOMPARE(browser.title(), QStringLiteral("&About Orvanto..."));
        shell.whileOpen = nullptr;
        shell.log.clear();
        browser.Browse();
        QCOMPARE(shell.log.value(1), QByteArray("SETSELECTION /next"));
        QCOMPARE(shell.receivedInfo.ulFlags, BIF_STATUSTEXT);
    }

    void messagesReachOnlyAnOpenDialog()
    {
        ScriptedFolderDialogShell shell;
        ProbeBrowser browser(nullptr, Res::IDS_BROWSE_TITLE, &shell);
        browser.SetSelection("/a");
        browser.SetStatusText("text");
        QVERIFY(shell.log.isEmpty());
        browser.Browse();
        const qsizetype sent = shell.log.size();
        browser.SetSelection("/a");
        browser.SetStatusText("text");
        QCOMPARE(shell.log.size(), sent);
    }

    void cancelledOrPathlessChoiceReturnsFalse()
    {
        ScriptedFolderDialogShell shell;
        InitialFolderBrowser browser(nullptr, Res::IDS_BROWSE_TITLE, &shell);
        QVERIFY(browser.GetPath().isEmpty());
        shell.result = FolderItem::folder("/first");
        QVERIFY(browser.Browse());
        QCOMPARE(browser.GetPath(), QByteArray("/first"));

        shell.result.reset();
        QVERIFY(!browser.Browse());
        QCOMPARE(browser.GetPath(), QByteArray("/first"));

        // Only possible without BIF_RETURNONLYFSDIRS: the computer itself.
        shell.result = FolderItem::computer();
        QVERIFY(!browser.Browse());
        QVERIFY(browser.GetPath().isEmpty());
        QCOMPARE(shell.browseCount, 3);
    }

    void titleComesFromTheStringTable()
    {
        ScriptedFolderDialogShell shell;
        ProbeBrowser untitled(nullptr, 0, &shell);
        QCOMPARE(untitled.info().lpszTitle, nullptr);
        untitled.Browse();
        QCOMPARE(shell.receivedInfo.lpszTitle, nullptr);

        ProbeBrowser browser(nullptr, Res::IDS_BROWSE_TITLE, &shell);
        QCOMPARE(browser.title(), kBrowseTitle);
        QVERIFY(!browser.SetTitle(0));
        QVERIFY(!browser.SetTitle(-3));
        QVERIFY(!browser.SetTitle(999)); // no such string
        QCOMPARE(browser.title(), kBrowseTitle);
        browser.SetTitleText(QString());
        QVERIFY(browser.info().lpszTitle);
        QVERIFY(browser.title().isEmpty());
    }

    void browseIsNotReentered()
    {
        ScriptedFolderDialogShell shell;
        ProbeBrowser browser(nullptr, Res::IDS_BROWSE_TITLE, &shell);
        bool nested = true;
        shell.whileOpen = [&] {
            nested = browser.Browse();
            QVERIFY(browser.isOpen());
        };
        shell.result = FolderItem::folder("/outer");
        QVERIFY(browser.Browse());
        QVERIFY(!nested);
        QCOMPARE(shell.browseCount, 1);
        QCOMPARE(browser.GetPath(), QByteArray("/outer"));
    }
};

QTEST_MAIN(TestFolderBrowser)
#include "tst_folderbrowser.moc"
