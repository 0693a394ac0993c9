#include "volume/alsamixer.h"

#include "volume/alsamapping.h"
#include "volume/mixernotifywindow.h"

#include <QLoggingCategory>
#include <QPointer>
#include <QSocketNotifier>

#include <alsa/asoundlib.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <vector>

Q_LOGGING_CATEGORY(lcVolumeAlsa, "volume.alsa")

namespace {

// The one destination line: destination 0, numbered as the mixer interface
// numbers destination lines.
constexpr quint32 SpeakerLineId = 0xFFFF0000;
constexpr const char *DefaultDevice = "default";
// Bounds on what a driver reports, so that a broken one cannot make us loop
// or allocate without end.
constexpr size_t MaxCards = 32;
constexpr int MaxPollDescriptors = 16;
constexpr quint32 MaxItems = 256;

using Channels = std::vector<snd_mixer_selem_channel_id_t>;

enum class Kind { Volume, Mute, Selector };

// One control of the speaker line. Its element is found again by name and
// index at every use: while it handles events, the simple mixer layer may
// free an element and build a new one for the same control, so a pointer
// kept across calls could dangle.
struct Control {
    quint32 id = 0;
    Kind kind = Kind::Volume;
    QByteArray element;
    unsigned index = 0;
    quint32 channels = 0; // playback channels, or the enumeration's channels
    quint32 items = 0;    // selector items
    bool uniform = false;
    long min = 0; // volume: the element's own range
    long max = 0;
    std::vector<quint32> last; // entries as last reported, to tell what changed
};

struct OpenMixer {
    snd_mixer_t *mixer = nullptr;
    QPointer<MixerNotifyWindow> window;
    bool hasLine = false;
    QByteArray lineElement;
    unsigned lineIndex = 0;
    quint32 lineChannels = 0;
    std::vector<Control> controls;
    std::vector<std::unique_ptr<QSocketNotifier>> notifiers;

