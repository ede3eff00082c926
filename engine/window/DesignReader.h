#pragma once

// The reading rules of window designs (".plyxd" INI files): font
// specs, pictures, four-frame button strips, and the placing of a
// control from one section. The news window and the skin panels share them.

#include "engine/files/TIniFileEx.h"
#include "engine/window/FontSpec.h"
#include "platform/controls/Controls.h"

#include <functional>
#include <string>
#include <string_view>

class zelRegion;

void ApplyFontSpec(platform::TFont& font, std::string_view spec);

// ".jpg"/".jpeg" (any case) through libjpeg, anything else (or a JPEG that
// does not decode) as a Windows bitmap. False leaves the bitmap as it was.
bool LoadPicture(platform::TBitmap& bitmap, const std::string& fileName);
void AddToImageList(platform::TImageList& list, const platform::TBitmap& bitmap,
                    platform::TColor maskColor);
bool LoadImageStrip(platform::TImageList& list, const std::string& fileName,
                    platform::TColor maskColor, int frameCount);

// A panel or label placed from one section ("Left", "Top", "Width",
// "Height", "Font", "Color", "BackColor", "Alignment", "Transparent",
// "Visible").
void ReadControlSection(platform::TControl& control, const TIniFileEx& ini,
                        std::string_view section);
// An image button: "Visible", "Left", "Top", "Graphics" (a strip of four
// frames, relative to the design's folder), "Transparent", "BackColor".
void ReadImageButtonSection(platform::TImage& image, platform::TImageList& list,
                            const TIniFileEx& ini, std::string_view section);

// The controls a design dresses: the news window's, or a test form's.
struct DesignControls {
    QWidget* form = nullptr;
    platform::TImage* background = nullptr;
    zelRegion* region = nullptr;
    platform::TFont* formFont = nullptr;
    platform::TPanel* panel = nullptr;
    platform::TLabel* labelNews = nullptr;
    platform::TLabel* labelDateTime = nullptr;
    platform::TLabel* labelSiteName = nullptr;
    // Logo, Close, Play, Rewind, FF, Back, Next, in this order.
    platform::TImage* buttons[7] = {};
    platform::TImageList* lists[7] = {};
    // Double clicks on the headline panel and its label, and on the site
    // name; LoadDesign wires them.
    platform::TControlEvent openHeadline = {}, openSite = {};
};

// The seven button sections, in the order they are read.
extern const char* const kButtonSections[7];

// Applies the design file (Shift_JIS path) to the controls; an empty name
// changes nothing, a missing file reads as all defaults.
void LoadDesign(DesignControls& controls, const std::string& fileName);
