#include "volume/mixernotifywindow.h"

#include <QCoreApplication>
#include <QEvent>

namespace {

const QEvent::Type MixerMessageType = static_cast<QEvent::Type>(QEvent::registerEventType());

class MixerMessage final : public QEvent {
public:
    MixerMessage(quint32 message, quintptr wParam, qintptr lParam)
        : QEvent(MixerMessageType), message(message), wParam(wParam), lParam(lParam)
    {
    }

    const quint32 message;
    const quintptr wParam;
    const qintptr lParam;
};

} // namespace

MixerNotifyWindow::MixerNotifyWindow(WindowProc windowProc, QObject *parent)
    : QObject(parent), m_windowProc(windowProc)
{
}

MixerNotifyWindow::~MixerNotifyWindow() = default;

void MixerNotifyWindow::postMessage(quint32 message, quintptr wParam, qintptr lParam)
{
    QCoreApplication::postEvent(this, new MixerMessage(message, wParam, lParam));
}

bool MixerNotifyWindow::event(QEvent *event)
{
    if (event->type() != MixerMessageType)
        return QObject::event(event);
    const auto *msg = static_cast<const MixerMessage *>(event);
    if (m_windowProc)
        m_windowProc(this, msg->message, msg->wParam, msg->lParam);
    return true;
}
