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

    // The character exported as `name`; before version 7 the Flash Player
    // matches linkage names without regard to case.
    std::optional<quint16> exported(const QString &name, bool caseSensitive) const
    {
        if (const auto it = exports.constFind(name); it != exports.constEnd())
            return *it;
        if (caseSensitive)
            return std::nullopt;
        for (auto it = exports.constBegin(); it != exports.constEnd(); ++it) {
            if (it.key().compare(name, Qt::CaseInsensitive) == 0)
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
