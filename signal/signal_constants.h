#pragma once
// The shape of the programming signal, shared by the synthesizer that makes it and the decoder
// that reads it back: a one-second lead-in tone, 128 symbols of three-tone FSK, a closing tone.

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

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
// Samples are in 16-bit units: a full-scale sine has this amplitude.
inline constexpr double kFullScale = 32768.0;
// Peak sample value of the trainer's edge beeps, whatever the level of the send.
inline constexpr double kBeepAmplitude = 16000.0;

// The modulation filter's coefficient when the program starts, and after every press of the
// trainer's start/stop button.
inline constexpr double kInitialAlpha = 0.2;

// The sample rates the decoder takes (a recording, a sound input); the WAV reader refuses others.
inline constexpr int kMinDecoderRate = 8000;
inline constexpr int kMaxDecoderRate = 48000;

// "8000..48000 Гц", for the messages that refuse another rate.
inline std::string DecoderRateRangeText() {
    return std::to_string(kMinDecoderRate) + ".." + std::to_string(kMaxDecoderRate) + " Гц";
}

// The longest possible code (every symbol the longest one), in samples.
inline constexpr int kLongestCodeSamples =
    kSymbolCount * std::max({kSymbolSamples[0], kSymbolSamples[1], kSymbolSamples[2]});

}  // namespace tornel
