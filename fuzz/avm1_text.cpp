// libFuzzer target for the text readers of ActionScript 1/2: the XML
// reader of XML.parseXML (with and without ignoreWhite) and the URL
// variables decoder of LoadVars.decode and the CSS reader of
// TextField.StyleSheet, on the input read as UTF-8 and as
// Latin-1. Nothing is checked but that they end without fault.
#include "swf/avm1/cssparser.h"
#include "swf/avm1/urlvariables.h"
#include "swf/avm1/xmlparser.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const QString &text : {QString::fromUtf8(bytes), QString::fromLatin1(bytes)}) {
        for (bool ignoreWhite : {false, true}) {
            const swf::avm1::xml::Document doc = swf::avm1::xml::parse(text, ignoreWhite);
            for (const auto &node : doc.children)
                (void)swf::avm1::xml::escapeText(node.value);
        }
        (void)swf::avm1::decodeUrlVariables(text, 8);
        (void)swf::avm1::decodeUrlVariables(text, 5);
        (void)swf::avm1::css::parse(text, 7);
        (void)swf::avm1::css::parse(text, 8);
    }
    return 0;
}
