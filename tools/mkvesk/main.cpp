// orvanto-mkvesk OUT: writes the start-up movie.
#include "veskmovie.h"

#include <QFile>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: orvanto-mkvesk OUT.swf\n");
        return 2;
    }
    const QByteArray movie = vesk::buildMovie();
    QFile out(QFile::decodeName(argv[1]));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(movie) != movie.size()) {
        std::fprintf(stderr, "orvanto-mkvesk: %s: cannot write\n", argv[1]);
        return 1;
    }
    return 0;
}
