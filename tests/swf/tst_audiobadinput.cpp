// Damaged and lying sound data in one table: each movie is played for a
// few frames through the engine (mixing, stepping, seeking) and must end
// in what the row says: how many sounds started, how many samples the
// first held, and whether anything was heard.
#include "audiotest.h"
#include "mp3testencoder.h"

#include "swf/io/tagcodes.h"
#include "swf/limits.h"

#include <QTest>

#include <functional>

using swf::SoundCodec;
using swfwriter::soundFormat;

namespace {

struct Outcome {
    int started = 0;          // entries the capture holds
    qint64 firstSamples = -1; // samples of the first; -1: not checked
    bool audible = false;
};

struct Case {
    const char *name;
    std::function<QByteArray()> movie;
    Outcome outcome;
};

QByteArray mp3Tone(int rate, int channels, double seconds)
{
    return encodeMp3(swfwriter::sine(440.0, rate, seconds, 8000, channels), rate, channels, 64)
        .frames;
}

// A movie starting one DefineSound of `format` with `data` in frame 0.
QByteArray eventMovie(const swf::SoundFormat &format, quint32 sampleCount, const QByteArray &data,
                      const swf::SoundInfo &info = {})
{
    swfwriter::SwfWriter w;
    const quint16 id = swfwriter::defineSound(w, format, sampleCount, data);
    swfwriter::startSound(w, id, info);
    w.showFrame(4);
    return w.finish();
}

// A stream of `format` with one block per frame (the head in frame 0).
QByteArray streamMovie(const swf::SoundFormat &format, const QList<QByteArray> &blocks,
                       bool head = true)
{
    swfwriter::SwfWriter w;
    w.setFrameRate(10);
    if (head)
        swfwriter::soundStreamHead(w, format, 100);
    for (const QByteArray &block : blocks) {
        swfwriter::soundStreamBlock(w, block);
        w.showFrame();
    }
    return w.finish();
}

QByteArray rawTagMovie(quint16 code, const QByteArray &body)
{
    swfwriter::SwfWriter w;
    swfwriter::defineSound(w, swfwriter::pcmFormat(44100, 1), 2, swfwriter::pcm16({9, 9}));
    w.rawTag(code, body);
    w.showFrame(2);
    return w.finish();
}

const std::vector<Case> &cases()
{
    static const std::vector<Case> table = {
        {"MP3 cut inside a frame",
         [] {
             const QByteArray mp3 = mp3Tone(22050, 1, 0.5);
             return eventMovie(soundFormat(SoundCodec::Mp3, 22050, 1), 11025,
                               swfwriter::pcm16({0}) + mp3.left(mp3.size() / 2 + 7));
         },
         {1, -1, true}},
        {"MP3 that is noise",
         [] {
             return eventMovie(soundFormat(SoundCodec::Mp3, 44100, 2), 44100,
                               QByteArray(5000, '\x5a'));
         },
         {1, 0, false}},
        {"MP3 frames with a reserved rate",
         [] {
             // Frame headers with sampling-rate index 3, which no MPEG
             // version defines.
             QByteArray bad;
             for (int i = 0; i < 40; ++i)
                 bad += QByteArray::fromHex("fffb9c64") + QByteArray(413, '\x11');
             return eventMovie(soundFormat(SoundCodec::Mp3, 44100, 1), 1000, bad);
         },
         {1, 0, false}},
        {"MP3 whose rate and channels change midway",
         [] {
             const QByteArray first = mp3Tone(44100, 2, 0.2);
             const QByteArray second = mp3Tone(8000, 1, 0.2);
             return eventMovie(soundFormat(SoundCodec::Mp3, 44100, 2), 0,
                               swfwriter::pcm16({0}) + first + second);
         },
         {1, -1, true}},
        {"MP3 SeekSamples past the end",
         [] {
             return eventMovie(soundFormat(SoundCodec::Mp3, 22050, 1), 11025,
                               swfwriter::pcm16({32767}) + mp3Tone(22050, 1, 0.2));
         },
         {1, 0, false}},
        {"sample count far beyond the data",
         [] {
             return eventMovie(swfwriter::pcmFormat(11025, 1), 0xffffffffu,
                               swfwriter::pcm16({100, 200, 300}));
         },
         {1, 3, true}},
        {"ADPCM of one byte",
         [] {
             return eventMovie(soundFormat(SoundCodec::Adpcm, 11025, 2), 100,
                               QByteArray(1, '\x40'));
         },
         {1, 0, false}},
        {"ADPCM stereo cut inside a sample pair",
         [] {
             const QByteArray data =
                 swfwriter::encodeAdpcm(swfwriter::sine(300.0, 11025, 0.1, 9000, 2), 2, 3);
             return eventMovie(soundFormat(SoundCodec::Adpcm, 11025, 2), 5000, data.left(101));
         },
         {1, -1, true}},
        {"Nellymoser shorter than a block",
         [] {
             return eventMovie(soundFormat(SoundCodec::Nellymoser8k, 8000, 1), 256,
                               QByteArray(63, '\x7f'));
         },
         {1, 0, false}},
        {"Nellymoser of noise",
         [] {
             QByteArray noise;
             for (int i = 0; i < 64 * 20; ++i)
                 noise.append(char(i * 131 + (i >> 3)));
             return eventMovie(soundFormat(SoundCodec::Nellymoser, 22050, 1), 0, noise);
         },
         {1, 20 * 256, true}},
        {"codec the engine does not play",
         [] {
             swf::SoundFormat unknown = swfwriter::pcmFormat(44100, 1);
             unknown.codec = 15;
             return eventMovie(unknown, 100, QByteArray(200, '\x01'));
         },
         {1, 0, false}},
        {"out point before the in point",
         [] {
             swf::SoundInfo info;
             info.inPoint = 2;
             info.outPoint = 1;
             return eventMovie(swfwriter::pcmFormat(44100, 1), 4, swfwriter::pcm16({1, 2, 3, 4}),
                               info);
         },
         {1, 4, true}},
        {"in point past the end",
         [] {
             swf::SoundInfo info;
             info.inPoint = 1000;
             return eventMovie(swfwriter::pcmFormat(44100, 1), 4, swfwriter::pcm16({1, 2, 3, 4}),
                               info);
         },
         {1, 4, false}},
        {"65535 loops of one sample",
         [] {
             swf::SoundInfo info;
             info.loops = 65535;
             return eventMovie(swfwriter::pcmFormat(5512, 1), 1, swfwriter::pcm16({1000}), info);
         },
         {1, 1, true}},
        {"envelope announcing more points than the tag holds",
         [] {
             QByteArray body = swfwriter::pcm16({1}); // sound id 1
             body += QByteArray::fromHex("08"         // has envelope
                                         "ff"         // 255 points
                                         "0000000000800080");
             return rawTagMovie(swf::TagCode::StartSound, body);
         },
         {0, -1, false}},
        {"StartSound of an id that is no sound",
         [] { return rawTagMovie(swf::TagCode::StartSound, QByteArray::fromHex("070000")); },
         {0, -1, false}},
        {"StartSound2 of a class nobody defined",
         [] { return rawTagMovie(swf::TagCode::StartSound2, QByteArrayLiteral("Ghost\0\0")); },
         {0, -1, false}},
        {"stream block without a head",
         [] {
             return streamMovie(swfwriter::pcmFormat(44100, 1),
                                {swfwriter::pcm16({5, 5}), swfwriter::pcm16({5, 5})}, false);
         },
         {0, -1, false}},
        {"stream head without blocks",
         [] { return streamMovie(swfwriter::pcmFormat(44100, 1), {}); },
         {0, -1, false}},
        {"MP3 stream block shorter than its own header",
         [] {
             return streamMovie(
                 soundFormat(SoundCodec::Mp3, 44100, 1),
                 {QByteArray("\x01", 1), QByteArray(), QByteArray("\x10\x00\x05", 3)});
         },
         {1, 0, false}},
        {"MP3 stream whose SampleCount lies",
         [] {
             const QByteArray mp3 = mp3Tone(22050, 1, 0.3);
             const qsizetype third = mp3.size() / 3;
             return streamMovie(soundFormat(SoundCodec::Mp3, 22050, 1),
                                {swfwriter::mp3StreamBlock(65535, -7, mp3.left(third)),
                                 swfwriter::mp3StreamBlock(0, 9000, mp3.mid(third, third)),
                                 swfwriter::mp3StreamBlock(1, 0, mp3.mid(2 * third))});
         },
         {1, -1, true}},
        {"stream block larger than a frame can last",
         [] {
             return streamMovie(
                 swfwriter::pcmFormat(44100, 2),
                 {QByteArray(int(swf::limits::kMaxStreamBlockSamples) * 2 + 4000, '\x01')});
         },
         {1, swf::limits::kMaxStreamBlockSamples, true}},
        {"stream whose head changes format",
         [] {
             swfwriter::SwfWriter w;
             swfwriter::soundStreamHead(w, swfwriter::pcmFormat(44100, 1), 2);
             swfwriter::soundStreamBlock(w, swfwriter::pcm16({1, 2}));
             w.showFrame();
             swfwriter::soundStreamHead(w, swfwriter::pcmFormat(11025, 2), 2);
             swfwriter::soundStreamBlock(w, swfwriter::pcm16({3, 4, 5, 6}));
             w.showFrame();
             w.showFrame();
             return w.finish();
         },
         // The first head's stream, the second's, and the first's again
         // after the loop.
         {3, 2, true}},
    };
    return table;
}

} // namespace

