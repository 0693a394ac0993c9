// The skin engine: reads a .skn file (a Qt style sheet with images beside
// it, see SkinSheet) and restyles the windows handed to it. Each window gets
// the sheet of its own, so windows that are not handed over keep the plain
// look.
#pragma once

#include "ui/skininterface.h"

#include <QObject>
#include <QString>

class SkinEngine final : public QObject, public SkinInterface {
    Q_OBJECT
    Q_INTERFACES(SkinInterface)
    Q_DISABLE_COPY_MOVE(SkinEngine)

public:
    SkinEngine() = default;
    ~SkinEngine() override = default;

    bool LoadSkinFile(const QString &path) override;
    void ApplyToWindow(QWidget *window) override;

    bool hasSkin() const { return m_loaded; }
    // The loaded style sheet, urls made absolute; empty without a skin.
    QString styleSheet() const { return m_styleSheet; }
    // Why the last LoadSkinFile left no skin; empty after a good load.
    QString lastError() const { return m_lastError; }

private:
    bool m_loaded = false;
    QString m_styleSheet;
    QString m_lastError;
};
