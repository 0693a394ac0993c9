// Message pre-translation for a top-level widget: every event that the
// window system delivers to the widget's window is shown to a handler before
// any widget of that window (the window itself or a child, the movie control
// included) receives it. The handler consumes an event by returning true.
//
// The events are taken where the window system hands them to the window, not
// at the widgets, so each arrives once: widget-level delivery would show a
// mouse event again to every parent it propagates to.
#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;
class QWindow;

class PreTranslator final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PreTranslator)

public:
    using Handler = std::function<bool(QEvent *event)>;

    // Follows `window` as its native window comes and goes; owned by it.
    PreTranslator(QWidget *window, Handler handler);
    ~PreTranslator() override = default;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void attach();

    QWidget *m_window;
    QPointer<QWindow> m_attached;
    Handler m_handler;
};
