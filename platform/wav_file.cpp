#include "platform/wav_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace tornel::platform {

namespace {

constexpr std::uintmax_t kMaxFileBytes = 256u * 1024 * 1024;
constexpr int kMaxChannels = 8;
constexpr int kMaxRate = 384000;

std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 |
           static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint16_t Le16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

bool HasTag(std::span<const std::uint8_t> b, std::size_t at, std::string_view tag) {
    return std::memcmp(b.data() + at, tag.data(), 4) == 0;
}

struct Format {
    int channels = 0;
    int rate = 0;
};

Format ParseFormat(std::span<const std::uint8_t> chunk) {
    if (chunk.size() < 16) {
        throw WavFileError("блок формата слишком короткий");
    }
    const int tag = Le16(chunk, 0);
    const int channels = Le16(chunk, 2);
    const auto rate = Le32(chunk, 4);
    const int bits = Le16(chunk, 14);
    if (tag != 1 || bits != 16) {
        throw WavFileError("поддерживается только PCM, 16 бит");
    }
    if (channels < 1 || channels > kMaxChannels || rate < 1 || rate > kMaxRate) {
        throw WavFileError("недопустимые число каналов или частота дискретизации");
    }
    return {channels, static_cast<int>(rate)};
}

std::vector<std::int16_t> ParseSamples(std::span<const std::uint8_t> chunk) {
    std::vector<std::int16_t> samples(chunk.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(Le16(chunk, 2 * i));
    }
    return samples;
}

}  // namespace

WavAudio ParseWav(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 12 || !HasTag(bytes, 0, "RIFF") || !HasTag(bytes, 8, "WAVE")) {
        throw WavFileError("это не файл WAV");
    }
    WavAudio audio;
    bool haveFormat = false;
    std::size_t at = 12;
    while (bytes.size() - at >= 8) {
        const std::uint32_t size = Le32(bytes, at + 4);
        const std::size_t body = at + 8;
        const bool isData = HasTag(bytes, at, "data");
        if (size > bytes.size() - body) {
            throw WavFileError(isData ? "файл обрезан: данных меньше, чем указано в заголовке"
                                      : "файл обрезан");
        }
        const auto chunk = bytes.subspan(body, size);
        if (HasTag(bytes, at, "fmt ")) {
            const Format format = ParseFormat(chunk);
            audio.channels = format.channels;
            audio.sampleRate = format.rate;
            haveFormat = true;
        } else if (isData) {
            if (!haveFormat) {
                throw WavFileError("нет блока формата перед данными");
            }
            if (size % (2u * static_cast<unsigned>(audio.channels)) != 0) {
                throw WavFileError("блок данных не делится на целые отсчёты");
            }
            audio.samples = ParseSamples(chunk);
            return audio;
        }
        at = body + size + (size & 1u);  // chunks are padded to an even length
        if (at > bytes.size()) {
            break;
        }
    }
    throw WavFileError(haveFormat ? "нет блока данных" : "нет блока формата");
}

WavAudio ReadWavFile(const std::filesystem::path& path) {
    const std::string name = "\"" + path.string() + "\"";
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw WavFileError("не удалось открыть файл " + name + ": " + std::strerror(errno));
    }
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (!ec && size > kMaxFileBytes) {
        throw WavFileError("файл " + name + " слишком велик");
    }
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    if (in.bad()) {
        throw WavFileError("не удалось прочитать файл " + name);
    }
    try {
        return ParseWav(bytes);
    } catch (const WavFileError& e) {
        throw WavFileError("файл " + name + ": " + e.what());
    }
}

}  // namespace tornel::platform
