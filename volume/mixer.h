// The audio mixer service as the master volume controller sees it: the
// operations and records of the multimedia mixer interface the controller
// was designed against, kept under their own names, so that every decision
// (which device, line and control, which values) stays in MasterVolume and
// a platform only answers these calls. AlsaMixer answers them on Linux; a
// fake in memory answers them in tests.
#pragma once

#include <QByteArray>
#include <QtGlobal>

class MixerNotifyWindow;

using MMRESULT = quint32;
// Handles are opaque to the caller; 0 is no handle.
using HMIXER = quintptr;
using HWAVEOUT = quintptr;

// Results.
inline constexpr MMRESULT MMSYSERR_NOERROR = 0;
inline constexpr MMRESULT MMSYSERR_ERROR = 1;
inline constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
inline constexpr MMRESULT MMSYSERR_ALLOCATED = 4;
inline constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
inline constexpr MMRESULT MMSYSERR_NODRIVER = 6;
inline constexpr MMRESULT MMSYSERR_NOMEM = 7;
inline constexpr MMRESULT MMSYSERR_INVALFLAG = 10;
inline constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
inline constexpr MMRESULT WAVERR_BADFORMAT = 32;
inline constexpr MMRESULT MIXERR_INVALLINE = 1024;
inline constexpr MMRESULT MIXERR_INVALCONTROL = 1025;
inline constexpr MMRESULT MIXERR_INVALVALUE = 1026;

// Opening a wave-output device and finding its mixer.
inline constexpr quint32 WAVE_MAPPER = 0xFFFFFFFF;
inline constexpr quint16 WAVE_FORMAT_PCM = 1;
inline constexpr quint32 CALLBACK_NULL = 0x00000;
inline constexpr quint32 CALLBACK_WINDOW = 0x10000;
inline constexpr quint32 MIXER_OBJECTF_HWAVEOUT = 0x90000000;

// The message a mixer opened with CALLBACK_WINDOW posts to its window when a
// control changes: wParam the mixer handle, lParam the control identifier.
inline constexpr quint32 MM_MIXM_CONTROL_CHANGE = 0x3D1;

inline constexpr quint32 MIXERLINE_COMPONENTTYPE_DST_SPEAKERS = 4;

inline constexpr quint32 MIXER_GETLINEINFOF_LINEID = 2;
inline constexpr quint32 MIXER_GETLINEINFOF_COMPONENTTYPE = 3;

inline constexpr quint32 MIXER_GETLINECONTROLSF_ALL = 0;
inline constexpr quint32 MIXER_GETLINECONTROLSF_ONEBYID = 1;
inline constexpr quint32 MIXER_GETLINECONTROLSF_ONEBYTYPE = 2;

inline constexpr quint32 MIXER_GETCONTROLDETAILSF_VALUE = 0;
inline constexpr quint32 MIXER_SETCONTROLDETAILSF_VALUE = 0;

inline constexpr quint32 MIXERCONTROL_CONTROLF_UNIFORM = 0x00000001;
inline constexpr quint32 MIXERCONTROL_CONTROLF_MULTIPLE = 0x00000002;
inline constexpr quint32 MIXERCONTROL_CONTROLF_DISABLED = 0x80000000;

inline constexpr quint32 MIXERCONTROL_CONTROLTYPE_MUTE = 0x20010002;
inline constexpr quint32 MIXERCONTROL_CONTROLTYPE_VOLUME = 0x50030001;
inline constexpr quint32 MIXERCONTROL_CONTROLTYPE_SINGLESELECT = 0x70010000;
inline constexpr quint32 MIXERCONTROL_CONTROLTYPE_MUX = 0x70010001;
inline constexpr quint32 MIXERCONTROL_CONTROLTYPE_MULTIPLESELECT = 0x71010000;
inline constexpr quint32 MIXERCONTROL_CONTROLTYPE_MIXER = 0x71010001;

struct WAVEFORMATEX {
    quint16 wFormatTag = 0;
    quint16 nChannels = 0;
    quint32 nSamplesPerSec = 0;
    quint32 nAvgBytesPerSec = 0;
    quint16 nBlockAlign = 0;
    quint16 wBitsPerSample = 0;
    quint16 cbSize = 0;
};

