// A movie control that plays nothing: it stands in where no movie control
// could be created, so the window around it keeps working. It remembers the
// path it was given and never reports frames or playback.
#pragma once

#include "player/moviecontrol.h"

class NullMovieControl final : public MovieControl {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NullMovieControl)

public:
    using MovieControl::MovieControl;
    ~NullMovieControl() override = default;

    QByteArray GetMoviePath() const override { return m_path; }
    void SetMoviePath(const QByteArray &path) override { m_path = path; }
    void Play() override {}
    void Stop() override {}
    void Rewind() override {}
    void SetBackground(qint32) override {}
    qint32 GetFrameCount() const override { return 0; }
    void SeekToFrame(qint32) override {}
    qint32 GetFramePosition() const override { return 0; }
    bool IsPlaying() const override { return false; }

private:
    QByteArray m_path;
};
