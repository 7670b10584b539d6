// libFuzzer target: any bytes through the WAV reader and, when they parse, the decoder.
#include <cstddef>
#include <cstdint>
#include <span>

#include "signal/decoder.h"
#include "signal/wav_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The reader takes inputs of any size, up to beyond its own limits. The decoder's cost grows
    // with the recording's length, so only recordings of at most half a megabyte are decoded.
    constexpr std::size_t kMaxDecodedInput = 512 * 1024;
    try {
        const tornel::WavAudio audio = tornel::ParseWav(std::span(data, size));
        if (size > kMaxDecodedInput) {
            return 0;
        }
        const tornel::DecodeResult result = tornel::DecodeRecording(audio);
        if (result.crcOk && !result.found) {
            __builtin_trap();  // a good CRC always comes with a packet
        }
    } catch (const tornel::WavError&) {
    }
    return 0;
}
