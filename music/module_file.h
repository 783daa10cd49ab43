#pragma once
// The five file operations through which the loader reads a module. The
// player never opens a path itself: whoever installs the callbacks decides
// what a module "name" is (a MemoryFile, a path on disk).
#include <cstdint>

namespace zint {

// Seek origins, as the 8-bit codes the callbacks receive.
inline constexpr std::uint8_t kSeekSet = 0;
inline constexpr std::uint8_t kSeekCurrent = 1;
inline constexpr std::uint8_t kSeekEnd = 2;

using ModuleFileHandle = void*;

struct ModuleFileCallbacks {
    // null means the file cannot be opened
    ModuleFileHandle (*open)(const void* name) = nullptr;
    void (*close)(ModuleFileHandle handle) = nullptr;
    // Copies up to count bytes and returns how many it copied.
    std::uint32_t (*read)(void* destination, std::uint32_t count, ModuleFileHandle handle) = nullptr;
    // A position past the end stops at the end; an unknown origin moves nothing.
    ModuleFileHandle (*seek)(ModuleFileHandle handle, std::int64_t offset, std::uint8_t origin) = nullptr;
    std::uint32_t (*tell)(ModuleFileHandle handle) = nullptr;

    bool Installed() const { return open && close && read && seek && tell; }
};

// Installs the five operations when all are given; otherwise clears all five.
void SetModuleFileCallbacks(decltype(ModuleFileCallbacks::open) open, decltype(ModuleFileCallbacks::close) close,
                            decltype(ModuleFileCallbacks::read) read, decltype(ModuleFileCallbacks::seek) seek,
                            decltype(ModuleFileCallbacks::tell) tell);

// Where a seek lands, for callback implementations: origin 0 from the start,
// 1 from position, 2 from size; any other origin stays at position. A target
// before the start or past the end stops at the end, as an unsigned offset
// would.
std::int64_t SeekTarget(std::int64_t position, std::int64_t size, std::int64_t offset, std::uint8_t origin);

// What is installed now (all five null when nothing is).
const ModuleFileCallbacks& InstalledModuleFileCallbacks();

// The loader's open stream: opens through the installed callbacks and closes
// when it goes away. Every operation on a stream that did not open does
// nothing and yields 0.
class ModuleStream {
public:
    explicit ModuleStream(const void* name);
    ~ModuleStream();
    ModuleStream(const ModuleStream&) = delete;
    ModuleStream& operator=(const ModuleStream&) = delete;

    bool IsOpen() const { return handle != nullptr; }
    std::uint32_t Read(void* destination, std::uint32_t count);
    void Seek(std::int64_t offset, std::uint8_t origin);
    std::uint32_t Tell();
    // The stream's length, found by seeking to its end and back.
    std::uint32_t Size();

private:
    ModuleFileCallbacks callbacks;  // as installed when the stream was opened
    ModuleFileHandle handle = nullptr;
};

}  // namespace zint