    OpenMixer() = default;
    Q_DISABLE_COPY_MOVE(OpenMixer)
    ~OpenMixer()
    {
        notifiers.clear();
        if (mixer)
            snd_mixer_close(mixer);
    }
};

snd_mixer_elem_t *findElement(snd_mixer_t *mixer, const QByteArray &name, unsigned index)
{
    snd_mixer_selem_id_t *sid = nullptr;
    if (snd_mixer_selem_id_malloc(&sid) < 0)
        return nullptr;
    snd_mixer_selem_id_set_name(sid, name.constData());
    snd_mixer_selem_id_set_index(sid, index);
    snd_mixer_elem_t *elem = snd_mixer_find_selem(mixer, sid);
    snd_mixer_selem_id_free(sid);
    return elem;
}

Channels playbackChannels(snd_mixer_elem_t *elem)
{
    if (snd_mixer_selem_is_playback_mono(elem))
        return {SND_MIXER_SCHN_MONO};
    Channels channels;
    for (int c = 0; c <= SND_MIXER_SCHN_LAST; ++c) {
        const auto channel = static_cast<snd_mixer_selem_channel_id_t>(c);
        if (snd_mixer_selem_has_playback_channel(elem, channel))
            channels.push_back(channel);
    }
    if (channels.empty())
        channels.push_back(SND_MIXER_SCHN_MONO);
    return channels;
}

quint32 enumChannels(snd_mixer_elem_t *elem)
{
    quint32 count = 0;
    unsigned item = 0;
    while (count <= SND_MIXER_SCHN_LAST &&
           snd_mixer_selem_get_enum_item(elem, static_cast<snd_mixer_selem_channel_id_t>(count),
                                         &item) >= 0)
        ++count;
    return std::max<quint32>(count, 1);
}

bool controlDeviceExists(const char *name)
{
    snd_ctl_t *ctl = nullptr;
    if (snd_ctl_open(&ctl, name, SND_CTL_NONBLOCK) < 0)
        return false;
    snd_ctl_close(ctl);
    return true;
}

std::vector<int> soundCards()
{
    std::vector<int> cards;
    int card = -1;
    while (cards.size() < MaxCards && snd_card_next(&card) == 0 && card >= 0)
        cards.push_back(card);
    return cards;
}

bool validPcmFormat(const WAVEFORMATEX &f)
{
    if (f.wFormatTag != WAVE_FORMAT_PCM || f.nChannels < 1 || f.nChannels > 2 ||
        (f.wBitsPerSample != 8 && f.wBitsPerSample != 16) || f.nSamplesPerSec == 0)
        return false;
    const quint32 align = quint32(f.nChannels) * f.wBitsPerSample / 8;
    return f.nBlockAlign == align && f.nAvgBytesPerSec == f.nSamplesPerSec * align;
}

// Asks the device whether it would take the format, without starting it.
bool pcmAcceptsFormat(snd_pcm_t *pcm, const WAVEFORMATEX &f)
{
    snd_pcm_hw_params_t *params = nullptr;
    if (snd_pcm_hw_params_malloc(&params) < 0)
        return false;
    const snd_pcm_format_t format =
        f.wBitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
    const bool ok =
        snd_pcm_hw_params_any(pcm, params) >= 0 &&
        snd_pcm_hw_params_test_access(pcm, params, SND_PCM_ACCESS_RW_INTERLEAVED) == 0 &&
        snd_pcm_hw_params_test_format(pcm, params, format) == 0 &&
        snd_pcm_hw_params_test_channels(pcm, params, f.nChannels) == 0 &&
        snd_pcm_hw_params_test_rate(pcm, params, f.nSamplesPerSec, 0) == 0;
    snd_pcm_hw_params_free(params);
    return ok;
}

quint32 controlType(Kind kind)
{
    switch (kind) {
    case Kind::Volume:
        return MIXERCONTROL_CONTROLTYPE_VOLUME;
    case Kind::Mute:
        return MIXERCONTROL_CONTROLTYPE_MUTE;
    case Kind::Selector:
        break;
    }
    return MIXERCONTROL_CONTROLTYPE_MUX;
}

MIXERCONTROLA describe(const Control &c)
{
    MIXERCONTROLA d;
    d.cbStruct = sizeof(MIXERCONTROLA);
    d.dwControlID = c.id;
    d.dwControlType = controlType(c.kind);
    d.fdwControl = c.uniform ? MIXERCONTROL_CONTROLF_UNIFORM : 0;
    switch (c.kind) {
    case Kind::Volume:
        d.szName = c.element + " Volume";
        d.Bounds.dwMaximum = AlsaMapping::PresentedMaximum;
        d.Metrics.cSteps = AlsaMapping::volumeSteps(c.min, c.max);
        break;
    case Kind::Mute:
        d.szName = c.element + " Mute";
        d.Bounds.dwMaximum = 1;
        break;
    case Kind::Selector:
        d.szName = c.element;
        d.fdwControl |= MIXERCONTROL_CONTROLF_MULTIPLE;
        d.cMultipleItems = c.items;
        d.Bounds.dwMaximum = c.items - 1;
        d.Metrics.cSteps = c.items;
        break;
    }
    return d;
}

// Reads every entry of a control for `rows` channels (rows × items entries
// for a selector). Rows beyond the element's channels repeat its last one.
bool readEntries(snd_mixer_elem_t *elem, const Control &c, quint32 rows, quint32 *out)
{
    if (c.kind == Kind::Selector) {
        for (quint32 r = 0; r < rows; ++r) {
            unsigned item = 0;
            const auto ch = static_cast<snd_mixer_selem_channel_id_t>(std::min(r, c.channels - 1));
            if (snd_mixer_selem_get_enum_item(elem, ch, &item) < 0)
                return false;
            for (quint32 i = 0; i < c.items; ++i)
                out[r * c.items + i] = i == item ? 1 : 0;
        }
        return true;
    }
    const Channels channels = playbackChannels(elem);
    for (quint32 r = 0; r < rows; ++r) {
        const auto ch = channels[std::min<size_t>(r, channels.size() - 1)];
        if (c.kind == Kind::Volume) {
            long raw = 0;
            if (snd_mixer_selem_get_playback_volume(elem, ch, &raw) < 0)
                return false;
            out[r] = AlsaMapping::presentedVolume(raw, c.min, c.max);
        } else {
            int on = 0;
            if (snd_mixer_selem_get_playback_switch(elem, ch, &on) < 0)
                return false;
            out[r] = on ? 0 : 1;
        }
    }
    return true;
}

bool writeSelector(snd_mixer_elem_t *elem, const Control &c, quint32 rows, const quint32 *in)
{
    for (quint32 ch = 0; ch < c.channels; ++ch) {
        const auto channel = static_cast<snd_mixer_selem_channel_id_t>(ch);
        unsigned current = 0;
        if (snd_mixer_selem_get_enum_item(elem, channel, &current) < 0)
            return false;
        const quint32 row = std::min(ch, rows - 1);
        const unsigned item = AlsaMapping::selectedItem(in + row * c.items, c.items, current);
        if (item != current && snd_mixer_selem_set_enum_item(elem, channel, item) < 0)
            return false;
    }
    return true;
}

// Writes `rows` channels of entries; one row, or a uniform control, sets
// every channel alike.
bool writeEntries(snd_mixer_elem_t *elem, const Control &c, quint32 rows, const quint32 *in)
{
    if (c.kind == Kind::Selector)
        return writeSelector(elem, c, rows, in);
    const bool volume = c.kind == Kind::Volume;
    if (rows == 1 || c.uniform) {
        const int err = volume ? snd_mixer_selem_set_playback_volume_all(
                                     elem, AlsaMapping::elementVolume(in[0], c.min, c.max))
                               : snd_mixer_selem_set_playback_switch_all(elem, in[0] ? 0 : 1);
        return err >= 0;
    }
    const Channels channels = playbackChannels(elem);
    for (size_t i = 0; i < channels.size(); ++i) {
        const quint32 value = in[std::min<size_t>(i, rows - 1)];
        const int err =
            volume ? snd_mixer_selem_set_playback_volume(
                         elem, channels[i], AlsaMapping::elementVolume(value, c.min, c.max))
                   : snd_mixer_selem_set_playback_switch(elem, channels[i], value ? 0 : 1);
        if (err < 0)
            return false;
    }
    return true;
}

} // namespace

