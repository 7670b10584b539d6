#include "signal/wav_reader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>

#include "files/regular_file.h"
#include "signal/signal_constants.h"

namespace tornel {

namespace {

constexpr std::uint16_t kTagPcm = 1;
constexpr std::uint16_t kTagFloat = 3;
constexpr std::uint16_t kTagExtensible = 0xFFFE;
constexpr std::size_t kMaxChunks = 100000;  // bounds the walk over a hostile file

// The tail of the KSDATAFORMAT_SUBTYPE_PCM GUID, after its first two bytes (the format tag).
constexpr std::array<std::uint8_t, 14> kPcmGuidTail = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                       0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// Random access to the file's bytes: reads up to out.size() bytes at `offset`, returns how many.
struct ByteSource {
    std::uint64_t size = 0;
    std::function<std::size_t(std::uint64_t offset, std::span<std::uint8_t> out)> read;
};

std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

struct Format {
    std::uint16_t tag = 0;
    std::uint16_t channels = 0;
    std::uint32_t rate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bits = 0;
    bool extensiblePcm = false;
    bool extensibleFloat = false;
};

struct DataChunk {
    std::uint64_t offset = 0;
    std::uint64_t declaredSize = 0;
};

Format ParseFormat(std::span<const std::uint8_t> body) {
    if (body.size() < 16) {
        throw WavError("блок формата «fmt » короче 16 байт");
    }
    Format f;
    f.tag = Le16(&body[0]);
    f.channels = Le16(&body[2]);
    f.rate = Le32(&body[4]);
    f.blockAlign = Le16(&body[12]);
    f.bits = Le16(&body[14]);
    if (f.tag == kTagExtensible) {
        if (body.size() < 40) {
            throw WavError("блок формата WAVE_FORMAT_EXTENSIBLE короче 40 байт");
        }
        const std::uint8_t* guid = &body[24];
        const bool knownTail = std::equal(kPcmGuidTail.begin(), kPcmGuidTail.end(), guid + 2);
        f.extensiblePcm = knownTail && Le16(guid) == kTagPcm;
        f.extensibleFloat = knownTail && Le16(guid) == kTagFloat;
    }
    return f;
}

void CheckFormat(const Format& f) {
    if (f.tag == kTagFloat || f.extensibleFloat) {
        throw WavError("отсчёты с плавающей точкой не поддерживаются, нужен 16-битный PCM");
    }
    if (f.tag != kTagPcm && !f.extensiblePcm) {
        throw WavError("формат данных " + std::to_string(f.tag) +
                       " не поддерживается, нужен 16-битный PCM");
    }
    if (f.channels == 0) {
        throw WavError("в файле 0 каналов");
    }
    if (f.channels > kMaxWavChannels) {
        throw WavError("слишком много каналов: " + std::to_string(f.channels) + " (не более " +
                       std::to_string(kMaxWavChannels) + ")");
    }
    if (f.bits != 16) {
        throw WavError("поддерживается только 16-битный PCM, в файле " + std::to_string(f.bits) +
                       " бит на отсчёт");
    }
    if (f.blockAlign != f.channels * 2) {
        throw WavError("неверный размер кадра: " + std::to_string(f.blockAlign) + " байт при " +
                       std::to_string(f.channels) + " каналах");
    }
    if (f.rate < kMinDecoderRate || f.rate > kMaxDecoderRate) {
        throw WavError("частота дискретизации " + std::to_string(f.rate) + " Гц вне допустимых " +
                       DecoderRateRangeText());
    }
}

void ReadExactly(const ByteSource& src, std::uint64_t offset, std::span<std::uint8_t> out) {
    if (src.read(offset, out) != out.size()) {
        throw WavError("ошибка чтения файла");
    }
}

void CheckRiffHeader(const ByteSource& src) {
    std::array<std::uint8_t, 12> head{};
    if (src.size < head.size()) {
        throw WavError("файл короче заголовка RIFF/WAVE");
    }
    ReadExactly(src, 0, head);
    if (std::memcmp(head.data(), "RIFF", 4) != 0 || std::memcmp(head.data() + 8, "WAVE", 4) != 0) {
        throw WavError("это не WAV-файл: нет заголовка RIFF/WAVE");
    }
}

WavAudio ReadSamples(const ByteSource& src, const Format& f, const DataChunk& data) {
    const std::uint64_t available = std::min(data.declaredSize, src.size - data.offset);
    const std::uint64_t frameBytes = f.blockAlign;
    const std::uint64_t usable = available / frameBytes * frameBytes;
    if (usable > kMaxWavDataBytes) {
        throw WavError("слишком большой блок данных: более " +
                       std::to_string(kMaxWavDataBytes >> 20) + " МБ");
    }
    if (usable / frameBytes > std::uint64_t{f.rate} * kMaxWavSeconds) {
        throw WavError("запись длиннее " + std::to_string(kMaxWavSeconds / 60) + " минут");
    }
    std::vector<std::uint8_t> raw(static_cast<std::size_t>(usable));
    ReadExactly(src, data.offset, raw);

    WavAudio audio;
    audio.sampleRate = static_cast<int>(f.rate);
    audio.channelCount = f.channels;
    audio.truncated = available < data.declaredSize;
    audio.samples.resize(raw.size() / 2);
    for (std::size_t i = 0; i < audio.samples.size(); ++i) {
        audio.samples[i] = static_cast<std::int16_t>(Le16(&raw[2 * i]));
    }
    return audio;
}

WavAudio Parse(const ByteSource& src) {
    CheckRiffHeader(src);
    std::optional<Format> format;
    std::optional<DataChunk> data;
    std::uint64_t pos = 12;
    // The walk ends at the first format and data chunks: what follows them (padding, trailing
    // metadata, zero bytes) is never read and cannot exhaust the chunk limit.
    for (std::size_t count = 0; pos + 8 <= src.size && !(format && data); ++count) {
        if (count == kMaxChunks) {
            throw WavError("слишком много блоков в файле");
        }
        std::array<std::uint8_t, 8> head{};
        ReadExactly(src, pos, head);
        const std::uint64_t size = Le32(head.data() + 4);
        const std::uint64_t body = pos + 8;
        if (std::memcmp(head.data(), "fmt ", 4) == 0 && !format) {
            std::array<std::uint8_t, 40> fmt{};
            const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(size, fmt.size()));
            const std::size_t got = src.read(body, std::span(fmt).first(want));
            format = ParseFormat(std::span<const std::uint8_t>(fmt).first(got));
        } else if (std::memcmp(head.data(), "data", 4) == 0 && !data) {
            data = DataChunk{body, size};
        }
        pos = body + size + (size & 1);
    }
    if (!format) {
        throw WavError("в файле нет блока формата «fmt »");
    }
    CheckFormat(*format);
    if (!data) {
        throw WavError("в файле нет блока данных «data»");
    }
    return ReadSamples(src, *format, *data);
}

}  // namespace

