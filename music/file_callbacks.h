#pragma once
// The module file callbacks over a file on disk: the "name" handed to the
// loader is a path (const char*). They keep the memory file's contract:
// seeking past the end stops at the end. Files of 4 GiB or more do not open.
#include <cstdint>

#include "music/module_file.h"

namespace zint {

ModuleFileHandle DiskFileOpen(const void* name);
void DiskFileClose(ModuleFileHandle handle);
std::uint32_t DiskFileRead(void* destination, std::uint32_t count, ModuleFileHandle handle);
ModuleFileHandle DiskFileSeek(ModuleFileHandle handle, std::int64_t offset, std::uint8_t origin);
std::uint32_t DiskFileTell(ModuleFileHandle handle);

}  // namespace zint
