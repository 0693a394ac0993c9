// Everything the player window reaches outside itself, handed to it at
// construction: the program fills it with the real services, tests with
// recording ones. An empty member means "not available": the window then
// skips what depends on it.
#pragma once

#include "player/errorreporter.h"
#include "player/moviecontrol.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QSize>

#include <functional>
#include <memory>
#include <optional>

// Where the frame shown is saved, and at which scale of the movie's size.
struct FrameFileChoice {
    QByteArray path;
    int scale = 1;
};

class FileFinder;
class FolderDialogShell;
class FullScreenWindow;
class MasterVolume;
class QDialog;
class QWidget;

struct PlayerServices {
    // The movie controls: the player window's (control 1011, from its
    // template) and the full-screen window's (created at run time).
    MovieControlFactory movieControlFactory;

    // Shows the framework's error messages, such as the file errors of the
    // list file.
    std::shared_ptr<ErrorReporter> errorReporter;

    // Control 1000, the host of the skin engine: a widget that stands at its
    // place in the player window. Without it a plain placeholder stands there.
    std::function<QWidget *(QWidget *parent)> skinHostFactory;
    // Start-up step of the player window: obtain the skin from the host,
    // load startDirectory/winaqua.skn and restyle the player window.
    std::function<void(QWidget *playerWindow, QWidget *skinHost, const QByteArray &startDirectory)>
        skinPlayerWindow;
    // The skin step of the playlist window and the about box, after their
    // initialisation: restyle the window with the skin already loaded.
    std::function<void(QWidget *window)> skinOwnWindow;

    // A fresh master-volume controller for each moment that needs one (the
    // start-up step and the clicks on the volume bar).
    std::function<std::unique_ptr<MasterVolume>()> masterVolumeFactory;

    // The open-file dialog of the open command: the chosen paths in the
    // order the dialog gives them; nothing when the user cancels.
    std::function<std::optional<QByteArrayList>(QWidget *owner)> chooseMovieFiles;
    // The dialog behind the add-folder command's folder browser. Null: our
    // own folder dialog.
    std::shared_ptr<FolderDialogShell> folderDialogShell;
    // The finder of the add-folder command, made for one walk. Empty: a
    // plain FileFinder.
    std::function<std::unique_ptr<FileFinder>()> fileFinderFactory;

    // The full-screen window, made for one modal run; nullptr (or an empty
    // member) when it cannot be made, and then full screen does not start.
    std::function<std::unique_ptr<FullScreenWindow>()> fullScreenWindowFactory;

    // The about box, made for one modal run above `owner`; it opens the
    // maker's web and mail addresses itself.
    std::function<std::shared_ptr<QDialog>(QWidget *owner)> aboutBoxFactory;

    // The window menu's "save the frame" entry: where the PNG goes and at
    // which scale of the movie's own size (1 or 2); nothing when the user
    // cancels. Empty: our own save-frame dialog.
    std::function<std::optional<FrameFileChoice>(QWidget *owner, const QByteArray &moviePath,
                                                 QSize movieSize)>
        chooseFrameFile;
    // The window menu's "export" entry: the file to write, its extension
    // naming the format; nothing when the user cancels. Empty: the file
    // dialog.
    std::function<std::optional<QByteArray>(QWidget *owner, const QByteArray &moviePath)>
        chooseExportFile;
};
