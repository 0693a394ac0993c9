// Video test data from FFmpeg's encoders (linked into the tests only):
// each picture as the packet a VideoFrame tag carries.
#pragma once

#include "swf/model/video.h"

#include <QByteArray>
#include <QImage>
#include <QList>

// Sorenson H.263 ("flv"), Screen Video ("flashsv") or Screen Video 2
// ("flashsv2"), a key frame every `keyInterval` pictures; empty on failure.
QList<QByteArray> encodeVideo(swf::VideoCodec codec, const QList<QImage> &pictures,
                              int keyInterval);
