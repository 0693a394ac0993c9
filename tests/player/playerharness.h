// A player window over recording services, in a start directory of its own:
// the movie control is a FakeMovieControl, errors go to a
// RecordingErrorReporter, and the skin and master-volume hooks journal
// their calls, so that tests see what the window did and in which order.
#pragma once

#include "fakemoviecontrol.h"
#include "player/errorreporter.h"
#include "player/playerservices.h"
#include "player/playerwindow.h"
#include "res/resource.h"

#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class FullScreenWindow;
class QMenu;

// Calls `act` with the popup menu that opens next, once it is shown; the
// watch ends with `context`.
void whenMenuOpens(QObject *context, std::function<void(QMenu *menu)> act);

// Chooses the entry of `menu` whose data is `command` as a user would, with
// the keyboard; closes the menu when there is none.
void chooseMenuEntry(QMenu *menu, int command);

// Calls `act` once with the next modal window of type Dialog, once it is
// shown and active; the watch ends with `context`.
void whenModalWindowOpens(QObject *context, const std::function<bool(QWidget *)> &matches,
                          std::function<void(QWidget *window)> act);
template <typename Dialog>
void whenModalOpens(QObject *context, std::function<void(Dialog *dialog)> act)
{
    whenModalWindowOpens(
        context, [](QWidget *w) { return qobject_cast<Dialog *>(w) != nullptr; },
        [act = std::move(act)](QWidget *w) { act(qobject_cast<Dialog *>(w)); });
}

class RecordingErrorReporter final : public ErrorReporter {
public:
    // Messages also go to `journal` (may be null) as "error: <message>".
    explicit RecordingErrorReporter(QStringList *journal = nullptr) : m_journal(journal) {}
    void ReportError(QWidget *owner, const QString &message) override;

    QStringList messages;
    // Called with the owner at each report, to look at the window then.
    std::function<void(QWidget *owner)> onReport;

private:
    QStringList *m_journal;
};

class PlayerHarness {
public:
    PlayerHarness();
    ~PlayerHarness();

    // The start directory, as the window will capture it.
    QByteArray directory() const { return m_directoryPath; }
    // Starts the window in `directory` instead of the harness's own.
    void setDirectory(const QByteArray &directory) { m_directoryPath = directory; }
    QByteArray filePath(const char *name) const { return m_directoryPath + '/' + name; }

    void writeFile(const char *name, const QByteArray &contents) const;
    QByteArray readFile(const char *name) const;

    // Services that record into `journal`.
    PlayerServices services();
    // Constructs the window with `services()` in the start directory (the
    // working directory is restored afterwards); the start-up sequence has
    // run, the window is not shown yet.
    PlayerWindow *construct();
    // construct(), then shows the window and waits until it is exposed.
    PlayerWindow *start();
    // Ends the window and starts a new one in the same start directory, as
    // a second run of the program.
    PlayerWindow *restart();
    PlayerWindow *window() const { return m_window.get(); }

    // The control with id `id` of the player window.
    template <typename Widget> Widget *control(int id) const
    {
        return m_window->findChild<Widget *>(Res::objectIdName(id));
    }

    QStringList journal;
    // The player window's movie control (control 1011).
    FakeMovieControl *movie = nullptr;
    // The movie control of the last full-screen window, made at run time;
    // it journals as "full screen: ...". Null once that window is gone.
    QPointer<FakeMovieControl> fullScreenMovie;
    MovieControlCreation fullScreenCreation;
    // What the run-time movie control and the full-screen window do when
    // they are asked for: be made, or fail.
    bool fullScreenMovieFails = false;
    bool fullScreenWindowFails = false;
    // How many full-screen windows were made.
    int fullScreens = 0;
    std::shared_ptr<RecordingErrorReporter> errors;
    // Scripts the fake movie control as soon as it is made, before the
    // start-up sequence uses it.
    std::function<void(FakeMovieControl &)> scriptMovie;
    // The files named on the command line of the window construct() makes.
    QByteArrayList namedFiles;
    // Changes the services start() passes to the window.
    std::function<void(PlayerServices &)> adjustServices;
    // How many about boxes the about-box hook has made; each closes itself.
    int aboutBoxes = 0;

private:
    QTemporaryDir m_directory;
    QByteArray m_directoryPath;
    std::unique_ptr<PlayerWindow> m_window;
};
