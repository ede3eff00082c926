#pragma once

// What the Windows Internet functions did to a URL before sending it:
// spaces, control characters and bytes outside ASCII after the host become
// %XX (escapes already there stay), and a host name in Shift_JIS becomes
// its IDN (punycode) form. Nothing else changes.

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Empty when the host cannot be put in IDN form.
std::optional<std::string> EscapeUrl(std::string_view sjisUrl);

} // namespace platform
