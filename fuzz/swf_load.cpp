// libFuzzer target over the whole engine path a movie takes: load, play a
// few frames, seek both ways, draw; and every drawing decoder directly:
// each bitmap of the dictionary decoded, each morph shape built at three
// ratios, each shape's geometry built.
#include "swf/codec/bitmapdecoder.h"
#include "swf/geometry/morphinterpolation.h"
#include "swf/geometry/shapegeometry.h"
#include "swf/model/bitmap.h"
#include "swf/model/morphshape.h"
#include "swf/parse/parser.h"
#include "swf/render/renderer.h"
#include "swf/runtime/player.h"

#include <QLoggingCategory>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    QLoggingCategory::setFilterRules(QStringLiteral("swf.*=false"));
    return 0;
}

namespace {

void decodeEverything(const swf::Movie &movie)
{
    for (const auto &[id, character] : movie.dictionary()) {
        switch (character->kind()) {
        case swf::CharacterKind::Bitmap:
            (void)swf::decodeBitmap(static_cast<const swf::Bitmap &>(*character));
            break;
        case swf::CharacterKind::MorphShape:
            for (quint16 ratio : {quint16(0), quint16(32768), quint16(65535)}) {
                auto shape =
                    swf::shapeAtRatio(static_cast<const swf::MorphShape &>(*character), ratio);
                if (shape)
                    (void)swf::buildShapeGeometry(*shape);
            }
            break;
        case swf::CharacterKind::Shape:
            (void)swf::buildShapeGeometry(static_cast<const swf::Shape &>(*character));
            break;
        default:
            break;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    auto movie =
        swf::parseMovie(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (!movie)
        return 0;
    decodeEverything(**movie);
    swf::Player player(*movie);
    swf::Renderer renderer;
    renderer.render(player, QSize(48, 32), Qt::white);
    player.play();
    player.advance(150);
    for (int i = 0; i < 4; ++i)
        player.step();
    player.seek(player.lastFrame());
    player.seek(1);
    renderer.render(player, QSize(37, 53), Qt::black);
    return 0;
}
