// orvanto-swf sounds FILE -o DIR [--frames N]: plays N frames (10 by
// default) and writes, for every sound started, its decoded samples before
// mixing and resampling as DIR/NAME.swf.F.N.raw: F is the frame it started
// in (from 1), N its place among the sounds started in that frame (from
// 0); signed 16-bit little-endian at the sound's own rate and channels. A
// stream sound starts at its first block and holds the blocks of the
// frames played while it lasted.
#include "offlineaudio.h"

#include "swf/audio/soundcapture.h"

#include <QtEndian>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace swftool {

namespace {

QByteArray baseName(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? path : path.mid(slash + 1);
}

QByteArray littleEndian(const std::vector<qint16> &samples)
{
    QByteArray bytes(qsizetype(samples.size() * 2), Qt::Uninitialized);
    for (size_t i = 0; i < samples.size(); ++i)
        qToLittleEndian(samples[i], bytes.data() + i * 2);
    return bytes;
}

} // namespace

int runSounds(const Arguments &args)
{
    int status = 0;
    const auto run = openAudioRun(args, "sounds FILE -o DIR [--frames N]", &status);
    if (!run)
        return status;
    const AudioRunOptions &options = run->options;
    swf::SoundCapture capture;
    playOffline(*run, &capture);
    if (::mkdir(options.output.constData(), 0755) != 0 && errno != EEXIST) {
        reportFileError(options.output, QString::fromLocal8Bit(std::strerror(errno)));
        return 1;
    }
    const QByteArray name = baseName(options.input);
    QString problem;
    for (const swf::SoundCapture::Entry &entry : capture.entries()) {
        const QByteArray path = options.output + '/' + name + '.' +
                                QByteArray::number(entry.frame) + '.' +
                                QByteArray::number(entry.index) + ".raw";
        if (!writeFileBytes(path, littleEndian(entry.sound.samples), &problem)) {
            reportFileError(path, problem);
            return 1;
        }
    }
    return 0;
}

} // namespace swftool
