// The sound decoders on movies written from signals the tests know: PCM in
// every layout, ADPCM at each code size, MP3 (encoded by LAME) and
// Nellymoser (by the writer's encoder).
#include "audiotest.h"
#include "mp3testencoder.h"

#include "swf/audio/decodedsound.h"
#include "swf/audio/nellymoserformat.h"
#include "swf/audio/sounddecoder.h"
#include "tools/swfwriter/nellymoserencoder.h"

#include <QRandomGenerator>
#include <QTest>

using swf::SoundCodec;
using swfwriter::soundFormat;

namespace {

// A movie defining one sound; returns the sound decoded.
swf::DecodedSound decodeDefined(const swf::SoundFormat &format, quint32 sampleCount,
                                const QByteArray &data)
{
    swfwriter::SwfWriter w;
    const quint16 id = swfwriter::defineSound(w, format, sampleCount, data);
    w.showFrame();
    const auto movie = swf::parseMovie(w.finish());
    if (!movie)
        return {};
    const auto *sound = dynamic_cast<const swf::Sound *>((*movie)->character(id));
    return sound ? swf::decodeSound(*sound) : swf::DecodedSound{};
}

} // namespace

class TestAudioDecoders : public QObject {
    Q_OBJECT
private slots:
    void pcmLayouts_data();
    void pcmLayouts();
    void pcmBytesSplitBetweenBlocks();
    void adpcmFixture_data();
    void adpcmFixture();
    void adpcmAt11kHzHoldsSamplePairs_data();
    void adpcmAt11kHzHoldsSamplePairs();
    void adpcmFollowsTheSignal_data();
    void adpcmFollowsTheSignal();
    void declaredSampleCountCutsButNeverPads();
    void mp3DecodesTheTone_data();
    void mp3DecodesTheTone();
    void mp3SkipsSeekSamples();
    void mp3FramesSplitAcrossCalls();
    void mp3StreamPlaysAcrossItsBlocks();
    void nellymoserDecodesTheTone_data();
    void nellymoserDecodesTheTone();
    void nellymoserAllocationStaysInBudget();
    void unplayableCodecsDecodeToNothing();
};

void TestAudioDecoders::pcmLayouts_data()
{
    QTest::addColumn<int>("codec");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<bool>("sixteenBit");
    QTest::addColumn<double>("expectedRate");
    QTest::newRow("native 16-bit mono 5.5 kHz") << 0 << 5512 << 1 << true << 5512.5;
    QTest::newRow("little-endian 16-bit stereo 44.1 kHz") << 3 << 44100 << 2 << true << 44100.0;
    QTest::newRow("8-bit mono 11 kHz") << 3 << 11025 << 1 << false << 11025.0;
    QTest::newRow("native 8-bit stereo 22 kHz") << 0 << 22050 << 2 << false << 22050.0;
}

void TestAudioDecoders::pcmLayouts()
{
    QFETCH(int, codec);
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(bool, sixteenBit);
    QFETCH(double, expectedRate);
    // Left and right differ so that swapped channels show.
    std::vector<qint16> samples;
    for (int i = 0; i < 300; ++i) {
        samples.push_back(qint16((i * 211) % 65536 - 32768));
        if (channels == 2)
            samples.push_back(qint16(-(i * 97) % 30000));
    }
    const QByteArray data = sixteenBit ? swfwriter::pcm16(samples) : swfwriter::pcm8(samples);
    const auto format = soundFormat(SoundCodec(codec), rate, channels, sixteenBit);
    const swf::DecodedSound decoded = decodeDefined(format, 300, data);
    QCOMPARE(decoded.rate, expectedRate);
    QCOMPARE(decoded.channels, channels);
    std::vector<qint16> expected = samples;
    if (!sixteenBit) {
        for (qint16 &s : expected)
            s = qint16((s >> 8) * 256); // 8 bits keep the top byte
    }
    QCOMPARE(decoded.samples, expected);
}

