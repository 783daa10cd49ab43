#include "music/memory_file_callbacks.h"

#include <cstring>

namespace zint {

namespace {

MemoryFile& AsMemoryFile(ModuleFileHandle handle) { return *static_cast<MemoryFile*>(handle); }

}  // namespace

ModuleFileHandle MemoryFileOpen(const void* name) {
    // The program hands over its own, writable MemoryFile; reading moves its position.
    return const_cast<void*>(name);
}

void MemoryFileClose(ModuleFileHandle) {}

std::uint32_t MemoryFileRead(void* destination, std::uint32_t count, ModuleFileHandle handle) {
    MemoryFile& file = AsMemoryFile(handle);
    if (file.position >= file.size) return 0;
    const std::uint32_t available = file.size - file.position;
    if (count > available) count = available;
    if (count == 0) return 0;
    std::memcpy(destination, file.data + file.position, count);
    file.position += count;
    return count;
}

ModuleFileHandle MemoryFileSeek(ModuleFileHandle handle, std::int64_t offset, std::uint8_t origin) {
    MemoryFile& file = AsMemoryFile(handle);
    file.position = static_cast<std::uint32_t>(SeekTarget(file.position, file.size, offset, origin));
    return handle;
}

std::uint32_t MemoryFileTell(ModuleFileHandle handle) { return AsMemoryFile(handle).position; }

}  // namespace zint
