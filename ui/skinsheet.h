// The contents of a .skn skin file made ready for Qt. Our skin format is a
// Qt style sheet in UTF-8 whose url(...) references name images relative to
// the skin file's folder.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class SkinSheet {
public:
    // A skin is a few kilobytes; anything far larger is not a skin.
    static constexpr qint64 MaxFileBytes = 1 << 20;

    // Reads and checks the skin file at `path`. A file that cannot be read
    // or is damaged gives a sheet whose error() says why.
    static SkinSheet fromFile(const QString &path);
    // Checks `bytes` and rewrites every relative url(...) into an absolute
    // path inside `folder`.
    static SkinSheet fromBytes(const QByteArray &bytes, const QString &folder);

    bool ok() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }
    // The style sheet with every url(...) made absolute; empty on error.
    QString styleSheet() const { return m_styleSheet; }
    // The absolute file paths the sheet refers to, in order of appearance
    // (Qt resource paths are left out).
    QStringList imagePaths() const { return m_imagePaths; }

private:
    static SkinSheet failure(const QString &error);

    QString m_styleSheet;
    QStringList m_imagePaths;
    QString m_error;
};
