#pragma once
// The module file callbacks over a MemoryFile: the "name" handed to the
// loader is the MemoryFile itself.
#include <cstdint>

#include "data/memory_file.h"
#include "music/module_file.h"

namespace zint {

ModuleFileHandle MemoryFileOpen(const void* name);
void MemoryFileClose(ModuleFileHandle handle);
std::uint32_t MemoryFileRead(void* destination, std::uint32_t count, ModuleFileHandle handle);
ModuleFileHandle MemoryFileSeek(ModuleFileHandle handle, std::int64_t offset, std::uint8_t origin);
std::uint32_t MemoryFileTell(ModuleFileHandle handle);

}  // namespace zint
