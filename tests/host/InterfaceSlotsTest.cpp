#include "engine/host/PLYXInterfaces.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// Where the compiler put a virtual function. In the Itanium C++ ABI (gcc,
// clang) a pointer to a virtual member function holds 1 plus the byte
// offset of its slot in the vtable.
template <typename MemberFunction> size_t slotOf(MemberFunction function) {
    struct {
        uintptr_t pointer;
        ptrdiff_t adjustment;
    } representation;
    static_assert(sizeof function == sizeof representation);
    std::memcpy(&representation, &function, sizeof representation);
    EXPECT_EQ(representation.pointer % sizeof(void*), 1u) << "not a virtual function";
    return (representation.pointer - 1) / sizeof(void*);
}

struct Slot {
    const char* name;
    size_t actual;
    size_t expected;
};

#define VSLOT(Interface, Member, Number)                                                           \
    { #Interface "::" #Member, slotOf(&Interface::Member), Number }

} // namespace

// The player calls these by slot number, so the numbers are the contract;
// they are written here as the player documents them, not read from the
// declarations.
TEST(InterfaceSlots, EveryNamedSlotSitsWhereThePlayerCallsIt) {
    const Slot table[] = {
        VSLOT(IPLYXControl, QueryInterface, 0),
        VSLOT(IPLYXControl, AddRef, 1),
        VSLOT(IPLYXControl, Release, 2),
        VSLOT(IPLYXControl, get_Version, 7),
        VSLOT(IPLYXControl, CheckVersion, 8),
        VSLOT(IPLYXControl, get_Handle, 9),
        VSLOT(IPLYXControl, get_Visible, 10),
        VSLOT(IPLYXControl, put_Visible, 11),
        VSLOT(IPLYXControl, get_Left, 12),
        VSLOT(IPLYXControl, put_Left, 13),
        VSLOT(IPLYXControl, get_Top, 14),
        VSLOT(IPLYXControl, put_Top, 15),
        VSLOT(IPLYXControl, get_Width, 16),
        VSLOT(IPLYXControl, get_Height, 17),
        VSLOT(IPLYXControl, get_PlayStatus, 18),
        VSLOT(IPLYXControl, get_Track, 19),
        VSLOT(IPLYXControl, put_Track, 20),
        VSLOT(IPLYXControl, get_Position, 21),
        VSLOT(IPLYXControl, put_Position, 22),
        VSLOT(IPLYXControl, get_Length, 23),
        VSLOT(IPLYXControl, get_Volume, 24),
        VSLOT(IPLYXControl, put_Volume, 25),
        VSLOT(IPLYXControl, get_Counter, 26),
        VSLOT(IPLYXControl, put_Counter, 27),
        VSLOT(IPLYXControl, get_Repeat, 28),
        VSLOT(IPLYXControl, put_Repeat, 29),
        VSLOT(IPLYXControl, get_Random, 30),
        VSLOT(IPLYXControl, put_Random, 31),
        VSLOT(IPLYXControl, get_RemainTime, 32),
        VSLOT(IPLYXControl, put_RemainTime, 33),
        VSLOT(IPLYXControl, get_Design, 34),
        VSLOT(IPLYXControl, put_Design, 35),
        VSLOT(IPLYXControl, get_DisplayMode, 38),
        VSLOT(IPLYXControl, put_DisplayMode, 39),
        VSLOT(IPLYXControl, get_OnTimer, 40),
        VSLOT(IPLYXControl, put_OnTimer, 41),
        VSLOT(IPLYXControl, get_OnTime, 42),
        VSLOT(IPLYXControl, put_OnTime, 43),
        VSLOT(IPLYXControl, get_OffTimer, 44),
        VSLOT(IPLYXControl, put_OffTimer, 45),
        VSLOT(IPLYXControl, get_OffTime, 46),
        VSLOT(IPLYXControl, put_OffTime, 47),
        VSLOT(IPLYXControl, get_ShutDownRecord, 48),
        VSLOT(IPLYXControl, put_ShutDownRecord, 49),
        VSLOT(IPLYXControl, get_RecLevel, 50),
        VSLOT(IPLYXControl, put_RecLevel, 51),
        VSLOT(IPLYXControl, Connect, 52),
        VSLOT(IPLYXControl, Disconnect, 53),
        VSLOT(IPLYXControl, Abort, 54),
        VSLOT(IPLYXControl, Close, 55),
        VSLOT(IPLYXControl, ShutDown, 56),
        VSLOT(IPLYXControl, GetEvent, 57),
        VSLOT(IPLYXControl, SetEvent, 58),
        VSLOT(IPLYXControl, NotifyEvent, 59),
        VSLOT(IPLYXControl, Stop, 60),
        VSLOT(IPLYXControl, Pause, 61),
        VSLOT(IPLYXControl, Play, 62),
        VSLOT(IPLYXControl, FF, 63),
        VSLOT(IPLYXControl, Rewind, 64),
        VSLOT(IPLYXControl, Next, 65),
        VSLOT(IPLYXControl, Back, 66),
        VSLOT(IPLYXControl, Eject, 67),
        VSLOT(IPLYXControl, Seek, 68),
        VSLOT(IPLYXControl, ShowPlayList, 69),
        VSLOT(IPLYXControl, ShowProperty, 70),
        VSLOT(IPLYXControl, ShowMenu, 71),
        VSLOT(IPLYXControl, ShowToolMenu, 72),
        VSLOT(IPLYXControl, Click, 73),
        VSLOT(IPLYXControl, KeyDown, 74),
        VSLOT(IPLYXControl, GetText, 75),
        VSLOT(IPLYXControl, GetVolumes, 76),
        VSLOT(IPLYXControl, GetSpeana, 77),
        VSLOT(IPLYXControl, SavePLYXini, 78),
        VSLOT(IPLYXControl, GetColor, 80),
        VSLOT(IPLYXControl, GetFont, 81),
        VSLOT(IPLYXControl, GetFormImage, 82),
        VSLOT(IPLYXControl, get_Rate, 83),
        VSLOT(IPLYXControl, put_Rate, 84),
        VSLOT(IPLYXControl, get_AdjustVolLevel, 85),
        VSLOT(IPLYXControl, put_AdjustVolLevel, 86),
        VSLOT(IPLYXControl, get_AdjustSpeanaLevel, 87),
        VSLOT(IPLYXControl, put_AdjustSpeanaLevel, 88),
        VSLOT(IPLYXControl, get_Mute, 89),
        VSLOT(IPLYXControl, put_Mute, 90),
        VSLOT(IPLYXControl, get_Zoom, 91),
        VSLOT(IPLYXControl, put_Zoom, 92),
        VSLOT(IPLYXControl, get_FixedVideoWidth, 93),
        VSLOT(IPLYXControl, put_FixedVideoWidth, 94),
        VSLOT(IPLYXControl, get_FixedVideoHeight, 95),
        VSLOT(IPLYXControl, put_FixedVideoHeight, 96),
        VSLOT(IPLYXControl, get_ShutDownPlay, 97),
        VSLOT(IPLYXControl, put_ShutDownPlay, 98),
        VSLOT(IPLYXControl, get_AudioVideo, 99),
        VSLOT(IPLYXControl, get_StayOnTop, 100),
        VSLOT(IPLYXControl, put_StayOnTop, 101),
        VSLOT(IPLYXControl, GetPluginName, 102),
        VSLOT(IPLYXControl, SetPluginName, 103),
        VSLOT(IPLYXControl, FindPlugin, 104),
        VSLOT(IPLYXControl, SendPlugin, 105),

        VSLOT(IPLYXPlayList, get_Tracks, 8),
        VSLOT(IPLYXPlayList, New, 25),
        VSLOT(IPLYXPlayList, Add, 28),
        VSLOT(IPLYXPlayList, Load, 29),
        VSLOT(IPLYXPlayList, Save, 30),
        VSLOT(IPLYXPlayList, GetTrackInfo, 31),
        VSLOT(IPLYXPlayList, SetTrackInfo, 32),

        VSLOT(IPLYXLyrics, get_Lines, 8),
        VSLOT(IPLYXLyrics, GetLyrics, 21),

        VSLOT(IPLYXMenu, GetCount, 7),
        VSLOT(IPLYXMenu, GetItem, 8),
        VSLOT(IPLYXMenu, Find, 9),
        VSLOT(IPLYXMenu, Add, 10),
        VSLOT(IPLYXMenu, Insert, 11),
        VSLOT(IPLYXMenu, Delete, 12),
        VSLOT(IPLYXMenu, Remove, 13),
        VSLOT(IPLYXMenu, GetIndex, 15),
        VSLOT(IPLYXMenu, GetCaption, 17),
        VSLOT(IPLYXMenu, SetCaption, 18),
        VSLOT(IPLYXMenu, SetEnabled, 20),
        VSLOT(IPLYXMenu, GetChecked, 21),
        VSLOT(IPLYXMenu, SetChecked, 22),
    };
    for (const Slot& s : table)
        EXPECT_EQ(s.actual, s.expected) << s.name;
}
