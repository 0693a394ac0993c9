// Players as the tool runs them: with the movie's scripts, trace() output
// handed to whoever asks for it, and a shorter limit on a runaway script
// than the player window's, so a batch of movies never waits long.
#pragma once

#include "swf/movieloader.h"
#include "swf/runtime/player.h"
#include "swf/runtime/scriptservices.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <set>

namespace swftool {

class ToolScriptServices final : public swf::ScriptServices {
public:
    static constexpr qint64 kDefaultTimeoutMs = 5000;

    explicit ToolScriptServices(qint64 timeoutMs = kDefaultTimeoutMs, QString movieUrl = {})
        : m_timeoutMs(timeoutMs), m_movieUrl(std::move(movieUrl))
    {
    }

    // Lines of trace() output go here; dropped without one.
    std::function<void(const QString &)> onTrace;
    // The folder the movie's saved data (SharedObjects) is kept in;
    // without one, saved data lives in memory.
    QString savedDataRoot;
    // Date's time zone and starting clock; the system's when unset.
    std::optional<QTimeZone> timeZoneOverride;
    std::optional<qint64> clockStart;
    // The movie asked to quit (fscommand "quit").
    bool quitRequested() const { return m_quit; }

    void trace(const QString &line) override
    {
        if (onTrace)
            onTrace(line);
    }
    void fsCommand(const QString &command, const QString &) override
    {
        if (command.compare(QLatin1String("quit"), Qt::CaseInsensitive) == 0)
            m_quit = true;
    }
    qint64 scriptTimeoutMs() const override { return m_timeoutMs; }
    QString movieUrl() const override { return m_movieUrl; }
    QString sharedObjectRoot() const override { return savedDataRoot; }
    void unknownGlobal(const QString &name) override { m_unknownGlobals.insert(name); }
    QTimeZone timeZone() const override
    {
        return timeZoneOverride ? *timeZoneOverride : ScriptServices::timeZone();
    }
    std::optional<qint64> clockStartMs() const override { return clockStart; }
    // Globals the scripts asked for and did not find, by name.
    const std::set<QString> &unknownGlobals() const { return m_unknownGlobals; }

private:
    qint64 m_timeoutMs;
    QString m_movieUrl;
    std::set<QString> m_unknownGlobals;
    bool m_quit = false;
};

// A player of `movie` running its scripts; `services` defaults to quiet ones.
std::unique_ptr<swf::Player> makePlayer(const swf::MoviePtr &movie, swf::AudioSink *audio = nullptr,
                                        std::shared_ptr<ToolScriptServices> services = nullptr);

} // namespace swftool
