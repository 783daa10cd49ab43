#include "music/file_callbacks.h"

#include <cstdio>
#include <limits>
#include <memory>

namespace zint {

namespace {

struct DiskFile {
    std::FILE* file = nullptr;
    std::int64_t size = 0;
};

DiskFile& AsDiskFile(ModuleFileHandle handle) { return *static_cast<DiskFile*>(handle); }

std::int64_t Position(const DiskFile& file) { return std::ftell(file.file); }

}  // namespace

ModuleFileHandle DiskFileOpen(const void* name) {
    if (name == nullptr) return nullptr;
    auto file = std::make_unique<DiskFile>();
    file->file = std::fopen(static_cast<const char*>(name), "rb");
    if (file->file == nullptr) return nullptr;
    if (std::fseek(file->file, 0, SEEK_END) == 0) file->size = std::ftell(file->file);
    if (file->size < 0 || file->size > std::numeric_limits<std::uint32_t>::max() ||
        std::fseek(file->file, 0, SEEK_SET) != 0) {
        std::fclose(file->file);
        return nullptr;
    }
    return file.release();
}

void DiskFileClose(ModuleFileHandle handle) {
    std::unique_ptr<DiskFile> file(&AsDiskFile(handle));
    std::fclose(file->file);
}

std::uint32_t DiskFileRead(void* destination, std::uint32_t count, ModuleFileHandle handle) {
    return static_cast<std::uint32_t>(std::fread(destination, 1, count, AsDiskFile(handle).file));
}

ModuleFileHandle DiskFileSeek(ModuleFileHandle handle, std::int64_t offset, std::uint8_t origin) {
    DiskFile& file = AsDiskFile(handle);
    const std::int64_t target = SeekTarget(Position(file), file.size, offset, origin);
    std::fseek(file.file, static_cast<long>(target), SEEK_SET);
    return handle;
}

std::uint32_t DiskFileTell(ModuleFileHandle handle) { return static_cast<std::uint32_t>(Position(AsDiskFile(handle))); }

}  // namespace zint