struct AlsaMixer::State {
    std::map<HWAVEOUT, snd_pcm_t *> waveOuts;
    std::map<HMIXER, std::unique_ptr<OpenMixer>> mixers;
    quintptr nextHandle = 1;

    State() = default;
    Q_DISABLE_COPY_MOVE(State)
    ~State()
    {
        for (auto &[handle, pcm] : waveOuts) {
            if (pcm)
                snd_pcm_close(pcm);
        }
    }

    OpenMixer *find(HMIXER handle)
    {
        const auto it = mixers.find(handle);
        return it == mixers.end() ? nullptr : it->second.get();
    }

    static QByteArray deviceName(quint32 id);
    static bool attach(OpenMixer &om, const QByteArray &device);
    static void buildLine(OpenMixer &om);
    static void addSpeakerControls(OpenMixer &om, snd_mixer_elem_t *speaker);
    static void addSelectors(OpenMixer &om, snd_mixer_elem_t *speaker);
    void watch(HMIXER handle, OpenMixer &om);
    void onActivity(HMIXER handle);
    static void refresh(HMIXER handle, OpenMixer &om);
    static void reportChanges(HMIXER handle, OpenMixer &om);
};

QByteArray AlsaMixer::State::deviceName(quint32 id)
{
    if (id == 0)
        return DefaultDevice;
    const std::vector<int> cards = soundCards();
    if (id - 1 >= cards.size())
        return {};
    return "hw:" + QByteArray::number(cards[id - 1]);
}

// The control device is opened without blocking, so that handling events
// reads what is pending and returns instead of waiting for the next one.
bool AlsaMixer::State::attach(OpenMixer &om, const QByteArray &device)
{
    snd_hctl_t *hctl = nullptr;
    int err = snd_mixer_open(&om.mixer, 0);
    if (err >= 0) {
        err = snd_hctl_open(&hctl, device.constData(), SND_CTL_NONBLOCK);
        if (err >= 0) {
            err = snd_mixer_attach_hctl(om.mixer, hctl);
            if (err < 0)
                snd_hctl_close(hctl);
        }
    }
    if (err >= 0)
        err = snd_mixer_selem_register(om.mixer, nullptr, nullptr);
    if (err >= 0)
        err = snd_mixer_load(om.mixer);
    if (err < 0)
        qCDebug(lcVolumeAlsa) << "cannot open mixer" << device << snd_strerror(err);
    return err >= 0;
}

