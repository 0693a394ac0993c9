// The skin engine's interface: the two calls the program makes. Whatever
// hosts a skin engine hands out an object; the interface is asked of that
// object with qobject_cast, which fails for any other kind of object.
#pragma once

#include <QString>
#include <QtPlugin>

class QWidget;

class SkinInterface {
public:
    virtual ~SkinInterface() = default;

    // Reads the skin file at `path` (a .skn file). Returns whether a skin is
    // now loaded; callers may ignore it: a skin that cannot be read leaves
    // every window in its plain look.
    virtual bool LoadSkinFile(const QString &path) = 0;
    // Draws `window` and its controls with the loaded skin; does nothing
    // when no skin is loaded.
    virtual void ApplyToWindow(QWidget *window) = 0;
};

#define SkinInterface_iid "org.orvanto.SkinInterface/1"
Q_DECLARE_INTERFACE(SkinInterface, SkinInterface_iid)
