// Helpers shared by the engine's tests.
#pragma once

#include "swf/parse/parser.h"
#include "swf/render/renderer.h"
#include "swf/runtime/player.h"
#include "tools/swfwriter/swfwriter.h"

#include <QImage>
#include <QTest>

using swfwriter::px;

// Parses bytes that must load; fails the test otherwise.
inline std::shared_ptr<const swf::Movie> mustParse(const QByteArray &bytes)
{
    auto movie = swf::parseMovie(bytes);
    if (!movie) {
        QTest::qFail(qPrintable(movie.error().toString()), __FILE__, __LINE__);
        return nullptr;
    }
    return *movie;
}

// A square of `side` pixels at the origin in one solid colour.
inline quint16 defineSquare(swfwriter::SwfWriter &movie, double side, swf::Rgba color,
                            int shapeVersion = 3)
{
    swfwriter::ShapeBuilder shape;
    shape.rect(QRect(0, 0, px(side), px(side)), shape.addFill(color));
    return movie.defineShape(shape, shapeVersion);
}

inline swfwriter::Place placeAt(quint16 depth, quint16 id, double x, double y)
{
    swfwriter::Place p;
    p.depth = depth;
    p.characterId = id;
    p.matrix = swfwriter::translation(x, y);
    return p;
}

inline swfwriter::Place moveTo(quint16 depth, double x, double y)
{
    swfwriter::Place p;
    p.depth = depth;
    p.move = true;
    p.matrix = swfwriter::translation(x, y);
    return p;
}

inline QImage renderStage(const swf::Player &player, QSize size = {}, QColor background = Qt::white)
{
    if (size.isEmpty())
        size = QSize(int(player.movie().stage().width() / 20),
                     int(player.movie().stage().height() / 20));
    swf::Renderer renderer;
    return renderer.render(player, size, background);
}

inline QColor pixelAt(const QImage &image, int x, int y)
{
    return QColor::fromRgba(image.pixel(x, y));
}

// Channels within `tolerance` of each other.
inline bool near(const QColor &a, const QColor &b, int tolerance = 2)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance;
}

#define COMPARE_COLOR(actual, expected)                                                            \
    do {                                                                                           \
        const QColor a_ = (actual), e_ = (expected);                                               \
        if (!near(a_, e_))                                                                         \
            QFAIL(qPrintable(QStringLiteral("colour %1, expected %2")                              \
                                 .arg(a_.name(QColor::HexArgb), e_.name(QColor::HexArgb))));       \
    } while (false)
