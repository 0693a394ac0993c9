// Control of the system's master output volume through the audio mixer: the
// mixer that serves the preferred wave-output device, its speaker
// destination line and that line's volume control. Reads and sets the
// volume, switches the output on and off through the line's mute and
// selector controls, and reports volume changes made anywhere to a callback.
//
// A controller is opened once, when it is constructed, and keeps the state
// it reached: unavailable, line ready without a volume control, or ready. To
// try again, construct a new one. Everything runs on the thread that
// constructs it, which must run an event loop for change notifications.
#pragma once

#include "volume/mixer.h"

#include <QtGlobal>

#include <memory>

class MixerNotifyWindow;

class MasterVolume {
public:
    // Called with the new volume and the data word given with the callback.
    using ChangeCallback = void (*)(quint32 value, quint32 data);

    // The result of a getter that has no value.
    static constexpr quint32 NoValue = 0xFFFFFFFF;
    // The name every notification window carries.
    static constexpr const char *NotifyWindowName = "Master Output Volume Msg Wnd";

    explicit MasterVolume(std::shared_ptr<Mixer> mixer);
    Q_DISABLE_COPY_MOVE(MasterVolume)

    virtual bool IsAvailable() const;
    // Switches the master output on (unmutes it) or off.
    virtual void Enable();
    virtual void Disable();
    // NoValue unless the volume control is available.
    virtual quint32 GetStepCount() const;
    virtual quint32 GetMinimum() const;
    virtual quint32 GetMaximum() const;
    // The first channel's level in mixer units; NoValue when there is none.
    virtual quint32 GetVolume() const;
    // Sets every channel to `value`; ignored outside minimum..maximum.
    virtual void SetVolume(quint32 value);
    // A null callback stops the calls.
    virtual void SetChangeCallback(ChangeCallback callback, quint32 data);

    virtual ~MasterVolume();

    // The one controller whose change notifications are acted on: the last
    // one that opened with a speaker line. None when that one failed.
    static MasterVolume *NotifyTarget() { return notifyTarget; }

private:
    bool Open();
    bool InitLine();
    void Close();
    void SetLineEnabled(bool enable);
    void OnControlChange(quint32 id);

    friend void NotifyWndProc(MixerNotifyWindow *window, quint32 message, quintptr wParam,
                              qintptr lParam);

    static inline MasterVolume *notifyTarget = nullptr;

    std::shared_ptr<Mixer> mixer;

    bool mixerOpened = false;
    bool lineReady = false;
    bool volumeAvailable = false;
    quint32 mixerId = 0;
    HMIXER mixerHandle = 0;
    quint32 lineId = 0;
    quint32 controlId = 0;
    quint32 channelCount = 0;
    std::unique_ptr<MixerNotifyWindow> notifyWindow;
    quint32 minimum = NoValue;
    quint32 maximum = NoValue;
    quint32 stepCount = 0;
    ChangeCallback changeCallback = nullptr;
    quint32 callbackData = 0;
};

// The window procedure of every notification window: a control change goes
// to the notification target, whichever controller's window received it.
void NotifyWndProc(MixerNotifyWindow *window, quint32 message, quintptr wParam, qintptr lParam);
