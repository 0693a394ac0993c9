// The names a movie gives its characters: linkage names of ExportAssets
// (ActionScript 1/2's attachMovie, Sound.attachSound), class names of
// SymbolClass (ActionScript 3, and StartSound2), what ImportAssets asks of
// other movies, and the movie-wide script settings.
#pragma once

#include <QHash>
#include <QString>

#include <optional>
#include <vector>

namespace swf {

struct ImportedAsset {
    QString url; // the movie the asset comes from
    QString name;
    quint16 id = 0; // the id it takes in this movie
};

struct SymbolTable {
    // ExportAssets: the first export of a name stands.
    QHash<QString, quint16> exports;
    // SymbolClass: class name to character id, and back; id 0 is the main
    // timeline, whose class is the document class.
    QHash<QString, quint16> classes;
    QHash<quint16, QString> classOfId;
    std::vector<ImportedAsset> imports;

    // The character exported as `name`; linkage names match without
    // regard to the case of the letters A to Z, other letters exactly.
    std::optional<quint16> exported(const QString &name) const
    {
        if (const auto it = exports.constFind(name); it != exports.constEnd())
            return *it;
        const auto fold = [](QString s) {
            for (QChar &c : s) {
                if (c.unicode() >= u'A' && c.unicode() <= u'Z')
                    c = QChar(char16_t(c.unicode() + 32));
            }
            return s;
        };
        const QString folded = fold(name);
        for (auto it = exports.constBegin(); it != exports.constEnd(); ++it) {
            if (fold(it.key()) == folded)
                return *it;
        }
        return std::nullopt;
    }
    QString documentClass() const { return classOfId.value(0); }
};

// ScriptLimits, or the Flash Player's defaults without one.
struct ScriptLimits {
    int maxRecursionDepth = 256;
    int timeoutSeconds = 15;
};

// FileAttributes: what the movie declares of itself.
struct FileAttributes {
    bool present = false;
    bool actionScript3 = false;
    bool useNetwork = false;
    bool hasMetadata = false;
    bool useDirectBlit = false;
    bool useGpu = false;
};

} // namespace swf
