#include "tests/platform/test_wav.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace tornel::test {

namespace {

void Put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}

void Put16(std::vector<std::uint8_t>& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void PutTag(std::vector<std::uint8_t>& b, const char* tag) {
    for (int i = 0; i < 4; ++i) {
        b.push_back(static_cast<std::uint8_t>(tag[i]));
    }
}

}  // namespace

std::vector<std::uint8_t> WavBytes(const std::vector<std::int16_t>& samples, int rate,
                                   int channels) {
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::vector<std::uint8_t> b;
    PutTag(b, "RIFF");
    Put32(b, 36 + dataBytes);
    PutTag(b, "WAVE");
    PutTag(b, "fmt ");
    Put32(b, 16);
    Put16(b, 1);
    Put16(b, static_cast<std::uint16_t>(channels));
    Put32(b, static_cast<std::uint32_t>(rate));
    Put32(b, static_cast<std::uint32_t>(rate * channels * 2));
    Put16(b, static_cast<std::uint16_t>(channels * 2));
    Put16(b, 16);
    PutTag(b, "data");
    Put32(b, dataBytes);
    for (const auto s : samples) {
        Put16(b, static_cast<std::uint16_t>(s));
    }
    return b;
}

void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) {
        saved_ = old;
    }
    setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
    if (saved_) {
        setenv(name_.c_str(), saved_->c_str(), 1);
    } else {
        unsetenv(name_.c_str());
    }
}

long FindExactly(const std::vector<std::int16_t>& recording,
                 const std::vector<std::int16_t>& expected) {
    std::size_t first = 0;
    while (first < expected.size() && expected[first] == 0) {
        ++first;
    }
    std::size_t at = 0;
    while (at < recording.size() && recording[at] == 0) {
        ++at;
    }
    const std::size_t length = expected.size() - first;
    if (at + length > recording.size()) {
        return -1;
    }
    for (std::size_t i = 0; i < length; ++i) {
        if (recording[at + i] != expected[first + i]) {
            return -1;
        }
    }
    for (std::size_t i = at + length; i < recording.size(); ++i) {
        if (recording[i] != 0) {
            return -1;
        }
    }
    return static_cast<long>(at);
}

}  // namespace tornel::test
