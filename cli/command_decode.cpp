// tornel4-cli decode FILE.wav [--json]: the packet and its parameters from a recording.
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "packet/number_text.h"
#include "signal/decoder.h"
#include "signal/wav_reader.h"

namespace tornel::cli {

namespace {

constexpr int kExitGood = 0;
constexpr int kExitNoPacket = 1;
constexpr int kExitNotWav = 2;

// One parameter in the window's units; empty when its box was clear (its byte is 0).
struct Parameter {
    const char* key;  // in JSON: "p1".."p9", or a member of "p10"
    const char* label;
    std::optional<double> value;
};

std::optional<double> Always(std::uint8_t byte) {
    return byte;
}

std::optional<double> ZeroIsOff(std::uint8_t byte, double unit = 1.0) {
    if (byte == 0) {
        return std::nullopt;
    }
    return byte * unit;
}

std::vector<Parameter> Parameters(const Packet& p) {
    return {
        {"p1", "1  порог VOX, шаг 10 мВ", Always(p[2])},
        {"p2", "2  задержка включения передатчика, 100 мс", Always(p[3])},
        {"p3", "3  задержка выключения передатчика, 100 мс", Always(p[4])},
        {"p4", "4  минимальная пауза между передачами, 100 мс", Always(p[5])},
        {"p5", "5  максимальное время передачи, с", ZeroIsOff(p[6])},
        {"p6", "6  время до входа в ПАУЗУ, с", ZeroIsOff(p[7])},
        {"p7", "7  время до выхода из ПАУЗЫ, 100 мс", Always(p[8])},
        {"p8", "8  максимальное время активности, мин", ZeroIsOff(p[9])},
        {"p9", "9  частота тона открытия, Гц", ZeroIsOff(p[10], 10.0)},
        {"first", "10 первая посылка PTT, с", ZeroIsOff(p[11], 0.1)},
        {"pause", "10 пауза между посылками, с", p[12] / 10.0},
        {"second", "10 вторая посылка PTT, с", p[13] / 10.0},
    };
}

// Whole numbers without a fraction, tenths with one digit: 2, 2.5, 1750.
std::string NumberText(double value) {
    const long tenths = std::lround(value * 10.0);
    std::string text = std::to_string(tenths / 10);
    if (tenths % 10 != 0) {
        text += "." + std::to_string(tenths % 10);
    }
    return text;
}

nlohmann::ordered_json NumberJson(const std::optional<double>& value) {
    if (!value) {
        return nullptr;
    }
    const long tenths = std::lround(*value * 10.0);
    if (tenths % 10 == 0) {
        return tenths / 10;
    }
    return static_cast<double>(tenths) / 10.0;
}

nlohmann::ordered_json ParametersJson(const Packet& packet) {
    nlohmann::ordered_json j;
    nlohmann::ordered_json p10;
    for (const Parameter& p : Parameters(packet)) {
        const std::string key = p.key;
        if (key == "first" || key == "pause" || key == "second") {
            p10[key] = NumberJson(p.value);
        } else {
            j[key] = NumberJson(p.value);
        }
    }
    j["p10"] = p10;
    return j;
}

std::string CrcText(const DecodeResult& r) {
    if (r.crcOk) {
        return WordToHex(r.receivedCrc) + " (верна)";
    }
    return WordToHex(r.receivedCrc) + " (неверна, вычислена " + WordToHex(r.computedCrc) + ")";
}

void PrintText(const DecodeResult& r) {
    std::cout << "Пакет:";
    for (std::uint8_t byte : r.packet) {
        std::cout << ' ' << static_cast<int>(byte);
    }
    std::cout << "\nCRC: " << CrcText(r) << "\nПараметры:\n";
    for (const Parameter& p : Parameters(r.packet)) {
        std::cout << "  " << p.label << ": " << (p.value ? NumberText(*p.value) : "выкл") << '\n';
    }
}

void PrintJson(const DecodeResult& r) {
    nlohmann::ordered_json j;
    if (r.found) {
        j["packet"] = r.packet;
        j["crc_ok"] = r.crcOk;
        j["crc"] = WordToHex(r.receivedCrc);
        j["crc_computed"] = WordToHex(r.computedCrc);
        j["parameters"] = ParametersJson(r.packet);
    } else {
        j["packet"] = nullptr;
        j["crc_ok"] = false;
        j["error"] = r.reason;
    }
    std::cout << j.dump() << '\n';
}

}  // namespace

int RunDecode(const Options& options) {
    WavAudio audio;
    try {
        audio = ReadWavFile(options.file);
    } catch (const WavError& e) {
        std::cerr << "tornel4-cli: файл \"" << options.file
                  << "\" не читается как WAV: " << e.what() << '\n';
        return kExitNotWav;
    }
    const DecodeResult r = DecodeRecording(audio);
    if (options.json) {
        PrintJson(r);
    } else if (r.found) {
        PrintText(r);
    }
    if (!r.found) {
        std::cerr << "tornel4-cli: пакет не найден: " << r.reason << '\n';
        return kExitNoPacket;
    }
    if (!r.crcOk) {
        std::cerr << "tornel4-cli: " << r.reason << '\n';
        return kExitNoPacket;
    }
    return kExitGood;
}

}  // namespace tornel::cli
