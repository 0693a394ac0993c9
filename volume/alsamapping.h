// How ALSA's simple mixer elements are presented as a mixer line with
// volume, mute and selector controls. Pure arithmetic and choices, kept
// apart from the library calls so that they can be checked on any machine.
#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

namespace AlsaMapping {

// Volume controls are presented with these bounds, whatever the element's
// own range, as the mixer interface presents them.
inline constexpr quint32 PresentedMaximum = 65535;

struct Element {
    QByteArray name;
    unsigned index = 0;
    bool playbackVolume = false;
    bool playbackSwitch = false;
};

// The element that serves as the speaker destination line: "Master", else
// "Speaker", "PCM", "Headphone" (index 0, with a playback volume or
// switch), else the first element with a playback volume. -1: none.
qsizetype speakerElement(const QList<Element> &elements);

// Element range min…max scaled linearly onto 0…PresentedMaximum and back,
// rounded to the nearest unit. Where the element's range is at least as
// fine as the presented one, a presented value survives the round trip.
quint32 presentedVolume(long raw, long min, long max);
long elementVolume(quint32 presented, long min, long max);
// The distinct levels the element offers above its minimum, at most
// PresentedMaximum.
quint32 volumeSteps(long min, long max);

// A selector entry per item says whether the item is selected; an ALSA
// enumeration selects exactly one item per channel. The channel takes the
// first selected item, and keeps `current` when none is selected, since it
// cannot select nothing.
unsigned selectedItem(const quint32 *entries, quint32 items, unsigned current);

} // namespace AlsaMapping
