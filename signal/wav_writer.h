#pragma once
// "_qq.wav" (44-byte header, fixed data chunk of 157 536 bytes) and the C-array export
// "9_fmsig.h". Each file is written to a temporary file in the same folder and renamed over the
// old one only when every write and the close succeeded: a failure leaves the previous good file.

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>

#include "signal/synthesizer.h"

namespace tornel {

inline constexpr const char* kWavFileName = "_qq.wav";
inline constexpr const char* kCArrayFileName = "9_fmsig.h";
inline constexpr std::uint32_t kWavDataBytes = 157536;
inline constexpr std::size_t kWavHeaderBytes = 44;
inline constexpr std::size_t kWavFileBytes = kWavHeaderBytes + kWavDataBytes;
inline constexpr std::size_t kWavDataSamples = kWavDataBytes / 2;
inline constexpr std::size_t kCArrayFileBytes = 42020;
// The export holds samples kCArrayFirstSample .. kCArrayFirstSample + 8191.
inline constexpr std::size_t kCArrayFirstSample = 15936;
inline constexpr std::size_t kCArraySamples = 8 * 64 * 16;

// A file could not be created or written. what() is the text the command line prints:
// "Cannot create file "<full path>". <reason>" for "_qq.wav", the input/output error text
// ("File access denied", "Disk full", ...) for "9_fmsig.h". path() and code() say which file
// and why, for a message in the operator's language.
class FileError : public std::runtime_error {
  public:
    FileError(const std::string& what, std::filesystem::path path, std::error_code code)
        : std::runtime_error(what), path_(std::move(path)), code_(code) {}

    const std::filesystem::path& path() const { return path_; }
    std::error_code code() const { return code_; }

  private:
    std::filesystem::path path_;
    std::error_code code_;
};

// The 44 bytes that open every "_qq.wav".
std::array<std::uint8_t, kWavHeaderBytes> WavHeader();

// Runs the synthesis of `packet` and returns the bytes of "_qq.wav" (the data chunk holds silence
// after the signal); the text of "9_fmsig.h" is then CArrayText(synth.buffer()). WriteWavFile
// writes these; the browser edition hands them out as downloads.
std::string SynthesizeWavImage(Synthesizer& synth, const Packet& packet, bool filterOn);

// Creates "_qq.wav" in `dir`, runs the synthesis of `packet`, writes the data chunk (silence
// after the signal) and the C-array export. Throws FileError; when "_qq.wav" cannot be created
// nothing is synthesised and the synthesizer is unchanged.
void WriteWavFile(Synthesizer& synth, const Packet& packet, bool filterOn,
                  const std::filesystem::path& dir);

// The text of "9_fmsig.h" for a sample buffer (at least kCArrayFirstSample + kCArraySamples long).
std::string CArrayText(std::span<const std::int16_t> buffer);

// Writes "9_fmsig.h" in `dir` from the synthesizer's buffer. Throws FileError.
void ExportCArray(const Synthesizer& synth, const std::filesystem::path& dir);

}  // namespace tornel
