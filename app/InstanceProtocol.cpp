#include "app/InstanceProtocol.h"

#include <algorithm>

#include "app/ErrorCodes.h"
#include "app/Util.h"

namespace quillon::engine {

std::string MainWindowGreeting(const std::string& className, const std::string& caption) {
    return className + "\n" + caption + "\n";
}

bool IsMainWindowGreeting(const std::string& greeting) {
    const auto first = greeting.find('\n');
    if (first == std::string::npos) return false;
    const auto second = greeting.find('\n', first + 1);
    if (second == std::string::npos) return false;
    const std::string className = greeting.substr(0, std::min<std::size_t>(first, 259));
    const std::string caption = greeting.substr(first + 1, std::min<std::size_t>(second - first - 1, 260));
    return EqualsIgnoringCase(className, kMainWindowClass) && caption.find(kAppCaption) != std::string::npos;
}

}  // namespace quillon::engine
