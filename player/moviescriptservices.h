// What a movie's scripts get from the player window: trace() output in the
// debug log (player.script; a standalone player shows none), web and mail
// addresses opened on the desktop, the movie's own address, its saved data
// under the user's data folder, and fscommand("quit") as a request to stop.
#pragma once

#include "swf/runtime/scriptservices.h"

#include <functional>

class UrlOpener;

class MovieScriptServices final : public swf::ScriptServices {
public:
    // `urlOpener` is borrowed and must outlive the services. Saved data
    // goes below `savedDataRoot` (empty: kept in memory only).
    MovieScriptServices(QString moviePath, UrlOpener &urlOpener, QString savedDataRoot);

    // Called when the movie asks to quit; the widget stops the movie.
    std::function<void()> onQuit;

    void trace(const QString &line) override;
    void openUrl(const QString &url) override;
    void fsCommand(const QString &command, const QString &args) override;
    QString movieUrl() const override;
    QString sharedObjectRoot() const override { return m_savedDataRoot; }

private:
    QString m_moviePath;
    UrlOpener &m_urlOpener;
    QString m_savedDataRoot;
};
