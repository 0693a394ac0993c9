// Reads an exported file back with FFmpeg's libraries (linked into the
// export tests only), as any player of video files would.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QSize>
#include <QString>

#include <optional>
#include <vector>

struct MediaStream {
    QString codec; // FFmpeg's codec name: h264, aac, vp9, opus, gif
    bool video = false;
    QSize size;
    int sampleRate = 0;
};

struct MediaFile {
    QList<MediaStream> streams;
    double duration = 0.0; // seconds, as the container says
    // Every picture decoded: its time in seconds and the colour at its
    // middle.
    QList<std::pair<double, QColor>> pictures;
    // The first sound stream's first channel, from `soundStart` seconds.
    std::vector<float> sound;
    double soundStart = 0.0;
    int soundRate = 0;

    // The codec names of the streams, video first: "h264+aac".
    QString codecs() const;
};

std::optional<MediaFile> readMedia(const QByteArray &path);