// A stream's 16-bit stereo frame may straddle two blocks.
void TestAudioDecoders::pcmBytesSplitBetweenBlocks()
{
    auto decoder = swf::makeSoundDecoder(swfwriter::pcmFormat(44100, 2));
    const QByteArray bytes = swfwriter::pcm16({1, -2, 300, -400, 5000, -6000});
    std::vector<qint16> out;
    decoder->decode(bytes.first(5), out, 1000);
    QCOMPARE(out, std::vector<qint16>({1, -2}));
    decoder->decode(bytes.sliced(5), out, 1000);
    QCOMPARE(out, std::vector<qint16>({1, -2, 300, -400, 5000, -6000}));
}

void TestAudioDecoders::adpcmFixture_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<std::vector<qint16>>("expected");
    QTest::newRow("22 kHz as decoded") << 22050 << std::vector<qint16>({256, 290, 285});
    // The first pair holds its second sample; the unpaired third stays.
    QTest::newRow("11 kHz held in pairs") << 11025 << std::vector<qint16>({290, 290, 285});
}

// ADPCM bits by hand: code size 2 (four bits), first sample 256, step
// index 10 (step 19), then codes 0111 and 1000.
void TestAudioDecoders::adpcmFixture()
{
    QFETCH(int, rate);
    QFETCH(std::vector<qint16>, expected);
    const QByteArray data = QByteArray::fromHex("80400a78");
    // 10                  code size: 4 bits
    // 0000 0001 0000 0000 first sample 256
    // 001010              step index 10
    // 0111                +(19/8 + 19 + 19/2 + 19/4) = +34, index 18
    // 1000                -(41/8) = -5, index 17
    const swf::DecodedSound decoded =
        decodeDefined(soundFormat(SoundCodec::Adpcm, rate, 1), 3, data);
    QCOMPARE(decoded.samples, expected);
}

void TestAudioDecoders::adpcmAt11kHzHoldsSamplePairs_data()
{
    QTest::addColumn<int>("channels");
    QTest::newRow("mono") << 1;
    QTest::newRow("stereo") << 2;
}

// The same codes at 22 and 11 kHz: at 11 kHz frames 2k and 2k+1 are both
// frame 2k+1 as decoded, whole frames for stereo, across packet headers;
// what the engine mixes holds them too.
void TestAudioDecoders::adpcmAt11kHzHoldsSamplePairs()
{
    QFETCH(int, channels);
    std::vector<qint16> signal = swfwriter::sine(300.0, 11025, 0.5, 12000, channels);
    if (channels == 2) {
        for (size_t i = 1; i < signal.size(); i += 2)
            signal[i] = qint16(signal[i] / 3 + 2000); // left and right differ
    }
    const QByteArray data = swfwriter::encodeAdpcm(signal, channels, 4);
    const auto asDecoded = decodeDefined(soundFormat(SoundCodec::Adpcm, 22050, channels), 0, data);
    const auto held = decodeDefined(soundFormat(SoundCodec::Adpcm, 11025, channels), 0, data);
    const qint64 frames = asDecoded.frames();
    QVERIFY(frames > 4096);
    QCOMPARE(held.frames(), frames);
    QCOMPARE(held.rate, 11025.0);
    std::vector<qint16> expected = asDecoded.samples;
    for (qint64 f = 0; f + 1 < frames; f += 2) {
        for (int c = 0; c < channels; ++c)
            expected[size_t(f * channels + c)] = expected[size_t((f + 1) * channels + c)];
    }
    QCOMPARE(held.samples, expected);
    QVERIFY(held.samples != asDecoded.samples);

    // The engine mixes the held samples: at a quarter of the mixer's rate,
    // the first four output frames of pair k are its second frame as
    // decoded, flat, where interpolating the unheld pair would ramp.
    swfwriter::SwfWriter w;
    const quint16 id = swfwriter::defineSound(w, soundFormat(SoundCodec::Adpcm, 11025, channels),
                                              0, data);
    swfwriter::startSound(w, id);
    w.showFrame();
    auto movie = swf::parseMovie(w.finish());
    QVERIFY(movie);
    OfflinePlay play(*movie);
    play.player.play();
    const std::vector<qint16> mix = play.mix(4096);
    for (size_t f = 0; f < 4096; ++f) {
        if (f % 8 >= 4)
            continue;
        const size_t source = (f / 8 * 2 + 1) * size_t(channels);
        QCOMPARE(mix[2 * f], asDecoded.samples[source]);
        QCOMPARE(mix[2 * f + 1], asDecoded.samples[source + size_t(channels) - 1]);
    }
}

