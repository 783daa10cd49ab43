#pragma once
// A read-only file over bytes in memory. The module loader reads it through
// its file callbacks; the picture decoder and the texture-script interpreter
// are handed the same record and read only `data` (and `size`, to stay
// inside what they were given).
#include <cstdint>

namespace zint {

struct MemoryFile {
    std::uint32_t position = 0;
    std::uint32_t size = 0;
    const std::uint8_t* data = nullptr;
};

}  // namespace zint
