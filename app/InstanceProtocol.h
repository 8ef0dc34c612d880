#pragma once
// What the running window and a second start say to each other over the local
// socket. The window greets each connection with its class name and caption,
// one line each; the start checks them as it would check a found window, then
// sends requests: 'R' (bring to front; no answer) or 'F' followed by a
// 65,540-byte FileListBlock, answered by one byte, 1 accepted or 0 busy.

#include <string>

namespace quillon::engine {

inline constexpr const char* kMainWindowClass = "TMainForm";

enum class FilePassingRequest : char { Raise = 'R', OpenFiles = 'F' };
enum FilePassingAnswer : char { AnswerBusy = 0, AnswerAccepted = 1 };

// "TMainForm\nCorvane Quillon\n" for the given class and caption.
[[nodiscard]] std::string MainWindowGreeting(const std::string& className, const std::string& caption);

// True when greeting names the running main window: its class equals
// "TMainForm" ignoring case and its caption contains "Corvane Quillon".
// Class names are read up to 259 characters and captions up to 260, as the
// window look-up's buffers allow.
[[nodiscard]] bool IsMainWindowGreeting(const std::string& greeting);

}  // namespace quillon::engine
