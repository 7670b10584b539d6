#pragma once
// "_qq.wav" (44-byte header, fixed data chunk of 157 536 bytes) and the C-array export
// "9_fmsig.h". Each file is written to a temporary file in the same folder and renamed over the
// old one only when every write and the close succeeded: a failure leaves the previous good file.

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "files/file_error.h"
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

// A FileError's what() is the text the command line prints: "Cannot create file "<full path>".
// <reason>" for "_qq.wav", the input/output error text ("File access denied", "Disk full", ...)
// for "9_fmsig.h".

// The 44 bytes that open every "_qq.wav".
std::array<std::uint8_t, kWavHeaderBytes> WavHeader();

// Runs the synthesis of `packet` and returns the bytes of "_qq.wav" (the data chunk holds silence
// after the signal); the text of "9_fmsig.h" is then CArrayText(synth.buffer()). WriteWavFile
// writes these; the browser edition hands them out as downloads.
std::string SynthesizeWavImage(Synthesizer& synth, const Packet& packet, bool filterOn);

// The whole "выдать" up to the sound card: creates "_qq.wav" in `dir`, runs the synthesis of
// `packet` in `synth`, writes the data chunk (silence after the signal), then writes the C-array
// export "9_fmsig.h" beside it. Throws FileError; when "_qq.wav" cannot be created nothing is
// synthesised and the synthesizer is unchanged.
void WriteWavFile(Synthesizer& synth, const Packet& packet, bool filterOn,
                  const std::filesystem::path& dir);

// The text of "9_fmsig.h" for a sample buffer (at least kCArrayFirstSample + kCArraySamples long).
std::string CArrayText(std::span<const std::int16_t> buffer);

// Writes "9_fmsig.h" in `dir` from the synthesizer's buffer. Throws FileError.
void ExportCArray(const Synthesizer& synth, const std::filesystem::path& dir);

}  // namespace tornel
