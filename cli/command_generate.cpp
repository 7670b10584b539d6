// tornel4-cli generate: K sends back to back in one synthesizer, as K presses of "выдать" in one
// window session: phase and filter state carry over, both files are rewritten every time.
#include <filesystem>
#include <iostream>
#include <sstream>

#include "cli/commands.h"
#include "cli/listing_output.h"
#include "packet/number_text.h"
#include "signal/wav_writer.h"

namespace tornel::cli {

namespace {

std::vector<std::string> WrittenFiles(const std::string& dir) {
    std::vector<std::string> files;
    for (const char* name : {kWavFileName, kCArrayFileName}) {
        files.push_back(std::filesystem::absolute(std::filesystem::path(dir) / name)
                            .lexically_normal()
                            .string());
    }
    return files;
}

void PrintSummary(std::ostream& out, const BuildResult& build, const Synthesizer& synth,
                  const Options& options) {
    std::ostringstream bytes;
    for (std::uint8_t b : build.packet) {
        bytes << ' ' << ByteToHex(b);
    }
    const double seconds = static_cast<double>(synth.sampleCount()) / kSampleRate;
    out << "Пакет:" << bytes.str() << '\n';
    out << "CRC: " << WordToHex(build.crc) << '\n';
    out << "Сигнал: " << synth.sampleCount() << " отсчётов (" << seconds << " с), фильтр "
        << (options.filterOn ? "включён" : "выключен") << ", коэффициент " << synth.alpha() << '\n';
    if (options.repeat > 1) {
        out << "Выдач подряд: " << options.repeat << '\n';
    }
    out << "Файлы:\n";
    for (const auto& file : WrittenFiles(options.dir)) {
        out << "  " << file << '\n';
    }
}

}  // namespace

int RunGenerate(const Options& options) {
    const BuildResult build = BuildPacket(InputsOf(options).inputs, *options.parameters);
    Synthesizer synth;
    synth.setAlpha(options.alpha);
    try {
        for (int i = 0; i < options.repeat; ++i) {
            WriteWavFile(synth, build.packet, options.filterOn, options.dir);
        }
    } catch (const FileError& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
    if (options.json) {
        auto j = PacketJson(build);
        j["samples"] = synth.sampleCount();
        j["files"] = WrittenFiles(options.dir);
        std::cout << j.dump() << '\n';
    } else {
        PrintSummary(std::cout, build, synth, options);
    }
    return 0;
}

}  // namespace tornel::cli
