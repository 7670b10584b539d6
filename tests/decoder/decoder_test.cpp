// The decoder against synthesised signals made to sound like real recordings, and against
// recordings that hold no packet.
#include "signal/decoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>

#include "signal/synthesizer.h"
#include "tests/decoder/recording_lab.h"

namespace tornel {
namespace {

using test::Degradation;

struct RoundTripCase {
    const char* name;
    bool filterOn;
    double alpha;
    Degradation degradation;
};

class RoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

// Each case decodes several random packets under one set of conditions.
TEST_P(RoundTrip, RecoversRandomPackets) {
    const RoundTripCase& c = GetParam();
    std::mt19937 rng(static_cast<std::uint32_t>(std::hash<std::string>{}(c.name)));
    for (int i = 0; i < 3; ++i) {
        const Packet packet = test::RandomPacket(rng);
        Degradation d = c.degradation;
        d.seed = rng();
        d.silenceBefore = std::uniform_real_distribution<double>(0.0, 1.5)(rng);
        d.silenceAfter = std::uniform_real_distribution<double>(0.0, 1.0)(rng);
        const auto signal = test::Synthesize(packet, c.filterOn, c.alpha);
        const auto recording = test::ToInt16(test::Record(signal, d));
        const std::vector<float> samples(recording.begin(), recording.end());
        const DecodeResult r = DecodeSignal(samples, d.rate);
        ASSERT_TRUE(r.found) << r.reason;
        EXPECT_EQ(r.packet, packet) << "packet " << i;
        EXPECT_TRUE(r.crcOk) << r.reason;
        EXPECT_NEAR(r.clockRatio, 1.0 + d.clockError, 1e-3);
        // The modulation filter delays every change of tone by (1 - alpha) / alpha samples.
        const double filterDelay = c.filterOn ? (1.0 - c.alpha) / c.alpha / kSampleRate : 0.0;
        EXPECT_NEAR(r.codeStartSeconds, d.silenceBefore + 1.0 / (1.0 + d.clockError),
                    2e-3 + filterDelay);
    }
}

Degradation Make(int rate, double clockError, double gainDb, double snrDb) {
    Degradation d;
    d.rate = rate;
    d.clockError = clockError;
    d.gainDb = gainDb;
    d.snrDb = snrDb;
    return d;
}

INSTANTIATE_TEST_SUITE_P(
    Conditions, RoundTrip,
    ::testing::Values(
        RoundTripCase{"Clean16k", true, 0.2, Make(16000, 0.0, 0.0, 1000.0)},
        RoundTripCase{"FilterOff", false, 0.2, Make(16000, 0.0, 0.0, 1000.0)},
        RoundTripCase{"AlphaOne", true, 1.0, Make(16000, 0.0, 0.0, 20.0)},
        RoundTripCase{"AlphaHalf", true, 0.5, Make(22050, 0.005, -6.0, 15.0)},
        RoundTripCase{"AlphaTenth", true, 0.1, Make(16000, -0.01, 0.0, 12.0)},
        RoundTripCase{"AlphaFiveHundredths", true, 0.05, Make(44100, 0.01, -10.0, 15.0)},
        RoundTripCase{"AlphaHundredth", true, 0.01, Make(22050, -0.01, -30.0, 10.0)},
        RoundTripCase{"Rate8kFastClock", true, 0.2, Make(8000, 0.01, -30.0, 10.0)},
        RoundTripCase{"Rate8kSlowClock", false, 0.2, Make(8000, -0.01, -30.0, 10.0)},
        RoundTripCase{"Rate11025FastClock", true, 0.2, Make(11025, 0.01, -30.0, 10.0)},
        RoundTripCase{"Rate11025SlowClock", true, 0.3, Make(11025, -0.01, -20.0, 10.0)},
        RoundTripCase{"Rate22050FastClock", false, 0.2, Make(22050, 0.01, -30.0, 10.0)},
        RoundTripCase{"Rate22050SlowClock", true, 0.2, Make(22050, -0.01, 0.0, 10.0)},
        RoundTripCase{"Rate44100FastClock", true, 0.2, Make(44100, 0.01, -30.0, 10.0)},
        RoundTripCase{"Rate44100SlowClock", true, 0.15, Make(44100, -0.01, -30.0, 10.0)},
        RoundTripCase{"Rate48kFastClock", true, 0.2, Make(48000, 0.01, -30.0, 10.0)},
        RoundTripCase{"Rate48kSlowClock", false, 0.2, Make(48000, -0.01, -3.0, 10.0)},
        // A sound card's clock off by 3 to 4 %: within the 5 % the decoder is made for.
        RoundTripCase{"ClockFourPercentFast", true, 0.2, Make(16000, 0.04, -6.0, 15.0)},
        RoundTripCase{"ClockThreeAndAHalfPercentSlow", true, 0.2, Make(44100, -0.035, 0.0, 15.0)},
        // As noisy as the decoder is made for: down to 0 dB signal-to-noise.
        RoundTripCase{"Noise5dB", true, 0.2, Make(22050, 0.005, -10.0, 5.0)},
        RoundTripCase{"Noise0dB", true, 0.2, Make(16000, 0.0, 0.0, 0.0)}),
    [](const ::testing::TestParamInfo<RoundTripCase>& info) { return info.param.name; });

TEST(Decoder, FollowsTheSynthesisStateAcrossSends) {
    // A send with the filter off leaves the filter state far behind the phase; the next send with
    // the filter on starts with a fast sweep in its lead-in. Both must decode.
    std::mt19937 rng(7);
    Synthesizer synth;
    const std::pair<bool, double> sends[] = {{true, 0.2},  {false, 0.2}, {true, 0.2},
                                             {false, 0.2}, {true, 0.01}, {true, 0.05}};
    for (const auto& [filterOn, alpha] : sends) {
        const Packet packet = test::RandomPacket(rng);
        synth.setAlpha(alpha);
        synth.BuildSignal(packet, filterOn);
        const auto recording = test::ToInt16(test::Record(synth.samples(), Make(16000, 0, 0, 15)));
        const std::vector<float> samples(recording.begin(), recording.end());
        const DecodeResult r = DecodeSignal(samples, 16000);
        EXPECT_TRUE(r.crcOk) << r.reason << " alpha " << alpha;
        EXPECT_EQ(r.packet, packet);
    }
}

TEST(Decoder, ExtremePacketsDecode) {
    // All zeros after the header gives the longest code (470/889 Hz alternating), all ones the
    // shortest; a first bit of 1 makes the first symbol sound like the lead-in.
    for (const std::uint8_t fill : {0x00, 0xFF, 0x55, 0xAA, 0x80}) {
        Packet packet{};
        packet.fill(fill);
        const auto signal = test::Synthesize(packet, true);
        const auto recording = test::ToInt16(test::Record(signal, Make(11025, 0.01, -10, 12)));
        const std::vector<float> samples(recording.begin(), recording.end());
        const DecodeResult r = DecodeSignal(samples, 11025);
        ASSERT_TRUE(r.found) << r.reason;
        EXPECT_EQ(r.packet, packet) << int(fill);
    }
}

TEST(Decoder, ReportsAWrongCrcButKeepsTheBytes) {
    std::mt19937 rng(3);
    Packet packet = test::RandomPacket(rng);
    packet[15] ^= 0x01;
    const auto signal = test::Synthesize(packet, true);
    const std::vector<float> samples(signal.begin(), signal.end());
    const DecodeResult r = DecodeSignal(samples, 16000);
    ASSERT_TRUE(r.found) << r.reason;
    EXPECT_EQ(r.packet, packet);
    EXPECT_FALSE(r.crcOk);
    EXPECT_EQ(r.computedCrc ^ r.receivedCrc, 0x0001);
    EXPECT_NE(r.reason.find("контрольная сумма"), std::string::npos);
}

TEST(Decoder, RefusesRecordingsWithoutAPacket) {
    // Nothing, digital silence and a constant level: no lead-in anywhere.
    for (const auto& recording : {std::vector<float>{}, std::vector<float>(32000, 0.0f),
                                  std::vector<float>(32000, 3000.0f)}) {
        const DecodeResult r = DecodeSignal(recording, 16000);
        EXPECT_FALSE(r.found);
        EXPECT_FALSE(r.crcOk);
        EXPECT_NE(r.reason.find("вводный тон"), std::string::npos) << r.reason;
    }
}

TEST(Decoder, RefusesWhiteNoise) {
    std::mt19937 rng(11);
    std::normal_distribution<float> noise(0.0f, 5000.0f);
    std::vector<float> recording(16000 * 5);
    for (float& v : recording) {
        v = noise(rng);
    }
    const DecodeResult r = DecodeSignal(recording, 16000);
    EXPECT_FALSE(r.found);
    EXPECT_FALSE(r.reason.empty());
}

TEST(Decoder, RefusesACutRecording) {
    std::mt19937 rng(5);
    const auto signal = test::Synthesize(test::RandomPacket(rng), true);
    // Cut in the middle of the code: 1 s of lead-in and about 60 symbols.
    const std::vector<float> cut(signal.begin(), signal.begin() + 16000 + 60 * 320);
    const DecodeResult r = DecodeSignal(cut, 16000);
    EXPECT_FALSE(r.found);
    EXPECT_FALSE(r.crcOk);
    EXPECT_NE(r.reason.find("обрывается"), std::string::npos) << r.reason;
}

TEST(Decoder, ConstantSignalOfAlphaZeroHasNoPacket) {
    const auto signal = test::Synthesize(Packet{1, 2}, true, 0.0);
    const std::vector<float> samples(signal.begin(), signal.end());
    EXPECT_FALSE(DecodeSignal(samples, 16000).found);
}

TEST(Decoder, FindsThePacketAfterAFalseStart) {
    // A stray 615 Hz tone long enough to look like a lead-in comes first.
    std::mt19937 rng(9);
    const Packet packet = test::RandomPacket(rng);
    const auto signal = test::Synthesize(packet, true);
    std::vector<float> recording;
    for (int n = 0; n < 12000; ++n) {
        recording.push_back(
            static_cast<float>(20000 * std::sin(2 * std::numbers::pi * 615 * n / 16000.0)));
    }
    recording.resize(recording.size() + 8000, 0.0f);
    recording.insert(recording.end(), signal.begin(), signal.end());
    const DecodeResult r = DecodeSignal(recording, 16000);
    EXPECT_TRUE(r.crcOk) << r.reason;
    EXPECT_EQ(r.packet, packet);
}

// Short 615 Hz bursts, each shorter than a lead-in, come before the packet (a key-up click, a
// courtesy tone): none of them is taken for the lead-in, nor are they joined into one.
TEST(Decoder, IgnoresShortLeadInToneBurstsBeforeThePacket) {
    std::mt19937 rng(17);
    const Packet packet = test::RandomPacket(rng);
    const auto signal = test::Synthesize(packet, true);
    std::vector<float> recording;
    for (const double seconds : {0.05, 0.2, 0.35, 0.1, 0.3}) {
        const int samples = static_cast<int>(seconds * kSampleRate);
        for (int n = 0; n < samples; ++n) {
            recording.push_back(static_cast<float>(
                20000 * std::sin(2 * std::numbers::pi * 615 * n / double{kSampleRate})));
        }
        recording.resize(recording.size() + kSampleRate / 20, 0.0f);  // 50 ms apart
    }
    const double packetStart = static_cast<double>(recording.size()) / kSampleRate;
    recording.insert(recording.end(), signal.begin(), signal.end());
    const DecodeResult r = DecodeSignal(recording, kSampleRate);
    EXPECT_TRUE(r.crcOk) << r.reason;
    EXPECT_EQ(r.packet, packet);
    EXPECT_NEAR(r.codeStartSeconds, packetStart + 1.0, 0.01);
}

WavAudio Stereo(std::span<const std::int16_t> left, std::span<const std::int16_t> right, int rate) {
    WavAudio audio;
    audio.sampleRate = rate;
    audio.channelCount = 2;
    for (std::size_t i = 0; i < left.size(); ++i) {
        audio.samples.push_back(left[i]);
        audio.samples.push_back(right[i]);
    }
    return audio;
}

TEST(DecodeRecording, StereoMixesAndFallsBackToOneChannel) {
    std::mt19937 rng(13);
    const Packet packet = test::RandomPacket(rng);
    const auto signal = test::Synthesize(packet, true);
    const auto left = test::ToInt16(test::Record(signal, Make(44100, 0.004, -12, 12)));
    std::vector<std::int16_t> inverted(left.size());
    const std::vector<std::int16_t> silent(left.size(), 0);
    for (std::size_t i = 0; i < left.size(); ++i) {
        inverted[i] = static_cast<std::int16_t>(-std::max<int>(left[i], -32767));
    }
    const std::vector<std::int16_t>* rights[] = {&left, &silent, &inverted};
    for (const auto* right : rights) {
        const DecodeResult r = DecodeRecording(Stereo(left, *right, 44100));
        EXPECT_TRUE(r.crcOk) << r.reason;
        EXPECT_EQ(r.packet, packet);
    }
}

}  // namespace
}  // namespace tornel
