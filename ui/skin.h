// The process-wide skin interface reference and the skin steps of the
// windows that are skinned: the player window at start-up, the playlist
// window and the about box after their initialisation. The full-screen
// window is never skinned.
#pragma once

#include "ui/skininterface.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

class QWidget;

namespace Skin {

// The skin file's name in the start-up directory.
inline constexpr char FileName[] = "winaqua.skn";

// Asks `object` for the skin interface; null when there is no object or it
// does not offer the interface.
std::shared_ptr<SkinInterface> queryInterface(const std::shared_ptr<QObject> &object);

// The process-wide reference: null until obtained.
std::shared_ptr<SkinInterface> reference();

// Asks control 1000 (`skinControl`, may be null) for its object, queries it
// for the interface and stores the result as the process-wide reference,
// releasing the previous one. A control that is no SkinHost (a placeholder)
// has no object. Without an object, or when the query fails, the reference
// is null and every later skin step is skipped. Returns the new reference.
std::shared_ptr<SkinInterface> obtain(const QWidget *skinControl);

// `startDirectory` + "/winaqua.skn", decoded from the file-system encoding.
QString skinFilePath(const QByteArray &startDirectory);

// Start-up step of the player window: obtain the interface from
// `skinControl` (control 1000), load startDirectory/winaqua.skn and apply the
// skin to `playerWindow`. Skipped after the obtaining when no interface is
// held.
void skinPlayerWindow(QWidget *playerWindow, const QWidget *skinControl,
                      const QByteArray &startDirectory);

// Skin step of the playlist window and the about box, after their standard
// initialisation: apply the skin to `window` when a reference is held.
void skinOwnWindow(QWidget *window);

} // namespace Skin
