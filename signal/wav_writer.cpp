#include "signal/wav_writer.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <string_view>
#include <system_error>

#include "files/replacement_file.h"
#include "packet/number_text.h"

namespace tornel {

namespace {

namespace fs = std::filesystem;

fs::path FullPath(const fs::path& dir, const char* name) {
    return fs::absolute(dir / name).lexically_normal();
}

FileError WavCreateError(const fs::path& path, const std::system_error& e) {
    return {"Cannot create file \"" + path.string() + "\". " + e.code().message(), path, e.code()};
}

// The input/output error texts of the export.
std::string ExportErrorText(const std::system_error& e) {
    switch (e.code().value()) {
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case ETXTBSY:
            return "File access denied";
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return "Disk full";
        case ENOENT:
        case ENOTDIR:
            return "Path not found";
        case EMFILE:
        case ENFILE:
            return "Too many open files";
        case ENAMETOOLONG:
            return "Invalid filename";
        default:
            return "I/O error " + std::to_string(e.code().value());
    }
}

FileError ExportError(const fs::path& path, const std::system_error& e) {
    return {ExportErrorText(e), path, e.code()};
}

void PutLittleEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

std::string WavImage(const Synthesizer& synth) {
    std::string image(kWavFileBytes, '\0');
    const auto header = WavHeader();
    std::copy(header.begin(), header.end(), image.begin());
    std::size_t at = kWavHeaderBytes;
    for (std::int16_t sample : synth.buffer().first(kWavDataSamples)) {
        const auto bits = static_cast<std::uint16_t>(sample);
        image[at++] = static_cast<char>(bits & 0xFF);  // little-endian
        image[at++] = static_cast<char>(bits >> 8);
    }
    return image;
}

}  // namespace

std::array<std::uint8_t, kWavHeaderBytes> WavHeader() {
    std::string h = "RIFF";
    PutLittleEndian(h, 36 + kWavDataBytes, 4);
    h += "WAVEfmt ";
    PutLittleEndian(h, 16, 4);               // format chunk size
    PutLittleEndian(h, 1, 2);                // PCM
    PutLittleEndian(h, 1, 2);                // mono
    PutLittleEndian(h, kSampleRate, 4);      // samples per second
    PutLittleEndian(h, 2 * kSampleRate, 4);  // bytes per second
    PutLittleEndian(h, 2, 2);                // block alignment
    PutLittleEndian(h, 16, 2);               // bits per sample
    h += "data";
    PutLittleEndian(h, kWavDataBytes, 4);
    std::array<std::uint8_t, kWavHeaderBytes> header{};
    for (std::size_t i = 0; i < header.size(); ++i) {
        header[i] = static_cast<std::uint8_t>(h[i]);
    }
    return header;
}

std::string SynthesizeWavImage(Synthesizer& synth, const Packet& packet, bool filterOn) {
    synth.BuildSignal(packet, filterOn);
    // A shorter signal after a longer one must not carry the old end into the data chunk.
    synth.ClearAfterSignal(kWavDataSamples);
    return WavImage(synth);
}

void WriteWavFile(Synthesizer& synth, const Packet& packet, bool filterOn,
                  const std::filesystem::path& dir) {
    const fs::path path = FullPath(dir, kWavFileName);
    try {
        ReplacementFile wav(path);  // before the synthesis: a failure here changes nothing
        wav.Write(SynthesizeWavImage(synth, packet, filterOn));
        wav.Commit();
    } catch (const std::system_error& e) {
        throw WavCreateError(path, e);
    }
    ExportCArray(synth, dir);
}

std::string CArrayText(std::span<const std::int16_t> buffer) {
    // Every exported value lies in -128 .. 127 and takes four characters: format each once.
    static const auto kFields = [] {
        std::array<std::array<char, 4>, 256> fields{};
        for (int v = -128; v < 128; ++v) {
            const std::string text = IntToStrW(v, 4);
            std::copy_n(text.begin(), 4, fields[static_cast<std::size_t>(v + 128)].begin());
        }
        return fields;
    }();
    constexpr std::string_view kHead = "const signed char FM[8*64*16] = {\r\n";
    const auto values = buffer.subspan(kCArrayFirstSample, kCArraySamples);
    std::string text(kCArrayFileBytes, '\0');
    char* out = std::copy(kHead.begin(), kHead.end(), text.data());
    for (std::size_t i = 0; i < values.size(); ++i) {
        // The division truncates toward zero.
        const auto& field = kFields[static_cast<std::size_t>(values[i] / 256 + 128)];
        out = std::copy(field.begin(), field.end(), out);
        if (i + 1 < values.size()) {
            *out++ = ',';
        }
        if (i % 16 == 15) {
            out = std::copy_n("\r\n", 2, out);
        }
    }
    out = std::copy_n("};", 2, out);
    text.resize(static_cast<std::size_t>(out - text.data()));
    return text;
}

void ExportCArray(const Synthesizer& synth, const std::filesystem::path& dir) {
    const fs::path path = FullPath(dir, kCArrayFileName);
    try {
        ReplaceFileContents(path, CArrayText(synth.buffer()));
    } catch (const std::system_error& e) {
        throw ExportError(path, e);
    }
}

}  // namespace tornel