void TestAudioDecoders::adpcmFollowsTheSignal_data()
{
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("channels");
    QTest::addColumn<double>("tolerance"); // error RMS over signal RMS
    QTest::newRow("2 bits mono") << 2 << 1 << 0.6;
    QTest::newRow("3 bits stereo") << 3 << 2 << 0.25;
    QTest::newRow("4 bits mono") << 4 << 1 << 0.1;
    QTest::newRow("5 bits stereo") << 5 << 2 << 0.05;
}

// Longer than one 4096-sample packet, so packet headers are crossed.
void TestAudioDecoders::adpcmFollowsTheSignal()
{
    QFETCH(int, bits);
    QFETCH(int, channels);
    QFETCH(double, tolerance);
    const auto signal = swfwriter::sine(440.0, 22050, 0.5, 12000, channels);
    const qint64 frames = qint64(signal.size()) / channels;
    const swf::DecodedSound decoded =
        decodeDefined(soundFormat(SoundCodec::Adpcm, 22050, channels), quint32(frames),
                      swfwriter::encodeAdpcm(signal, channels, bits));
    QCOMPARE(decoded.frames(), frames);
    for (int c = 0; c < channels; ++c) {
        const auto in = channel(signal, channels, c);
        const auto out = channel(decoded.samples, channels, c);
        std::vector<double> error(in.size());
        for (size_t i = 0; i < in.size(); ++i)
            error[i] = out[i] - in[i];
        QVERIFY2(rms(error) < tolerance * rms(in),
                 qPrintable(QStringLiteral("error %1 of %2").arg(rms(error)).arg(rms(in))));
        // Each packet restarts exactly on the sample it carries.
        QCOMPARE(out[4096], in[4096]);
    }
}

void TestAudioDecoders::declaredSampleCountCutsButNeverPads()
{
    const std::vector<qint16> samples = {10, 20, 30, 40, 50};
    const auto format = swfwriter::pcmFormat(11025, 1);
    QCOMPARE(decodeDefined(format, 3, swfwriter::pcm16(samples)).samples,
             std::vector<qint16>({10, 20, 30}));
    QCOMPARE(decodeDefined(format, 4000000000u, swfwriter::pcm16(samples)).samples, samples);
    QCOMPARE(decodeDefined(format, 0, swfwriter::pcm16(samples)).samples, samples);
}

void TestAudioDecoders::mp3DecodesTheTone_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::newRow("44.1 kHz mono") << 44100 << 1;
    QTest::newRow("22.05 kHz stereo") << 22050 << 2;
    QTest::newRow("11.025 kHz mono (MPEG 2.5)") << 11025 << 1;
}

