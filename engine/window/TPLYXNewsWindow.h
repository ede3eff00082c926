#pragma once

// The news window: a small borderless, shaped and skinned window beside the
// player that shows ticker 0. It docks to the player or snaps to the corners
// of the screen, has image buttons with a pressed look and a pop-up menu,
// takes dropped designs and music files, and answers the loaders' attach
// messages.

#include "engine/news/NewsWindowLink.h"
#include "engine/region/zelRegion.h"
#include "engine/window/WindowPlacement.h"
#include "platform/controls/Controls.h"
#include "platform/messages/MessageWindow.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QWidget>

#include <array>
#include <memory>
#include <string>

class TPLYXNews;

class TPLYXNewsWindow : public QWidget, public INewsWindow {
public:
    // owner: the player's main control; the window stays above it and goes
    // with it.
    explicit TPLYXNewsWindow(QWidget* owner);
    ~TPLYXNewsWindow() override;

    // ---- what the engine calls ----------------------------------------------
    QWidget* Form() override { return this; }
    void Setup() override;
    void LoadDesign(const std::string& fileName) override;
    void ShowOnline(bool online) override;
    void SetUpdating(bool updating) override;
    void ShowDateTime(const QDateTime& time) override;
    void ApplyStayOnTop(bool on) override;
    void SetLocation(int location) override;
    void FollowPlayer(int playerLeft, int playerTop) override;
    void BuildSiteSubmenu() override;

    // ---- its own behaviour, public for the tests ------------------------------
    void MoveTo(QPoint p);
    QPoint SnapToWorkArea(QPoint p);
    void PopupMenuPopup();
    void PopupLocationClick(QAction* item);
    void FormMouseDown(QPoint globalPos);
    void FormMouseMove(QPoint globalPos);
    void FormMouseUp(QPoint globalPos);
    void ImageMouseDown(platform::TImage* image);
    void ImageMouseUp(platform::TImage* image);
    // Files dropped on the window (Shift_JIS paths, or UTF-8 for names the
    // system text cannot hold), in the order dropped.
    void DropFiles(const QStringList& localFiles);
    // The loaders' "WM_PLYX" message: attach (4) and detach (8).
    platform::LRESULT WndProc(uint32_t message, platform::WPARAM wParam, platform::LPARAM lParam);
    platform::HWND Handle() const override { return messages_->Handle(); }

    // ---- components ------------------------------------------------------------
    platform::TImage* ImageForm;
    platform::TLabel* LabelDateTime;
    platform::TLabel* LabelSiteName;
    platform::TPanel* PanelNews;
    platform::TLabel* LabelNews;
    platform::TImage *ImageClose, *ImageUpdate, *ImageProperty, *ImageBackNews, *ImageNextNews,
        *ImageBackSite, *ImageNextSite;
    platform::TImageList ImageListClose, ImageListUpdate, ImageListProperty, ImageListBackNews,
        ImageListNextNews, ImageListBackSite, ImageListNextSite;
    platform::TFont Font;
    QMenu* PopupMenu;
    QAction *PopupUpdate, *PopupOnline, *PopupReshow, *PopupBackNews, *PopupNextNews;
    QMenu* PopupNewsSite;
    QAction *PopupBackSite, *PopupNextSite;
    QMenu* PopupLocation;
    std::array<QAction*, 6> PopupLocationItems{};
    QAction *PopupHide, *PopupMinimize, *PopupNormal, *PopupProperty, *PopupHelp, *PopupClose;

    // ---- window state -----------------------------------------------------------
    zelRegion Region;
    bool Dragging = false;
    QPoint GrabOffset;
    CornerSnap Snap;
    bool Updating = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildComponents();
    void buildMenu();
    TPLYXNews* engine() const;
    platform::TImageList* listOf(const platform::TImage* image);
    void showUpdateFrame();
    void buttonClicked(platform::TImage* image);
    QRect playerRect() const;

    std::unique_ptr<platform::MessageWindow> messages_;
    // Double-clicks on the site name open the site once a design says so.
    bool siteNameOpens_ = false;
    platform::TImage* pressed_ = nullptr;
};

// Registers the window's maker with the engine's module globals.
void RegisterNewsWindow();
