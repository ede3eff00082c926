#pragma once

// The module-wide references of the engine library, in one place so that
// teardown can reset them all and the engine can start again in the same
// process.

#include "platform/messages/MessageWindow.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <string>

class TPLYX;
class TPLYXNews;
class TNewsSites;
class INewsWindow;

struct NewsGlobals {
    TPLYXNews* News = nullptr;
    TPLYX* PLYX = nullptr;
    TNewsSites* NewsSites = nullptr;
    INewsWindow* PLYXNewsWindow = nullptr;
    QPointer<QWidget> FormProperty;
    QPointer<QWidget> MainControl;
    platform::HWND MainWindow = 0;
    // Shift_JIS, ends with "/": the player's folder, where the settings file
    // and the sites' cache files go.
    std::string BaseDirectory;

    // Registered by the window and dialog libraries; unset, the engine runs
    // without them and says so.
    std::function<INewsWindow*(QWidget* owner)> MakeNewsWindow;
    std::function<QWidget*(QWidget* owner)> MakeProperty;
    // A loader's attach (4) or detach (8), by either route; the answer is the
    // engine record's address.
    std::function<platform::LRESULT(uint32_t code, platform::LPARAM skin)> AttachMessage;
};

NewsGlobals& Globals();
void ResetGlobals();
