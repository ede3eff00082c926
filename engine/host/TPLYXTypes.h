#pragma once

// Shared types of the host link: the events' signatures (the sender first),
// the event set and the player's enumerations.

#include "engine/host/PLYXCodes.h"

#include <cstdint>
#include <functional>

class TObject {
public:
    virtual ~TObject() = default;
};

enum TPLYXDeviceType : int { dtUnknown = 0, dtAudio = 1, dtVideo = 2, dtCDAudio = 3 };
enum TPLYXDisplayMode : int { dmNormal = 0, dmMini = 1, dmVideo = 2 };

using TNotifyEvent = std::function<void(TObject* sender)>;
using TPLYXEvent = std::function<void(TObject* sender, uint32_t event, int param)>;
using TPLYXParamEvent = std::function<void(TObject* sender, int param)>;
using TPLYXLREvent = std::function<void(TObject* sender, int left, int right)>;
using TPLYXFlagEvent = std::function<void(TObject* sender, bool flag)>;
// Pointer-sized: the answer to a loader's attach is the engine record's address.
using TPLYXReceiveEvent = std::function<intptr_t(TObject* sender, uint16_t cmd, intptr_t param)>;
using TPLYXSpeanaEvent = std::function<void(TObject* sender, int* level)>;
using TPLYXDeviceEvent = std::function<void(TObject* sender, TPLYXDeviceType device)>;
using TPLYXDisplayModeEvent = std::function<void(TObject* sender, TPLYXDisplayMode mode)>;

// The keys held with a key press: shift, alt, ctrl, then the mouse buttons
// and a double click, as bits 1 to 64.
using TShiftState = uint8_t;
enum : TShiftState {
    ssShift = 1,
    ssAlt = 2,
    ssCtrl = 4,
    ssLeft = 8,
    ssRight = 16,
    ssMiddle = 32,
    ssDouble = 64
};

enum TPLYXEventKind : uint8_t {
    evVolume,
    evSpeana,
    evLyrics,
    evCounter,
    evPosition,
    evTimer,
    evMove
};

// A set of TPLYXEventKind.
class TPLYXEventSet {
public:
    TPLYXEventSet() = default;
    TPLYXEventSet(std::initializer_list<TPLYXEventKind> kinds) {
        for (TPLYXEventKind k : kinds)
            insert(k);
    }
    void insert(TPLYXEventKind k) { bits_ |= static_cast<uint8_t>(1u << k); }
    bool contains(TPLYXEventKind k) const { return bits_ & (1u << k); }
    bool operator==(const TPLYXEventSet&) const = default;

private:
    uint8_t bits_ = 0;
};
