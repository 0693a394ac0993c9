// Movies and pictures the movie's scripts load into clips and levels
// (loadMovie, loadMovieNum, MovieClip.loadMovie, MovieClipLoader.loadClip)
// and their unloading: asked for during a frame, done as the next one
// ends, or later for a large file, which arrives in pieces a frame (and
// lets smaller ones pass). An FSCommand address is the command, at once. A loaded movie takes the
// clip's place with its name, depth and placement; a level is made for it if need be. A
// MovieClipLoader that asked hears onLoadStart, onLoadProgress and onLoadComplete then, and
// onLoadInit as the frame after ends; or onLoadError as the frame after
// begins, even when the clip has gone meanwhile.
#pragma once

#include "swf/avm1/machine.h"

#include <deque>
#include <optional>
#include <unordered_map>
#include <vector>

namespace swf::avm1 {

class MovieLoads final : public MachineExtension {
public:
    static MovieLoads &of(Machine &m);

    // Where a load goes: a level by number, or a clip by its script object
    // (which answers for the clip at its path once replaced).
    struct Target {
        int level = -1;
        Object *clip = nullptr;
    };
    // "_levelN" (in any case before version 7) names a level; anything else a clip, found
    // from `base` as a target path.
    static std::optional<Target> targetOf(Machine &m, const QString &path, DisplayObject *base);
    // A MovieClipLoader's target: a level number, a path, or a clip.
    static std::optional<Target> targetOf(Machine &m, const Value &value);

    // An empty address unloads. `loader`, if any, hears how it went.
    void start(Machine &m, const Target &target, const QString &address, Object *loader);

    // The address a clip was loaded from, if it was.
    std::optional<QString> urlOf(const DisplayObject &clip) const;

    // The prototype of MovieClipLoader objects.
    Object *loaderPrototype = nullptr;

    void markRoots(Heap &heap) override;
    void frameStarting(Machine &m) override;
    void frameEnded(Machine &m) override;
    // "_level3" → 3, in any case before version 7; -1 for other names.
    static int levelNumber(const Machine &m, const QString &name);

private:
    struct Pending {
        Target target;
        QString address;
        Object *loader = nullptr;
        // Asked for before the frame that now runs began.
        bool due = false;
        // The file once read, and the frames it still takes to arrive.
        std::optional<Result<QByteArray>> bytes;
        int framesLeft = 0;
        qint64 held = 0;
    };
    struct Init {
        Object *clip = nullptr;
        Object *loader = nullptr;
    };
    struct Failure {
        Object *clip = nullptr;
        Object *loader = nullptr;
        QString code;
    };
    void deliver(Machine &m, const Pending &load);
    // Reads the file of a load that fell due; false while it still arrives.
    bool arrived(Machine &m, Pending &load);

    std::deque<Pending> m_pending;
    // Those due this frame, while they are handled.
    std::deque<Pending> m_arriving;
    std::optional<Pending> m_current;
    qint64 m_bytesHeld = 0;
    std::vector<Init> m_inits;
    std::vector<Failure> m_failures;
    // Addresses of the clips loads made, by serial.
    std::unordered_map<quint64, QString> m_urls;
};

// _url: the address of the movie `object` belongs to.
QString loadedUrlOf(Machine &m, const DisplayObject &object);

// The bytes and size a clip shows as loaded: its movie's for the main
// timeline of a level or of a loaded movie, 0 for a clip a script made.
qint64 clipBytesTotal(const DisplayObject &clip);

// getURL to a "_levelN" target (how loadMovieNum and unloadMovieNum are
// written): loads into the level and returns true; false for other
// targets.
bool loadIntoLevelTarget(Machine &m, const QString &url, const QString &target);

// MovieClip.prototype.loadMovie(address) and unloadMovie().
Value clipLoadMovie(Machine &m, const Value &self, const Args &args);
Value clipUnloadMovie(Machine &m, const Value &self, const Args &args);

} // namespace swf::avm1