void TestAudioDecoders::mp3DecodesTheTone()
{
    QFETCH(int, rate);
    QFETCH(int, channels);
    const auto signal = swfwriter::sine(1000.0, rate, 1.0, 10000, channels);
    const Mp3Encoding mp3 = encodeMp3(signal, rate, channels, 64);
    QVERIFY(!mp3.frames.isEmpty());
    const qint64 frames = qint64(signal.size()) / channels;
    QByteArray data = swfwriter::pcm16({qint16(mp3.encoderDelay)}) + mp3.frames;
    const swf::DecodedSound decoded =
        decodeDefined(soundFormat(SoundCodec::Mp3, rate, channels), quint32(frames), data);
    QCOMPARE(decoded.rate, double(rate));
    QCOMPARE(decoded.channels, channels);
    QCOMPARE(decoded.frames(), frames);
    for (int c = 0; c < channels; ++c) {
        const auto out = channel(decoded.samples, channels, c);
        QCOMPARE(dominantFrequency(out, rate), 1000.0);
        const double level = rms(out, out.size() / 4, out.size() * 3 / 4);
        QVERIFY2(qAbs(level / (10000 / std::sqrt(2.0)) - 1.0) < 0.1,
                 qPrintable(QString::number(level)));
        // With the encoder's delay skipped the tone is in phase with the input.
        QVERIFY(correlation(out, channel(signal, channels, c), 0) > 0.95);
    }
}

// SeekSamples tells how many decoded samples come before the sound.
void TestAudioDecoders::mp3SkipsSeekSamples()
{
    const auto signal = swfwriter::sine(500.0, 44100, 0.5, 8000);
    const Mp3Encoding mp3 = encodeMp3(signal, 44100, 1, 96);
    const auto format = soundFormat(SoundCodec::Mp3, 44100, 1);
    const auto noSkip = decodeDefined(format, 0, swfwriter::pcm16({0}) + mp3.frames);
    const auto skip = decodeDefined(format, 0, swfwriter::pcm16({1000}) + mp3.frames);
    QCOMPARE(skip.frames(), noSkip.frames() - 1000);
    QVERIFY(std::equal(skip.samples.begin(), skip.samples.end(), noSkip.samples.begin() + 1000));
}

// Stream blocks cut MP3 frames anywhere; the decoder waits for the rest.
void TestAudioDecoders::mp3FramesSplitAcrossCalls()
{
    const auto signal = swfwriter::sine(700.0, 44100, 0.5, 8000);
    const Mp3Encoding mp3 = encodeMp3(signal, 44100, 1, 128);
    auto whole = swf::makeSoundDecoder(soundFormat(SoundCodec::Mp3, 44100, 1));
    auto pieces = swf::makeSoundDecoder(soundFormat(SoundCodec::Mp3, 44100, 1));
    std::vector<qint16> a, b;
    whole->decode(mp3.frames, a, 1 << 20);
    for (qsizetype at = 0; at < mp3.frames.size(); at += 333)
        pieces->decode(
            QByteArrayView(mp3.frames).sliced(at, qMin<qsizetype>(333, mp3.frames.size() - at)), b,
            1 << 20);
    QVERIFY(a.size() > signal.size());
    QCOMPARE(b, a);
}

// An MP3 stream cut into a block per frame wherever the bytes fall: the
// capture holds the tone whole, and the mix plays it at the output rate.
void TestAudioDecoders::mp3StreamPlaysAcrossItsBlocks()
{
    const auto signal = swfwriter::sine(1000.0, 22050, 1.0, 9000);
    const Mp3Encoding mp3 = encodeMp3(signal, 22050, 1, 64);
    swfwriter::SwfWriter w;
    w.setFrameRate(10);
    swfwriter::soundStreamHead(w, soundFormat(SoundCodec::Mp3, 22050, 1), 2205);
    const qsizetype piece = mp3.frames.size() / 10 + 1;
    for (int f = 0; f < 10; ++f) {
        swfwriter::soundStreamBlock(
            w, swfwriter::mp3StreamBlock(2205, f == 0 ? qint16(mp3.encoderDelay) : 0,
                                         mp3.frames.mid(f * piece, piece)));
        w.showFrame();
    }
    OfflinePlay play(mustParse(w.finish()));
    play.player.play();
    std::vector<qint16> mix;
    for (int f = 0; f < 10; ++f) {
        const auto part = play.mix(4410);
        mix.insert(mix.end(), part.begin(), part.end());
        play.step();
    }
    QCOMPARE(play.capture.entries().size(), size_t(1));
    const swf::DecodedSound &stream = play.capture.entries()[0].sound;
    QCOMPARE(stream.rate, 22050.0);
    QVERIFY2(stream.frames() > 20000, qPrintable(QString::number(stream.frames())));
    const auto captured = channel(stream.samples, 1);
    QCOMPARE(dominantFrequency(captured, 22050), 1000.0);
    // The encoder's delay is skipped at the start: in phase with the input.
    QVERIFY(correlation(captured, channel(signal, 1), 0) > 0.95);
    const auto heard = channel(mix, 2);
    QCOMPARE(dominantFrequency(heard, 44100), 1000.0);
}

