// libFuzzer target over the whole engine path a movie takes: load, play a
// few frames, seek both ways, draw.
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

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    auto movie =
        swf::parseMovie(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (!movie)
        return 0;
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
