// Runs a movie's ActionScript 3 without the display engine: the DoABC
// tags of the frames reached, the document class constructed as the root,
// its frame scripts frame by frame, every trace line handed to a callback.
#pragma once

#include "swf/model/movie.h"
#include "swf/model/scripttags.h"

#include <QString>
#include <QTimeZone>

#include <functional>
#include <memory>

namespace swf::avm2 {

class Vm;

struct RunnerOptions {
    std::function<void(const QString &)> trace;
    // Overrides the movie's ScriptLimits timeout when positive (tests keep
    // it short so nothing hangs).
    int timeoutSeconds = 0;
    QTimeZone timeZone = QTimeZone::systemTimeZone();
    // Milliseconds since start; tests inject a clock. Empty: real time.
    std::function<qint64()> clock;
};

class Runner {
public:
    Runner(std::shared_ptr<const Movie> movie, RunnerOptions options);
    ~Runner();
    Runner(const Runner &) = delete;
    Runner &operator=(const Runner &) = delete;

    // Enters the next frame: its DoABC tags, the document class on the
    // first, then the root's frame script.
    void advance();
    void runFrames(int count)
    {
        for (int i = 0; i < count && !m_stopped; ++i)
            advance();
    }
    // The steps of a frame, for hosts that follow a player's timeline
    // instead of the runner's own: a DoABC tag reached, the document class
    // (once), the root's script for a frame (from 0).
    void loadAbc(const DoAbc &tag);
    void constructRoot();
    void runFrameScript(int frame);
    bool rootConstructed() const { return m_rootTried; }
    // Classes the movie needed that the machine does not have yet.
    const QStringList &missingClasses() const { return m_missing; }
    Vm &vm() { return *m_vm; }

private:
    void runAbcTags(int frame);
    void report(const struct ScriptError &e);
    void noteMissing(const QString &message);

    std::shared_ptr<const Movie> m_movie;
    RunnerOptions m_options;
    std::unique_ptr<Vm> m_vm;
    int m_frame = -1;
    bool m_stopped = false;
    bool m_rootTried = false;
    QStringList m_missing;
};

} // namespace swf::avm2
