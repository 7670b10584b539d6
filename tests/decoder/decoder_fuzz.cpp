// libFuzzer target: any bytes through the WAV reader and, when they parse, the decoder.
#include <cstddef>
#include <cstdint>
#include <span>

#include "signal/decoder.h"
#include "signal/wav_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Bounds the work per input: the decoder's cost grows with the recording's length, and the
    // reader refuses anything longer than ten minutes anyway.
    constexpr std::size_t kMaxInput = 512 * 1024;
    if (size > kMaxInput) {
        return 0;
    }
    try {
        const tornel::WavAudio audio = tornel::ParseWav(std::span(data, size));
        const tornel::DecodeResult result = tornel::DecodeRecording(audio);
        if (result.crcOk && !result.found) {
            __builtin_trap();  // a good CRC always comes with a packet
        }
    } catch (const tornel::WavError&) {
    }
    return 0;
}