void AlsaMixer::State::buildLine(OpenMixer &om)
{
    QList<AlsaMapping::Element> elements;
    std::vector<snd_mixer_elem_t *> elems;
    for (snd_mixer_elem_t *e = snd_mixer_first_elem(om.mixer); e; e = snd_mixer_elem_next(e)) {
        if (!snd_mixer_selem_is_active(e))
            continue;
        elements.append({snd_mixer_selem_get_name(e), snd_mixer_selem_get_index(e),
                         snd_mixer_selem_has_playback_volume(e) != 0,
                         snd_mixer_selem_has_playback_switch(e) != 0});
        elems.push_back(e);
    }
    const qsizetype chosen = AlsaMapping::speakerElement(elements);
    if (chosen < 0) {
        qCDebug(lcVolumeAlsa) << "no element serves as the speaker line";
        return;
    }
    snd_mixer_elem_t *speaker = elems[size_t(chosen)];
    om.hasLine = true;
    om.lineElement = elements[chosen].name;
    om.lineIndex = elements[chosen].index;
    om.lineChannels = quint32(playbackChannels(speaker).size());
    addSpeakerControls(om, speaker);
    addSelectors(om, speaker);
    qCDebug(lcVolumeAlsa) << "speaker line" << om.lineElement << om.lineChannels << "channels"
                          << om.controls.size() << "controls";
}

void AlsaMixer::State::addSpeakerControls(OpenMixer &om, snd_mixer_elem_t *speaker)
{
    const bool mono = om.lineChannels == 1;
    if (snd_mixer_selem_has_playback_volume(speaker)) {
        Control c;
        c.kind = Kind::Volume;
        c.uniform = mono || snd_mixer_selem_has_playback_volume_joined(speaker);
        snd_mixer_selem_get_playback_volume_range(speaker, &c.min, &c.max);
        c.id = quint32(om.controls.size() + 1);
        c.element = om.lineElement;
        c.index = om.lineIndex;
        c.channels = om.lineChannels;
        om.controls.push_back(c);
    }
    if (snd_mixer_selem_has_playback_switch(speaker)) {
        Control c;
        c.kind = Kind::Mute;
        c.uniform = mono || snd_mixer_selem_has_playback_switch_joined(speaker);
        c.id = quint32(om.controls.size() + 1);
        c.element = om.lineElement;
        c.index = om.lineIndex;
        c.channels = om.lineChannels;
        om.controls.push_back(c);
    }
}

// Enumerations that the library counts as playback-side (not capture
// sources, not card-wide options) choose where playback goes.
void AlsaMixer::State::addSelectors(OpenMixer &om, snd_mixer_elem_t *speaker)
{
    for (snd_mixer_elem_t *e = snd_mixer_first_elem(om.mixer); e; e = snd_mixer_elem_next(e)) {
        if (e == speaker || !snd_mixer_selem_is_active(e) || !snd_mixer_selem_is_enumerated(e) ||
            !snd_mixer_selem_is_enum_playback(e))
            continue;
        const int items = snd_mixer_selem_get_enum_items(e);
        if (items <= 0 || quint32(items) > MaxItems)
            continue;
        Control c;
        c.kind = Kind::Selector;
        c.id = quint32(om.controls.size() + 1);
        c.element = snd_mixer_selem_get_name(e);
        c.index = snd_mixer_selem_get_index(e);
        c.channels = enumChannels(e);
        c.items = quint32(items);
        c.uniform = c.channels == 1;
        om.controls.push_back(c);
    }
}

void AlsaMixer::State::watch(HMIXER handle, OpenMixer &om)
{
    const int count = std::min(snd_mixer_poll_descriptors_count(om.mixer), MaxPollDescriptors);
    if (count <= 0)
        return;
    std::vector<pollfd> fds(static_cast<size_t>(count));
    const int filled = snd_mixer_poll_descriptors(om.mixer, fds.data(), unsigned(count));
    for (int i = 0; i < filled; ++i) {
        const auto type =
            (fds[size_t(i)].events & POLLOUT) ? QSocketNotifier::Write : QSocketNotifier::Read;
        auto notifier = std::make_unique<QSocketNotifier>(fds[size_t(i)].fd, type);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, notifier.get(),
                         [this, handle] { onActivity(handle); });
        om.notifiers.push_back(std::move(notifier));
    }
}

