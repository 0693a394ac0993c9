#include "fakemixer.h"

#include <algorithm>

FakeMixer::Line FakeMixer::standardLine(quint32 channels, quint32 level)
{
    Line line;
    line.channels = channels;
    Control volume;
    volume.id = VolumeId;
    volume.type = MIXERCONTROL_CONTROLTYPE_VOLUME;
    volume.maximum = 65535;
    volume.steps = 65535;
    volume.values = QList<quint32>(qsizetype(channels), level);
    Control mute;
    mute.id = MuteId;
    mute.type = MIXERCONTROL_CONTROLTYPE_MUTE;
    mute.flags = MIXERCONTROL_CONTROLF_UNIFORM;
    mute.maximum = 1;
    line.controls = {volume, mute};
    return line;
}

FakeMixer::Control FakeMixer::muxControl(quint32 id, quint32 items, quint32 flags)
{
    Control mux;
    mux.id = id;
    mux.type = MIXERCONTROL_CONTROLTYPE_MUX;
    mux.flags = flags | MIXERCONTROL_CONTROLF_MULTIPLE;
    mux.items = items;
    mux.maximum = items ? items - 1 : 0;
    mux.steps = items;
    return mux;
}

FakeMixer::Control *FakeMixer::control(quint32 id)
{
    if (!line)
        return nullptr;
    for (Control &c : line->controls) {
        if (c.id == id)
            return &c;
    }
    return nullptr;
}

quint32 FakeMixer::entriesPerRow(const Control &c)
{
    return (c.flags & MIXERCONTROL_CONTROLF_MULTIPLE) ? c.items : 1;
}

QList<quint32> FakeMixer::values(quint32 id) const
{
    auto *self = const_cast<FakeMixer *>(this);
    const Control *c = self->control(id);
    if (!c)
        return {};
    const qsizetype count = qsizetype(line->channels * entriesPerRow(*c));
    QList<quint32> result = c->values;
    result.resize(count);
    return result;
}

void FakeMixer::setValues(quint32 id, const QList<quint32> &values)
{
    if (Control *c = control(id))
        c->values = values;
}

void FakeMixer::changeControl(quint32 id, const QList<quint32> &values)
{
    setValues(id, values);
    for (auto it = m_windows.cbegin(); it != m_windows.cend(); ++it) {
        if (it.value())
            it.value()->postMessage(MM_MIXM_CONTROL_CHANGE, it.key(), qintptr(id));
    }
}

void FakeMixer::postControlChange(HMIXER handle, quint32 controlId)
{
    if (MixerNotifyWindow *w = m_windows.value(handle))
        w->postMessage(MM_MIXM_CONTROL_CHANGE, handle, qintptr(controlId));
}

QList<FakeMixer::Call> FakeMixer::callsOf(Op op) const
{
    QList<Call> result;
    std::copy_if(calls.cbegin(), calls.cend(), std::back_inserter(result),
                 [op](const Call &c) { return c.op == op; });
    return result;
}

QByteArrayList FakeMixer::callNames() const
{
    QByteArrayList names;
    for (const Call &c : calls)
        names.append(name(c.op));
    return names;
}

QByteArray FakeMixer::name(Op op)
{
    switch (op) {
    case Op::GetNumDevs:
        return "mixerGetNumDevs";
    case Op::WaveOutOpen:
        return "waveOutOpen";
    case Op::GetID:
        return "mixerGetID";
    case Op::WaveOutClose:
        return "waveOutClose";
    case Op::Open:
        return "mixerOpen";
    case Op::LineInfoByType:
        return "mixerGetLineInfoA(componentType)";
    case Op::LineInfoById:
        return "mixerGetLineInfoA(lineId)";
    case Op::ControlsByType:
        return "mixerGetLineControlsA(oneByType)";
    case Op::ControlsAll:
        return "mixerGetLineControlsA(all)";
    case Op::GetDetails:
        return "mixerGetControlDetailsA";
    case Op::SetDetails:
        return "mixerSetControlDetails";
    case Op::Close:
        return "mixerClose";
    }
    return "?";
}

FakeMixer::Call FakeMixer::newCall(Op op, HMIXER handle, quint32 flags)
{
    Call call;
    call.op = op;
    call.handle = handle;
    call.flags = flags;
    return call;
}

MMRESULT FakeMixer::record(Call call, MMRESULT result)
{
    if (m_failures.contains(call.op))
        result = m_failures.value(call.op);
    call.result = result;
    calls.append(call);
    return result;
}

MIXERCONTROLA FakeMixer::describe(const Control &c)
{
    MIXERCONTROLA d;
    d.cbStruct = sizeof(MIXERCONTROLA);
    d.dwControlID = c.id;
    d.dwControlType = c.type;
    d.fdwControl = c.flags;
    d.cMultipleItems = c.items;
    d.Bounds.dwMinimum = c.minimum;
    d.Bounds.dwMaximum = c.maximum;
    d.Metrics.cSteps = c.steps;
    return d;
}

