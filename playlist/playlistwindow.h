// The playlist window: a narrow, resizable window docked against the left
// edge of the player window. It lists the playlist by display name, plays
// an entry on double-click and carries the playlist's context menu (add a
// folder, add files, clear) and the Delete key. Created hidden by the player
// window at start-up and kept until the program ends.
#pragma once

#include <QByteArrayList>
#include <QDialog>
#include <QRect>

class PlayerWindow;
class PreTranslator;
class QListWidget;

class PlaylistWindow final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PlaylistWindow)

public:
    static constexpr const char *Caption = "FlashList";

    // Builds the window from template 131, hidden, owned by `owner`, and
    // skins it.
    explicit PlaylistWindow(PlayerWindow *owner);
    ~PlaylistWindow() override;

    // List box 1024: one line per playlist entry, in playlist order.
    QListWidget *listBox() const { return m_listBox; }
    // Appends the display name of each path to the list box.
    void AppendLines(const QByteArrayList &paths);

    // Whether the program considers the window shown.
    bool visibleFlag() const { return m_visibleFlag; }
    void setVisibleFlag(bool visible) { m_visibleFlag = visible; }

    // The last docking rectangle, in screen pixels, the window frame
    // included.
    QRect savedRect() const { return m_savedRect; }
    // Saved rectangle := `windowRect`; moves the window, frame included,
    // there and repaints it.
    void Dock(const QRect &windowRect);

public slots:
    // The close box and Esc: the window is hidden and considered so.
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    bool PreTranslateMessage(QEvent *event);
    void TrackContextMenu(const QPoint &screenPos);
    void ClearPlaylist();
    void DeleteSelectedEntry();
    void PlaySelectedEntry();
    int SelectedIndex() const;
    void PlaceFrame(const QRect &windowRect);

    bool m_visibleFlag = false;
    QRect m_savedRect;
    PlayerWindow *m_owner;
    QListWidget *m_listBox = nullptr;
    PreTranslator *m_preTranslator = nullptr;
};
