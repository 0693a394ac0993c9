// Our folder dialog, driven as a user would on the offscreen platform: the
// tree, selection by path and by click, the status line, OK and Cancel; and
// the real dialog run modally by the browser.
#include "fs/folderdialog.h"
#include "fs/initialfolderbrowser.h"
#include "res/resource.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>

#include <sys/stat.h>

namespace {

FolderBrowseInfo browseInfo(unsigned flags, const QString *title = nullptr)
{
    FolderBrowseInfo info;
    info.ulFlags = flags;
    info.lpszTitle = title;
    return info;
}

QTreeWidget *treeOf(QWidget *dialog)
{
    return dialog->findChild<QTreeWidget *>(QStringLiteral("folderTree"));
}

QPushButton *buttonOf(QWidget *dialog, int id)
{
    return dialog->findChild<QPushButton *>(Res::objectIdName(id));
}

QTreeWidgetItem *childNamed(QTreeWidgetItem *item, const QString &name)
{
    for (int i = 0; i < item->childCount(); ++i) {
        if (item->child(i)->text(0) == name)
            return item->child(i);
    }
    return nullptr;
}

QStringList childNames(QTreeWidgetItem *item)
{
    QStringList names;
    for (int i = 0; i < item->childCount(); ++i)
        names.append(item->child(i)->text(0));
    return names;
}

void clickItem(QTreeWidget *tree, QTreeWidgetItem *item)
{
    tree->scrollToItem(item);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
}

// Runs `drive` on the modal dialog once its event loop runs.
void whenDialogOpens(std::function<void(FolderDialog *)> drive)
{
    QTimer::singleShot(0, [drive] {
        auto *dialog = qobject_cast<FolderDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        // A failed check returns early; the dialog must not stay open then.
        const auto closeAnyway = qScopeGuard([dialog] {
            if (dialog->isVisible())
                dialog->reject();
        });
        drive(dialog);
    });
}

} // namespace

class TestFolderDialog : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_temp;
    QByteArray m_base; // physical path of the temporary folder, no trailing '/'

