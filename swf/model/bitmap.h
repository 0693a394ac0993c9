// Bitmap characters: DefineBits (with the movie's JPEGTables),
// DefineBitsJPEG2, 3 and 4, and DefineBitsLossless 1 and 2. The image data
// is kept as the file holds it; decoding is left to the renderer, which
// does it once per character and only for bitmaps that are drawn.
#pragma once

#include "swf/model/character.h"

#include <QByteArray>
#include <QImage>

#include <memory>

namespace swf {

enum class BitmapSource : quint8 {
    Jpeg,      // DefineBits, DefineBitsJPEG2/3/4: JPEG, or PNG/GIF from version 8 on
    Lossless,  // DefineBitsLossless: opaque
    Lossless2, // DefineBitsLossless2: premultiplied alpha
};

// BitmapFormat of the lossless tags.
enum class LosslessFormat : quint8 { ColorMapped8 = 3, Rgb15 = 4, Rgb24 = 5 };

// Pixels a script draws into (BitmapData): premultiplied ARGB32, shown as
// they are when drawn. `revision` counts the changes, for kept layers.
struct BitmapPixels {
    QImage image;
    quint64 revision = 0;
};

class Bitmap final : public Character {
public:
    using Character::Character;
    CharacterKind kind() const override { return CharacterKind::Bitmap; }

    BitmapSource source = BitmapSource::Jpeg;
    quint16 tagCode = 0;

    // JPEG family: the encoded image; for DefineBits the movie's encoding
    // tables come first, as one stream of two.
    QByteArray imageData;
    // DefineBitsJPEG3/4: the zlib-compressed alpha plane, one byte a pixel.
    QByteArray alphaData;
    // DefineBitsJPEG4: strength of the deblocking filter (8.8), 0 for none.
    double deblocking = 0.0;

    // Lossless family.
    LosslessFormat format = LosslessFormat::Rgb24;
    quint16 width = 0;
    quint16 height = 0;
    int colorTableSize = 0; // entries, 1…256, colour-mapped only
    QByteArray zlibData;

    // A script's bitmap, in place of the data above.
    std::shared_ptr<BitmapPixels> pixels;
};

} // namespace swf
