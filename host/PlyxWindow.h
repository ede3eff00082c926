#pragma once

// The stand-in player's window: a small borderless skinned panel (the
// design's picture, or a plain gradient), dragged with the mouse, with the
// player's menus on a right click (and Exit), a play list it can show, and
// Ctrl+Q to quit.

#include <QListWidget>
#include <QMenu>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class PlyxPlayer;

class PlyxWindow : public QWidget {
public:
    explicit PlyxWindow(PlyxPlayer& player);
    // The player may outlive its window: it calls back no more.
    ~PlyxWindow() override;

    // Fills a menu with the player's items under parent (for tests too).
    void FillMenu(QMenu* menu, long parent);
    // The right-click menu: the player's menus, then Exit.
    void FillContextMenu(QMenu* menu);
    // "1 track", "2 tracks".
    static QString TrackCount(size_t tracks);

    // Exit or Ctrl+Q: the player quits as when it is closed.
    std::function<void()> OnExit;
    void ShowPlayList();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void loadSkin();
    void refreshPlayList();
    // Goes where the player's position says, as a plug-in may set it.
    void followPosition();

    PlyxPlayer& player_;
    QPixmap skin_;
    bool newsTray_ = false; // the skin has places for the news panels
    QPoint dragOffset_;
    std::unique_ptr<QListWidget> playList_;
    // Left and Top are set one after the other: one move for both.
    QTimer place_;
};
