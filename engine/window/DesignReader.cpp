#include "engine/window/DesignReader.h"

#include "engine/region/zelRegion.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/PathNames.h"
#include "platform/gdi/BitmapFile.h"
#include "platform/text/Cp932.h"
#include "platform/text/Numbers.h"
#include "platform/text/SjisString.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <typeinfo>

using namespace platform;

const char* const kButtonSections[7] = {"Logo", "Close", "Play", "Rewind", "FF", "Back", "Next"};

void ApplyFontSpec(TFont& font, std::string_view spec) {
    ParseFontSpec(spec, font.Name, font.Height, font.Charset, font.Style);
}

namespace {

constexpr TColor kWhite = 16777215;
// All the pictures of one design together: a skin needs a fraction of
// this; a design that names a picture bomb many times stops here.
constexpr int64_t kMaxDesignPixels = kMaxStripPixels;

// A folder for relative picture names: a design opened by a bare name lives
// in the current folder.
std::string designFolder(const std::string& fileName) {
    std::string folder = ExtractFileDir(fileName);
    if (!folder.empty()) return folder;
    std::error_code ec;
    return PathFromNative(std::filesystem::current_path(ec).string());
}

bool loadPicture(TBitmap& bitmap, const std::string& fileName, int64_t maxPixels) {
    if (fileName.empty()) return false;
    bitmap.Transparent = false;
    // Devices, FIFOs and oversized files fail here, like a missing picture.
    std::string bytes;
    if (!ReadPictureFile(fileName, bytes)) return false;
    std::string ext = SjisLowerCase(ExtractFileName(fileName));
    if (ext.ends_with(".jpg") || ext.ends_with(".jpeg")) {
        QImage decoded;
        if (DecodeJpeg(bytes, decoded, maxPixels) && !decoded.isNull() && decoded.width() >= 1 &&
            decoded.height() >= 1) {
            bitmap.Image = std::move(decoded);
            bitmap.SourceBits = 24;
            return true;
        }
    }
    QImage image;
    int bits = 24;
    if (!DecodeBitmap(bytes, image, &bits, maxPixels)) return false;
    bitmap.Image = std::move(image);
    bitmap.SourceBits = bits;
    return true;
}

bool loadStrip(TImageList& list, const std::string& fileName, TColor maskColor, int frameCount,
               int64_t maxPixels) {
    list.Clear();
    TBitmap picture;
    if (!loadPicture(picture, fileName, maxPixels) || frameCount <= 0) return false;
    list.Width = picture.Width() / frameCount;
    list.Height = picture.Height();
    AddToImageList(list, picture, maskColor);
    return true;
}

// budget: the pixels the strip may still take; what it takes is deducted.
void readImageButtonSection(TImage& image, TImageList& list, const TIniFileEx& ini,
                            std::string_view section, int64_t& budget) {
    bool visible = ini.ReadBool(section, "Visible", false);
    image.setVisible(visible);
    image.move(ini.ReadInteger(section, "Left", 0), ini.ReadInteger(section, "Top", 0));
    std::string path =
        ExpandRelativePath(ini.ReadString(section, "Graphics", ""), designFolder(ini.FileName()));
    loadStrip(list, path, clNone, 4, std::min(budget, kMaxStripPixels));
    budget -= static_cast<int64_t>(list.Count()) * list.Width * list.Height;
    image.resize(list.Width, list.Height);
    TBitmap frame;
    if (list.GetBitmap(0, frame))
        image.Picture.Image = frame.Image;
    else
        image.Picture.Image = QImage();
    image.Transparent = ini.ReadBool(section, "Transparent", false);
    image.Picture.Transparent = image.Transparent;
    image.Picture.TransparentColor =
        image.Transparent ? ini.ReadInteger(section, "BackColor", 0) : clNone;
    image.update();
    image.ShowHint = true;
    image.setVisible(visible);
}

} // namespace

bool LoadPicture(TBitmap& bitmap, const std::string& fileName) {
    return loadPicture(bitmap, fileName, kMaxPicturePixels);
}

void AddToImageList(TImageList& list, const TBitmap& bitmap, TColor maskColor) {
    if (maskColor != clNone) {
        list.BkColor = clNone;
        list.Masked = true;
        list.Add(bitmap, maskColor);
    } else if (bitmap.SourceBits == 1) {
        list.BkColor = kWhite;
        list.Masked = true;
        list.Add(bitmap, 0);
    } else {
        list.BkColor = clNone;
        list.Masked = false;
        list.Add(bitmap, clNone);
    }
}