void AlsaMixer::State::onActivity(HMIXER handle)
{
    OpenMixer *om = find(handle);
    if (!om)
        return;
    const int count = std::min(snd_mixer_poll_descriptors_count(om->mixer), MaxPollDescriptors);
    std::vector<pollfd> fds(size_t(std::max(count, 0)));
    const int filled = snd_mixer_poll_descriptors(om->mixer, fds.data(), unsigned(fds.size()));
    unsigned short revents = 0;
    if (filled > 0) {
        poll(fds.data(), nfds_t(filled), 0);
        snd_mixer_poll_descriptors_revents(om->mixer, fds.data(), unsigned(filled), &revents);
    }
    // A server that went away or a card that was unplugged leaves its
    // descriptor readable for ever; stop watching rather than spin.
    if (revents & (POLLERR | POLLHUP | POLLNVAL)) {
        qCDebug(lcVolumeAlsa) << "mixer descriptor failed; no more change notifications";
        for (auto &notifier : om->notifiers)
            notifier->setEnabled(false);
        return;
    }
    refresh(handle, *om);
}

void AlsaMixer::State::refresh(HMIXER handle, OpenMixer &om)
{
    const int err = snd_mixer_handle_events(om.mixer);
    if (err < 0) {
        qCDebug(lcVolumeAlsa) << "handling mixer events failed:" << snd_strerror(err);
        for (auto &notifier : om.notifiers)
            notifier->setEnabled(false);
    }
    reportChanges(handle, om);
}

// ALSA says which element changed, not which of its values: compare with
// what was last reported, so that a change of the switch alone does not
// pass for a change of the volume.
void AlsaMixer::State::reportChanges(HMIXER handle, OpenMixer &om)
{
    for (Control &c : om.controls) {
        snd_mixer_elem_t *elem = findElement(om.mixer, c.element, c.index);
        if (!elem)
            continue;
        std::vector<quint32> now(size_t(c.channels) * std::max<quint32>(c.items, 1));
        if (!readEntries(elem, c, c.channels, now.data()) || now == c.last)
            continue;
        const bool first = c.last.empty();
        c.last = std::move(now);
        if (!first && om.window)
            om.window->postMessage(MM_MIXM_CONTROL_CHANGE, handle, qintptr(c.id));
    }
}

AlsaMixer::AlsaMixer() : d(std::make_unique<State>())
{
}

AlsaMixer::~AlsaMixer() = default;

quint32 AlsaMixer::mixerGetNumDevs()
{
    const std::vector<int> cards = soundCards();
    if (cards.empty() && !controlDeviceExists(DefaultDevice))
        return 0;
    return quint32(cards.size() + 1);
}

