#pragma once

// The desktop's facilities for opening things: the default handler of a
// document or URL, the default web browser's command, and the clipboard.
// Nothing here goes through a shell: programs get argument vectors.

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Opens a file or URL (Shift_JIS) with the desktop's default handler
// (xdg-open). False when the handler could not be started.
bool ShellOpen(const std::string& target);

// Starts a program with arguments (Shift_JIS), searched in PATH when the name
// has no slash, without waiting for it and without leaving a zombie behind.
bool StartDetached(const std::string& program, const std::vector<std::string>& arguments);

// The Exec line of the default web browser's desktop entry (UTF-8), found
// through xdg-settings, else xdg-mime, in the XDG data folders; "" when there
// is none.
std::string DefaultBrowserExec();

// An Exec line split into arguments by the desktop-entry quoting rules:
// blanks separate, double quotes group, and inside them a backslash escapes
// '"', '`', '$' and '\'. Field codes stay as they are.
std::vector<std::string> SplitExecLine(std::string_view exec);

// The clipboard's text (Shift_JIS); "" when it holds none.
std::string ClipboardText();

} // namespace platform
