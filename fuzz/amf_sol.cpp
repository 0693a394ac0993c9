// libFuzzer target for saved data: the .sol reader and the AMF0 decoder.
// An input that starts like a .sol file (00 BF) is read as one; what
// reads is written again, and the writing must read back to the same
// bytes. Any other input is a run of bare AMF0 values.
#include "swf/amf/solfile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (size >= 2 && data[0] == 0x00 && data[1] == 0xbf) {
        auto file = swf::amf::readSol(bytes);
        if (!file)
            return 0;
        const QByteArray written = swf::amf::writeSol(*file);
        auto again = swf::amf::readSol(written);
        if (!again || swf::amf::writeSol(*again) != written)
            std::abort();
        return 0;
    }
    swf::amf::Graph graph;
    swf::amf::Decoder decoder(bytes, graph);
    while (!decoder.atEnd()) {
        if (!decoder.readValue())
            break;
    }
    return 0;
}
