// What the embedder (the movie widget, the command-line tool, a test)
// gives the script machines: where trace() output goes, how a web
// address is opened, how long a script may run, and the clock and time
// zone of dates.
#pragma once

#include "swf/limits.h"
#include "swf/runtime/moviefiles.h"

#include <QString>
#include <QTimeZone>

#include <optional>

namespace swf {

class ScriptServices {
public:
    virtual ~ScriptServices() = default;
    // One line of trace() output.
    virtual void trace(const QString &line) = 0;
    // getURL to an http, https or mailto address; other schemes never
    // reach here.
    virtual void openUrl(const QString &url) { Q_UNUSED(url); }
    // fscommand(command, args): logged by the machine, then told here
    // ("quit" ends a standalone player).
    virtual void fsCommand(const QString &command, const QString &args)
    {
        Q_UNUSED(command);
        Q_UNUSED(args);
    }
    // The movie's address, as _url reports it ("file:///…/movie.swf").
    virtual QString movieUrl() const { return QString(); }
    // The bytes of a file the movie's scripts load (XML.load,
    // LoadVars.load, Sound.loadSound) from an address as the script gave it: by default a
    // file in the movie's own folder or below it, nothing from a network.
    virtual Result<QByteArray> loadData(const QString &address)
    {
        return readBesideMovie(movieUrl(), address, limits::kMaxLoadedDataBytes);
    }
    // The folder that holds every movie's saved data (SharedObjects), a
    // folder per movie below it; empty keeps saved data in memory only.
    virtual QString sharedObjectRoot() const { return QString(); }
    // The longest one script may run before it is stopped; 0 for the
    // movie's own limit (ScriptLimits, or 15 s).
    virtual qint64 scriptTimeoutMs() const { return 0; }
    // A script asked for a global name that looks like a class ("XML",
    // "Sound") and found nothing: most likely a built-in not made yet.
    virtual void unknownGlobal(const QString &name) { Q_UNUSED(name); }
    // The local time of Date.
    virtual QTimeZone timeZone() const { return QTimeZone::systemTimeZone(); }
    // Where Date's clock stands when the movie starts (milliseconds since
    // 1970 UTC), for runs that must repeat exactly: the movie's own time is
    // added to it. Without one, Date reads the system clock.
    virtual std::optional<qint64> clockStartMs() const { return std::nullopt; }
};

} // namespace swf
