// Drives movie controls through what a user does to a movie whose stream
// sound tells its frame (framecodedtone.h), as the player window and the
// full-screen window call them, while the sink is recorded; then measures,
// for each action, how soon the next frame showed and the sound of the new
// position was heard, how far the frame shown and the sound heard stood
// apart over the second after, and the silences inside the sound.
#pragma once

#include "framecodedtone.h"
#include "monitorrecording.h"
#include "player/swfmoviewidget.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>

namespace soundclock {

struct Figures {
    QString action;
    double frameMs = -1;     // until the frame after the new position showed
    double heardMs = -1;     // until the sound of the new position was heard
    double silenceMs = -1;   // a stop: until the sound ended
    double syncMedianMs = 0; // sound heard less frame shown, at each frame shown
    double syncWorstMs = 0;
    int syncSamples = 0;
    int gaps = 0; // silences inside the sound after the action (the movie has none)
    double gapMs = 0;
};

class Session {
public:
    Session(monitor::Recording &recording, double framesPerSecond)
        : m_recording(recording), m_frameMs(1000.0 / framesPerSecond)
    {
    }

    // Lets the controls run for `ms`, noting every frame `control` shows.
    void watch(const MovieControl &control, int ms)
    {
        const double end = monitor::now() + ms / 1000.0;
        QTimer poll; // wakes the loop every millisecond without spinning
        poll.setTimerType(Qt::PreciseTimer);
        poll.start(1);
        while (monitor::now() < end) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            const int frame = control.GetFramePosition();
            if (m_shown.empty() || m_shown.back().frame != frame || m_shown.back().control != &control)
                m_shown.push_back(Shown{monitor::now(), frame, &control});
        }
    }
    // `act` is what the user did; afterwards `control` shows `frame`, and
    // plays from there. A stop (`playing` false) is measured until its sound
    // ends.
    void act(const QString &name, const MovieControl &control, const std::function<void()> &act,
             bool playing = true)
    {
        Action a{name, monitor::now(), 0, &control, playing};
        act();
        a.frame = control.GetFramePosition();
        m_shown.push_back(Shown{monitor::now(), a.frame, &control});
        m_actions.push_back(a);
    }

    // Ends the session while the last action still plays: takes what the
    // sink heard until now.
    void finish()
    {
        m_end = monitor::now();
        m_recording.waitUntilHeld(m_end);
        m_left = m_recording.left();
    }
    // Each action's figures, once finished.
    std::vector<Figures> figures() const
    {
        std::vector<Figures> out;
        for (size_t i = 0; i < m_actions.size(); ++i) {
            const double next = i + 1 < m_actions.size() ? m_actions[i + 1].time : m_end;
            out.push_back(measure(m_actions[i], next));
        }
        return out;
    }

private:
    struct Action {
        QString name;
        double time;
        int frame;
        const MovieControl *control;
        bool playing;
    };
    struct Shown {
        double time;
        int frame;
        const MovieControl *control;
    };

    static constexpr int kWindow = monitor::kRate / 50; // 20 ms
    static constexpr int kStep = monitor::kRate / 1000;

    std::optional<int> codeAt(qint64 from) const
    {
        if (from < 0 || from + kWindow > qint64(m_left.size()))
            return std::nullopt;
        return frametone::readCode(m_left.data() + from, kWindow, monitor::kRate);
    }
    bool loud(qint64 i) const { return std::abs(int(m_left[size_t(i)])) > 300; }

    // Where the sound heard at `time` stands, in frames, read near frame
    // `expected`: the code heard, and how far into its frame.
    std::optional<double> heardPosition(double time, int expected) const
    {
        const qint64 at = m_recording.indexAt(time);
        if (at < 0)
            return std::nullopt;
        std::optional<int> code;
        qint64 start = at - kWindow / 2;
        for (qint64 s : {at - kWindow / 2, at - kWindow, at}) {
            if ((code = codeAt(s))) {
                start = s;
                break;
            }
        }
        if (!code)
            return std::nullopt;
        while (codeAt(start - kStep) == code)
            start -= kStep;
        const double perFrame = m_frameMs * monitor::kRate / 1000.0;
        return frametone::unwrap(*code, expected) + double(at - start) / perFrame;
    }

    // The sample heard at `time`, or the recording's edge nearest it.
    qint64 edgeIndex(double time) const
    {
        if (m_left.empty() || m_recording.timeOf(0) > time)
            return 0;
        const qint64 i = m_recording.indexAt(time);
        return i < 0 || i > qint64(m_left.size()) ? qint64(m_left.size()) : i;
    }

    // The frame `a.control` showed at `time`, after `a`.
    int shownAt(const Action &a, double time) const
    {
        int frame = a.frame;
        for (const Shown &s : m_shown) {
            if (s.time > time)
                break;
            if (s.control == a.control && s.time > a.time)
                frame = s.frame;
        }
        return frame;
    }

