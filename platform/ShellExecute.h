#pragma once
// Starting another program and letting it run on its own.

#include <string>
#include <vector>

namespace quillon::platform {

// Splits a parameter text at blanks; a part in double quotes is one argument
// without its quotes.
[[nodiscard]] std::vector<std::string> SplitParameters(const std::string& text);

// Starts program with arguments in a session of its own and does not wait
// for it. False when it could not be started.
bool StartDetached(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace quillon::platform
