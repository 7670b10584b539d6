#include "sets/parameter_set_file.h"

#include <fstream>
#include <system_error>

#include "files/file_error.h"
#include "files/file_error_text.h"
#include "files/regular_file.h"
#include "files/replacement_file.h"
#include "signal/decoder.h"

namespace tornel {

namespace {

[[noreturn]] void Fail(const std::string& path, const std::string& reason) {
    throw ParameterSetError("файл \"" + path + "\": " + reason);
}

// The whole file, refused when it is longer than `limit` bytes.
std::string ReadSetFile(const std::string& path, std::size_t limit) {
    std::string text;
    try {
        text = ReadAtMost(path, limit);
    } catch (const FileError& e) {
        Fail(path, e.what());
    }
    if (text.size() > limit) {
        Fail(path,
             "больше " + std::to_string(limit / (1024 * 1024)) + " МБ: это не набор параметров");
    }
    return text;
}

bool StartsAsWav(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char magic[4] = {};
    in.read(magic, sizeof magic);
    return in.gcount() == 4 && std::string_view(magic, 4) == "RIFF";
}

// The field value a received byte stands for; throws when the window's field cannot hold it.
std::int32_t FieldOfByte(const std::string& path, const ParameterField& f, std::uint8_t byte) {
    const double value = *ValueOfByte(f, byte);
    const auto whole = static_cast<std::int32_t>(value);
    if (whole != value || whole < f.min || whole > f.max) {
        Fail(path, "в записи " + NameWithUnit(f) + " = " + std::to_string(value).substr(0, 6) +
                       ", а поле принимает целые числа " + std::to_string(f.min) + ".." +
                       std::to_string(f.max));
    }
    return whole;
}

ParameterSet SetFromRecording(const std::string& path, const PacketInputs& current,
                              const ParameterTable& table) {
    WavAudio audio;
    try {
        audio = ReadWavFile(path);
    } catch (const WavError& e) {
        Fail(path, std::string("не читается как запись WAV: ") + e.what());
    }
    const DecodeResult r = DecodeRecording(audio);
    if (!r.found) {
        Fail(path, "нет пакета: " + r.reason);  // the reason says "в записи ..." itself
    }
    if (!r.crcOk) {
        Fail(path, "пакет в записи с неверной CRC: " + r.reason);
    }
    ParameterSet set{{}, current};
    for (std::size_t i = 0; i < table.size(); ++i) {
        const ParameterField& f = table[i];
        const std::uint8_t byte = r.packet[static_cast<std::size_t>(f.byte)];
        bool* box = BoxOf(f.box, set.inputs.boxes);
        if (f.zeroedByBox && box != nullptr) {
            *box = byte != 0;
            if (byte == 0) {
                continue;  // a clear box: the field keeps its value
            }
        }
        set.inputs.fields[i] = FieldOfByte(path, f, byte);
    }
    return set;
}

}  // namespace

void SaveParameterSetFile(const std::string& path, const ParameterSet& set,
                          const ParameterTable& table) {
    try {
        ReplaceFileContents(path, ParameterSetText(set, table));
    } catch (const std::system_error& e) {
        throw ParameterSetError("файл \"" + path + "\" не сохранён: " + FileErrorText(e.code()));
    }
}

ParameterSet LoadParameterSource(const std::string& path, const PacketInputs& current,
                                 const ParameterTable& table) {
    if (const std::string reason = NotRegularFileReason(path); !reason.empty()) {
        Fail(path, reason);  // a pipe without a writer would block the open for ever
    }
    if (StartsAsWav(path)) {
        return SetFromRecording(path, current, table);
    }
    const std::string text = ReadSetFile(path, kMaxParameterSetBytes);
    try {
        return ParseParameterSet(text, table);
    } catch (const ParameterSetError& e) {
        Fail(path, e.what());
    }
}

}  // namespace tornel
