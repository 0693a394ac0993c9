#include "playerharness.h"

#include "fullscreen/fullscreenwindow.h"
#include "volume/mastervolume.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdlib>
#include <memory>
#include <unistd.h>

void whenMenuOpens(QObject *context, std::function<void(QMenu *menu)> act)
{
    auto *timer = new QTimer(context);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, context, [timer, act = std::move(act)] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu || !menu->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        act(menu);
    });
    timer->start();
}

void whenModalWindowOpens(QObject *context, const std::function<bool(QWidget *)> &matches,
                          std::function<void(QWidget *window)> act)
{
    auto *timer = new QTimer(context);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, context, [timer, matches, act = std::move(act)] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || !matches(modal) || !modal->isVisible() || !modal->windowHandle() ||
            !modal->windowHandle()->isExposed())
            return;
        timer->stop();
        timer->deleteLater();
        act(modal);
    });
    timer->start();
}

void chooseMenuEntry(QMenu *menu, int command)
{
    for (QAction *action : menu->actions()) {
        if (!action->isSeparator() && action->data().toInt() == command) {
            menu->setActiveAction(action);
            QTest::keyClick(menu, Qt::Key_Return);
            return;
        }
    }
    menu->close();
}

void RecordingErrorReporter::ReportError(QWidget *owner, const QString &message)
{
    messages.append(message);
    if (m_journal)
        m_journal->append(QStringLiteral("error: ") + message);
    if (onReport)
        onReport(owner);
}

PlayerHarness::PlayerHarness() : errors(std::make_shared<RecordingErrorReporter>(&journal))
{
    // The path as getcwd reports it, symbolic links resolved.
    const std::unique_ptr<char, decltype(&std::free)> real(
        ::realpath(QFile::encodeName(m_directory.path()).constData(), nullptr), &std::free);
    m_directoryPath = real ? QByteArray(real.get()) : QFile::encodeName(m_directory.path());
}

PlayerHarness::~PlayerHarness() = default;

void PlayerHarness::writeFile(const char *name, const QByteArray &contents) const
{
    QFile file(QFile::decodeName(filePath(name)));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(contents), contents.size());
}

QByteArray PlayerHarness::readFile(const char *name) const
{
    QFile file(QFile::decodeName(filePath(name)));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArrayLiteral("<missing>");
    return file.readAll();
}

PlayerServices PlayerHarness::services()
{
    PlayerServices services;
    services.movieControlFactory = [this](const MovieControlCreation &creation,
                                          QWidget *parent) -> MovieControl * {
        if (creation.origin == MovieControlCreation::Origin::RunTime) {
            fullScreenCreation = creation;
            journal.append(QStringLiteral("full screen: movie control"));
            if (fullScreenMovieFails)
                return nullptr;
            fullScreenMovie = new FakeMovieControl(&journal, parent, QStringLiteral("full screen"));
            fullScreenMovie->setGeometry(creation.rect);
            return fullScreenMovie;
        }
        MovieControl *control = fakeMovieControlFactory(&journal, &movie)(creation, parent);
        if (scriptMovie)
            scriptMovie(*movie);
        return control;
    };
    services.fullScreenWindowFactory = [this]() -> std::unique_ptr<FullScreenWindow> {
        journal.append(QStringLiteral("full screen: window"));
        if (fullScreenWindowFails)
            return nullptr;
        ++fullScreens;
        return std::make_unique<FullScreenWindow>();
    };
    services.errorReporter = errors;
    services.skinHostFactory = [this](QWidget *parent) {
        journal.append(QStringLiteral("skin: host"));
        auto *host = new QWidget(parent);
        host->setAttribute(Qt::WA_TransparentForMouseEvents);
        return host;
    };
    services.skinPlayerWindow = [this](QWidget *window, QWidget *host, const QByteArray &start) {
        journal.append(
            QStringLiteral("skin: player window %1 host %2 in %3")
                .arg(window->windowTitle(), host->objectName(), QString::fromLocal8Bit(start)));
    };
    services.skinOwnWindow = [this](QWidget *window) {
        journal.append(QStringLiteral("skin: own window ") + window->windowTitle());
    };
    services.masterVolumeFactory = [this]() {
        journal.append(QStringLiteral("volume: controller"));
        return std::unique_ptr<MasterVolume>();
    };
    services.aboutBoxFactory = [this](QWidget *owner) {
        journal.append(QStringLiteral("about: box"));
        ++aboutBoxes;
        auto box = std::make_shared<QDialog>(owner);
        QTimer::singleShot(0, box.get(), &QDialog::accept);
        return box;
    };
    if (adjustServices)
        adjustServices(services);
    return services;
}

PlayerWindow *PlayerHarness::construct()
{
    const std::unique_ptr<char, decltype(&std::free)> previous(::getcwd(nullptr, 0), &std::free);
    if (::chdir(m_directoryPath.constData()) != 0)
        qFatal("cannot enter the start directory");
    m_window = std::make_unique<PlayerWindow>(services(), namedFiles);
    if (previous && ::chdir(previous.get()) != 0)
        qFatal("cannot return to the working directory");
    return m_window.get();
}

PlayerWindow *PlayerHarness::start()
{
    construct();
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window.get()))
        qWarning("the player window was not exposed");
    return m_window.get();
}

PlayerWindow *PlayerHarness::restart()
{
    m_window.reset();
    movie = nullptr;
    return start();
}
