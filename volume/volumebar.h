// The volume bar of the player window: a progress bar that shows the master
// output volume at start-up and sets it where the user releases the left
// button over it. It is never refreshed from the mixer afterwards, so
// changes made elsewhere do not move it. Each moment constructs its own
// controller and releases it at once, so it acts on whatever mixer serves
// the preferred output at that time.
#pragma once

#include "volume/mastervolume.h"

#include <QPointer>
#include <QProgressBar>

#include <functional>
#include <memory>

class VolumeBar final {
public:
    using ControllerFactory = std::function<std::unique_ptr<MasterVolume>()>;

    // The bar's range is always 0…65535: positions are mixer units, shown
    // without scaling to the volume control's real bounds.
    static constexpr int RangeMaximum = 65535;

    VolumeBar(QProgressBar *bar, ControllerFactory makeController);
    Q_DISABLE_COPY_MOVE(VolumeBar)

    // Start-up: switch the master output on and show its volume.
    void StartUp();
    // Every left-button release the player window's pre-translation sees,
    // for the window or any of its children: a release with the cursor over
    // the bar sets the volume from the cursor's position. Does not consume.
    void OnLeftButtonUp();
    // The player window's own left-button release: over the bar, it only
    // switches the master output on.
    void OnOwnLeftButtonUp();
    // Redraws the whole bar with its background erased.
    void Invalidate();

    QProgressBar *bar() const;
    // How many times the bar was invalidated, for tests of the redraw list.
    int invalidationCount() const { return m_invalidations; }

private:
    // The bar's window rectangle in screen coordinates, frame included.
    QRect windowRect() const;
    void setPosition(quint32 volume);

    QPointer<QProgressBar> m_bar;
    ControllerFactory m_makeController;
    int m_invalidations = 0;
};

// The production factory: a controller on the ALSA mixer.
VolumeBar::ControllerFactory alsaVolumeControllerFactory();
