// The sound of a movie widget: the system output (one per widget, made
// once), the engine of the movie loaded, and the timer that keeps the
// output fed from the UI thread while sound plays.
#pragma once

#include <QObject>
#include <QTimer>

#include <memory>

namespace swf {
class AudioEngine;
class AudioOutput;
class AudioSink;
class Movie;
class Player;
} // namespace swf

class MovieAudio final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MovieAudio)
public:
    // Plays through ALSA's default device.
    explicit MovieAudio(QObject *parent = nullptr);
    MovieAudio(std::unique_ptr<swf::AudioOutput> output, QObject *parent = nullptr);
    ~MovieAudio() override;

    // Sound for a newly loaded movie; the old movie's sounds stop. Returns
    // the sink to build the movie's player with.
    swf::AudioSink *load(std::shared_ptr<const swf::Movie> movie);
    // The player built with that sink (its frame is where streams restart).
    void attach(const swf::Player *player);
    // No movie: silence.
    void unload();
    // Silences every sound at once (rewind).
    void stopAll();
    // Feeds the output at once, and goes on feeding it while sound plays;
    // call after anything that may start or restart a sound.
    void update();

signals:
    // The stream's clock says frames are due.
    void framesDue();

private:
    void pump();
    void schedulePump();

    std::unique_ptr<swf::AudioOutput> m_output;
    std::unique_ptr<swf::AudioEngine> m_engine;
    QTimer m_pump;
};
