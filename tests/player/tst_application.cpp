// The application object: the dialog colours, and the modal run of the
// player window that ends the program when the window closes.
#include "playerharness.h"

#include "app/application.h"
#include "player/playerwindow.h"

#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <memory>
#include <unistd.h>

class ApplicationTest final : public QObject {
    Q_OBJECT

private slots:
    void everyDialogIsBlackWithWhiteText();
    void runEndsWhenThePlayerWindowCloses_data();
    void runEndsWhenThePlayerWindowCloses();
};

void ApplicationTest::everyDialogIsBlackWithWhiteText()
{
    QDialog dialog;
    auto *label = new QLabel(QStringLiteral("text"), &dialog);
    auto *button = new QPushButton(QStringLiteral("button"), &dialog);
    // Widgets take their class's palette when they are polished, before
    // they are first shown.
    dialog.ensurePolished();
    QCOMPARE(dialog.palette().color(QPalette::Window), QColor(Qt::black));
    QCOMPARE(label->palette().color(QPalette::WindowText), QColor(Qt::white));
    // A push button keeps its own face.
    QVERIFY(button->palette().color(QPalette::Button) != QColor(Qt::black));

    QMessageBox box;
    box.ensurePolished();
    QCOMPARE(box.palette().color(QPalette::Window), QColor(Qt::black));
    QCOMPARE(box.palette().color(QPalette::WindowText), QColor(Qt::white));

    // A widget that is no dialog keeps the usual colours.
    QWidget plain;
    plain.ensurePolished();
    QVERIFY(plain.palette().color(QPalette::Window) != QColor(Qt::black));
}

void ApplicationTest::runEndsWhenThePlayerWindowCloses_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("close box") << 0;
    QTest::newRow("Esc") << int(Qt::Key_Escape);
    QTest::newRow("Enter") << int(Qt::Key_Return);
}

// The window runs modally; closing it by any standard dialog means ends the
// run, and with it the program.
void ApplicationTest::runEndsWhenThePlayerWindowCloses()
{
    QFETCH(int, key);
    PlayerHarness h;
    const std::unique_ptr<char, decltype(&std::free)> previous(::getcwd(nullptr, 0), &std::free);
    QVERIFY(::chdir(h.directory().constData()) == 0);

    bool sawModalPlayer = false;
    QTimer::singleShot(100, this, [&] {
        auto *window = qobject_cast<PlayerWindow *>(QApplication::activeModalWidget());
        sawModalPlayer = window != nullptr;
        if (!window)
            return;
        if (key == 0) {
            window->close();
        } else {
            // The movie control has the focus: no button takes Enter.
            h.movie->setFocus();
            QTest::keyClick(window->windowHandle(), Qt::Key(key));
        }
    });
    auto *application = qobject_cast<Application *>(QCoreApplication::instance());
    QVERIFY(application);
    const int result = application->RunPlayer(h.services());
    QVERIFY(::chdir(previous.get()) == 0);
    QVERIFY(sawModalPlayer);
    QCOMPARE(result, 0);
}

int main(int argc, char *argv[])
{
    Application application(argc, argv);
    ApplicationTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_application.moc"
