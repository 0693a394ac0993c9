// How the file-system helpers match and order entry names. Names are byte
// strings as the file system holds them; they are read as UTF-8 where they
// are valid UTF-8, so that case is ignored for any letter, and byte by byte
// (ASCII letters only) where they are not.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

// True when `name` matches `pattern`, where '*' stands for any run of
// characters and '?' for exactly one, ignoring letter case. The pattern
// "*.*" matches every name, with or without a dot, as directory listings on
// the original platform do.
bool wildcardMatch(QByteArrayView pattern, QByteArrayView name);

// The key that orders names case-insensitively: names compare by their keys
// first, and by their bytes when the keys are equal, which gives one stable
// order for any set of names. Letters are folded to upper case, as NTFS
// orders its directories.
QByteArray nameSortKey(QByteArrayView name);

// The absolute path `absolute` with empty and "." components taken out and
// each ".." applied to the component before it, without consulting the file
// system: "/a/./b//../c/" -> "/a/c". ".." above the root stays at the root.
QByteArray lexicallyNormalPath(QByteArrayView absolute);