// One line of a mixer; only the members the controller uses.
struct MIXERLINEA {
    quint32 cbStruct = 0;
    quint32 dwLineID = 0;
    quint32 dwComponentType = 0;
    quint32 cChannels = 0;
    quint32 cControls = 0;
    QByteArray szName;
};

// One control of a line.
struct MIXERCONTROLA {
    quint32 cbStruct = 0;
    quint32 dwControlID = 0;
    quint32 dwControlType = 0;
    quint32 fdwControl = 0;
    quint32 cMultipleItems = 0;
    QByteArray szName;
    struct {
        quint32 dwMinimum = 0;
        quint32 dwMaximum = 0;
    } Bounds;
    struct {
        quint32 cSteps = 0;
    } Metrics;
};

// A query for a line's controls: one by type (dwControlType, cControls 1) or
// all of them (cControls = the line's control count) into pamxctrl.
struct MIXERLINECONTROLSA {
    quint32 cbStruct = 0;
    quint32 dwLineID = 0;
    quint32 dwControlType = 0;
    quint32 cControls = 0;
    quint32 cbmxctrl = 0;
    MIXERCONTROLA *pamxctrl = nullptr;
};

// The values of one control: cChannels × cMultipleItems entries for a
// multiple-item control (the items of the first channel first), cChannels
// entries otherwise; each entry cbDetails (4) bytes.
struct MIXERCONTROLDETAILS {
    quint32 cbStruct = 0;
    quint32 dwControlID = 0;
    quint32 cChannels = 0;
    quint32 cMultipleItems = 0;
    quint32 cbDetails = 0;
    void *paDetails = nullptr;
};

struct MIXERCONTROLDETAILS_UNSIGNED {
    quint32 dwValue = 0;
};

struct MIXERCONTROLDETAILS_BOOLEAN {
    qint32 fValue = 0;
};

static_assert(sizeof(MIXERCONTROLDETAILS_UNSIGNED) == 4);
static_assert(sizeof(MIXERCONTROLDETAILS_BOOLEAN) == 4);

class Mixer {
public:
    virtual ~Mixer() = default;

    virtual quint32 mixerGetNumDevs() = 0;
    // uDeviceID WAVE_MAPPER opens the preferred output device.
    virtual MMRESULT waveOutOpen(HWAVEOUT *phwo, quint32 uDeviceID, const WAVEFORMATEX *pwfx,
                                 quintptr dwCallback, quintptr dwInstance, quint32 fdwOpen) = 0;
    // With MIXER_OBJECTF_HWAVEOUT, hmxobj is a wave-out handle and the result
    // the mixer device that serves it.
    virtual MMRESULT mixerGetID(quintptr hmxobj, quint32 *puMxId, quint32 fdwId) = 0;
    virtual MMRESULT waveOutClose(HWAVEOUT hwo) = 0;
    // With CALLBACK_WINDOW, MM_MIXM_CONTROL_CHANGE is posted to dwCallback
    // whenever a control of the mixer changes, until mixerClose.
    virtual MMRESULT mixerOpen(HMIXER *phmx, quint32 uMxId, MixerNotifyWindow *dwCallback,
                               quintptr dwInstance, quint32 fdwOpen) = 0;
    virtual MMRESULT mixerGetLineInfoA(HMIXER hmx, MIXERLINEA *pmxl, quint32 fdwInfo) = 0;
    virtual MMRESULT mixerGetLineControlsA(HMIXER hmx, MIXERLINECONTROLSA *pmxlc,
                                           quint32 fdwControls) = 0;
    virtual MMRESULT mixerGetControlDetailsA(HMIXER hmx, MIXERCONTROLDETAILS *pmxcd,
                                             quint32 fdwDetails) = 0;
    virtual MMRESULT mixerSetControlDetails(HMIXER hmx, const MIXERCONTROLDETAILS *pmxcd,
                                            quint32 fdwDetails) = 0;
    virtual MMRESULT mixerClose(HMIXER hmx) = 0;
};