class TestAudioBadInput : public QObject {
    Q_OBJECT
private slots:
    void damagedSoundPlaysSafely_data();
    void damagedSoundPlaysSafely();
};

void TestAudioBadInput::damagedSoundPlaysSafely_data()
{
    QTest::addColumn<int>("index");
    for (size_t i = 0; i < cases().size(); ++i)
        QTest::newRow(cases()[i].name) << int(i);
}

void TestAudioBadInput::damagedSoundPlaysSafely()
{
    QFETCH(int, index);
    const Case &c = cases()[size_t(index)];
    OfflinePlay play(mustParse(c.movie()));
    play.player.play();
    bool audible = false;
    auto listen = [&] {
        const auto mix = play.mix(4410);
        audible = audible || std::any_of(mix.begin(), mix.end(), [](qint16 s) { return s != 0; });
    };
    listen();
    for (int i = 0; i < 3; ++i) {
        play.step();
        listen();
    }
    QCOMPARE(int(play.capture.entries().size()), c.outcome.started);
    if (c.outcome.firstSamples >= 0)
        QCOMPARE(qint64(play.capture.entries()[0].sound.samples.size()), c.outcome.firstSamples);
    QCOMPARE(audible, c.outcome.audible);
    // Seeking back and stopping after the damage stays quiet and safe.
    play.player.seek(0);
    play.mix(1000);
    play.player.stop();
    QCOMPARE(play.mix(100), std::vector<qint16>(200, 0));
}

QTEST_GUILESS_MAIN(TestAudioBadInput)
#include "tst_audiobadinput.moc"
