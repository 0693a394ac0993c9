// The seek bar: a horizontal scroll bar that also reports the end of every
// scroll operation made with the mouse, after the release has been handled
// (after the thumb's final position), as scroll bars of the dialog
// framework do.
#pragma once

#include <QScrollBar>

class SeekBar final : public QScrollBar {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SeekBar)

public:
    explicit SeekBar(QWidget *parent = nullptr);
    ~SeekBar() override = default;

signals:
    void scrollEnded();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_scrolling = false;
};
