// tornel4-cli send: build the packet, write "_qq.wav" and "9_fmsig.h", play "_qq.wav" to its end.

#include <dlfcn.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <iostream>
#include <memory>

#include "cli/commands.h"
#include "signal/wav_writer.h"

namespace tornel::cli {

namespace {

using PlayFileFunction = int (*)(const char*, char*, std::size_t);
constexpr const char* kSoundModule = "tornel4-sound.so";

// The sound module lies beside the program.
std::filesystem::path SoundModulePath() {
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path(kSoundModule) : self.parent_path() / kSoundModule;
}

// Plays the file through the sound module; returns the reason when nothing was played.
std::string PlayFile(const std::string& path) {
    const auto modulePath = SoundModulePath();
    std::unique_ptr<void, int (*)(void*)> module(dlopen(modulePath.c_str(), RTLD_NOW | RTLD_LOCAL),
                                                 &dlclose);
    if (!module) {
        return "звуковой модуль не загружен: " + std::string(dlerror());
    }
    const auto play = reinterpret_cast<PlayFileFunction>(dlsym(module.get(), "tornel4_play_file"));
    if (play == nullptr) {
        return "звуковой модуль повреждён: " + modulePath.string();
    }
    std::array<char, 512> error{};
    return play(path.c_str(), error.data(), error.size()) == 0 ? std::string() : error.data();
}

}  // namespace

int RunSend(const Options& options) {
    const BuildResult build = BuildPacket(options.inputs);
    Synthesizer synth;
    synth.setAlpha(options.alpha);
    const std::filesystem::path dir(options.dir);
    // A FileError ends the command here, before anything is played; main() reports it.
    WriteWavFile(synth, build.packet, options.filterOn, dir);

    const std::string error = PlayFile((dir / kWavFileName).string());
    if (!error.empty()) {
        std::cerr << "tornel4-cli: " << error << '\n';
        return 1;
    }
    return 0;
}

}  // namespace tornel::cli
