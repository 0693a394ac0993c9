// The movie the player tests over the engine play: a square of 20 pixels
// that moves one pixel a frame from (0, 40), at 12 frames a second on dark
// blue.
#pragma once

#include "tools/swfwriter/swfwriter.h"

#include <QColor>
#include <QSize>

inline const QColor kSquareColor(255, 200, 0);

inline QByteArray squareMovie(int frames, QSize size = QSize(200, 100))
{
    swfwriter::SwfWriter movie;
    movie.setStageSize(size.width(), size.height());
    movie.setFrameRate(12);
    movie.setBackgroundColor({0, 0, 64, 255});
    swfwriter::ShapeBuilder square;
    square.rect(QRect(0, 0, swfwriter::px(20), swfwriter::px(20)),
                square.addFill({quint8(kSquareColor.red()), quint8(kSquareColor.green()),
                                quint8(kSquareColor.blue()), 255}));
    const quint16 id = movie.defineShape(square);
    for (int frame = 0; frame < frames; ++frame) {
        swfwriter::Place place;
        place.depth = 1;
        place.move = frame > 0;
        if (frame == 0)
            place.characterId = id;
        place.matrix = swfwriter::translation(frame % 180, 40);
        movie.placeObject2(place);
        movie.showFrame();
    }
    return movie.finish();
}