MMRESULT AlsaMixer::waveOutOpen(HWAVEOUT *phwo, quint32 uDeviceID, const WAVEFORMATEX *pwfx,
                                quintptr, quintptr, quint32 fdwOpen)
{
    if (!phwo || !pwfx)
        return MMSYSERR_INVALPARAM;
    if (uDeviceID != WAVE_MAPPER && uDeviceID != 0)
        return MMSYSERR_BADDEVICEID;
    if (fdwOpen != CALLBACK_NULL)
        return MMSYSERR_INVALFLAG;
    if (!validPcmFormat(*pwfx))
        return WAVERR_BADFORMAT;
    snd_pcm_t *pcm = nullptr;
    const int err = snd_pcm_open(&pcm, DefaultDevice, SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (err == -EBUSY) {
        // Hardware without software mixing is busy while something plays;
        // it is still the device that serves the default output.
        pcm = nullptr;
    } else if (err < 0) {
        qCDebug(lcVolumeAlsa) << "cannot open the default output:" << snd_strerror(err);
        return MMSYSERR_NODRIVER;
    } else if (!pcmAcceptsFormat(pcm, *pwfx)) {
        snd_pcm_close(pcm);
        return WAVERR_BADFORMAT;
    }
    const HWAVEOUT handle = d->nextHandle++;
    d->waveOuts[handle] = pcm;
    *phwo = handle;
    return MMSYSERR_NOERROR;
}

MMRESULT AlsaMixer::mixerGetID(quintptr hmxobj, quint32 *puMxId, quint32 fdwId)
{
    if (!puMxId)
        return MMSYSERR_INVALPARAM;
    if (fdwId != MIXER_OBJECTF_HWAVEOUT)
        return MMSYSERR_INVALFLAG;
    if (!d->waveOuts.count(hmxobj))
        return MMSYSERR_INVALHANDLE;
    // The default output is served by the default control device.
    if (!controlDeviceExists(DefaultDevice))
        return MMSYSERR_NODRIVER;
    *puMxId = 0;
    return MMSYSERR_NOERROR;
}

MMRESULT AlsaMixer::waveOutClose(HWAVEOUT hwo)
{
    const auto it = d->waveOuts.find(hwo);
    if (it == d->waveOuts.end())
        return MMSYSERR_INVALHANDLE;
    if (it->second)
        snd_pcm_close(it->second);
    d->waveOuts.erase(it);
    return MMSYSERR_NOERROR;
}

MMRESULT AlsaMixer::mixerOpen(HMIXER *phmx, quint32 uMxId, MixerNotifyWindow *dwCallback, quintptr,
                              quint32 fdwOpen)
{
    if (!phmx)
        return MMSYSERR_INVALPARAM;
    if (fdwOpen != CALLBACK_NULL && (fdwOpen != CALLBACK_WINDOW || !dwCallback))
        return MMSYSERR_INVALFLAG;
    const QByteArray device = State::deviceName(uMxId);
    if (device.isEmpty())
        return MMSYSERR_BADDEVICEID;
    auto om = std::make_unique<OpenMixer>();
    if (!State::attach(*om, device))
        return MMSYSERR_NODRIVER;
    State::buildLine(*om);
    const HMIXER handle = d->nextHandle++;
    if (fdwOpen == CALLBACK_WINDOW) {
        om->window = dwCallback;
        d->watch(handle, *om);
    }
    State::reportChanges(handle, *om);
    d->mixers[handle] = std::move(om);
    *phmx = handle;
    return MMSYSERR_NOERROR;
}

MMRESULT AlsaMixer::mixerGetLineInfoA(HMIXER hmx, MIXERLINEA *pmxl, quint32 fdwInfo)
{
    OpenMixer *om = d->find(hmx);
    if (!om)
        return MMSYSERR_INVALHANDLE;
    if (!pmxl || pmxl->cbStruct != sizeof(MIXERLINEA))
        return MMSYSERR_INVALPARAM;
    bool wanted = false;
    if (fdwInfo == MIXER_GETLINEINFOF_COMPONENTTYPE)
        wanted = pmxl->dwComponentType == MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    else if (fdwInfo == MIXER_GETLINEINFOF_LINEID)
        wanted = pmxl->dwLineID == SpeakerLineId;
    else
        return MMSYSERR_INVALFLAG;
    if (!wanted || !om->hasLine || !findElement(om->mixer, om->lineElement, om->lineIndex))
        return MIXERR_INVALLINE;
    pmxl->dwLineID = SpeakerLineId;
    pmxl->dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    pmxl->cChannels = om->lineChannels;
    pmxl->cControls = quint32(om->controls.size());
    pmxl->szName = om->lineElement;
    return MMSYSERR_NOERROR;
}

MMRESULT AlsaMixer::mixerGetLineControlsA(HMIXER hmx, MIXERLINECONTROLSA *pmxlc,
                                          quint32 fdwControls)
{
    OpenMixer *om = d->find(hmx);
    if (!om)
        return MMSYSERR_INVALHANDLE;
    if (!pmxlc || pmxlc->cbStruct != sizeof(MIXERLINECONTROLSA) || !pmxlc->pamxctrl ||
        pmxlc->cbmxctrl != sizeof(MIXERCONTROLA))
        return MMSYSERR_INVALPARAM;
    if (fdwControls == MIXER_GETLINECONTROLSF_ONEBYID) {
        for (const Control &c : om->controls) {
            if (c.id == pmxlc->dwControlType) {
                pmxlc->pamxctrl[0] = describe(c);
                return MMSYSERR_NOERROR;
            }
        }
        return MIXERR_INVALCONTROL;
    }
    if (pmxlc->dwLineID != SpeakerLineId || !om->hasLine)
        return MIXERR_INVALLINE;
    if (fdwControls == MIXER_GETLINECONTROLSF_ALL) {
        if (pmxlc->cControls != om->controls.size())
            return MMSYSERR_INVALPARAM;
        for (size_t i = 0; i < om->controls.size(); ++i)
            pmxlc->pamxctrl[i] = describe(om->controls[i]);
        return MMSYSERR_NOERROR;
    }
    if (fdwControls != MIXER_GETLINECONTROLSF_ONEBYTYPE)
        return MMSYSERR_INVALFLAG;
    for (const Control &c : om->controls) {
        if (controlType(c.kind) == pmxlc->dwControlType) {
            pmxlc->pamxctrl[0] = describe(c);
            return MMSYSERR_NOERROR;
        }
    }
    return MIXERR_INVALCONTROL;
}

namespace {

// Checks a details record against the control it names and finds the
// control's element; the result says what is wrong, if anything.
MMRESULT checkDetails(OpenMixer &om, const MIXERCONTROLDETAILS *cd, Control **control,
                      snd_mixer_elem_t **elem)
{
    if (!cd || cd->cbStruct != sizeof(MIXERCONTROLDETAILS) || cd->cbDetails != 4 || !cd->paDetails)
        return MMSYSERR_INVALPARAM;
    const auto it = std::find_if(om.controls.begin(), om.controls.end(),
                                 [cd](const Control &c) { return c.id == cd->dwControlID; });
    if (it == om.controls.end())
        return MIXERR_INVALCONTROL;
    const quint32 items = it->kind == Kind::Selector ? it->items : 0;
    const quint32 maxChannels = std::max(it->channels, om.lineChannels);
    if (cd->cChannels == 0 || cd->cChannels > maxChannels || cd->cMultipleItems != items)
        return MMSYSERR_INVALPARAM;
    *elem = findElement(om.mixer, it->element, it->index);
    if (!*elem)
        return MIXERR_INVALCONTROL;
    *control = &*it;
    return MMSYSERR_NOERROR;
}

} // namespace

MMRESULT AlsaMixer::mixerGetControlDetailsA(HMIXER hmx, MIXERCONTROLDETAILS *pmxcd,
                                            quint32 fdwDetails)
{
    OpenMixer *om = d->find(hmx);
    if (!om)
        return MMSYSERR_INVALHANDLE;
    if (fdwDetails != MIXER_GETCONTROLDETAILSF_VALUE)
        return MMSYSERR_INVALFLAG;
    // Values changed elsewhere reach the library's cache only as events.
    State::refresh(hmx, *om);
    Control *control = nullptr;
    snd_mixer_elem_t *elem = nullptr;
    const MMRESULT check = checkDetails(*om, pmxcd, &control, &elem);
    if (check != MMSYSERR_NOERROR)
        return check;
    return readEntries(elem, *control, pmxcd->cChannels, static_cast<quint32 *>(pmxcd->paDetails))
               ? MMSYSERR_NOERROR
               : MMSYSERR_ERROR;
}

MMRESULT AlsaMixer::mixerSetControlDetails(HMIXER hmx, const MIXERCONTROLDETAILS *pmxcd,
                                           quint32 fdwDetails)
{
    OpenMixer *om = d->find(hmx);
    if (!om)
        return MMSYSERR_INVALHANDLE;
    if (fdwDetails != MIXER_SETCONTROLDETAILSF_VALUE)
        return MMSYSERR_INVALFLAG;
    Control *control = nullptr;
    snd_mixer_elem_t *elem = nullptr;
    const MMRESULT check = checkDetails(*om, pmxcd, &control, &elem);
    if (check != MMSYSERR_NOERROR)
        return check;
    const auto *entries = static_cast<const quint32 *>(pmxcd->paDetails);
    if (!writeEntries(elem, *control, pmxcd->cChannels, entries)) {
        qCDebug(lcVolumeAlsa) << "writing" << control->element << "failed";
        return MMSYSERR_ERROR;
    }
    return MMSYSERR_NOERROR;
}

MMRESULT AlsaMixer::mixerClose(HMIXER hmx)
{
    return d->mixers.erase(hmx) ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
}
