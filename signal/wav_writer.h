#pragma once
// "_qq.wav" (44-byte header, fixed data chunk of 157 536 bytes) and the C-array export
// "9_fmsig.h". Each file is written to a temporary file in the same folder and renamed over the
// old one only when every write and the close succeeded: a failure leaves the previous good file.

#include <filesystem>
#include <stdexcept>
#include <string>

#include "signal/synthesizer.h"

namespace tornel {

inline constexpr const char* kWavFileName = "_qq.wav";
inline constexpr const char* kCArrayFileName = "9_fmsig.h";
inline constexpr std::uint32_t kWavDataBytes = 157536;
inline constexpr std::size_t kWavFileBytes = 44 + kWavDataBytes;
inline constexpr std::size_t kCArrayFileBytes = 42020;

// A file could not be created or written. The text is the one the operator sees.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Creates "_qq.wav" in `dir`, runs the synthesis of `packet`, writes the data chunk and the
// C-array export. Throws FileError: when "_qq.wav" cannot be created nothing is synthesised.
void WriteWavFile(Synthesizer& synth, const Packet& packet, bool filterOn,
                  const std::filesystem::path& dir);

// Writes "9_fmsig.h" in `dir` from the synthesizer's buffer. Throws FileError.
void ExportCArray(const Synthesizer& synth, const std::filesystem::path& dir);

}  // namespace tornel
