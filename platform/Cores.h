#pragma once
// The processor cores this process may run on.

namespace quillon::platform {

// The cores the process's affinity allows (at least 1).
[[nodiscard]] unsigned UsableCores();

}  // namespace quillon::platform
