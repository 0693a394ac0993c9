// The application object, one per process: it gives every dialog of the
// program its colours (black background, white text), then constructs the
// player window and runs it modally. When the player window closes, the
// program ends: no further event loop runs.
#pragma once

#include "player/playerservices.h"

#include <QApplication>
#include <QByteArrayList>

class InstanceChannel;

class Application final : public QApplication {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Application)

public:
    Application(int &argc, char **argv);
    ~Application() override = default;

    // Black background and white text for every dialog, the message boxes
    // included; controls that draw their own face (buttons, lists) keep it.
    static void SetDialogColours();

    // Constructs the player window, runs it modally and returns once it has
    // closed, with the program's exit code. `namedFiles` are the files of the
    // command line; through `channel` (may be null) later launches hand
    // theirs to this window.
    int RunPlayer(PlayerServices services, const QByteArrayList &namedFiles = {},
                  InstanceChannel *channel = nullptr);
};