void TestAudioDecoders::nellymoserDecodesTheTone_data()
{
    QTest::addColumn<int>("codec");
    QTest::addColumn<int>("rate");
    QTest::addColumn<double>("frequency");
    QTest::newRow("Nellymoser 16 kHz") << int(SoundCodec::Nellymoser16k) << 16000 << 1000.0;
    QTest::newRow("Nellymoser 8 kHz") << int(SoundCodec::Nellymoser8k) << 8000 << 440.0;
    QTest::newRow("Nellymoser at 22 kHz") << int(SoundCodec::Nellymoser) << 22050 << 2500.0;
    QTest::newRow("Nellymoser at 11 kHz") << int(SoundCodec::Nellymoser) << 11025 << 1500.0;
}

void TestAudioDecoders::nellymoserDecodesTheTone()
{
    QFETCH(int, codec);
    QFETCH(int, rate);
    QFETCH(double, frequency);
    const auto signal = swfwriter::sine(frequency, rate, 1.0, 12000);
    const QByteArray data = swfwriter::encodeNellymoser(signal);
    QCOMPARE(data.size() % swf::nellymoser::kBlockBytes, 0);
    const swf::DecodedSound decoded =
        decodeDefined(soundFormat(SoundCodec(codec), rate, 1), 0, data);
    QCOMPARE(decoded.rate, double(rate));
    QCOMPARE(decoded.channels, 1);
    QCOMPARE(decoded.frames(), data.size() / 64 * 256);
    const auto in = channel(signal, 1);
    const auto out = channel(decoded.samples, 1);
    QCOMPARE(dominantFrequency(out, rate), frequency);
    const double ratio = rms(out, 1024, in.size()) / rms(in);
    QVERIFY2(ratio > 0.8 && ratio < 1.2, qPrintable(QString::number(ratio)));
    // The codec delays by one frame of 128 samples and adds its noise.
    QVERIFY(correlation(in, out, swfwriter::kNellymoserDelay) > 0.9);
}

// The allocation never spends more than a frame's 198 detail bits, nor
// more than six on one coefficient, whatever the envelope.
void TestAudioDecoders::nellymoserAllocationStaysInBudget()
{
    using namespace swf::nellymoser;
    QRandomGenerator random(7);
    for (int round = 0; round < 2000; ++round) {
        Energies energies{};
        int energy = kFirstEnergy[random.bounded(64)];
        size_t at = 0;
        for (int band = 0; band < kBands; ++band) {
            if (band > 0)
                energy += kEnergyStep[random.bounded(32)];
            for (int i = 0; i < kBandSizes[size_t(band)]; ++i)
                energies[at++] = energy;
        }
        const Allocation bits = allocateBits(energies);
        int total = 0;
        for (int b : bits) {
            QVERIFY(b >= 0 && b <= kMaxCoefficientBits);
            total += b;
        }
        QVERIFY2(total <= kDetailBits, qPrintable(QString::number(total)));
    }
}

void TestAudioDecoders::unplayableCodecsDecodeToNothing()
{
    QVERIFY(decodeDefined(soundFormat(SoundCodec::Speex, 44100, 1), 10, QByteArray(100, 'x'))
                .samples.empty());
    swf::SoundFormat unknown;
    unknown.codec = 15;
    QVERIFY(!swf::makeSoundDecoder(unknown));
}

QTEST_GUILESS_MAIN(TestAudioDecoders)
#include "tst_audiodecoders.moc"
