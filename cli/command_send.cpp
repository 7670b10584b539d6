// tornel4-cli send: build the packet, write "_qq.wav" and "9_fmsig.h", play "_qq.wav" to its end.

#include <filesystem>
#include <iostream>

#include "cli/commands.h"
#include "cli/sound_module.h"
#include "signal/wav_writer.h"

namespace tornel::cli {

namespace {

// Plays the file through the sound module; returns the reason when nothing was played.
std::string PlayFile(const std::string& path) {
    std::string error;
    const auto module = SoundModule::Load(error);
    if (!module) {
        return error;
    }
    const auto output = module->backend().MakeSoundOutput();
    const platform::PlayResult result = output->PlayFile(path, {}, {});
    if (result.played) {
        return {};
    }
    return result.error.empty() ? "сигнал не выдан" : result.error;
}

}  // namespace

int RunSend(const Options& options) {
    const BuildResult build = BuildPacket(options.inputs, *options.parameters);
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
