// The about box (template 100): the program's icon, name and version, a
// short guide to the mouse and keyboard controls, and two buttons that hand
// the maker's web site and mail address to the desktop. A left click
// anywhere else in the box closes it with OK.
#pragma once

#include <QDialog>
#include <QString>

#include <memory>

class QMouseEvent;
class UrlOpener;

class AboutBox final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AboutBox)

public:
    // `urlOpener` (not owned) receives the buttons' addresses; without one
    // they go to the desktop. The box is skinned when a skin is held.
    explicit AboutBox(QWidget *parent = nullptr, UrlOpener *urlOpener = nullptr);
    ~AboutBox() override;

    // Constructs an about box over `owner`, runs it modally and discards it;
    // returns the dialog's result.
    static int run(QWidget *owner, UrlOpener *urlOpener = nullptr);

    // The guide shown in the box, with its line separators as they stand.
    static QString usageText();

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    void buildControls();
    void openWebSite();
    void startMail();

    std::unique_ptr<UrlOpener> m_desktopOpener;
    UrlOpener *m_urlOpener;
};
