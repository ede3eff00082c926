// A whole window design with its pictures, from a small file set: the
// input is the design's text, then files, each introduced by a line
// "@@NAME" ("\n@@logo.jpg\n...bytes..."). LoadDesign dresses a form with
// every control the news window has; the shape stays within what an X
// server takes and the pictures within their limits.

#include "engine/region/zelRegion.h"
#include "engine/window/DesignReader.h"
#include "platform/gdi/PictureFile.h"
#include "platform/gdi/Region.h"

#include <QApplication>
#include <QImage>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::filesystem::path folder;

// Names stay inside the folder: letters, digits, '.', '_' and '-', no
// leading dot.
std::string safeName(std::string_view name) {
    std::string out;
    for (char c : name.substr(0, 40))
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-')
            out += c;
    while (!out.empty() && out[0] == '.')
        out.erase(0, 1);
    return out;
}

void write(const std::string& name, std::string_view bytes) {
    std::ofstream f(folder / name, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace

// fontconfig keeps what Qt's font database asked of it until the process
// ends (Qt never calls FcFini): not a leak of the design reader.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Lives for the whole run, as the player's application object does.
    static QApplication app(*argc, *argv);
    std::string pattern = (std::filesystem::temp_directory_path() / "design-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    folder = pattern;
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        std::filesystem::remove_all(entry.path());
    size_t end = input.find("\n@@");
    write("design.plyxd", input.substr(0, end));
    while (end != std::string_view::npos) {
        std::string_view rest = input.substr(end + 3);
        end = rest.find("\n@@");
        std::string_view file = rest.substr(0, end);
        size_t newline = file.find('\n');
        std::string name = safeName(file.substr(0, newline));
        if (!name.empty() && name != "design.plyxd")
            write(name, newline == std::string_view::npos ? std::string_view()
                                                          : file.substr(newline + 1));
        input = rest;
    }

    QWidget form;
    auto* background = new platform::TImage(&form); // the controls are the form's children
    auto* panel = new platform::TPanel(&form);
    auto* news = new platform::TLabel(panel);
    auto* dateTime = new platform::TLabel(&form);
    auto* siteName = new platform::TLabel(&form);
    zelRegion region(background);
    platform::TFont formFont;
    DesignControls controls{&form, background, &region, &formFont, panel, news, dateTime, siteName};
    std::vector<platform::TImageList> lists(7);
    for (int i = 0; i < 7; ++i) {
        controls.buttons[i] = new platform::TImage(&form);
        controls.lists[i] = &lists[static_cast<size_t>(i)];
    }
    news->SetCaption("News \x82\xA0");
    LoadDesign(controls, (folder / "design.plyxd").string());

    if (platform::RegionOf(region.Handle()).rectCount() > 20000 || form.mask().rectCount() > 20000)
        __builtin_trap();
    int64_t pixels =
        static_cast<int64_t>(background->Picture.Width()) * background->Picture.Height();
    for (const platform::TImageList& list : lists)
        pixels += static_cast<int64_t>(list.Count()) * list.Width * list.Height;
    if (pixels > 2 * platform::kMaxStripPixels) __builtin_trap();
    // Painting takes the fonts and masks the design set.
    if (static_cast<int64_t>(form.width()) * form.height() <= 256 * 1024) {
        QImage canvas(form.size(), QImage::Format_RGB32);
        if (!canvas.isNull()) form.render(&canvas);
    }
    return 0;
}
