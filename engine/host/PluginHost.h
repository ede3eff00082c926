#pragma once

// The player's plug-in interface, as a plug-in's _pinRun receives it: an
// object whose first word points at its table of operations. Declaration
// order is slot order; the slots no plug-in of this system calls are
// reserved.

#include <cstdint>

class PluginHost {
public:
    virtual int32_t GetVersion() = 0;                // 0
    virtual bool CheckVersion(int32_t required) = 0; // 1
    virtual int32_t Abort() = 0;                     // 2
    virtual void Reserved3() = 0;
    virtual void Reserved4() = 0;
    virtual void Reserved5() = 0;
    virtual void Reserved6() = 0;
    virtual void Reserved7() = 0;
    virtual const char* GetHostPath() = 0; // 8: Shift_JIS path of the player
    virtual void Reserved9() = 0;
    virtual void Reserved10() = 0;
    virtual void Reserved11() = 0;
    virtual void Reserved12() = 0;
    virtual void Reserved13() = 0;
    virtual void Reserved14() = 0;
    virtual void* GetMainControl() = 0; // 15: the main window object (a QWidget)
    virtual void Reserved16() = 0;
    virtual void Reserved17() = 0;
    virtual void Reserved18() = 0;
    virtual void Reserved19() = 0;
    virtual void Reserved20() = 0;
    virtual void Reserved21() = 0;
    virtual void Reserved22() = 0;
    virtual void Reserved23() = 0;
    virtual void Reserved24() = 0;
    virtual void Reserved25() = 0;
    // 26: the window of the plug-in registered as name (0 when none).
    virtual bool FindPlugin(const char* name, uintptr_t* window, int32_t reserved) = 0;
    // 27: a plug-in message (code 0x08000000 plus cmd) and the plug-in's
    // answer. Pointer-sized here: on the original 32-bit system an address
    // fitted the answer, and the engine answers with its record's address.
    virtual intptr_t SendPlugin(uintptr_t window, uint32_t cmd, intptr_t param) = 0;

protected:
    ~PluginHost() = default;
};

// A plug-in library's exports.
extern "C" {
using PinRunFunction = intptr_t (*)(PluginHost* host);
using PinAbortFunction = void (*)();
}
