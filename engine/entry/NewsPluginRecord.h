#pragma once

// What the engine library and the two loader plug-ins share: the engine's
// record, the entry points' types and the version rule.
//
// The record was five 32-bit words on the original 32-bit system, where an
// address fitted the 32-bit answer of a plug-in message. Here the module,
// the entry points and the window are pointer-sized (and so are the answers
// that carry the record's address); the field order stays, and the
// attachment count stays a 32-bit integer.

#include "engine/host/PluginHost.h"

#include <cstddef>
#include <cstdint>

struct NewsPluginRecord {
    uintptr_t Module;     // the engine library's handle, as _newsRun got it
    uintptr_t RunEntry;   // _newsRun
    uintptr_t AbortEntry; // _newsAbort
    uintptr_t Window;     // the news window's handle
    int32_t Attached;     // loaders attached now
};
static_assert(offsetof(NewsPluginRecord, Module) == 0);
static_assert(offsetof(NewsPluginRecord, RunEntry) == sizeof(uintptr_t));
static_assert(offsetof(NewsPluginRecord, AbortEntry) == 2 * sizeof(uintptr_t));
static_assert(offsetof(NewsPluginRecord, Window) == 3 * sizeof(uintptr_t));
static_assert(offsetof(NewsPluginRecord, Attached) == 4 * sizeof(uintptr_t));

extern "C" {
// Starts the engine; the engine's plug-in window, or 0 when it does not run.
using NewsRunFunction = uintptr_t (*)(uintptr_t module, PluginHost* host);
// Stops the engine; the module handle it ran from, or 0 when none ran.
using NewsAbortFunction = uintptr_t (*)();
}

// The plug-in codes of the attach protocol and the name the engine runs under.
constexpr uint32_t kAttachCode = 4, kDetachCode = 8;
constexpr const char* kEngineName = "Talo+";

// The player must be at least this version, and say yes to this client version.
constexpr int32_t kRequiredPlayer = 6320, kClientVersion = 6000;

inline bool PlayerSupported(PluginHost* host) {
    return host->CheckVersion(kClientVersion) && host->GetVersion() >= kRequiredPlayer;
}

// "PLYX Talo+\n\nこのバージョンのPLYXには対応していません\n対応版をお使いください"
// in Shift_JIS.
constexpr const char* kRefusedVersionText =
    "PLYX Talo+\n\n"
    "\x82\xB1\x82\xCC\x83\x6F\x81\x5B\x83\x57\x83\x87\x83\x93\x82\xCC"
    "PLYX\x82\xC9\x82\xCD\x91\xCE\x89\x9E\x82\xB5\x82\xC4\x82\xA2\x82\xDC\x82\xB9\x82\xF1\n"
    "\x91\xCE\x89\x9E\x94\xC5\x82\xF0\x82\xA8\x8E\x67\x82\xA2\x82\xAD\x82\xBE\x82\xB3\x82\xA2";
