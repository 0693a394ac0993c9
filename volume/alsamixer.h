// The mixer service on ALSA. The preferred wave-output device is ALSA's
// `default` PCM and the mixer that serves it the `default` control device,
// so that PulseAudio and PipeWire are reached through their ALSA plugins and
// bare hardware otherwise. The speaker destination line is one simple mixer
// element (see AlsaMapping::speakerElement); its controls are the element's
// playback volume (bounds 0…65535, one value per channel), its playback
// switch as a mute control, and the playback-side enumerated elements as
// selector controls. Change notifications come from the mixer's poll
// descriptors, watched by the event loop of the thread that opens it.
#pragma once

#include "volume/mixer.h"

#include <memory>

class AlsaMixer final : public Mixer {
public:
    AlsaMixer();
    ~AlsaMixer() override;
    Q_DISABLE_COPY_MOVE(AlsaMixer)

    quint32 mixerGetNumDevs() override;
    MMRESULT waveOutOpen(HWAVEOUT *phwo, quint32 uDeviceID, const WAVEFORMATEX *pwfx,
                         quintptr dwCallback, quintptr dwInstance, quint32 fdwOpen) override;
    MMRESULT mixerGetID(quintptr hmxobj, quint32 *puMxId, quint32 fdwId) override;
    MMRESULT waveOutClose(HWAVEOUT hwo) override;
    MMRESULT mixerOpen(HMIXER *phmx, quint32 uMxId, MixerNotifyWindow *dwCallback,
                       quintptr dwInstance, quint32 fdwOpen) override;
    MMRESULT mixerGetLineInfoA(HMIXER hmx, MIXERLINEA *pmxl, quint32 fdwInfo) override;
    MMRESULT mixerGetLineControlsA(HMIXER hmx, MIXERLINECONTROLSA *pmxlc,
                                   quint32 fdwControls) override;
    MMRESULT mixerGetControlDetailsA(HMIXER hmx, MIXERCONTROLDETAILS *pmxcd,
                                     quint32 fdwDetails) override;
    MMRESULT mixerSetControlDetails(HMIXER hmx, const MIXERCONTROLDETAILS *pmxcd,
                                    quint32 fdwDetails) override;
    MMRESULT mixerClose(HMIXER hmx) override;

private:
    struct State;
    std::unique_ptr<State> d;
};
