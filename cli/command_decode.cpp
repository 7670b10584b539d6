// tornel4-cli decode FILE.wav [--json]: the packet and its parameters from a recording.
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/commands.h"
#include "cli/decoded_parameters.h"
#include "cli/packet_report.h"
#include "packet/number_text.h"
#include "signal/decoder.h"
#include "signal/wav_reader.h"

namespace tornel::cli {

namespace {

constexpr int kExitGood = 0;
constexpr int kExitNoPacket = 1;
constexpr int kExitNotWav = 2;

void PrintText(const DecodeResult& r, const ParameterTable& table) {
    std::cout << "Пакет: " << BytesText(r.packet) << "\nCRC: " << CrcText(r) << "\nПараметры:\n";
    for (const std::string& line : DecodedParametersText(r.packet, table)) {
        std::cout << "  " << line << '\n';
    }
}

void PrintJson(const DecodeResult& r, const ParameterTable& table) {
    nlohmann::ordered_json j;
    if (r.found) {
        j = PacketJson(r, table);
    } else {
        j["packet"] = nullptr;
        j["crc_ok"] = false;
        j["error"] = r.reason;
    }
    std::cout << j.dump() << '\n';
}

}  // namespace

std::string CrcText(const DecodeResult& r) {
    if (r.crcOk) {
        return WordToHex(r.receivedCrc) + " (верна)";
    }
    return WordToHex(r.receivedCrc) + " (неверна, вычислена " + WordToHex(r.computedCrc) + ")";
}

std::string BytesText(const Packet& packet) {
    std::string text;
    for (std::uint8_t byte : packet) {
        text += (text.empty() ? "" : " ") + std::to_string(byte);
    }
    return text;
}

nlohmann::ordered_json PacketJson(const DecodeResult& r, const ParameterTable& table) {
    nlohmann::ordered_json j;
    j["packet"] = r.packet;
    j["crc_ok"] = r.crcOk;
    j["crc"] = WordToHex(r.receivedCrc);
    j["crc_computed"] = WordToHex(r.computedCrc);
    j["parameters"] = DecodedParametersJson(r.packet, table);
    return j;
}

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
        PrintJson(r, *options.parameters);
    } else if (r.found) {
        PrintText(r, *options.parameters);
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
