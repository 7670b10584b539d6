// tornel4-cli send: build the packet, write "_qq.wav" and "9_fmsig.h", play "_qq.wav" to its end.

#include <filesystem>
#include <iostream>

#include "cli/commands.h"
#include "platform/sound_output.h"
#include "signal/wav_writer.h"

namespace tornel::cli {

int RunSend(const Options& options) {
    const BuildResult build = BuildPacket(options.inputs);
    Synthesizer synth;
    synth.setAlpha(options.alpha);
    const std::filesystem::path dir(options.dir);
    // A FileError ends the command here, before anything is played; main() reports it.
    WriteWavFile(synth, build.packet, options.filterOn, dir);

    const auto output = platform::MakePulseSoundOutput("tornel4-cli");
    const platform::PlayResult result = output->PlayFile((dir / kWavFileName).string(), {});
    if (!result.played) {
        std::cerr << "tornel4-cli: " << result.error << '\n';
        return 1;
    }
    return 0;
}

}  // namespace tornel::cli
