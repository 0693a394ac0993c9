// The Flash Player's saved-data file (.sol) of a local SharedObject:
//
//   u16 0x00BF, u32 length of the rest, "TCSO", 00 04 00 00 00 00,
//   u16-length UTF-8 name, u32 AMF version (0),
//   then until the end: u16-length UTF-8 member name, AMF0 value, 00.
//
// The members are those of the SharedObject's data object, which is
// reference 0 of the file's one reference table.
#pragma once

#include "swf/amf/amf0.h"

namespace swf::amf {

struct SolFile {
    QString name;
    // objects[root] is the data object; its members are the file's.
    Graph graph;
    int root = 0;
};

// Refuses anything but a whole, consistent AMF0 file.
Result<SolFile> readSol(QByteArrayView bytes);
QByteArray writeSol(const SolFile &file);

} // namespace swf::amf
