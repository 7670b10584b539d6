#include "platform/wav_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace tornel::platform {
namespace {

using ::testing::HasSubstr;

std::vector<std::uint8_t> Header(const char* riff, const char* wave) {
    std::vector<std::uint8_t> b(riff, riff + 4);
    b.insert(b.end(), {0, 0, 0, 0});
    b.insert(b.end(), wave, wave + 4);
    return b;
}

void Put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}

void PutChunk(std::vector<std::uint8_t>& b, const char* tag,
              const std::vector<std::uint8_t>& body) {
    b.insert(b.end(), tag, tag + 4);
    Put32(b, static_cast<std::uint32_t>(body.size()));
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() % 2 == 1) {
        b.push_back(0);
    }
}

// fmt chunk body: format tag, channels, rate, byte rate, block align, bits.
std::vector<std::uint8_t> Fmt(int tag, int channels, std::uint32_t rate, int bits) {
    std::vector<std::uint8_t> f{static_cast<std::uint8_t>(tag), 0,
                                static_cast<std::uint8_t>(channels), 0};
    Put32(f, rate);
    Put32(f, rate * channels * bits / 8);
    f.insert(f.end(), {static_cast<std::uint8_t>(channels * bits / 8), 0,
                       static_cast<std::uint8_t>(bits), 0});
    return f;
}

std::string ErrorOf(const std::vector<std::uint8_t>& bytes) {
    try {
        ParseWav(bytes);
    } catch (const WavFileError& e) {
        return e.what();
    }
    return "";
}

TEST(ParseWav, ReadsFormatAndLittleEndianSamples) {
    auto b = Header("RIFF", "WAVE");
    PutChunk(b, "fmt ", Fmt(1, 1, 16000, 16));
    PutChunk(b, "data", {0x01, 0x00, 0xFF, 0xFF, 0x00, 0x80, 0xFF, 0x7F});
    const WavAudio a = ParseWav(b);
    EXPECT_EQ(a.sampleRate, 16000);
    EXPECT_EQ(a.channels, 1);
    EXPECT_EQ(a.samples, (std::vector<std::int16_t>{1, -1, -32768, 32767}));
    EXPECT_DOUBLE_EQ(a.Seconds(), 4.0 / 16000);
}

TEST(ParseWav, SkipsOtherChunksIncludingOddPaddedOnes) {
    auto b = Header("RIFF", "WAVE");
    PutChunk(b, "LIST", {1, 2, 3});  // odd length, one pad byte follows
    PutChunk(b, "fmt ", Fmt(1, 2, 44100, 16));
    PutChunk(b, "fact", {0, 0, 0, 0});
    PutChunk(b, "data", {1, 0, 2, 0, 3, 0, 4, 0});
    const WavAudio a = ParseWav(b);
    EXPECT_EQ(a.channels, 2);
    EXPECT_EQ(a.samples.size(), 4u);
    EXPECT_DOUBLE_EQ(a.Seconds(), 2.0 / 44100);
}

TEST(ParseWav, RejectsWhatItCannotPlayAsIs) {
    auto truncated = Header("RIFF", "WAVE");
    PutChunk(truncated, "fmt ", Fmt(1, 1, 16000, 16));
    PutChunk(truncated, "data", {1, 0, 2, 0});
    truncated[truncated.size() - 8] = 8;  // the data chunk claims 8 bytes, holds 4
    EXPECT_THAT(ErrorOf(truncated), HasSubstr("обрезан"));

    auto eightBit = Header("RIFF", "WAVE");
    PutChunk(eightBit, "fmt ", Fmt(1, 1, 8000, 8));
    PutChunk(eightBit, "data", {1, 2});
    EXPECT_THAT(ErrorOf(eightBit), HasSubstr("16 бит"));

    auto floatFormat = Header("RIFF", "WAVE");
    PutChunk(floatFormat, "fmt ", Fmt(3, 1, 8000, 16));
    EXPECT_THAT(ErrorOf(floatFormat), HasSubstr("PCM"));

    auto dataFirst = Header("RIFF", "WAVE");
    PutChunk(dataFirst, "data", {1, 0});
    EXPECT_THAT(ErrorOf(dataFirst), HasSubstr("формата"));

    auto noData = Header("RIFF", "WAVE");
    PutChunk(noData, "fmt ", Fmt(1, 1, 8000, 16));
    EXPECT_THAT(ErrorOf(noData), HasSubstr("нет блока данных"));

    auto halfFrame = Header("RIFF", "WAVE");
    PutChunk(halfFrame, "fmt ", Fmt(1, 2, 8000, 16));
    PutChunk(halfFrame, "data", {1, 0});
    EXPECT_THAT(ErrorOf(halfFrame), HasSubstr("целые"));

    EXPECT_THAT(ErrorOf(Header("RIFX", "WAVE")), HasSubstr("не файл WAV"));
    EXPECT_THAT(ErrorOf({'R', 'I', 'F', 'F'}), HasSubstr("не файл WAV"));
}

TEST(ParseWav, HugeChunkSizesDoNotOverflow) {
    auto b = Header("RIFF", "WAVE");
    PutChunk(b, "fmt ", Fmt(1, 1, 16000, 16));
    b.insert(b.end(), {'J', 'U', 'N', 'K', 0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_THAT(ErrorOf(b), HasSubstr("обрезан"));
}

TEST(ReadWavFile, NamesTheFileInItsErrors) {
    const auto dir = std::filesystem::temp_directory_path();
    const auto missing = dir / "tornel-no-such-file.wav";
    std::filesystem::remove(missing);
    try {
        ReadWavFile(missing);
        FAIL() << "no error for a missing file";
    } catch (const WavFileError& e) {
        EXPECT_THAT(e.what(), HasSubstr("не удалось открыть файл"));
        EXPECT_THAT(e.what(), HasSubstr("tornel-no-such-file.wav"));
    }
    const auto garbage = dir / "tornel-garbage.wav";
    std::ofstream(garbage) << "not a wav file";
    try {
        ReadWavFile(garbage);
        FAIL() << "no error for a text file";
    } catch (const WavFileError& e) {
        EXPECT_THAT(e.what(), HasSubstr("tornel-garbage.wav"));
        EXPECT_THAT(e.what(), HasSubstr("не файл WAV"));
    }
    std::filesystem::remove(garbage);
}

}  // namespace
}  // namespace tornel::platform
