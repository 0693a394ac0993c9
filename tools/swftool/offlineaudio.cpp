#include "offlineaudio.h"

#include "swf/audio/audioengine.h"
#include "swf/audio/audiooutput.h"
#include "swf/audio/soundcapture.h"
#include "swf/runtime/frameclock.h"
#include "swf/runtime/player.h"

#include <QtEndian>

#include <cmath>

namespace swftool {

namespace {

// An hour of mix at most: a slow frame rate times many frames would
// otherwise ask for gigabytes.
constexpr double kMaxSeconds = 3600.0;

std::optional<AudioRunOptions> parseAudioRunOptions(const Arguments &args, const char *usage,
                                                    QString *problem)
{
    AudioRunOptions options;
    for (qsizetype i = 0; i < args.size(); ++i) {
        QByteArray arg = args[i];
        QByteArray value;
        const qsizetype eq = arg.indexOf('=');
        const bool takesValue = arg == "-o" || arg == "--output" || arg == "--frames";
        if (arg.startsWith("--") && eq > 0) {
            value = arg.mid(eq + 1);
            arg = arg.left(eq);
        } else if (takesValue && i + 1 < args.size()) {
            value = args[++i];
        } else if (takesValue) {
            *problem = QStringLiteral("%1 needs a value").arg(QString::fromLatin1(arg));
            return std::nullopt;
        }
        if (arg == "-o" || arg == "--output") {
            options.output = value;
        } else if (arg == "--frames") {
            bool ok = false;
            options.frames = value.toInt(&ok);
            if (!ok || options.frames < 1 || options.frames > 1000000) {
                *problem = QStringLiteral("--frames needs a whole number from 1");
                return std::nullopt;
            }
        } else if (options.input.isEmpty() && !arg.startsWith("--")) {
            options.input = arg;
        } else {
            *problem = QStringLiteral("unexpected argument %1").arg(QString::fromLocal8Bit(arg));
            return std::nullopt;
        }
    }
    if (options.input.isEmpty() || options.output.isEmpty()) {
        *problem = QStringLiteral("usage: orvanto-swf %1").arg(QLatin1String(usage));
        return std::nullopt;
    }
    return options;
}

} // namespace

std::optional<AudioRun> openAudioRun(const Arguments &args, const char *usage, int *status)
{
    QString problem;
    auto options = parseAudioRunOptions(args, usage, &problem);
    if (!options) {
        reportError(problem);
        *status = 2;
        return std::nullopt;
    }
    auto movie = swf::loadMovieFile(options->input);
    if (!movie) {
        reportFileError(options->input, movie.error().toString());
        *status = 1;
        return std::nullopt;
    }
    const int frames = options->frames;
    const double fps = swf::FrameClock::effectiveRate((*movie)->frameRate());
    if (frames / fps > kMaxSeconds) {
        reportFileError(options->input,
                        QStringLiteral("%1 frames at %2 per second last more than an hour")
                            .arg(frames)
                            .arg(fps));
        *status = 1;
        return std::nullopt;
    }
    return AudioRun{std::move(*options), std::move(*movie)};
}

QByteArray playOffline(const AudioRun &run, swf::SoundCapture *capture)
{
    const swf::MoviePtr &movie = run.movie;
    const int frames = run.options.frames;
    const double fps = swf::FrameClock::effectiveRate(movie->frameRate());
    swf::AudioEngine engine(movie);
    engine.setCapture(capture);
    if (capture)
        capture->setFrame(1);
    swf::Player player(movie, &engine);
    engine.attach(&player);
    player.play();

    QByteArray mix;
    std::vector<qint16> block;
    qint64 mixed = 0;
    for (int frame = 1; frame <= frames; ++frame) {
        if (frame > 1) {
            if (capture)
                capture->setFrame(frame);
            player.step();
        }
        // Each frame gets its share of the second, rounded so none drifts.
        const qint64 end = std::llround(frame * double(swf::AudioOutput::kRate) / fps);
        const int count = int(end - mixed);
        block.resize(size_t(count) * 2);
        engine.render(block.data(), count);
        for (qint16 &sample : block)
            sample = qToLittleEndian(sample);
        mix.append(reinterpret_cast<const char *>(block.data()), qsizetype(block.size() * 2));
        mixed = end;
    }
    return mix;
}

} // namespace swftool
