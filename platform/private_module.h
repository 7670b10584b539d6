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

// The entry `name` of the module `file`. The module is opened with all its symbols bound at once
// and kept for the rest of the process: what it makes runs its code and may outlive the caller.
// Throws std::runtime_error in Russian, `module` naming the module: "… не загружен: " with the
// loader's reason, or "… повреждён: " with its path when it lacks the entry.
void* PrivateEntryAddress(const std::string& file, const char* name, const std::string& module);

// The same entry as a function of type F.
template <typename F>
F PrivateEntry(const std::string& file, const char* name, const std::string& module) {
    return reinterpret_cast<F>(PrivateEntryAddress(file, name, module));
}

}  // namespace tornel::platform
