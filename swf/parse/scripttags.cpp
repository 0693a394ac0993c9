// Tag family: scripts and the names scripts use. DoAction, DoInitAction
// and DoABC go to the timelines; ExportAssets, ImportAssets, SymbolClass,
// ScriptLimits and FileAttributes describe the movie.
#include "swf/model/scripttags.h"
#include "swf/io/tagcodes.h"
#include "swf/log.h"
#include "swf/parse/tagfamilies.h"
#include "swf/parse/tagtable.h"

namespace swf {

namespace {

// The Flash Player caps a movie's own limits: a script that may recurse
// deeper than this or run longer would freeze the player for good.
constexpr int kMaxRecursionDepth = 1 << 16;
constexpr int kMaxTimeoutSeconds = 60;

std::optional<Error> parseDoAction(TagContext &c)
{
    auto tag = std::make_unique<DoAction>();
    tag->actions = c.reader.rest().toByteArray();
    c.timeline.add(std::move(tag));
    return std::nullopt;
}

std::optional<Error> parseDoInitAction(TagContext &c)
{
    auto tag = std::make_unique<DoInitAction>();
    tag->spriteId = c.reader.u16();
    if (auto error = c.overrunError("DoInitAction"))
        return error;
    tag->actions = c.reader.rest().toByteArray();
    c.timeline.add(std::move(tag));
    return std::nullopt;
}

std::optional<Error> parseDoAbc(TagContext &c)
{
    auto tag = std::make_unique<DoAbc>();
    if (c.tag.code == TagCode::DoAbc) {
        tag->flags = c.reader.u32();
        tag->name = decodeText(c.reader.cstring(), c.version());
        if (auto error = c.overrunError("DoABC"))
            return error;
    }
    tag->abc = c.reader.rest().toByteArray();
    c.timeline.add(std::move(tag));
    return std::nullopt;
}

// Pairs of an id and a name, as ExportAssets and SymbolClass list them.
template <typename Take>
std::optional<Error> readNamedIds(TagContext &c, const char *what, Take take)
{
    const int count = c.reader.u16();
    for (int i = 0; i < count && c.reader.ok(); ++i) {
        const quint16 id = c.reader.u16();
        const QString name = decodeText(c.reader.cstring(), c.version());
        if (c.reader.ok())
            take(id, name);
    }
    return c.overrunError(what);
}

std::optional<Error> parseExportAssets(TagContext &c)
{
    SymbolTable &symbols = c.movie.symbols;
    return readNamedIds(c, "ExportAssets", [&](quint16 id, const QString &name) {
        if (!symbols.exports.contains(name))
            symbols.exports.insert(name, id);
    });
}

std::optional<Error> parseSymbolClass(TagContext &c)
{
    SymbolTable &symbols = c.movie.symbols;
    return readNamedIds(c, "SymbolClass", [&](quint16 id, const QString &name) {
        if (!symbols.classes.contains(name))
            symbols.classes.insert(name, id);
        if (!symbols.classOfId.contains(id))
            symbols.classOfId.insert(id, name);
    });
}

// ImportAssets2 has two reserved bytes after the address.
std::optional<Error> parseImportAssets(TagContext &c)
{
    const QString url = decodeText(c.reader.cstring(), c.version());
    if (c.tag.code == TagCode::ImportAssets2)
        c.reader.skip(2);
    SymbolTable &symbols = c.movie.symbols;
    return readNamedIds(c, "ImportAssets", [&](quint16 id, const QString &name) {
        symbols.imports.push_back(ImportedAsset{url, name, id});
    });
}

std::optional<Error> parseScriptLimits(TagContext &c)
{
    const int depth = c.reader.u16();
    const int timeout = c.reader.u16();
    if (auto error = c.overrunError("ScriptLimits"))
        return error;
    ScriptLimits &limits = c.movie.scriptLimits;
    limits.maxRecursionDepth = qBound(1, depth, kMaxRecursionDepth);
    limits.timeoutSeconds = qBound(1, timeout, kMaxTimeoutSeconds);
    return std::nullopt;
}

std::optional<Error> parseFileAttributes(TagContext &c)
{
    const quint32 flags = c.reader.u32();
    if (auto error = c.overrunError("FileAttributes"))
        return error;
    FileAttributes &a = c.movie.attributes;
    if (a.present)
        return std::nullopt; // the first one counts
    a.present = true;
    a.useDirectBlit = flags & 0x40;
    a.useGpu = flags & 0x20;
    a.hasMetadata = flags & 0x10;
    a.actionScript3 = flags & 0x08;
    a.useNetwork = flags & 0x01;
    return std::nullopt;
}

} // namespace

void registerScriptTags(TagTable &table)
{
    table.add(TagCode::DoAction, parseDoAction, TagScope::Control);
    // Definition scope: the main stream only, where the Flash Player runs them.
    table.add(TagCode::DoInitAction, parseDoInitAction, TagScope::Definition);
    table.add(TagCode::DoAbc1, parseDoAbc, TagScope::Definition);
    table.add(TagCode::DoAbc, parseDoAbc, TagScope::Definition);
    table.add(TagCode::ExportAssets, parseExportAssets, TagScope::Definition);
    table.add(TagCode::ImportAssets, parseImportAssets, TagScope::Definition);
    table.add(TagCode::ImportAssets2, parseImportAssets, TagScope::Definition);
    table.add(TagCode::SymbolClass, parseSymbolClass, TagScope::Definition);
    table.add(TagCode::ScriptLimits, parseScriptLimits, TagScope::Definition);
    table.add(TagCode::FileAttributes, parseFileAttributes, TagScope::Definition);
}

} // namespace swf
