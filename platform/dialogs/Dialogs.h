#pragma once

// Message boxes and the beep, each through one function that a test can
// replace to record what was shown and give the answer: a test never waits
// on a modal box.

#include <cstdint>
#include <functional>
#include <string>

namespace platform {

enum class MessageKind { Warning, Error, Information, Confirmation };
enum MessageButtons : uint32_t { ButtonOk = 1, ButtonCancel = 2, ButtonYes = 4, ButtonNo = 8 };

// Shows text (Shift_JIS) and returns the button chosen. Without a
// replacement it is a Qt message box when a widget application runs, else a
// line on stderr answered with the first button.
int ShowMessage(const std::string& text, MessageKind kind, uint32_t buttons = ButtonOk);
void MessageBeep(uint32_t type);

using MessageHandler =
    std::function<int(const std::string& text, MessageKind kind, uint32_t buttons)>;
using BeepHandler = std::function<void(uint32_t type)>;
// An empty handler brings the default back.
void SetMessageHandler(MessageHandler handler);
void SetBeepHandler(BeepHandler handler);

} // namespace platform
