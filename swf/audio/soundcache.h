// Event sounds decoded once and shared by every start of them, within
// limits::kMaxSoundCacheSamples; the least recently started go first
// (voices still playing one keep it alive).
#pragma once

#include "swf/audio/decodedsound.h"

#include <memory>
#include <unordered_map>

namespace swf {

class SoundCache {
public:
    std::shared_ptr<const DecodedSound> get(const Sound &sound);
    qint64 samples() const { return m_samples; }

private:
    struct Entry {
        std::shared_ptr<const DecodedSound> sound;
        quint64 lastUse = 0;
    };
    void evict();

    std::unordered_map<const Sound *, Entry> m_entries;
    qint64 m_samples = 0;
    quint64 m_uses = 0;
};

} // namespace swf
