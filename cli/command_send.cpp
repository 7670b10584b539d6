// tornel4-cli send: build the packet, write "_qq.wav" and "9_fmsig.h", play "_qq.wav" to its end.

#include <filesystem>
#include <iostream>

#include "cli/commands.h"
#include "cli/sound_module.h"
#include "signal/wav_writer.h"

namespace tornel::cli {

namespace {

// "a («Описание A»), b («Описание B»)": the outputs there are, for a name that is not among them.
std::string OutputsText(const platform::SoundDevices& devices) {
    if (!devices.reachable) {
        return devices.error;
    }
    std::string text;
    for (const platform::SoundDevice& output : devices.outputs) {
        text += (text.empty() ? "" : ", ") + output.name + " («" + output.description + "»)";
    }
    return text.empty() ? "нет ни одного" : text;
}

// Plays the file through the sound module; returns the reason when nothing was played.
std::string PlayFile(const std::string& path, const platform::PlaybackTarget& target) {
    std::string error;
    const auto module = SoundModule::Load(error);
    if (!module) {
        return error;
    }
    const auto output = module->backend().MakeSoundOutput();
    const platform::PlayResult result = output->PlayFile(path, target, {});
    if (result.played) {
        return {};
    }
    if (result.deviceMissing) {
        return result.error + "; есть: " + OutputsText(module->backend().ListDevices());
    }
    return result.error.empty() ? "сигнал не выдан" : result.error;
}

}  // namespace

int RunSend(const Options& options) {
    const BuildResult build = BuildPacket(InputsOf(options).inputs, *options.parameters);
    Synthesizer synth;
    synth.setAlpha(options.alpha);
    const std::filesystem::path dir(options.dir);
    // A FileError ends the command here, before anything is played; main() reports it.
    WriteWavFile(synth, build.packet, options.filterOn, dir);

    const std::string error = PlayFile((dir / kWavFileName).string(),
                                       {.device = options.device, .levelPercent = options.level});
    if (!error.empty()) {
        std::cerr << "tornel4-cli: " << error << '\n';
        return 1;
    }
    return 0;
}

}  // namespace tornel::cli
