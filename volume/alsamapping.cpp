#include "volume/alsamapping.h"

#include <algorithm>
#include <array>

namespace AlsaMapping {

qsizetype speakerElement(const QList<Element> &elements)
{
    static const std::array<QByteArray, 4> preferred = {"Master", "Speaker", "PCM", "Headphone"};
    for (const QByteArray &name : preferred) {
        for (qsizetype i = 0; i < elements.size(); ++i) {
            const Element &e = elements[i];
            if (e.name == name && e.index == 0 && (e.playbackVolume || e.playbackSwitch))
                return i;
        }
    }
    for (qsizetype i = 0; i < elements.size(); ++i) {
        if (elements[i].playbackVolume)
            return i;
    }
    return -1;
}

quint32 presentedVolume(long raw, long min, long max)
{
    if (max <= min)
        return 0;
    const qint64 span = qint64(max) - min;
    const qint64 offset = std::clamp(qint64(raw) - min, qint64(0), span);
    return quint32((offset * PresentedMaximum + span / 2) / span);
}

long elementVolume(quint32 presented, long min, long max)
{
    if (max <= min)
        return min;
    const qint64 span = qint64(max) - min;
    const qint64 value = std::min<qint64>(presented, PresentedMaximum);
    return long(min + (value * span + PresentedMaximum / 2) / PresentedMaximum);
}

quint32 volumeSteps(long min, long max)
{
    if (max <= min)
        return 0;
    return quint32(std::min<qint64>(qint64(max) - min, PresentedMaximum));
}

unsigned selectedItem(const quint32 *entries, quint32 items, unsigned current)
{
    for (quint32 i = 0; i < items; ++i) {
        if (entries[i] != 0)
            return i;
    }
    return current;
}

} // namespace AlsaMapping
