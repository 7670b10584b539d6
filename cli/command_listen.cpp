// tornel4-cli listen: decodes the signal from a sound input as it arrives and prints each packet
// heard, one line (or one JSON object) per packet, as soon as its last symbol has come in.

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/decoded_parameters.h"
#include "cli/packet_report.h"
#include "platform/sound_input.h"
#include "platform/sound_module.h"
#include "signal/stream_decoder.h"

namespace tornel::cli {

namespace {

constexpr int kExitHeard = 0;
constexpr int kExitNothing = 1;

using SteadyClock = std::chrono::steady_clock;

// How long one read waits for samples: the loop checks its limits this often.
constexpr auto kReadSlice = std::chrono::milliseconds(100);
// The level shown on a terminal is refreshed this often.
constexpr auto kLevelInterval = std::chrono::milliseconds(200);
// A stalled input still ends a timed listen this long after its time is up.
constexpr auto kStallGrace = std::chrono::seconds(5);

std::string SecondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", seconds);
    return text;
}

void PrintPacket(const DecodeResult& r, bool json, const ParameterTable& table) {
    if (json) {
        nlohmann::ordered_json j;
        j["time"] = std::round(r.startSeconds * 100.0) / 100.0;
        j.update(PacketJson(r, table));
        j["level"] = std::round(r.level * 1000.0) / 1000.0;
        std::cout << j.dump() << std::endl;
        return;
    }
    std::cout << SecondsText(r.startSeconds) << " с | Пакет: " << BytesText(r.packet)
              << " | CRC: " << CrcText(r);
    for (const std::string& parameter : DecodedParametersText(r.packet, table)) {
        std::cout << " | " << parameter;
    }
    std::cout << std::endl;
}

// The input level on stderr, on one line that each refresh overwrites.
class LevelMeter {
  public:
    LevelMeter() : enabled_(isatty(STDERR_FILENO) != 0) {}

    void Show(std::span<const float> samples) {
        if (!enabled_ || samples.empty() || SteadyClock::now() - shown_ < kLevelInterval) {
            return;
        }
        shown_ = SteadyClock::now();
        double power = 0.0;
        for (float v : samples) {
            power += static_cast<double>(v) * v;
        }
        power /= static_cast<double>(samples.size());
        const double db = 10.0 * std::log10(std::max(power, 1e-3) / (kFullScale * kFullScale));
        const int bars = std::clamp(static_cast<int>((db + 60.0) / 3.0), 0, 20);
        std::cerr << "\r\033[Kвход: " << std::string(static_cast<std::size_t>(bars), '#')
                  << std::string(static_cast<std::size_t>(20 - bars), '.') << ' '
                  << static_cast<int>(std::lround(db)) << " дБ" << std::flush;
    }

    // Clears the level line before a packet line is printed.
    void Clear() {
        if (enabled_) {
            std::cerr << "\r\033[K" << std::flush;
        }
    }

  private:
    bool enabled_;
    SteadyClock::time_point shown_{};
};

}  // namespace

int RunListen(const Options& options) {
    const auto backend = platform::LoadSoundBackend(kSoundClientName);
    // A failure to open the input ends the command; main() reports it.
    const std::unique_ptr<platform::SoundInput> input = backend->MakeSoundInput(options.device);
    StreamDecoder decoder(input->rate());
    LevelMeter meter;
    const auto started = SteadyClock::now();
    const auto rate = static_cast<std::int64_t>(input->rate());
    int heard = 0;
    int good = 0;
    std::vector<float> block;
    auto report = [&](std::vector<DecodeResult> results) {
        for (const DecodeResult& r : results) {
            if (!r.found || (options.count > 0 && heard >= options.count)) {
                continue;
            }
            meter.Clear();
            PrintPacket(r, options.json, *options.parameters);
            ++heard;
            good += r.crcOk ? 1 : 0;
        }
    };
    while (options.count == 0 || heard < options.count) {
        if (options.seconds > 0 &&
            (decoder.position() >= options.seconds * rate ||
             SteadyClock::now() - started >= std::chrono::seconds(options.seconds) + kStallGrace)) {
            break;
        }
        block.clear();
        input->Read(block, kReadSlice);
        if (options.seconds > 0) {  // what came after the time is up is not listened to
            const std::int64_t left = options.seconds * rate - decoder.position();
            block.resize(static_cast<std::size_t>(
                std::min<std::int64_t>(left, static_cast<std::int64_t>(block.size()))));
        }
        meter.Show(block);
        report(decoder.Feed(block));
    }
    report(decoder.Finish());
    meter.Clear();
    return good > 0 ? kExitHeard : kExitNothing;
}

}  // namespace tornel::cli
