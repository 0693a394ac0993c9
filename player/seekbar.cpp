#include "player/seekbar.h"

#include <QMouseEvent>

SeekBar::SeekBar(QWidget *parent) : QScrollBar(Qt::Horizontal, parent)
{
    // No page size is ever set: a page step moves the position by nothing.
    setPageStep(0);
    setSingleStep(1);
    // Like the template's scroll bar, it is no tab stop.
    setFocusPolicy(Qt::NoFocus);
}

void SeekBar::mousePressEvent(QMouseEvent *event)
{
    QScrollBar::mousePressEvent(event);
    if (event->button() == Qt::LeftButton || event->button() == Qt::MiddleButton)
        m_scrolling = true;
}

void SeekBar::mouseReleaseEvent(QMouseEvent *event)
{
    QScrollBar::mouseReleaseEvent(event);
    if (m_scrolling && event->buttons() == Qt::NoButton) {
        m_scrolling = false;
        emit scrollEnded();
    }
}