private slots:
    void initTestCase()
    {
        QVERIFY(m_temp.isValid());
        m_base = QFile::encodeName(QDir(m_temp.path()).canonicalPath());
        for (const char *folder : {"/A", "/b", "/B2/C", "/.hidden/inner"})
            QVERIFY(QDir().mkpath(QFile::decodeName(m_base + folder)));
        // Not UTF-8: only the bytes name it.
        QCOMPARE(::mkdir((m_base + "/\xe9t\xe9").constData(), 0700), 0);
        QFile file(QFile::decodeName(m_base + "/movie.swf"));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

    void cleanupTestCase()
    {
        // QDir cannot name what is not UTF-8, so QTemporaryDir would leave it.
        QCOMPARE(::rmdir((m_base + "/\xe9t\xe9").constData()), 0);
    }

    void opensOnTheComputerWithTheFileSystemBeneath()
    {
        const QString title = QStringLiteral("Browse flash(*.swf) folder....");
        FolderDialog dialog(browseInfo(BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT, &title));
        QTreeWidget *tree = treeOf(&dialog);
        QCOMPARE(tree->topLevelItemCount(), 1);
        QTreeWidgetItem *top = tree->topLevelItem(0);
        QCOMPARE(top->text(0), QStringLiteral("Computer"));
        QCOMPARE(childNames(top), QStringList({QStringLiteral("/")}));
        QVERIFY(top->child(0)->isExpanded());
        QVERIFY(top->child(0)->childCount() > 0); // "/" is listed at once
        QCOMPARE(tree->currentItem(), top);
        QCOMPARE(dialog.currentFolder(), FolderItem::computer());
        QVERIFY(!buttonOf(&dialog, Res::IDOK)->isEnabled());
        QVERIFY(!dialog.findChild<QLabel *>(QStringLiteral("statusText"))->isHidden());
        QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("titleText"))->text(), title);
        QCOMPARE(dialog.windowTitle(), title);

        FolderDialog plain(browseInfo(0));
        QVERIFY(buttonOf(&plain, Res::IDOK)->isEnabled()); // the computer may be confirmed
        QVERIFY(plain.findChild<QLabel *>(QStringLiteral("statusText"))->isHidden());
        QVERIFY(!plain.findChild<QLabel *>(QStringLiteral("titleText")));
    }

    void selectionByPathNotifiesOnce()
    {
        FolderDialog dialog(browseInfo(BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT));
        QList<FolderItem> notified;
        connect(&dialog, &FolderDialog::selectionChanged,
                [&](const FolderItem &item) { notified.append(item); });
        dialog.setSelection(m_base + "/B2/./C/");
        QCOMPARE(notified, QList<FolderItem>({FolderItem::folder(m_base + "/B2/C")}));
        QCOMPARE(dialog.currentFolder(), FolderItem::folder(m_base + "/B2/C"));
        QCOMPARE(dialog.currentDisplayName(), QByteArray("C"));
        QVERIFY(treeOf(&dialog)->currentItem()->parent()->isExpanded());
        QVERIFY(buttonOf(&dialog, Res::IDOK)->isEnabled());

        // Paths that name no folder, and the same folder again, change nothing.
        for (const QByteArray &path :
             {m_base + "/B2/C", m_base + "/missing", m_base + "/movie.swf", QByteArray("A"),
              QByteArray()})
            dialog.setSelection(path);
        QCOMPARE(notified.size(), 1);
        QCOMPARE(dialog.currentFolder(), FolderItem::folder(m_base + "/B2/C"));
    }

    void foldersListedInOrderHiddenOnesOnlyByPath()
    {
        FolderDialog dialog(browseInfo(BIF_RETURNONLYFSDIRS));
        dialog.setSelection(m_base);
        QTreeWidgetItem *base = treeOf(&dialog)->currentItem();
        base->setExpanded(true);
        QCOMPARE(childNames(base), QStringList({QStringLiteral("A"), QStringLiteral("b"),
                                                QStringLiteral("B2"),
                                                QFile::decodeName("\xe9t\xe9")}));
        dialog.setSelection(m_base + "/.hidden/inner");
        QCOMPARE(dialog.currentFolder(), FolderItem::folder(m_base + "/.hidden/inner"));
        QCOMPARE(childNames(base).first(), QStringLiteral(".hidden"));
    }

    void namesThatAreNotUtf8RoundTrip()
    {
        FolderDialog dialog(browseInfo(BIF_RETURNONLYFSDIRS));
        dialog.setSelection(m_base + "/\xe9t\xe9");
        QCOMPARE(dialog.currentFolder(), FolderItem::folder(m_base + "/\xe9t\xe9"));
        QCOMPARE(dialog.currentDisplayName(), QByteArray("\xe9t\xe9"));
    }

    void clicksMoveTheSelection()
    {
        FolderDialog dialog(browseInfo(BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTreeWidget *tree = treeOf(&dialog);
        dialog.setSelection(m_base);
        tree->currentItem()->setExpanded(true);
        QList<FolderItem> notified;
        connect(&dialog, &FolderDialog::selectionChanged,
                [&](const FolderItem &item) { notified.append(item); });

        clickItem(tree, childNamed(tree->currentItem(), QStringLiteral("A")));
        QCOMPARE(notified, QList<FolderItem>({FolderItem::folder(m_base + "/A")}));
        QVERIFY(buttonOf(&dialog, Res::IDOK)->isEnabled());

        clickItem(tree, tree->topLevelItem(0));
        QCOMPARE(notified.last(), FolderItem::computer());
        QVERIFY(!buttonOf(&dialog, Res::IDOK)->isEnabled());
        QTest::mouseClick(buttonOf(&dialog, Res::IDOK), Qt::LeftButton);
        QVERIFY(dialog.isVisible()); // nothing to confirm
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    void longStatusTextDoesNotWidenTheDialog()
    {
        FolderDialog dialog(browseInfo(BIF_STATUSTEXT));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const int width = dialog.width();
        const QByteArray text = "/" + QByteArray(3000, 'x') + "/end";
        dialog.setStatusText(text);
        QApplication::processEvents();
        QCOMPARE(dialog.width(), width);
        QCOMPARE(dialog.statusText(), QString::fromLatin1(text));
        auto *line = dialog.findChild<QLabel *>(QStringLiteral("statusText"));
        QCOMPARE(line->toolTip(), QString::fromLatin1(text));
        QVERIFY(line->text().endsWith(QStringLiteral("/end"))); // elided in the middle
        dialog.setStatusText({});
        QVERIFY(line->text().isEmpty());
    }

    void treeStartsAtAGivenFolder()
    {
        FolderBrowseInfo info = browseInfo(BIF_RETURNONLYFSDIRS);
        info.pidlRoot = FolderItem::folder(m_base + "/B2");
        FolderDialog dialog(info);
        QTreeWidget *tree = treeOf(&dialog);
        QCOMPARE(dialog.currentFolder(), FolderItem::folder(m_base + "/B2"));
        QCOMPARE(childNames(tree->topLevelItem(0)), QStringList({QStringLiteral("C")}));
        dialog.setSelection(m_base + "/A"); // outside the tree
        QCOMPARE(dialog.currentFolder(), FolderItem::folder(m_base + "/B2"));
        dialog.setSelection(m_base + "/B2/C");
        QCOMPARE(dialog.currentFolder(), FolderItem::folder(m_base + "/B2/C"));
    }

    void browserRunsTheDialogModally_data()
    {
        QTest::addColumn<QString>("close"); // how the user ends the dialog
        QTest::addColumn<bool>("confirmed");
        QTest::newRow("OK") << QStringLiteral("ok") << true;
        QTest::newRow("Return") << QStringLiteral("return") << true;
        QTest::newRow("Cancel") << QStringLiteral("cancel") << false;
        QTest::newRow("Escape") << QStringLiteral("escape") << false;
    }

    void browserRunsTheDialogModally()
    {
        QFETCH(QString, close);
        QFETCH(bool, confirmed);
        QWidget owner;
        owner.show();
        InitialFolderBrowser browser(&owner, Res::IDS_BROWSE_TITLE);
        browser.SetFlags(BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT);
        browser.SetInitialFolder(m_base + "/A");
        bool driven = false;
        whenDialogOpens([&](FolderDialog *dialog) {
            QCOMPARE(dialog->parentWidget(), &owner);
            QCOMPARE(dialog->currentFolder(), FolderItem::folder(m_base + "/A"));
            QCOMPARE(dialog->statusText(), QFile::decodeName(m_base + "/A"));
            QTreeWidget *tree = treeOf(dialog);
            QTreeWidgetItem *b = childNamed(tree->currentItem()->parent(), QStringLiteral("b"));
            clickItem(tree, b);
            QCOMPARE(dialog->statusText(), QFile::decodeName(m_base + "/b"));
            clickItem(tree, tree->topLevelItem(0));
            QVERIFY(dialog->statusText().isEmpty());
            clickItem(tree, b);
            QCOMPARE(dialog->statusText(), QFile::decodeName(m_base + "/b"));
            if (close == QLatin1String("ok"))
                QTest::mouseClick(buttonOf(dialog, Res::IDOK), Qt::LeftButton);
            else if (close == QLatin1String("return"))
                QTest::keyClick(tree, Qt::Key_Return);
            else if (close == QLatin1String("cancel"))
                QTest::mouseClick(buttonOf(dialog, Res::IDCANCEL), Qt::LeftButton);
            else
                QTest::keyClick(dialog, Qt::Key_Escape);
            driven = true;
        });
        QCOMPARE(browser.Browse(), confirmed);
        QVERIFY(driven);
        QCOMPARE(browser.GetPath(), confirmed ? m_base + "/b" : QByteArray());
        QVERIFY(owner.findChildren<FolderDialog *>().isEmpty());
    }
};

QTEST_MAIN(TestFolderDialog)
#include "tst_folderdialog.moc"