    Figures measure(const Action &a, double next) const
    {
        Figures f;
        f.action = a.name;
        const qint64 from = edgeIndex(a.time);
        const qint64 to = edgeIndex(next);
        if (!a.playing) {
            qint64 last = -1;
            for (qint64 i = from; i < to; ++i)
                if (loud(i))
                    last = i;
            f.silenceMs = last < 0 ? 0.0 : (m_recording.timeOf(last) - a.time) * 1000.0;
            return f;
        }
        for (const Shown &s : m_shown) {
            if (s.time > a.time && s.control == a.control && s.frame != a.frame) {
                f.frameMs = (s.time - a.time) * 1000.0;
                break;
            }
        }
        // The first window that reads as the frame shown then (a sink
        // that wakes late is heard late, but where the picture is), then
        // its first loud sample.
        qint64 heard = -1;
        for (qint64 s = from; s + kWindow < to && heard < 0; s += kStep * 2) {
            const auto code = codeAt(s);
            const int shown = shownAt(a, m_recording.timeOf(s));
            if (code && std::abs(frametone::unwrap(*code, shown) - shown) <= 2)
                heard = s;
        }
        if (heard >= 0) {
            while (heard < to && !loud(heard))
                ++heard;
            f.heardMs = (m_recording.timeOf(heard) - a.time) * 1000.0;
        }
        // From the first sound after the action (the old place's, or the
        // new one's after silence).
        qint64 first = from;
        while (first < to && !loud(first))
            ++first;
        countGaps(f, first, to);
        // Over a second from shortly after the sound came.
        const double syncFrom = a.time + std::max(0.3, f.heardMs / 1000.0 + 0.2);
        std::vector<double> offsets;
        for (const Shown &s : m_shown) {
            if (s.control != a.control || s.time < syncFrom || s.time > std::min(next, syncFrom + 1.0))
                continue;
            if (const auto heardAt = heardPosition(s.time, s.frame))
                offsets.push_back((*heardAt - s.frame) * m_frameMs);
        }
        if (!offsets.empty()) {
            std::sort(offsets.begin(), offsets.end());
            f.syncSamples = int(offsets.size());
            f.syncMedianMs = offsets[offsets.size() / 2];
            f.syncWorstMs = std::abs(offsets.front()) > std::abs(offsets.back()) ? offsets.front()
                                                                                  : offsets.back();
        }
        return f;
    }

    // Runs of 1 ms without a loud sample: the chord never has them.
    void countGaps(Figures &f, qint64 from, qint64 to) const
    {
        qint64 quiet = 0;
        for (qint64 i = from; i < to; ++i) {
            if (std::abs(int(m_left[size_t(i)])) > 2) {
                if (quiet >= kStep) {
                    ++f.gaps;
                    f.gapMs += quiet * 1000.0 / monitor::kRate;
                }
                quiet = 0;
            } else {
                ++quiet;
            }
        }
    }

    monitor::Recording &m_recording;
    double m_frameMs;
    std::vector<Action> m_actions;
    std::vector<Shown> m_shown;
    std::vector<qint16> m_left;
    double m_end = 0;
};

// The actions, each watched for a while, as the player window and the
// full-screen window call their controls; `first` and `second` are two
// files of the frame-coded movie.
inline void runActions(Session &session, MovieControl &widget, const QByteArray &first,
                       const QByteArray &second)
{
    constexpr int kRun = 1600;
    constexpr int kPause = 800;
    // A sink that slept wakes in up to 2 s, whatever plays into it.
    session.act(QStringLiteral("startup"), widget, [&] {
        widget.SetMoviePath(first);
        widget.Play();
    });
    session.watch(widget, 2 * kRun);
    session.act(QStringLiteral("pause"), widget, [&] { widget.Stop(); }, false);
    session.watch(widget, kPause);
    session.act(QStringLiteral("resume"), widget, [&] {
        widget.SeekToFrame(widget.GetFramePosition());
        widget.Play();
    });
    session.watch(widget, kRun);
    session.act(
        QStringLiteral("stop"), widget,
        [&] {
            widget.Stop();
            widget.Rewind();
        },
        false);
    session.watch(widget, kPause);
    session.act(QStringLiteral("play_after_stop"), widget, [&] {
        widget.SeekToFrame(0);
        widget.Play();
    });
    session.watch(widget, kRun);
    session.act(QStringLiteral("seek"), widget, [&] {
        widget.SeekToFrame(widget.GetFramePosition() + 120);
        widget.Play();
    });
    session.watch(widget, kRun);
    session.act(QStringLiteral("rewind"), widget, [&] { widget.Rewind(); });
    session.watch(widget, kRun);
    session.act(QStringLiteral("new_movie"), widget, [&] {
        widget.SetMoviePath(second);
        widget.Play();
    });
    session.watch(widget, kRun);
    // Full screen: the player window's control stops, and one of the
    // full-screen window's own takes the movie on from the frame reached.
    SwfMovieWidget fullScreen(MovieControlCreation{});
    fullScreen.resize(widget.size());
    fullScreen.show();
    session.act(QStringLiteral("full_screen"), fullScreen, [&] {
        widget.Stop();
        fullScreen.SetMoviePath(second);
        fullScreen.SetBackground(0);
        fullScreen.SeekToFrame(widget.GetFramePosition());
        fullScreen.Play();
    });
    session.watch(fullScreen, kRun);
    session.finish();
}

// The actions on a movie widget, the sink's monitor `source` recorded, with
// the movie written twice into `dir`; empty when it cannot be written.
inline std::vector<Figures> measureActions(const QString &source, const QTemporaryDir &dir)
{
    const QByteArray bytes = frametone::movie(60);
    QList<QByteArray> paths;
    for (const QString &name : {QStringLiteral("first.swf"), QStringLiteral("second.swf")}) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return {};
        paths << QFile::encodeName(file.fileName());
    }
    monitor::Recording recording(source, dir.filePath(QStringLiteral("monitor.raw")));
    Session session(recording, 25.0);
    SwfMovieWidget widget(MovieControlCreation{});
    widget.resize(240, 60);
    widget.show();
    runActions(session, widget, paths[0], paths[1]);
    return session.figures();
}

} // namespace soundclock
