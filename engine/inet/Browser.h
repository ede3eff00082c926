#pragma once

// The user's web browser: opening a link in it, and the URL the user last
// had in hand. Text is Shift_JIS.

#include <string>
#include <string_view>
#include <vector>

// Opens url in the default browser, else with the desktop's default handler.
void OpenInBrowser(const std::string& url);

// Starts the default browser with url as one argument of its own. The
// placeholder of the browser's command (%u, %U, %f or %F) and what follows
// it give way to the URL; other field codes are dropped. showCommand is
// kept for callers that pass one; a desktop has no use for it.
bool RunBrowser(const std::string& url, int showCommand);

// The command RunBrowser would start, as arguments: the browser's Exec line
// with url in place; empty when no browser is registered.
std::vector<std::string> BrowserCommand(const std::string& execLine, const std::string& url);

// No browser answers questions here; the URL the user copied serves
// instead: the clipboard's text when it is one http or https URL, else "".
std::string GetBrowserURL(int index);
// text when it is one http or https URL (blanks around it dropped), else "".
std::string SingleWebUrl(std::string_view text);
