#include "swf/audio/soundcache.h"

#include "swf/limits.h"

namespace swf {

std::shared_ptr<const DecodedSound> SoundCache::get(const Sound &sound)
{
    auto it = m_entries.find(&sound);
    if (it == m_entries.end()) {
        auto decoded = std::make_shared<const DecodedSound>(decodeSound(sound));
        m_samples += qint64(decoded->samples.size());
        it = m_entries.emplace(&sound, Entry{std::move(decoded), 0}).first;
    }
    it->second.lastUse = ++m_uses;
    auto result = it->second.sound;
    evict();
    return result;
}

void SoundCache::evict()
{
    while (m_samples > limits::kMaxSoundCacheSamples && m_entries.size() > 1) {
        auto oldest = m_entries.begin();
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (it->second.lastUse < oldest->second.lastUse)
                oldest = it;
        }
        m_samples -= qint64(oldest->second.sound->samples.size());
        m_entries.erase(oldest);
    }
}

} // namespace swf
