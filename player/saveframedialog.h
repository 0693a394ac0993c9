// The window menu's "save the frame" dialog: the size of the picture (the
// movie's own, or twice it) and the PNG file it goes to, with a file
// dialog behind the browse button.
#pragma once

#include "player/playerservices.h"

#include <QDialog>

class QLineEdit;
class QRadioButton;

class SaveFrameDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SaveFrameDialog)
public:
    SaveFrameDialog(const QByteArray &suggestedPath, QSize movieSize, QWidget *parent);

    FrameFileChoice choice() const;

    // Runs the dialog modally above `owner`; nothing when cancelled or no
    // file was named.
    static std::optional<FrameFileChoice> choose(QWidget *owner, const QByteArray &moviePath,
                                                 QSize movieSize);

private:
    void browse();

    QRadioButton *m_ownSize = nullptr;
    QRadioButton *m_doubleSize = nullptr;
    QLineEdit *m_path = nullptr;
};
