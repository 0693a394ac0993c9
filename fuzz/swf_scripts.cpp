// A movie's scripts: action records parsed and run by the machine the
// movie asks for, over a few frames with the pointer and keys in play.
// Runaway loops meet a short time limit.
#include "swf/parse/parser.h"
#include "swf/runtime/player.h"
#include "swf/scripting/scripting.h"

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
    auto services = std::make_shared<swf::QuietScriptServices>(100);
    swf::Player player(*movie, nullptr, swf::makeScriptHost(*movie, services));
    player.play();
    for (int i = 0; i < 4; ++i)
        player.step();
    using Pointer = swf::PointerEvent::Type;
    for (Pointer type : {Pointer::Move, Pointer::Press, Pointer::Release})
        player.pointerEvent(swf::PointerEvent{type, QPointF(800, 600)});
    for (auto type : {swf::KeyEvent::Type::Press, swf::KeyEvent::Type::Release})
        player.keyEvent(swf::KeyEvent{type, 32, u' '});
    player.step();
    player.seek(0);
    player.step();
    return 0;
}
