#pragma once
// Reading 16-bit PCM WAV recordings for the decoder.
//
// Accepts RIFF/WAVE files whose format chunk is plain PCM (tag 1) or WAVE_FORMAT_EXTENSIBLE with
// the PCM sub-format, 16 bits per sample, 1 to 8 channels, at a rate the decoder takes
// (kMinDecoderRate .. kMaxDecoderRate).
// Chunks may come in any order; odd-sized chunks carry their pad byte. A data chunk that claims
// more bytes than the file holds is taken as a cut recording: what is there is used. The reader
// never trusts a size from the file for an allocation: data beyond kMaxWavDataBytes
// (files/size_limits.h) or longer than kMaxWavSeconds is refused.

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "files/size_limits.h"

namespace tornel {

inline constexpr int kMaxWavSeconds = 600;
inline constexpr int kMaxWavChannels = 8;

// A file that is not a WAV recording this reader can use; the text is Russian and says why.
class WavError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct WavAudio {
    int sampleRate = 0;
    int channelCount = 0;
    std::vector<std::int16_t> samples;  // interleaved frames
    bool truncated = false;             // the data chunk claimed more than the file held

    std::size_t frameCount() const {
        return channelCount > 0 ? samples.size() / static_cast<std::size_t>(channelCount) : 0;
    }
};

// Parses a whole WAV file held in memory. Throws WavError.
WavAudio ParseWav(std::span<const std::uint8_t> bytes);

// Reads and parses the file at `path`. Throws WavError, also when the file cannot be read.
WavAudio ReadWavFile(const std::string& path);

}  // namespace tornel
