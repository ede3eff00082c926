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

#define SLOT(Interface, Member, Number)                                                            \
    { #Interface "::" #Member, slotOf(&Interface::Member), Number }

} // namespace

// The player calls these by slot number, so the numbers are the contract;
// they are written here as the player documents them, not read from the
// declarations.
TEST(InterfaceSlots, EveryNamedSlotSitsWhereThePlayerCallsIt) {
    const Slot table[] = {
        SLOT(IPLYXControl, QueryInterface, 0),
        SLOT(IPLYXControl, AddRef, 1),
        SLOT(IPLYXControl, Release, 2),
        SLOT(IPLYXControl, get_Version, 7),
        SLOT(IPLYXControl, CheckVersion, 8),
        SLOT(IPLYXControl, get_Handle, 9),
        SLOT(IPLYXControl, get_Visible, 10),
        SLOT(IPLYXControl, put_Visible, 11),
        SLOT(IPLYXControl, get_Left, 12),
        SLOT(IPLYXControl, put_Left, 13),
        SLOT(IPLYXControl, get_Top, 14),
        SLOT(IPLYXControl, put_Top, 15),
        SLOT(IPLYXControl, get_Width, 16),
        SLOT(IPLYXControl, get_Height, 17),
        SLOT(IPLYXControl, get_PlayStatus, 18),
        SLOT(IPLYXControl, get_Track, 19),
        SLOT(IPLYXControl, put_Track, 20),
        SLOT(IPLYXControl, get_Position, 21),
        SLOT(IPLYXControl, put_Position, 22),
        SLOT(IPLYXControl, get_Length, 23),
        SLOT(IPLYXControl, get_Volume, 24),
        SLOT(IPLYXControl, put_Volume, 25),
        SLOT(IPLYXControl, get_Counter, 26),
        SLOT(IPLYXControl, put_Counter, 27),
        SLOT(IPLYXControl, get_Repeat, 28),
        SLOT(IPLYXControl, put_Repeat, 29),
        SLOT(IPLYXControl, get_Random, 30),
        SLOT(IPLYXControl, put_Random, 31),
        SLOT(IPLYXControl, get_RemainTime, 32),
        SLOT(IPLYXControl, put_RemainTime, 33),
        SLOT(IPLYXControl, get_Design, 34),
        SLOT(IPLYXControl, put_Design, 35),
        SLOT(IPLYXControl, get_DisplayMode, 38),
        SLOT(IPLYXControl, put_DisplayMode, 39),
        SLOT(IPLYXControl, get_OnTimer, 40),
        SLOT(IPLYXControl, put_OnTimer, 41),
        SLOT(IPLYXControl, get_OnTime, 42),
        SLOT(IPLYXControl, put_OnTime, 43),
        SLOT(IPLYXControl, get_OffTimer, 44),
        SLOT(IPLYXControl, put_OffTimer, 45),
        SLOT(IPLYXControl, get_OffTime, 46),
        SLOT(IPLYXControl, put_OffTime, 47),
        SLOT(IPLYXControl, get_ShutDownRecord, 48),
        SLOT(IPLYXControl, put_ShutDownRecord, 49),
        SLOT(IPLYXControl, get_RecLevel, 50),
        SLOT(IPLYXControl, put_RecLevel, 51),
        SLOT(IPLYXControl, Connect, 52),
        SLOT(IPLYXControl, Disconnect, 53),
        SLOT(IPLYXControl, Abort, 54),
        SLOT(IPLYXControl, Close, 55),
        SLOT(IPLYXControl, ShutDown, 56),
        SLOT(IPLYXControl, GetEvent, 57),
        SLOT(IPLYXControl, SetEvent, 58),
        SLOT(IPLYXControl, NotifyEvent, 59),
        SLOT(IPLYXControl, Stop, 60),
        SLOT(IPLYXControl, Pause, 61),
        SLOT(IPLYXControl, Play, 62),
        SLOT(IPLYXControl, FF, 63),
        SLOT(IPLYXControl, Rewind, 64),
        SLOT(IPLYXControl, Next, 65),
        SLOT(IPLYXControl, Back, 66),
        SLOT(IPLYXControl, Eject, 67),
        SLOT(IPLYXControl, Seek, 68),
        SLOT(IPLYXControl, ShowPlayList, 69),
        SLOT(IPLYXControl, ShowProperty, 70),
        SLOT(IPLYXControl, ShowMenu, 71),
        SLOT(IPLYXControl, ShowToolMenu, 72),
        SLOT(IPLYXControl, Click, 73),
        SLOT(IPLYXControl, KeyDown, 74),
        SLOT(IPLYXControl, GetText, 75),
        SLOT(IPLYXControl, GetVolumes, 76),
        SLOT(IPLYXControl, GetSpeana, 77),
        SLOT(IPLYXControl, SavePLYXini, 78),
        SLOT(IPLYXControl, GetColor, 80),
        SLOT(IPLYXControl, GetFont, 81),
        SLOT(IPLYXControl, GetFormImage, 82),
        SLOT(IPLYXControl, get_Rate, 83),
        SLOT(IPLYXControl, put_Rate, 84),
        SLOT(IPLYXControl, get_AdjustVolLevel, 85),
        SLOT(IPLYXControl, put_AdjustVolLevel, 86),
        SLOT(IPLYXControl, get_AdjustSpeanaLevel, 87),
        SLOT(IPLYXControl, put_AdjustSpeanaLevel, 88),
        SLOT(IPLYXControl, get_Mute, 89),
        SLOT(IPLYXControl, put_Mute, 90),
        SLOT(IPLYXControl, get_Zoom, 91),
        SLOT(IPLYXControl, put_Zoom, 92),
        SLOT(IPLYXControl, get_FixedVideoWidth, 93),
        SLOT(IPLYXControl, put_FixedVideoWidth, 94),
        SLOT(IPLYXControl, get_FixedVideoHeight, 95),
        SLOT(IPLYXControl, put_FixedVideoHeight, 96),
        SLOT(IPLYXControl, get_ShutDownPlay, 97),
        SLOT(IPLYXControl, put_ShutDownPlay, 98),
        SLOT(IPLYXControl, get_AudioVideo, 99),
        SLOT(IPLYXControl, get_StayOnTop, 100),
        SLOT(IPLYXControl, put_StayOnTop, 101),
        SLOT(IPLYXControl, GetPluginName, 102),
        SLOT(IPLYXControl, SetPluginName, 103),
        SLOT(IPLYXControl, FindPlugin, 104),
        SLOT(IPLYXControl, SendPlugin, 105),

        SLOT(IPLYXPlayList, get_Tracks, 8),
        SLOT(IPLYXPlayList, New, 25),
        SLOT(IPLYXPlayList, Add, 28),
        SLOT(IPLYXPlayList, Load, 29),
        SLOT(IPLYXPlayList, Save, 30),
        SLOT(IPLYXPlayList, GetTrackInfo, 31),
        SLOT(IPLYXPlayList, SetTrackInfo, 32),

        SLOT(IPLYXLyrics, get_Lines, 8),
        SLOT(IPLYXLyrics, GetLyrics, 21),

        SLOT(IPLYXMenu, GetCount, 7),
        SLOT(IPLYXMenu, GetItem, 8),
        SLOT(IPLYXMenu, Find, 9),
        SLOT(IPLYXMenu, Add, 10),
        SLOT(IPLYXMenu, Insert, 11),
        SLOT(IPLYXMenu, Delete, 12),
        SLOT(IPLYXMenu, Remove, 13),
        SLOT(IPLYXMenu, GetIndex, 15),
        SLOT(IPLYXMenu, GetCaption, 17),
        SLOT(IPLYXMenu, SetCaption, 18),
        SLOT(IPLYXMenu, SetEnabled, 20),
        SLOT(IPLYXMenu, GetChecked, 21),
        SLOT(IPLYXMenu, SetChecked, 22),
    };
    for (const Slot& s : table)
        EXPECT_EQ(s.actual, s.expected) << s.name;
}
