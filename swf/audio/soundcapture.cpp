#include "swf/audio/soundcapture.h"

#include "swf/limits.h"

namespace swf {

SoundCapture::Entry &SoundCapture::begin()
{
    int index = 0;
    for (const Entry &entry : m_entries) {
        if (entry.frame == m_frame)
            ++index;
    }
    m_entries.push_back(Entry{m_frame, index, {}});
    m_streams.emplace_back();
    return m_entries.back();
}

void SoundCapture::eventSound(const DecodedSound &sound)
{
    begin().sound = sound;
}

int SoundCapture::streamStarted(const SoundFormat &format)
{
    Entry &entry = begin();
    auto decoder = std::make_unique<StreamDecoder>(format);
    entry.sound.rate = decoder->rate();
    entry.sound.channels = decoder->channels();
    m_streams.back() = std::move(decoder);
    return int(m_entries.size()) - 1;
}

void SoundCapture::streamBlock(int key, QByteArrayView block)
{
    if (key < 0 || size_t(key) >= m_entries.size() || !m_streams[size_t(key)])
        return;
    StreamDecoder &decoder = *m_streams[size_t(key)];
    DecodedSound &sound = m_entries[size_t(key)].sound;
    if (qint64(sound.samples.size()) >= limits::kMaxSoundSamples)
        return;
    decoder.decode(block, sound.samples);
    sound.rate = decoder.rate();
    sound.channels = decoder.channels();
}

} // namespace swf
