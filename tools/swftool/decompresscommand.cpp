// orvanto-swf decompress FILE -o OUT.swf: writes the movie uncompressed
// (FWS), cut at its declared length, for reading with a hex viewer and for
// seeding the fuzzer with tags it can mutate directly.
#include "command.h"

#include "swf/io/container.h"
#include "swf/io/file.h"
#include "swf/limits.h"

namespace swftool {

int runDecompress(const Arguments &args)
{
    if (args.size() != 3 || args[1] != "-o") {
        reportError(QStringLiteral("usage: orvanto-swf decompress FILE -o OUT.swf"));
        return 2;
    }
    auto file = swf::readFile(args[0], swf::limits::kMaxFileBytes);
    if (!file) {
        reportFileError(args[0], file.error().toString());
        return 1;
    }
    auto decoded = swf::decodeSwf(file->bytes);
    if (!decoded) {
        reportFileError(args[0], decoded.error().toString());
        return 1;
    }
    QByteArray plain = decoded->data;
    plain.replace(0, 3, "FWS");
    // A movie that ended early declares what it holds.
    const quint32 length = quint32(plain.size());
    for (int i = 0; i < 4; ++i)
        plain[4 + i] = char((length >> (8 * i)) & 0xff);
    QString problem;
    if (!writeFileBytes(args[2], plain, &problem)) {
        reportFileError(args[2], problem);
        return 1;
    }
    return 0;
}

} // namespace swftool
