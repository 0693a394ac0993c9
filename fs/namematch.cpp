#include "fs/namematch.h"

#include <QList>
#include <QString>

#include <algorithm>

namespace {

bool isAscii(QByteArrayView text)
{
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char asciiUpper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Code points of `text` when it is valid UTF-8, folded to upper case; empty
// and `ok` false otherwise.
QList<uint> upperCodePoints(QByteArrayView text, bool *ok)
{
    const QString decoded = QString::fromUtf8(text);
    *ok = decoded.toUtf8() == text;
    if (!*ok)
        return {};
    return decoded.toUpper().toUcs4();
}

// '*' and '?' matching with one backtrack point: on a mismatch the last '*'
// takes one more character. Linear in practice, never exponential.
template <typename Char, typename Equal>
bool globMatch(const Char *pattern, qsizetype patternSize, const Char *name, qsizetype nameSize,
               Equal equal)
{
    qsizetype p = 0;
    qsizetype n = 0;
    qsizetype star = -1;
    qsizetype starName = 0;
    while (n < nameSize) {
        if (p < patternSize && pattern[p] == Char('*')) {
            star = p++;
            starName = n;
        } else if (p < patternSize && (pattern[p] == Char('?') || equal(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (star >= 0) {
            p = star + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < patternSize && pattern[p] == Char('*'))
        ++p;
    return p == patternSize;
}

bool asciiMatch(QByteArrayView pattern, QByteArrayView name)
{
    return globMatch(pattern.data(), pattern.size(), name.data(), name.size(),
                     [](char a, char b) { return asciiUpper(a) == asciiUpper(b); });
}

} // namespace

bool wildcardMatch(QByteArrayView pattern, QByteArrayView name)
{
    if (pattern == "*" || pattern == "*.*")
        return true;
    if (isAscii(pattern) && isAscii(name))
        return asciiMatch(pattern, name);
    bool patternOk = false;
    bool nameOk = false;
    const QList<uint> patternPoints = upperCodePoints(pattern, &patternOk);
    const QList<uint> namePoints = upperCodePoints(name, &nameOk);
    if (!patternOk || !nameOk)
        return asciiMatch(pattern, name);
    return globMatch(patternPoints.constData(), patternPoints.size(), namePoints.constData(),
                     namePoints.size(), [](uint a, uint b) { return a == b; });
}

QByteArray nameSortKey(QByteArrayView name)
{
    if (isAscii(name)) {
        QByteArray key(name.data(), name.size());
        std::transform(key.begin(), key.end(), key.begin(), asciiUpper);
        return key;
    }
    const QString decoded = QString::fromUtf8(name);
    if (decoded.toUtf8() != name) {
        QByteArray key(name.data(), name.size());
        std::transform(key.begin(), key.end(), key.begin(), asciiUpper);
        return key;
    }
    // UTF-8 keeps code-point order, so upper-cased names compare as text.
    return decoded.toUpper().toUtf8();
}

QByteArray lexicallyNormalPath(QByteArrayView absolute)
{
    QList<QByteArrayView> parts;
    qsizetype start = 0;
    while (start <= absolute.size()) {
        qsizetype end = absolute.indexOf('/', start);
        if (end < 0)
            end = absolute.size();
        const QByteArrayView part = absolute.sliced(start, end - start);
        if (part == "..") {
            if (!parts.isEmpty())
                parts.removeLast();
        } else if (!part.isEmpty() && part != ".") {
            parts.append(part);
        }
        start = end + 1;
    }
    QByteArray result;
    for (const QByteArrayView part : parts) {
        result += '/';
        result += part;
    }
    return result.isEmpty() ? QByteArray("/") : result;
}