quint32 FakeMixer::mixerGetNumDevs()
{
    record(newCall(Op::GetNumDevs), MMSYSERR_NOERROR);
    return deviceCount;
}

MMRESULT FakeMixer::waveOutOpen(HWAVEOUT *phwo, quint32 uDeviceID, const WAVEFORMATEX *pwfx,
                                quintptr, quintptr, quint32 fdwOpen)
{
    Call call = newCall(Op::WaveOutOpen);
    call.id = uDeviceID;
    call.flags = fdwOpen;
    if (!phwo || !pwfx)
        return record(call, MMSYSERR_INVALPARAM);
    lastWaveFormat = *pwfx;
    lastWaveDevice = uDeviceID;
    if (deviceCount == 0)
        return record(call, MMSYSERR_NODRIVER);
    const MMRESULT result = record(call, MMSYSERR_NOERROR);
    if (result == MMSYSERR_NOERROR) {
        *phwo = m_nextHandle++;
        m_waveOuts.append(*phwo);
    }
    return result;
}

MMRESULT FakeMixer::mixerGetID(quintptr hmxobj, quint32 *puMxId, quint32 fdwId)
{
    Call call = newCall(Op::GetID, hmxobj, fdwId);
    if (!puMxId || fdwId != MIXER_OBJECTF_HWAVEOUT)
        return record(call, MMSYSERR_INVALPARAM);
    if (!m_waveOuts.contains(hmxobj))
        return record(call, MMSYSERR_INVALHANDLE);
    const MMRESULT result = record(call, MMSYSERR_NOERROR);
    if (result == MMSYSERR_NOERROR)
        *puMxId = mixerIdOfWaveOut;
    return result;
}

MMRESULT FakeMixer::waveOutClose(HWAVEOUT hwo)
{
    const bool known = m_waveOuts.removeOne(hwo);
    return record(newCall(Op::WaveOutClose, hwo), known ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE);
}

MMRESULT FakeMixer::mixerOpen(HMIXER *phmx, quint32 uMxId, MixerNotifyWindow *dwCallback, quintptr,
                              quint32 fdwOpen)
{
    Call call = newCall(Op::Open);
    call.id = uMxId;
    call.flags = fdwOpen;
    lastOpenFlags = fdwOpen;
    if (!phmx || (fdwOpen == CALLBACK_WINDOW && !dwCallback))
        return record(call, MMSYSERR_INVALPARAM);
    if (uMxId >= deviceCount)
        return record(call, MMSYSERR_BADDEVICEID);
    const MMRESULT result = record(call, MMSYSERR_NOERROR);
    if (result == MMSYSERR_NOERROR) {
        *phmx = m_nextHandle++;
        calls.last().handle = *phmx;
        m_windows.insert(*phmx, fdwOpen == CALLBACK_WINDOW ? dwCallback : nullptr);
    }
    return result;
}

MMRESULT FakeMixer::mixerGetLineInfoA(HMIXER hmx, MIXERLINEA *pmxl, quint32 fdwInfo)
{
    const bool byType = fdwInfo == MIXER_GETLINEINFOF_COMPONENTTYPE;
    Call call = newCall(byType ? Op::LineInfoByType : Op::LineInfoById, hmx, fdwInfo);
    if (!m_windows.contains(hmx))
        return record(call, MMSYSERR_INVALHANDLE);
    if (!pmxl || pmxl->cbStruct != sizeof(MIXERLINEA))
        return record(call, MMSYSERR_INVALPARAM);
    if (!byType && fdwInfo != MIXER_GETLINEINFOF_LINEID)
        return record(call, MMSYSERR_INVALFLAG);
    call.id = byType ? pmxl->dwComponentType : pmxl->dwLineID;
    const bool match = line && (byType ? line->componentType == pmxl->dwComponentType
                                       : line->id == pmxl->dwLineID);
    const MMRESULT result = record(call, match ? MMSYSERR_NOERROR : MIXERR_INVALLINE);
    if (result == MMSYSERR_NOERROR) {
        pmxl->dwLineID = line->id;
        pmxl->dwComponentType = line->componentType;
        pmxl->cChannels = line->channels;
        pmxl->cControls = quint32(line->controls.size());
        pmxl->szName = "Speakers";
    }
    return result;
}

