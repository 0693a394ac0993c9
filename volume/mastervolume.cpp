#include "volume/mastervolume.h"

#include "volume/mixernotifywindow.h"

#include <new>
#include <utility>

namespace {

// Counts come from the mixer driver; a count beyond any real mixer is
// treated like an allocation that failed rather than trusted.
constexpr quint64 MaxEntries = quint64(1) << 20;

// An array for one platform call, zero-filled; null when it cannot be had.
template <typename T> std::unique_ptr<T[]> allocateEntries(quint64 count)
{
    if (count == 0 || count > MaxEntries)
        return nullptr;
    return std::unique_ptr<T[]>(new (std::nothrow) T[count]());
}

// The wave mapper is opened only to learn which mixer serves it.
WAVEFORMATEX probeFormat()
{
    WAVEFORMATEX format;
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = 22050;
    format.nAvgBytesPerSec = 44100;
    format.nBlockAlign = 2;
    format.wBitsPerSample = 16;
    format.cbSize = 0;
    return format;
}

// The value Enable or Disable writes to a control of this type, if any.
bool lineSwitchValue(quint32 controlType, bool enable, quint32 *value)
{
    switch (controlType) {
    case MIXERCONTROL_CONTROLTYPE_MUTE:
        *value = enable ? 0 : 1;
        return true;
    case MIXERCONTROL_CONTROLTYPE_SINGLESELECT:
    case MIXERCONTROL_CONTROLTYPE_MUX:
    case MIXERCONTROL_CONTROLTYPE_MULTIPLESELECT:
    case MIXERCONTROL_CONTROLTYPE_MIXER:
        *value = enable ? 1 : 0;
        return true;
    default:
        return false;
    }
}

MIXERCONTROLDETAILS detailsFor(quint32 controlId, quint32 channels, quint32 items, void *entries)
{
    MIXERCONTROLDETAILS details;
    details.cbStruct = sizeof(MIXERCONTROLDETAILS);
    details.dwControlID = controlId;
    details.cChannels = channels;
    details.cMultipleItems = items;
    details.cbDetails = 4;
    details.paDetails = entries;
    return details;
}

} // namespace

MasterVolume::MasterVolume(std::shared_ptr<Mixer> mixer) : mixer(std::move(mixer))
{
    mixerOpened = Open();
    if (!mixerOpened)
        return;
    notifyTarget = this;
    if (!InitLine()) {
        Close();
        notifyTarget = nullptr;
    }
}

MasterVolume::~MasterVolume()
{
    if (mixerOpened)
        Close();
    if (notifyTarget == this)
        notifyTarget = nullptr;
}

bool MasterVolume::IsAvailable() const
{
    return volumeAvailable;
}

void MasterVolume::Enable()
{
    SetLineEnabled(true);
}

void MasterVolume::Disable()
{
    SetLineEnabled(false);
}

quint32 MasterVolume::GetStepCount() const
{
    return volumeAvailable ? stepCount : NoValue;
}

quint32 MasterVolume::GetMinimum() const
{
    return volumeAvailable ? minimum : NoValue;
}

quint32 MasterVolume::GetMaximum() const
{
    return volumeAvailable ? maximum : NoValue;
}

quint32 MasterVolume::GetVolume() const
{
    if (!volumeAvailable)
        return NoValue;
    auto entries = allocateEntries<MIXERCONTROLDETAILS_UNSIGNED>(channelCount);
    if (!entries)
        return NoValue;
    MIXERCONTROLDETAILS details = detailsFor(controlId, channelCount, 0, entries.get());
    if (mixer->mixerGetControlDetailsA(mixerHandle, &details, MIXER_GETCONTROLDETAILSF_VALUE) !=
        MMSYSERR_NOERROR)
        return NoValue;
    return entries[0].dwValue;
}

void MasterVolume::SetVolume(quint32 value)
{
    if (!volumeAvailable || value < minimum || value > maximum)
        return;
    auto entries = allocateEntries<MIXERCONTROLDETAILS_UNSIGNED>(channelCount);
    if (!entries)
        return;
    for (quint32 i = 0; i < channelCount; ++i)
        entries[i].dwValue = value;
    const MIXERCONTROLDETAILS details = detailsFor(controlId, channelCount, 0, entries.get());
    mixer->mixerSetControlDetails(mixerHandle, &details, MIXER_SETCONTROLDETAILSF_VALUE);
}

void MasterVolume::SetChangeCallback(ChangeCallback callback, quint32 data)
{
    changeCallback = callback;
    callbackData = data;
}

