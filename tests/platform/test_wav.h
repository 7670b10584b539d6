#pragma once
// Small helpers for the sound tests: WAV bytes, a scoped environment variable, signal checks.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace tornel::test {

// The bytes of a 16-bit PCM WAV file with the given samples.
std::vector<std::uint8_t> WavBytes(const std::vector<std::int16_t>& samples, int rate,
                                   int channels = 1);
void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::string name_;
    std::optional<std::string> saved_;
};

// Where `expected` (from its first non-zero sample) starts in `recording`, or -1 when the
// recording does not hold exactly those samples followed by silence only.
long FindExactly(const std::vector<std::int16_t>& recording,
                 const std::vector<std::int16_t>& expected);

}  // namespace tornel::test
