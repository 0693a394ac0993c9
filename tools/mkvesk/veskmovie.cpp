#include "veskmovie.h"

#include "tools/swfwriter/swfwriter.h"

namespace vesk {

QByteArray buildMovie()
{
    swfwriter::SwfWriter movie;
    movie.setStageSize(525, 315);
    movie.setFrameRate(20);
    movie.setBackgroundColor({0, 0, 0});
    movie.showFrame();
    return movie.finish();
}

} // namespace vesk
