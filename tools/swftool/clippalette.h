// One palette for all the pictures of a GIF: the colours of every picture
// are counted first, then cut into at most 256 by median cut, each the
// mean of the colours it stands for, so the flat colours movies are made
// of come out exactly. Pictures are then mapped to the nearest entry.
#pragma once

#include <QImage>
#include <QList>

#include <array>
#include <vector>

namespace swftool {

class ClipPalette {
public:
    ClipPalette();

    // Counts the colours of an opaque picture.
    void count(const QImage &picture);
    // Makes the palette of the colours counted; later count() calls are
    // not taken into account.
    void build();
    const QList<QRgb> &colors() const { return m_colors; }
    // The picture in the palette's colours (after build()).
    QImage map(const QImage &picture) const;

private:
    // Colours are counted in bins of 5 bits a channel, with the sums of
    // what fell in, so a bin's mean is the exact colour of a flat area.
    struct Bin {
        qint64 count = 0;
        qint64 red = 0;
        qint64 green = 0;
        qint64 blue = 0;
    };
    struct Box;

    std::vector<Bin> m_bins;
    QList<QRgb> m_colors;
    // The palette entry of each bin.
    std::vector<quint8> m_lookup;
};

} // namespace swftool
