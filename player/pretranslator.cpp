#include "player/pretranslator.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

PreTranslator::PreTranslator(QWidget *window, Handler handler)
    : QObject(window), m_window(window), m_handler(std::move(handler))
{
    m_window->installEventFilter(this);
    attach();
}

void PreTranslator::attach()
{
    QWindow *handle = m_window->windowHandle();
    if (handle == m_attached)
        return;
    if (m_attached)
        m_attached->removeEventFilter(this);
    m_attached = handle;
    if (m_attached)
        m_attached->installEventFilter(this);
}

bool PreTranslator::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window) {
        // The native window is made on first show and again when the
        // window flags change.
        if (event->type() == QEvent::WinIdChange || event->type() == QEvent::Show)
            attach();
        return false;
    }
    if (watched == m_attached && m_handler)
        return m_handler(event);
    return false;
}
