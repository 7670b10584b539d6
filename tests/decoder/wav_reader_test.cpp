// The WAV reader: the layouts it must accept and the files it must refuse with a clear reason.
#include "signal/wav_reader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "signal/decoder.h"
#include "tests/decoder/recording_lab.h"

namespace tornel {
namespace {

using test::MakeWav;
using test::WavLayout;

const std::vector<std::int16_t> kFrames = {1, -2, 300, -32768, 32767, 0};

WavAudio Parse(const std::vector<std::uint8_t>& bytes) {
    return ParseWav(bytes);
}

TEST(WavReader, ReadsPlainPcm) {
    const WavAudio a = Parse(MakeWav(WavLayout{}, kFrames));
    EXPECT_EQ(a.sampleRate, 16000);
    EXPECT_EQ(a.channelCount, 1);
    EXPECT_EQ(a.samples, kFrames);
    EXPECT_FALSE(a.truncated);
}

TEST(WavReader, AcceptsOtherLayouts) {
    WavLayout stereo;
    stereo.channels = 2;
    stereo.rate = 44100;
    WavLayout extensible;
    extensible.extensible = true;
    extensible.rate = 8000;
    WavLayout reordered;
    reordered.dataBeforeFormat = true;
    reordered.oddChunkFirst = true;
    reordered.rate = 48000;
    for (const WavLayout& layout : {stereo, extensible, reordered}) {
        const WavAudio a = Parse(MakeWav(layout, kFrames));
        EXPECT_EQ(a.sampleRate, static_cast<int>(layout.rate));
        EXPECT_EQ(a.channelCount, layout.channels);
        EXPECT_EQ(a.samples, kFrames);
        EXPECT_EQ(a.frameCount(), kFrames.size() / layout.channels);
    }
}

TEST(WavReader, UsesWhatACutFileHolds) {
    WavLayout layout;
    layout.declaredDataSize = 1'000'000'000;  // far more than the file holds
    auto bytes = MakeWav(layout, kFrames);
    bytes.pop_back();  // and half a sample is missing
    const WavAudio a = Parse(bytes);
    EXPECT_TRUE(a.truncated);
    EXPECT_EQ(a.samples, std::vector<std::int16_t>(kFrames.begin(), kFrames.end() - 1));
}

TEST(WavReader, AnEmptyDataChunkIsARecordingOfNothing) {
    const WavAudio a = Parse(MakeWav(WavLayout{}, {}));
    EXPECT_EQ(a.frameCount(), 0u);
    EXPECT_FALSE(DecodeRecording(a).found);
}

TEST(WavReader, DropsAnUnfinishedStereoFrame) {
    WavLayout layout;
    layout.channels = 2;
    const std::vector<std::int16_t> odd = {1, 2, 3};
    EXPECT_EQ(Parse(MakeWav(layout, odd)).samples, std::vector<std::int16_t>({1, 2}));
}

void ExpectRefused(const std::vector<std::uint8_t>& bytes, const std::string& reasonPart) {
    try {
        ParseWav(bytes);
        ADD_FAILURE() << "accepted; expected: " << reasonPart;
    } catch (const WavError& e) {
        EXPECT_NE(std::string(e.what()).find(reasonPart), std::string::npos) << e.what();
    }
}

TEST(WavReader, RefusesWhatIsNotA16BitPcmRecording) {
    const auto good = MakeWav(WavLayout{}, kFrames);
    ExpectRefused({}, "короче заголовка");
    ExpectRefused(std::vector<std::uint8_t>(good.begin(), good.begin() + 11), "короче заголовка");
    ExpectRefused(std::vector<std::uint8_t>(good.begin(), good.begin() + 30), "«fmt »");
    ExpectRefused(std::vector<std::uint8_t>(good.begin(), good.begin() + 36), "«data»");
    const std::string text = "This is plain text, not a recording at all.";
    ExpectRefused(std::vector<std::uint8_t>(text.begin(), text.end()), "не WAV");

    WavLayout layout;
    layout.channels = 0;
    ExpectRefused(MakeWav(layout, kFrames), "0 каналов");
    layout = {};
    layout.bits = 8;
    ExpectRefused(MakeWav(layout, kFrames), "8 бит");
    layout = {};
    layout.tag = 3;
    layout.bits = 32;
    ExpectRefused(MakeWav(layout, kFrames), "плавающей точкой");
    layout = {};
    layout.extensible = true;
    layout.subformat = 3;
    ExpectRefused(MakeWav(layout, kFrames), "плавающей точкой");
    layout = {};
    layout.tag = 2;  // ADPCM
    ExpectRefused(MakeWav(layout, kFrames), "формат данных 2");
    layout = {};
    layout.rate = 7999;
    ExpectRefused(MakeWav(layout, kFrames), "8000..48000");
    layout.rate = 48001;
    ExpectRefused(MakeWav(layout, kFrames), "8000..48000");
    layout = {};
    layout.channels = 9;
    ExpectRefused(MakeWav(layout, kFrames), "каналов");
    layout = {};
    layout.blockAlign = 4;
    ExpectRefused(MakeWav(layout, kFrames), "размер кадра");
}

// Ten minutes of frames, whatever the channels.
TEST(WavReader, RefusesARecordingLongerThanTenMinutes) {
    WavLayout layout;
    layout.rate = 8000;
    const std::size_t frames = std::size_t{8000} * kMaxWavSeconds;
    for (const std::uint16_t channels : {1, 2}) {
        layout.channels = channels;
        std::vector<std::int16_t> samples(frames * channels, 0);
        EXPECT_EQ(Parse(MakeWav(layout, samples)).frameCount(), frames) << channels;
        samples.resize(samples.size() + channels);  // one frame more
        ExpectRefused(MakeWav(layout, samples), "10 минут");
    }
}

// The chunk walk ends at the format and data chunks, so whatever follows a good recording is
// never walked; a file that never brings its data chunk still meets the bound on the walk.
TEST(WavReader, StopsTheChunkWalkAtFormatAndDataButStillBoundsIt) {
    const std::vector<std::uint8_t> good = MakeWav(WavLayout{}, kFrames);
    const std::vector<std::uint8_t> zeros(1u << 20, 0);  // 131 072 empty chunks
    std::vector<std::uint8_t> padded = good;
    padded.insert(padded.end(), zeros.begin(), zeros.end());
    EXPECT_EQ(Parse(padded).samples, kFrames);

    const std::string_view dataId = "data";
    std::vector<std::uint8_t> noData(
        good.begin(), std::search(good.begin(), good.end(), dataId.begin(), dataId.end()));
    noData.insert(noData.end(), zeros.begin(), zeros.end());
    ExpectRefused(noData, "слишком много блоков");
}

TEST(WavReader, ReadsFilesAndRefusesMissingOnesAndFolders) {
    const std::string path = std::filesystem::temp_directory_path() /
                             ("tornel_wav_reader_" + std::to_string(::getpid()) + ".wav");
    test::WriteFile(path, MakeWav(WavLayout{}, kFrames));
    EXPECT_EQ(ReadWavFile(path).samples, kFrames);
    std::filesystem::remove(path);
    EXPECT_THROW(ReadWavFile(path), WavError);
    EXPECT_THROW(ReadWavFile(std::filesystem::temp_directory_path()), WavError);
}

}  // namespace
}  // namespace tornel