WavAudio ParseWav(std::span<const std::uint8_t> bytes) {
    ByteSource src;
    src.size = bytes.size();
    src.read = [bytes](std::uint64_t offset, std::span<std::uint8_t> out) -> std::size_t {
        if (offset >= bytes.size() || out.empty()) {
            return 0;  // an empty span may have no storage to copy into
        }
        const auto n = std::min<std::size_t>(out.size(), bytes.size() - offset);
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), n, out.begin());
        return n;
    };
    return Parse(src);
}

WavAudio ReadWavFile(const std::string& path) {
    if (const std::string reason = NotRegularFileReason(path); !reason.empty()) {
        throw WavError(reason);  // a pipe without a writer would block the open for ever
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw WavError("не удаётся открыть файл");
    }
    file.seekg(0, std::ios::end);
    const std::streamoff end = file.tellg();
    if (end < 0) {
        throw WavError("не удаётся прочитать файл");
    }
    ByteSource src;
    src.size = static_cast<std::uint64_t>(end);
    src.read = [&file](std::uint64_t offset, std::span<std::uint8_t> out) -> std::size_t {
        if (out.empty()) {
            return 0;
        }
        file.clear();
        file.seekg(static_cast<std::streamoff>(offset));
        file.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
        return static_cast<std::size_t>(file.gcount());
    };
    return Parse(src);
}

}  // namespace tornel
