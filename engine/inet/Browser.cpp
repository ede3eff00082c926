#include "engine/inet/Browser.h"

#include "platform/shell/Shell.h"
#include "platform/text/Cp932.h"
#include "platform/text/SjisString.h"

#include <algorithm>

using namespace platform;

std::vector<std::string> BrowserCommand(const std::string& execLine, const std::string& url) {
    std::vector<std::string> command;
    for (const std::string& arg : SplitExecLine(execLine)) {
        size_t placeholder = std::string::npos;
        for (const char* code : {"%u", "%U", "%f", "%F"})
            placeholder = std::min(placeholder, arg.find(code));
        if (placeholder != std::string::npos) {
            // The command ends at its placeholder, where the URL goes.
            if (placeholder > 0) command.push_back(arg.substr(0, placeholder));
            break;
        }
        // "%%" is a percent sign; any other field code has no value here.
        std::string plain;
        for (size_t i = 0; i < arg.size(); ++i) {
            if (arg[i] != '%' || i + 1 >= arg.size())
                plain += arg[i];
            else if (arg[++i] == '%')
                plain += '%';
        }
        if (!plain.empty()) command.push_back(plain);
    }
    if (command.empty()) return {};
    command.push_back(url);
    return command;
}

bool RunBrowser(const std::string& url, int) {
    // The Exec line is UTF-8; the command goes out in the system's text.
    std::vector<std::string> command = BrowserCommand(Utf8ToSjis(DefaultBrowserExec()), url);
    if (command.empty()) return false;
    std::string program = command.front();
    command.erase(command.begin());
    return StartDetached(program, command);
}

void OpenInBrowser(const std::string& url) {
    if (RunBrowser(url, 5)) return;
    // Both of the shell's verbs come down to the default handler here.
    ShellOpen(url);
}

std::string GetBrowserURL(int) {
    return SingleWebUrl(ClipboardText());
}

std::string SingleWebUrl(std::string_view whole) {
    std::string text(TrimView(whole));
    bool web = StartsWithNoCase(text, "http://") || StartsWithNoCase(text, "https://");
    bool one = std::none_of(text.begin(), text.end(),
                            [](char c) { return static_cast<unsigned char>(c) <= 0x20; });
    return web && one ? text : std::string();
}
