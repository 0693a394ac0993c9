// DefineShape, DefineShape2, DefineShape3 and DefineShape4.
#include "swf/io/tagcodes.h"
#include "swf/model/shape.h"
#include "swf/parse/records.h"
#include "swf/parse/shaperecords.h"
#include "swf/parse/styles.h"
#include "swf/parse/tagfamilies.h"
#include "swf/parse/tagtable.h"

namespace swf {

namespace {

std::optional<Error> parseShape(TagContext &c, int version)
{
    Reader &r = c.reader;
    auto shape = std::make_unique<Shape>(r.u16());
    shape->version = version;
    shape->bounds = readRect(r);
    if (version >= 4) {
        shape->edgeBounds = readRect(r);
        r.ub(5); // reserved
        shape->usesFillWindingRule = r.flag();
        shape->usesNonScalingStrokes = r.flag();
        shape->usesScalingStrokes = r.flag();
    }
    StyleTable styles;
    if (!readStyleTable(r, version, styles))
        return c.overrunError("shape styles").value_or(c.error(QStringLiteral("bad fill style")));
    shape->styleTables.push_back(std::move(styles));
    RecordBits bits;
    bits.fill = int(r.ub(4));
    bits.line = int(r.ub(4));
    std::optional<Error> error =
        readShapeRecords(c, shape->records, bits, version, &shape->styleTables);
    // The shape is defined even when its records end early: what was read
    // is drawn.
    c.define(std::move(shape));
    return error;
}

std::optional<Error> parseDefineShape(TagContext &c)
{
    return parseShape(c, 1);
}
std::optional<Error> parseDefineShape2(TagContext &c)
{
    return parseShape(c, 2);
}
std::optional<Error> parseDefineShape3(TagContext &c)
{
    return parseShape(c, 3);
}
std::optional<Error> parseDefineShape4(TagContext &c)
{
    return parseShape(c, 4);
}

} // namespace

void registerShapeTags(TagTable &table)
{
    table.add(TagCode::DefineShape, parseDefineShape, TagScope::Definition);
    table.add(TagCode::DefineShape2, parseDefineShape2, TagScope::Definition);
    table.add(TagCode::DefineShape3, parseDefineShape3, TagScope::Definition);
    table.add(TagCode::DefineShape4, parseDefineShape4, TagScope::Definition);
}

} // namespace swf
