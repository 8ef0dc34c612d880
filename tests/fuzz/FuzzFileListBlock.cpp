// libFuzzer target: a received file passing of any length and content, read as
// the window reads it, and the greeting a second start checks. Reads stay
// inside the block, the count inside 0..256, each name inside its slot.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/FileListBlock.h"
#include "app/InstanceProtocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace quillon::engine;
    const FileListBlock block = FileListBlock::FromBytes(data, size);
    const int count = block.Count();
    if (count < 0 || count > int(kFileListSlots)) std::abort();
    for (int i = 0; i < count; ++i) {
        const std::string name = block.Name(std::size_t(i));
        if (name.size() > kFileListSlotBytes || name.find('\0') != std::string::npos) std::abort();
        // What a start would send for that name reads back the same.
        FileListBlock again;
        FillFileListBlock(&again, {name});
        if (again.Count() != 1 || again.Name(0) != name) std::abort();
    }
    (void)IsMainWindowGreeting(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
