#pragma once
// Test helpers: synthesised signals made to sound like real recordings (other sample rates, a
// sound card's clock error, attenuation, white noise, silence around them, two channels), and WAV
// files built byte by byte, including malformed ones.

#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "packet/packet.h"

namespace tornel::test {

// How a recording differs from the synthesised 16 kHz signal.
struct Degradation {
    int rate = 16000;            // recording rate
    double clockError = 0.0;     // the playing card runs at 16 000 * (1 + clockError) samples/s
    double gainDb = 0.0;         // relative to the synthesised amplitude
    double snrDb = 1000.0;       // signal power over white-noise power; large = no noise
    double silenceBefore = 0.5;  // seconds
    double silenceAfter = 0.5;   // seconds
    std::uint32_t seed = 1;
};

// The signal as the recorder would capture it, as floats in int16 units (not yet rounded).
std::vector<float> Record(std::span<const std::int16_t> signal, const Degradation& d);

// Rounded and clipped to 16 bits.
std::vector<std::int16_t> ToInt16(std::span<const float> samples);

// A random packet with legal field values and box states, its CRC included.
Packet RandomPacket(std::mt19937& rng);

// Synthesises `packet` with a fresh synthesizer and returns the samples.
std::vector<std::int16_t> Synthesize(const Packet& packet, bool filterOn, double alpha = 0.2);

// Parts of a WAV file under construction.
struct WavLayout {
    std::uint16_t tag = 1;
    std::uint16_t channels = 1;
    std::uint32_t rate = 16000;
    std::uint16_t bits = 16;
    std::int32_t blockAlign = -1;  // -1: channels * bits / 8
    bool extensible = false;       // WAVE_FORMAT_EXTENSIBLE with `subformat`
    std::uint16_t subformat = 1;
    bool dataBeforeFormat = false;
    bool oddChunkFirst = false;          // a 3-byte "LIST" chunk (with its pad byte) first
    std::int64_t declaredDataSize = -1;  // -1: the real size
};

// A whole WAV file with `samples` (interleaved 16-bit) as its data.
std::vector<std::uint8_t> MakeWav(const WavLayout& layout, std::span<const std::int16_t> samples);

// Writes bytes to a file; returns the path.
std::string WriteFile(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace tornel::test
