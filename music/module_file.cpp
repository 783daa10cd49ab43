#include "music/module_file.h"

namespace zint {

namespace {

ModuleFileCallbacks installedCallbacks;

}  // namespace

void SetModuleFileCallbacks(decltype(ModuleFileCallbacks::open) open, decltype(ModuleFileCallbacks::close) close,
                            decltype(ModuleFileCallbacks::read) read, decltype(ModuleFileCallbacks::seek) seek,
                            decltype(ModuleFileCallbacks::tell) tell) {
    ModuleFileCallbacks callbacks{open, close, read, seek, tell};
    installedCallbacks = callbacks.Installed() ? callbacks : ModuleFileCallbacks{};
}

std::int64_t SeekTarget(std::int64_t position, std::int64_t size, std::int64_t offset, std::uint8_t origin) {
    std::int64_t target = position;
    switch (origin) {
        case kSeekSet: target = offset; break;
        case kSeekCurrent: target = position + offset; break;
        case kSeekEnd: target = size + offset; break;
        default: break;
    }
    return target < 0 || target > size ? size : target;
}

const ModuleFileCallbacks& InstalledModuleFileCallbacks() { return installedCallbacks; }

ModuleStream::ModuleStream(const void* name) : callbacks(installedCallbacks) {
    if (callbacks.Installed()) handle = callbacks.open(name);
}

ModuleStream::~ModuleStream() {
    if (handle) callbacks.close(handle);
}

std::uint32_t ModuleStream::Read(void* destination, std::uint32_t count) {
    return handle ? callbacks.read(destination, count, handle) : 0;
}

void ModuleStream::Seek(std::int64_t offset, std::uint8_t origin) {
    if (handle) callbacks.seek(handle, offset, origin);
}

std::uint32_t ModuleStream::Tell() { return handle ? callbacks.tell(handle) : 0; }

std::uint32_t ModuleStream::Size() {
    const std::uint32_t position = Tell();
    Seek(0, kSeekEnd);
    const std::uint32_t size = Tell();
    Seek(position, kSeekSet);
    return size;
}

}  // namespace zint
