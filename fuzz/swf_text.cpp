// libFuzzer target for the font, text and button tags: their parsers,
// text layout with embedded and device fonts, drawing, and buttons under
// pointer events.
//
// An input that starts like a movie (FWS, CWS, ZWS) is loaded as it is.
// Any other input is a list of tags for a small movie, each written as a
// selector byte (which tag of the families), a 16-bit length and the body;
// every character id from 1 to 16 is then placed, so that whatever the
// tags define is laid out, drawn and pointed at.
#include "swf/io/tagcodes.h"
#include "swf/parse/parser.h"
#include "swf/render/renderer.h"
#include "swf/runtime/player.h"

#include <QGuiApplication>
#include <QLoggingCategory>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

constexpr std::array<quint16, 15> kCodes{
    swf::TagCode::DefineFont,         swf::TagCode::DefineFont2,
    swf::TagCode::DefineFont3,        swf::TagCode::DefineFontInfo,
    swf::TagCode::DefineFontInfo2,    swf::TagCode::DefineFontAlignZones,
    swf::TagCode::DefineFontName,     swf::TagCode::DefineText,
    swf::TagCode::DefineText2,        swf::TagCode::DefineEditText,
    swf::TagCode::DefineButton,       swf::TagCode::DefineButton2,
    swf::TagCode::DefineButtonCxform, swf::TagCode::DefineShape3,
    swf::TagCode::ShowFrame,
};

void appendU16(QByteArray &out, quint32 value)
{
    out.append(char(value & 0xff));
    out.append(char((value >> 8) & 0xff));
}

void appendTag(QByteArray &out, quint16 code, QByteArrayView body)
{
    appendU16(out, quint32(code << 6) | 0x3f);
    const auto size = quint32(body.size());
    appendU16(out, size & 0xffff);
    appendU16(out, size >> 16);
    out.append(body);
}

// A 200 × 200 movie at 12 frames a second holding the given tags.
QByteArray movieOf(QByteArrayView input)
{
    QByteArray tags;
    qsizetype pos = 0;
    while (pos + 3 <= input.size()) {
        const quint8 selector = quint8(input[pos]);
        const qsizetype length = quint8(input[pos + 1]) | (quint8(input[pos + 2]) << 8);
        pos += 3;
        const QByteArrayView body = input.sliced(pos, qMin(length, input.size() - pos));
        pos += body.size();
        appendTag(tags, kCodes[selector % kCodes.size()], body);
    }
    for (quint16 id = 1; id <= 16; ++id) {
        QByteArray place;
        place.append(char(0x02)); // a character, no matrix
        appendU16(place, 100 + id);
        appendU16(place, id);
        appendTag(tags, swf::TagCode::PlaceObject2, place);
    }
    appendTag(tags, swf::TagCode::ShowFrame, {});
    appendTag(tags, swf::TagCode::End, {});
    // The stage, a RECT of 16-bit fields from 0 to 4000 twips both ways;
    // 12 frames a second; one frame.
    const QByteArray header = QByteArray::fromHex("8000007d0000007d00"
                                                  "000c"
                                                  "0100");
    QByteArray movie = "FWS";
    movie.append(char(10));
    const auto length = quint32(8 + header.size() + tags.size());
    appendU16(movie, length & 0xffff);
    appendU16(movie, length >> 16);
    return movie + header + tags;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    QLoggingCategory::setFilterRules(QStringLiteral("swf.*=false"));
    // Device fonts need the font database of a GUI application.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char *>(data), qsizetype(size));
    const bool isMovie =
        input.startsWith("FWS") || input.startsWith("CWS") || input.startsWith("ZWS");
    const QByteArray bytes = isMovie ? input.toByteArray() : movieOf(input);
    auto movie = swf::parseMovie(bytes);
    if (!movie)
        return 0;
    swf::Player player(*movie);
    swf::Renderer renderer;
    renderer.render(player, QSize(64, 48), Qt::white);
    const swf::Rect &stage = (*movie)->stage();
    for (int i = 0; i < 6; ++i) {
        const QPointF point(stage.xMin + double(stage.width()) * (i % 3) / 2.0,
                            stage.yMin + double(stage.height()) * (i / 3) / 2.0);
        player.pointerEvent({swf::PointerEvent::Type::Move, point});
        player.pointerEvent(
            {i % 2 ? swf::PointerEvent::Type::Release : swf::PointerEvent::Type::Press, point});
        player.step();
    }
    player.pointerEvent({swf::PointerEvent::Type::Leave, {}});
    renderer.render(player, QSize(53, 37), Qt::black);
    return 0;
}
