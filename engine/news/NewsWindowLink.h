#pragma once

// What the engine asks of the news window. The window lives in a library
// above the engine; the engine reaches it only through this interface and
// makes it through the maker that library registers in the module globals.

#include "platform/controls/Controls.h"
#include "platform/messages/MessageWindow.h"

#include <QDateTime>
#include <QWidget>

#include <string>

class INewsWindow {
public:
    virtual ~INewsWindow() = default;

    // The top-level window itself, and the handle the loaders' attach
    // message reaches it by.
    virtual QWidget* Form() = 0;
    virtual platform::HWND Handle() const = 0;

    // Places and styles the new window and hands its ticker controls to
    // the engine.
    virtual void Setup() = 0;
    virtual void LoadDesign(const std::string& fileName) = 0;
    virtual void ShowOnline(bool online) = 0;
    virtual void SetUpdating(bool updating) = 0;
    virtual void ShowDateTime(const QDateTime& time) = 0;
    virtual void ApplyStayOnTop(bool on) = 0;
    virtual void SetLocation(int location) = 0;
    virtual void FollowPlayer(int playerLeft, int playerTop) = 0;
    virtual void BuildSiteSubmenu() = 0;
};
