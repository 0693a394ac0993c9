// The open-file dialog of the open command: any number of existing files,
// with the filters "Flash Files(*.swf)" and "*.zvl". The chosen paths come
// back as the bytes the file system holds, so a name that is not valid
// UTF-8 is opened as it is.
#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace MovieFileDialog {

// The filter list, in its order: "Flash Files(*.swf)" showing "*.swf", then
// "*.zvl" showing "*.zvl".
QStringList nameFilters();

// Runs the dialog modally over `owner`, in the working directory; the chosen
// paths in the order the dialog gives them, or nothing when cancelled.
std::optional<QByteArrayList> choose(QWidget *owner);

// The file-system bytes of `path`, an absolute path as the dialog shows it.
// A name that is not valid UTF-8 reaches the dialog with its bad bytes
// replaced; it is looked up in its folder by the name shown. A path that
// names nothing comes back encoded as it is.
QByteArray pathBytes(const QString &path);

} // namespace MovieFileDialog
