// A mixer service in memory for tests: one device with an optional speaker
// destination line whose controls hold values, every call recorded, any
// operation made to fail, and change notifications posted on demand to the
// windows the controllers opened it with. Records are checked as strictly
// as a real mixer checks them, so a wrongly filled record fails the call.
#pragma once

#include "volume/mixer.h"
#include "volume/mixernotifywindow.h"

#include <QByteArrayList>
#include <QList>
#include <QMap>
#include <QPointer>

#include <optional>

class FakeMixer final : public Mixer {
public:
    enum class Op {
        GetNumDevs,
        WaveOutOpen,
        GetID,
        WaveOutClose,
        Open,
        LineInfoByType, // mixerGetLineInfoA with MIXER_GETLINEINFOF_COMPONENTTYPE
        LineInfoById,   // mixerGetLineInfoA with MIXER_GETLINEINFOF_LINEID
        ControlsByType, // mixerGetLineControlsA with MIXER_GETLINECONTROLSF_ONEBYTYPE
        ControlsAll,    // mixerGetLineControlsA with MIXER_GETLINECONTROLSF_ALL
        GetDetails,
        SetDetails,
        Close,
    };

    struct Control {
        quint32 id = 0;
        quint32 type = 0;
        quint32 flags = 0; // MIXERCONTROL_CONTROLF_*
        quint32 items = 0; // cMultipleItems
        quint32 minimum = 0;
        quint32 maximum = 0;
        quint32 steps = 0;
        // Current entries, one per line channel (× items for a multiple-item
        // control, the items of the first channel first). Empty: all zero.
        QList<quint32> values;
    };

    struct Line {
        quint32 id = 0xFFFF0000;
        quint32 componentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
        quint32 channels = 2;
        QList<Control> controls;
    };

    struct Call {
        Op op = Op::GetNumDevs;
        HMIXER handle = 0;
        quint32 flags = 0;
        quint32 id = 0;        // device, line or control identifier
        quint32 channels = 0;  // cChannels of a details record
        quint32 items = 0;     // cMultipleItems of a details record
        QList<quint32> values; // entries handed to mixerSetControlDetails
        MMRESULT result = MMSYSERR_NOERROR;
    };

    // Identifiers of the controls standardLine() builds.
    static constexpr quint32 VolumeId = 1;
    static constexpr quint32 MuteId = 2;

    // A speaker line with a volume control (bounds 0…65535, 65535 steps,
    // every channel at `level`) and a uniform mute control (unmuted).
    static Line standardLine(quint32 channels = 2, quint32 level = 0);
    static Control muxControl(quint32 id, quint32 items, quint32 flags = 0);

    // --- configuration -------------------------------------------------
    quint32 deviceCount = 1;
    // The device's speaker destination line; none: the device has none.
    std::optional<Line> line = standardLine();
    quint32 mixerIdOfWaveOut = 0;
    // Makes every later call of `op` fail with `result`.
    void fail(Op op, MMRESULT result = MMSYSERR_ERROR) { m_failures[op] = result; }
    void succeed(Op op) { m_failures.remove(op); }

    Control *control(quint32 id);
    QList<quint32> values(quint32 id) const;
    void setValues(quint32 id, const QList<quint32> &values);

    // --- notifications -------------------------------------------------
    // Changes a control as another program would: new values, and a change
    // notification posted to every open handle's window.
    void changeControl(quint32 id, const QList<quint32> &values);
    // Posts a change notification for `controlId` to one handle's window.
    void postControlChange(HMIXER handle, quint32 controlId);
    QList<HMIXER> openHandles() const { return m_windows.keys(); }
    MixerNotifyWindow *window(HMIXER handle) const { return m_windows.value(handle); }
    int openWaveOuts() const { return int(m_waveOuts.size()); }

    // --- what was asked ------------------------------------------------
    QList<Call> calls;
    WAVEFORMATEX lastWaveFormat;
    quint32 lastWaveDevice = 0;
    quint32 lastOpenFlags = 0;
    QList<Call> callsOf(Op op) const;
    // The names of the operations called, in order ("mixerOpen", …).
    QByteArrayList callNames() const;
    static QByteArray name(Op op);

    // --- Mixer ---------------------------------------------------------
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
    static Call newCall(Op op, HMIXER handle = 0, quint32 flags = 0);
    MMRESULT record(Call call, MMRESULT result);
    MMRESULT checkDetails(HMIXER hmx, const MIXERCONTROLDETAILS *cd, Control **control) const;
    static quint32 entriesPerRow(const Control &c);
    static MIXERCONTROLA describe(const Control &c);

    QMap<Op, MMRESULT> m_failures;
    QList<HWAVEOUT> m_waveOuts;
    QMap<HMIXER, QPointer<MixerNotifyWindow>> m_windows;
    quintptr m_nextHandle = 0x100;
};
