#pragma once
// The programs' private modules: shared objects loaded with dlopen when first needed, never
// linked, so that their libraries (the sound server's client, hamlib) and everything those pull
// in cost the start of a program nothing. A module lies beside the program (the build folder) or
// in the installation's module folder (<prefix>/lib/<multiarch>/tornel4 beside <prefix>/bin).

#include <filesystem>
#include <string>
#include <vector>

namespace tornel::platform {

// Where `file` may lie, in the order tried.
std::vector<std::filesystem::path> PrivateModuleCandidates(const std::string& file);

// The first candidate that exists; the last one when none does (dlopen then names it).
std::filesystem::path PrivateModulePath(const std::string& file);

// Opens the module with all its symbols bound at once; nullptr and dlerror's text in `error`
// when it cannot be loaded.
void* OpenPrivateModule(const std::filesystem::path& path, std::string& error);

void* PrivateModuleSymbol(void* handle, const char* name);

// The module's entry `name` as a function of type F; nullptr when the module has none.
template <typename F>
F PrivateModuleEntry(void* handle, const char* name) {
    return reinterpret_cast<F>(PrivateModuleSymbol(handle, name));
}

}  // namespace tornel::platform