MMRESULT FakeMixer::mixerGetLineControlsA(HMIXER hmx, MIXERLINECONTROLSA *pmxlc,
                                          quint32 fdwControls)
{
    const bool all = fdwControls == MIXER_GETLINECONTROLSF_ALL;
    Call call = newCall(all ? Op::ControlsAll : Op::ControlsByType, hmx, fdwControls);
    if (!m_windows.contains(hmx))
        return record(call, MMSYSERR_INVALHANDLE);
    if (!pmxlc || pmxlc->cbStruct != sizeof(MIXERLINECONTROLSA) || !pmxlc->pamxctrl ||
        pmxlc->cbmxctrl != sizeof(MIXERCONTROLA))
        return record(call, MMSYSERR_INVALPARAM);
    if (!all && fdwControls != MIXER_GETLINECONTROLSF_ONEBYTYPE)
        return record(call, MMSYSERR_INVALFLAG);
    call.id = pmxlc->dwLineID;
    if (!line || line->id != pmxlc->dwLineID)
        return record(call, MIXERR_INVALLINE);
    if (all) {
        if (pmxlc->cControls != quint32(line->controls.size()))
            return record(call, MMSYSERR_INVALPARAM);
        const MMRESULT result = record(call, MMSYSERR_NOERROR);
        for (qsizetype i = 0; result == MMSYSERR_NOERROR && i < line->controls.size(); ++i)
            pmxlc->pamxctrl[i] = describe(line->controls[i]);
        return result;
    }
    if (pmxlc->cControls != 1)
        return record(call, MMSYSERR_INVALPARAM);
    const auto it = std::find_if(line->controls.cbegin(), line->controls.cend(),
                                 [&](const Control &c) { return c.type == pmxlc->dwControlType; });
    const MMRESULT result =
        record(call, it == line->controls.cend() ? MIXERR_INVALCONTROL : MMSYSERR_NOERROR);
    if (result == MMSYSERR_NOERROR)
        pmxlc->pamxctrl[0] = describe(*it);
    return result;
}

MMRESULT FakeMixer::checkDetails(HMIXER hmx, const MIXERCONTROLDETAILS *cd, Control **control) const
{
    if (!m_windows.contains(hmx))
        return MMSYSERR_INVALHANDLE;
    if (!cd || cd->cbStruct != sizeof(MIXERCONTROLDETAILS) || cd->cbDetails != 4 || !cd->paDetails)
        return MMSYSERR_INVALPARAM;
    Control *c = const_cast<FakeMixer *>(this)->control(cd->dwControlID);
    if (!c)
        return MIXERR_INVALCONTROL;
    const quint32 items = (c->flags & MIXERCONTROL_CONTROLF_MULTIPLE) ? c->items : 0;
    if ((cd->cChannels != 1 && cd->cChannels != line->channels) || cd->cMultipleItems != items)
        return MMSYSERR_INVALPARAM;
    *control = c;
    return MMSYSERR_NOERROR;
}

MMRESULT FakeMixer::mixerGetControlDetailsA(HMIXER hmx, MIXERCONTROLDETAILS *pmxcd,
                                            quint32 fdwDetails)
{
    Call call = newCall(Op::GetDetails, hmx, fdwDetails);
    if (pmxcd) {
        call.id = pmxcd->dwControlID;
        call.channels = pmxcd->cChannels;
        call.items = pmxcd->cMultipleItems;
    }
    Control *c = nullptr;
    const MMRESULT result = record(call, checkDetails(hmx, pmxcd, &c));
    if (result != MMSYSERR_NOERROR)
        return result;
    const QList<quint32> current = values(c->id);
    auto *out = static_cast<quint32 *>(pmxcd->paDetails);
    const quint32 count = pmxcd->cChannels * entriesPerRow(*c);
    std::copy_n(current.cbegin(), count, out);
    return result;
}

MMRESULT FakeMixer::mixerSetControlDetails(HMIXER hmx, const MIXERCONTROLDETAILS *pmxcd,
                                           quint32 fdwDetails)
{
    Call call = newCall(Op::SetDetails, hmx, fdwDetails);
    Control *c = nullptr;
    const MMRESULT check = checkDetails(hmx, pmxcd, &c);
    if (pmxcd) {
        call.id = pmxcd->dwControlID;
        call.channels = pmxcd->cChannels;
        call.items = pmxcd->cMultipleItems;
        if (check == MMSYSERR_NOERROR) {
            const auto *in = static_cast<const quint32 *>(pmxcd->paDetails);
            call.values = QList<quint32>(in, in + pmxcd->cChannels * entriesPerRow(*c));
        }
    }
    const MMRESULT result = record(call, check);
    if (result != MMSYSERR_NOERROR)
        return result;
    // One row for a uniform write sets every channel alike.
    const qsizetype row = qsizetype(entriesPerRow(*c));
    QList<quint32> now;
    for (quint32 ch = 0; ch < line->channels; ++ch)
        now += pmxcd->cChannels == 1 ? calls.last().values : calls.last().values.mid(ch * row, row);
    c->values = now;
    return result;
}

MMRESULT FakeMixer::mixerClose(HMIXER hmx)
{
    const bool known = m_windows.remove(hmx) > 0;
    return record(newCall(Op::Close, hmx), known ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE);
}
