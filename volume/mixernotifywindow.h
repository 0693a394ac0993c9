// The hidden window that receives a mixer's notifications. A mixer opened
// with CALLBACK_WINDOW posts its messages here; the event loop delivers them
// to the window procedure of the window's class, which all such windows
// share and which is bound to none of them.
#pragma once

#include <QObject>

class MixerNotifyWindow final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MixerNotifyWindow)
public:
    using WindowProc = void (*)(MixerNotifyWindow *window, quint32 message, quintptr wParam,
                                qintptr lParam);

    explicit MixerNotifyWindow(WindowProc windowProc, QObject *parent = nullptr);
    ~MixerNotifyWindow() override;

    // Queues a message for the window. Safe from inside a platform callback:
    // the window procedure runs later, from the event loop, and a message
    // still queued when the window is destroyed is dropped with it.
    void postMessage(quint32 message, quintptr wParam, qintptr lParam);

protected:
    bool event(QEvent *event) override;

private:
    WindowProc m_windowProc;
};
