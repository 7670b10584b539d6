#pragma once
// The shape of the programming signal, shared by the synthesizer that makes it and the decoder
// that reads it back: a one-second lead-in tone, 128 symbols of three-tone FSK, a closing tone.

#include <algorithm>
#include <array>
#include <cstdint>

namespace tornel {

// The signal is made at this rate; every length below counts samples at it.
inline constexpr int kSampleRate = 16000;

// The three tones, Hz: symbol 0 (a 0 bit), symbol 1 (a 1 bit) and symbol 2, the repeat symbol
// sent for a bit equal to the symbol before it.
inline constexpr std::array<double, 3> kToneHz = {470.0, 615.0, 889.0};
// How long each symbol's tone sounds, in samples.
inline constexpr std::array<int, 3> kSymbolSamples = {340, 312, 324};
inline constexpr int kRepeatSymbol = 2;
inline constexpr int kSymbolCount = 128;  // 16 bytes, most significant bit first

// The lead-in and the closing tone use symbol 1's tone.
inline constexpr int kLeadInTone = 1;
inline constexpr int kLeadInSamples = 16000;
inline constexpr int kClosingSamples = 4000;

// Peak sample value of the synthesized signal.
inline constexpr std::int32_t kAmplitude = 30000;

// The longest possible code (every symbol the longest one), in samples.
inline constexpr int kLongestCodeSamples =
    kSymbolCount * std::max({kSymbolSamples[0], kSymbolSamples[1], kSymbolSamples[2]});

}  // namespace tornel