bool MasterVolume::Open()
{
    if (!mixer || mixer->mixerGetNumDevs() == 0)
        return false;

    const WAVEFORMATEX format = probeFormat();
    HWAVEOUT waveOut = 0;
    if (mixer->waveOutOpen(&waveOut, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR)
        return false;
    const MMRESULT idResult = mixer->mixerGetID(waveOut, &mixerId, MIXER_OBJECTF_HWAVEOUT);
    mixer->waveOutClose(waveOut);
    if (idResult != MMSYSERR_NOERROR)
        return false;

    notifyWindow = std::make_unique<MixerNotifyWindow>(&NotifyWndProc);
    notifyWindow->setObjectName(QLatin1String(NotifyWindowName));

    if (mixer->mixerOpen(&mixerHandle, mixerId, notifyWindow.get(), 0, CALLBACK_WINDOW) !=
        MMSYSERR_NOERROR) {
        mixerHandle = 0;
        notifyWindow.reset();
        return false;
    }
    return true;
}

bool MasterVolume::InitLine()
{
    if (!mixerOpened)
        return false;

    MIXERLINEA line;
    line.cbStruct = sizeof(MIXERLINEA);
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    if (mixer->mixerGetLineInfoA(mixerHandle, &line, MIXER_GETLINEINFOF_COMPONENTTYPE) !=
        MMSYSERR_NOERROR)
        return false;

    MIXERCONTROLA control;
    control.cbStruct = sizeof(MIXERCONTROLA);
    MIXERLINECONTROLSA query;
    query.cbStruct = sizeof(MIXERLINECONTROLSA);
    query.dwLineID = line.dwLineID;
    query.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
    query.cControls = 1;
    query.cbmxctrl = sizeof(MIXERCONTROLA);
    query.pamxctrl = &control;
    const bool found =
        mixer->mixerGetLineControlsA(mixerHandle, &query, MIXER_GETLINECONTROLSF_ONEBYTYPE) ==
        MMSYSERR_NOERROR;
    if (!found) {
        // What a failed query left in the record is not a control.
        control = MIXERCONTROLA();
    }
    if (found && !(control.fdwControl & MIXERCONTROL_CONTROLF_DISABLED))
        volumeAvailable = true;

    lineId = line.dwLineID;
    channelCount = line.cChannels;
    controlId = control.dwControlID;
    minimum = control.Bounds.dwMinimum;
    maximum = control.Bounds.dwMaximum;
    stepCount = control.Metrics.cSteps;
    lineReady = true;
    return true;
}

void MasterVolume::Close()
{
    mixer->mixerClose(mixerHandle);
    mixerHandle = 0;
    notifyWindow.reset();
    lineReady = false;
    mixerOpened = false;
}

void MasterVolume::SetLineEnabled(bool enable)
{
    if (!lineReady)
        return;

    MIXERLINEA line;
    line.cbStruct = sizeof(MIXERLINEA);
    line.dwLineID = lineId;
    if (mixer->mixerGetLineInfoA(mixerHandle, &line, MIXER_GETLINEINFOF_LINEID) != MMSYSERR_NOERROR)
        return;
    const quint32 lineChannels = line.cChannels;
    const quint32 controlCount = line.cControls;

    auto controls = allocateEntries<MIXERCONTROLA>(controlCount);
    if (!controls)
        return;
    for (quint32 i = 0; i < controlCount; ++i)
        controls[i].cbStruct = sizeof(MIXERCONTROLA);
    MIXERLINECONTROLSA query;
    query.cbStruct = sizeof(MIXERLINECONTROLSA);
    query.dwLineID = lineId;
    query.cControls = controlCount;
    query.cbmxctrl = sizeof(MIXERCONTROLA);
    query.pamxctrl = controls.get();
    if (mixer->mixerGetLineControlsA(mixerHandle, &query, MIXER_GETLINECONTROLSF_ALL) !=
        MMSYSERR_NOERROR)
        return;

    for (quint32 i = 0; i < controlCount; ++i) {
        const MIXERCONTROLA &control = controls[i];
        quint32 value = 0;
        if (!lineSwitchValue(control.dwControlType, enable, &value))
            continue;
        const quint32 channels =
            (control.fdwControl & MIXERCONTROL_CONTROLF_UNIFORM) ? 1 : lineChannels;
        const bool multiple = control.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE;
        const quint32 items = multiple ? control.cMultipleItems : 0;
        const quint64 count = multiple ? quint64(channels) * items : channels;
        auto entries = allocateEntries<MIXERCONTROLDETAILS_BOOLEAN>(count);
        if (!entries)
            continue;
        for (quint64 e = 0; e < count; ++e)
            entries[e].fValue = static_cast<qint32>(value);
        const MIXERCONTROLDETAILS details =
            detailsFor(control.dwControlID, channels, items, entries.get());
        mixer->mixerSetControlDetails(mixerHandle, &details, MIXER_SETCONTROLDETAILSF_VALUE);
    }
}

void MasterVolume::OnControlChange(quint32 id)
{
    if (id != controlId)
        return;
    const quint32 value = GetVolume();
    if (value == NoValue)
        return;
    if (changeCallback)
        changeCallback(value, callbackData);
}

void NotifyWndProc(MixerNotifyWindow *, quint32 message, quintptr, qintptr lParam)
{
    if (message == MM_MIXM_CONTROL_CHANGE && MasterVolume::notifyTarget)
        MasterVolume::notifyTarget->OnControlChange(static_cast<quint32>(lParam));
}
