// A movie control for tests: records every call in a journal and answers as
// scripted. Play and Stop set the playing state, SeekToFrame the position
// (unclamped, as given), SetMoviePath the frame count (from frameCounts,
// else defaultFrameCount). The queries the position timer makes a thousand
// times a second (IsPlaying, GetFramePosition) are counted, not journaled.
#pragma once

#include "player/moviecontrol.h"

#include <QHash>
#include <QStringList>

class FakeMovieControl final : public MovieControl {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FakeMovieControl)

public:
    // Entries go to `journal` (shared with other recorders) prefixed
    // "<name>: ", "movie: " unless named otherwise.
    explicit FakeMovieControl(QStringList *journal, QWidget *parent = nullptr,
                              const QString &name = QStringLiteral("movie"));
    ~FakeMovieControl() override = default;

    QByteArray GetMoviePath() const override;
    void SetMoviePath(const QByteArray &path) override;
    void Play() override;
    void Stop() override;
    void Rewind() override;
    void SetBackground(qint32 colour) override;
    qint32 GetFrameCount() const override;
    void SeekToFrame(qint32 frame) override;
    qint32 GetFramePosition() const override;
    bool IsPlaying() const override;

    // The script.
    qint32 defaultFrameCount = 100;
    QHash<QByteArray, qint32> frameCounts;
    qint32 frameCount = 0;
    qint32 position = 0;
    bool playing = false;
    QByteArray moviePath;
    // Whether Play on a movie without frames starts it (an empty control
    // does not).
    bool playsWithoutFrames = false;

    mutable int queries = 0;
    // Mouse and context-menu events that reached the control itself.
    QStringList inputEvents;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    void record(const QString &entry) const;

    QStringList *m_journal;
    QString m_prefix;
};

// A factory that makes FakeMovieControls journaling into `journal`; the last
// one made is stored in `*made`.
MovieControlFactory fakeMovieControlFactory(QStringList *journal, FakeMovieControl **made);
