#include "fakemoviecontrol.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QWheelEvent>

FakeMovieControl::FakeMovieControl(QStringList *journal, QWidget *parent, const QString &name)
    : MovieControl(parent), m_journal(journal), m_prefix(name + QStringLiteral(": "))
{
    setFocusPolicy(Qt::StrongFocus);
}

void FakeMovieControl::record(const QString &entry) const
{
    if (m_journal)
        m_journal->append(m_prefix + entry);
}

QByteArray FakeMovieControl::GetMoviePath() const
{
    record(QStringLiteral("GetMoviePath"));
    return moviePath;
}

void FakeMovieControl::SetMoviePath(const QByteArray &path)
{
    record(QStringLiteral("SetMoviePath ") + QString::fromLatin1(path.toPercentEncoding("/")));
    moviePath = path;
    frameCount = frameCounts.value(path, defaultFrameCount);
    position = 0;
    playing = false;
}

void FakeMovieControl::Play()
{
    record(QStringLiteral("Play"));
    if (frameCount > 0 || playsWithoutFrames)
        playing = true;
}

void FakeMovieControl::Stop()
{
    record(QStringLiteral("Stop"));
    playing = false;
}

void FakeMovieControl::Rewind()
{
    record(QStringLiteral("Rewind"));
    position = 0;
}

void FakeMovieControl::SetBackground(qint32 colour)
{
    record(QStringLiteral("SetBackground %1").arg(colour));
}

qint32 FakeMovieControl::GetFrameCount() const
{
    record(QStringLiteral("GetFrameCount"));
    return frameCount;
}

void FakeMovieControl::SeekToFrame(qint32 frame)
{
    record(QStringLiteral("SeekToFrame %1").arg(frame));
    position = frame;
}

qint32 FakeMovieControl::GetFramePosition() const
{
    ++queries;
    return position;
}

bool FakeMovieControl::IsPlaying() const
{
    ++queries;
    return playing;
}

void FakeMovieControl::mousePressEvent(QMouseEvent *event)
{
    inputEvents.append(event->button() == Qt::RightButton ? QStringLiteral("right press")
                                                          : QStringLiteral("press"));
    event->accept();
}

void FakeMovieControl::mouseReleaseEvent(QMouseEvent *event)
{
    inputEvents.append(event->button() == Qt::RightButton ? QStringLiteral("right release")
                                                          : QStringLiteral("release"));
    event->accept();
}

void FakeMovieControl::mouseDoubleClickEvent(QMouseEvent *event)
{
    inputEvents.append(event->button() == Qt::RightButton ? QStringLiteral("right double-click")
                                                          : QStringLiteral("double-click"));
    event->accept();
}

void FakeMovieControl::contextMenuEvent(QContextMenuEvent *event)
{
    inputEvents.append(QStringLiteral("context menu"));
    event->accept();
}

void FakeMovieControl::wheelEvent(QWheelEvent *event)
{
    inputEvents.append(QStringLiteral("wheel"));
    event->accept();
}

MovieControlFactory fakeMovieControlFactory(QStringList *journal, FakeMovieControl **made)
{
    return
        [journal, made](const MovieControlCreation &creation, QWidget *parent) -> MovieControl * {
            auto *control = new FakeMovieControl(journal, parent);
            control->setGeometry(creation.rect);
            if (made)
                *made = control;
            return control;
        };
}
