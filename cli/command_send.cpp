// tornel4-cli send: build the packet, write "_qq.wav" and "9_fmsig.h", play "_qq.wav" to its end,
// with the transmitter keyed around it when --ptt names one.

#include <filesystem>
#include <iostream>

#include "cli/commands.h"
#include "cli/send_keying.h"
#include "platform/sound_module.h"
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

// What went wrong with a playback, for the operator; empty when it played whole.
std::string PlayProblem(const platform::PlayResult& result, platform::SoundBackend& backend) {
    if (result.played) {
        return {};
    }
    if (result.incomplete) {
        return "сигнал не выдан полностью: " + result.error;
    }
    if (result.deviceMissing) {
        return result.error + "; есть: " + OutputsText(backend.ListDevices());
    }
    return result.error.empty() ? "сигнал не выдан" : result.error;
}

}  // namespace

int RunSend(const Options& options) {
    const BuildResult build = BuildPacket(InputsOf(options).inputs, *options.parameters);
    Synthesizer synth;
    synth.setAlpha(options.alpha);
    const std::filesystem::path dir(options.dir);
    // A FileError ends the command here, before anything is keyed or played; main() reports it.
    WriteWavFile(synth, build.packet, options.filterOn, dir);

    SendKeying keying(options);  // before the sound module starts any thread
    const auto backend = platform::LoadSoundBackend(kSoundClientName);
    const auto output = backend->MakeSoundOutput();
    const std::string path = (dir / kWavFileName).string();
    const platform::PlaybackTarget target{.device = options.device, .levelPercent = options.level};
    const std::string error =
        keying.Play([&] { return PlayProblem(output->PlayFile(path, target, {}), *backend); });
    if (!error.empty()) {
        std::cerr << "tornel4-cli: " << error << '\n';
        return 1;
    }
    return 0;
}

}  // namespace tornel::cli
