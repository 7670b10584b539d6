#pragma once
// Reading a 16-bit PCM WAV file for playback: the format and the samples of its data chunk.

#include <cstdint>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <vector>

namespace tornel::platform {

// The file could not be read or is not a 16-bit PCM WAV file. The text is Russian.
class WavFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct WavAudio {
    int sampleRate = 0;
    int channels = 0;
    std::vector<std::int16_t> samples;  // interleaved when channels > 1

    double Seconds() const {
        return sampleRate > 0 && channels > 0
                   ? static_cast<double>(samples.size()) / channels / sampleRate
                   : 0.0;
    }
};

// Parses the bytes of a WAV file. Chunks other than "fmt " and "data" are skipped. A data
// chunk shorter than its header says is an error: a cut signal must not be played as whole.
WavAudio ParseWav(std::span<const std::uint8_t> bytes);

// Reads and parses the file. Throws WavFileError naming the file and the reason.
WavAudio ReadWavFile(const std::filesystem::path& path);

}  // namespace tornel::platform
