// The start-up directory of an installed player, one per user: the player
// reads its start-up movie and skin there and keeps its list file there,
// as it does in the folder it is started in. The launcher makes it under
// $XDG_DATA_HOME/orvanto/ and links the installed movie and skin into it.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace StartUpFolder {

// The names linked from the installed data: the start-up movie, the skin
// and the folder of the skin's images.
inline constexpr const char *kLinkedNames[] = {"vesk.swf", "winaqua.skn", "winaqua"};
inline constexpr const char *kListFileName = "FlashList.ini";

// $XDG_DATA_HOME/orvanto, or $HOME/.local/share/orvanto when the former
// is unset or not absolute; empty when neither gives an absolute path.
QByteArray userFolder(const QByteArray &dataHome, const QByteArray &home);

// Makes `folder` ready to start in. A folder that is not there yet is made
// (private to the user, with its parents) and given an empty list file, so
// the first start shows the start-up movie rather than a missing list; a
// list file that is there is never touched. Each linked name that is
// missing, or a link that leads nowhere, is linked to the same name in
// `installed`; a file the user put there stays. Returns what went wrong.
std::optional<QString> prepare(const QByteArray &folder, const QByteArray &installed);

} // namespace StartUpFolder
