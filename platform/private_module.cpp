#include "platform/private_module.h"

#include <dlfcn.h>

#include <stdexcept>

#include "install_layout.h"

namespace tornel::platform {

std::vector<std::filesystem::path> PrivateModuleCandidates(const std::string& file) {
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return {file};
    }
    const auto bin = self.parent_path();
    return {bin / file, (bin / install::kModuleDirFromBin / file).lexically_normal()};
}

std::filesystem::path PrivateModulePath(const std::string& file) {
    const auto candidates = PrivateModuleCandidates(file);
    for (const auto& candidate : candidates) {
        if (std::filesystem::exists(candidate)) {
            return candidate;
        }
    }
    return candidates.back();
}

void* PrivateEntryAddress(const std::string& file, const char* name, const std::string& module) {
    const auto path = PrivateModulePath(file);
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        throw std::runtime_error(module + " не загружен: " + dlerror());
    }
    void* entry = dlsym(handle, name);
    if (entry == nullptr) {
        throw std::runtime_error(module + " повреждён: " + path.string());
    }
    return entry;
}

}  // namespace tornel::platform