bool LoadImageStrip(TImageList& list, const std::string& fileName, TColor maskColor,
                    int frameCount) {
    return loadStrip(list, fileName, maskColor, frameCount, kMaxStripPixels);
}

void ReadControlSection(TControl& control, const TIniFileEx& ini, std::string_view section) {
    // Label keys are for the plain label class only, not for controls
    // derived from it.
    TLabel* label = typeid(control) == typeid(TLabel) ? static_cast<TLabel*>(&control) : nullptr;
    if (label) {
        label->AutoSize = false;
        label->CenterVertically = true;
        label->ShowAccelChar = false;
        label->WordWrap = false;
    }
    control.SetBounds(ini.ReadInteger(section, "Left", 0), ini.ReadInteger(section, "Top", 0),
                      ini.ReadInteger(section, "Width", 0), ini.ReadInteger(section, "Height", 0));
    TFont font = control.Font;
    ApplyFontSpec(font, ini.ReadString(section, "Font", kDefaultFontSpec));
    font.Color = ini.ReadInteger(section, "Color", kWhite);
    control.SetFont(font);
    control.Color = ini.ReadInteger(section, "BackColor", 0);
    if (label) {
        label->Alignment = ini.ReadInteger(section, "Alignment", 0);
        label->Transparent = ini.ReadBool(section, "Transparent", false);
    }
    control.ShowHint = true;
    control.setVisible(ini.ReadBool(section, "Visible", false));
    control.update();
}

void ReadImageButtonSection(TImage& image, TImageList& list, const TIniFileEx& ini,
                            std::string_view section) {
    int64_t budget = kMaxStripPixels;
    readImageButtonSection(image, list, ini, section, budget);
}

void LoadDesign(DesignControls& c, const std::string& fileName) {
    if (fileName.empty()) return;
    TIniFileEx ini(fileName);
    std::string folder = designFolder(fileName);

    int64_t budget = kMaxDesignPixels;
    if (c.background) {
        if (loadPicture(c.background->Picture,
                        ExpandRelativePath(ini.ReadString("Form", "Graphics", ""), folder),
                        kMaxPicturePixels))
            budget -= static_cast<int64_t>(c.background->Picture.Width()) *
                      c.background->Picture.Height();
        if (!c.background->Picture.Empty()) {
            c.background->setGeometry(0, 0, c.background->Picture.Width(),
                                      c.background->Picture.Height());
            if (c.form)
                c.form->resize(c.background->Picture.Width(), c.background->Picture.Height());
        }
    }
    if (c.region) {
        // A shape that cannot be made leaves the window as it was; designs
        // report nothing to the user.
        try {
            if (ini.ReadBool("Form", "Transparent", false)) {
                c.region->SetTransparentColor(ini.ReadInteger("Form", "BackColor", 0));
                c.region->Create();
                c.region->Set();
            } else {
                c.region->Delete();
            }
        } catch (const ERegionError& e) {
            std::fprintf(stderr, "design: %s\n", SjisToUtf8(e.what()).c_str());
        }
    }
    if (c.formFont) {
        ApplyFontSpec(*c.formFont, ini.ReadString("Form", "Font", kDefaultFontSpec));
        if (c.form) ApplyParentFont(*c.form, *c.formFont);
    }
    if (c.panel) {
        ReadControlSection(*c.panel, ini, "DisplayPanel");
        c.panel->OnDblClick = c.openHeadline;
        if (c.labelNews) {
            // The headline label follows its panel's font and, as labels
            // do by default, its colour.
            c.labelNews->SetParentFont(true);
            c.labelNews->Color = c.panel->Color;
            c.labelNews->Transparent = ini.ReadBool("DisplayPanel", "Transparent", false);
            c.labelNews->setVisible(true);
            c.labelNews->OnDblClick = c.openHeadline;
        }
    }
    if (c.labelDateTime) ReadControlSection(*c.labelDateTime, ini, "TimeCounter");
    if (c.labelSiteName) {
        ReadControlSection(*c.labelSiteName, ini, "Device");
        c.labelSiteName->OnDblClick = c.openSite;
    }
    for (int i = 0; i < 7; ++i)
        if (c.buttons[i] && c.lists[i])
            readImageButtonSection(*c.buttons[i], *c.lists[i], ini, kButtonSections[i], budget);
    if (c.form) c.form->update();
}
