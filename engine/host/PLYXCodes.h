#pragma once

// The numbers the player and its clients exchange: the notification codes
// of the registered message "WM_PLYX", the status numbers that come with
// code 0x40000000, the ids of the player's menus, versions and timeouts.
// The host link and the stand-in player both use these.

#include <cstdint>

// The notification codes of the registered message "WM_PLYX".
enum PLYXCode : uint32_t {
    pcOpen = 1,
    pcClose = 2,
    pcRun = 4,
    pcAbort = 8,
    pcPlayStatus = 0x10,
    pcTimer = 0x20,
    pcCounter = 0x40,
    pcPosition = 0x80,
    pcVolume = 0x100,
    pcLyrics = 0x200,
    pcMove = 0x400,
    pcMenu = 0x800,
    pcNewClient = 0x401,   // system to all windows: a client window exists
    pcToolChanged = 0x403, // system to player: reload the tools
    pcReceive = 0x08000000,
    pcSpeana = 0x10000000,
    pcButton = 0x20000000,
    pcStatus = 0x40000000,
    pcUser = 0x80000000,
};

// Codes at or above this carry a sub-code in their low word.
constexpr uint32_t kPLYXSubCodeBase = 0x10000;

constexpr uint32_t kDefaultEventMask = 0xEFFFF81F;

// Status numbers, the low word of pcStatus.
enum PLYXStatus : int {
    psVisible = 1,
    psActive = 2,
    psMinimize = 3,
    psStayOnTop = 4,
    psRepeat = 5,
    psRandom = 6,
    psDisplayTime = 7,
    psDisplayTrack = 8,
    psDisplayTitle = 9,
    psDisplayDevice = 10,
    psDisplayTimer = 11,
    psDisplayCaption = 12,
    psChangeVolume = 13,
    psOpenTrack = 14,
    psCloseTrack = 15,
    psLoadLyrics = 16,
    psSavePLYXini = 17,
    psDesign = 18,
    psChangePlayList = 21,
    psDisplayMenu = 22,
    psClick = 25,
    psDblClick = 26,
    psDeleteMenu = 27,
    psChangeDisplayMode = 28,
    psMoved = 30,
    psAdjustLevel = 31,
    psMute = 32,
    psZoom = 33,
};

// The player's menus: the four roots clients reach, and Help with its
// About item.
constexpr long kMenuPlugins = 0x4000, kMenuPlay = 0x5000, kMenuView = 0x9000, kMenuTools = 0x8000,
               kMenuHelp = 0x5F00, kMenuAbout = 0x5FF0;

// The oldest player a client binds to, and the client version it asks the
// player to accept.
constexpr int kPLYXMinimumVersion = 6320;
constexpr int kPLYXClientVersion = 4300;

// How long a request to the player's window may wait for its answer.
constexpr int kPLYXRequestTimeoutMs = 3000;
