// The browser edition's core, natively: the resampling for the audio context, the send's files
// against the window's writer, the level, the set messages, the help page HTML and the
// trainer's edge times.
#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>

#include "platform/sound_level.h"
#include "signal/resampler.h"
#include "signal/wav_writer.h"
#include "web/web_core.h"
#include "widgets/rtf_html.h"

namespace tornel::web {
namespace {

using nlohmann::json;

std::string DesignInputs(int p1 = kParameterTable[0].design) {
    auto fields = DesignFields();
    fields[0] = p1;
    json boxes = json::array();
    const BoxStates design;
    for (const EnablingBox& b : kEnablingBoxes) {
        boxes.push_back(design.*(b.state));
    }
    return json{{"fields", fields}, {"boxes", boxes}}.dump();
}

// Zero crossings per second / 2 over the middle of `samples`.
double Pitch(const std::vector<float>& samples, int rate) {
    int crossings = 0;
    const std::size_t a = samples.size() / 4;
    const std::size_t b = 3 * samples.size() / 4;
    for (std::size_t i = a + 1; i < b; ++i) {
        crossings += (samples[i - 1] < 0) != (samples[i] < 0);
    }
    return crossings / 2.0 / (static_cast<double>(b - a) / rate);
}

// Also within full scale where a full-scale square wave jumps, as the signal does where its
// closing tone stops: the kernel rings past each jump, and the output would clip a value beyond.
TEST(Resample, KeepsPitchLengthAndAmplitudeAtTheContextsRatesWithinFullScale) {
    std::vector<std::int16_t> tone(kSampleRate);
    std::vector<std::int16_t> square(kSampleRate / 10);
    for (std::size_t i = 0; i < tone.size(); ++i) {
        tone[i] = static_cast<std::int16_t>(
            std::lround(kAmplitude * std::sin(2 * M_PI * kToneHz[1] * i / kSampleRate)));
    }
    for (std::size_t i = 0; i < square.size(); ++i) {
        square[i] = (i / 8) % 2 == 0 ? std::numeric_limits<std::int16_t>::max()
                                     : std::numeric_limits<std::int16_t>::min();
    }
    for (int rate : {22050, 44100, 48000, 96000}) {
        const auto jumps = Resample(square, kSampleRate, rate);
        const auto [low, high] = std::minmax_element(jumps.begin(), jumps.end());
        EXPECT_TRUE(*low >= -1.0f && *high <= 1.0f) << rate;
        const auto out = Resample(tone, kSampleRate, rate);
        EXPECT_EQ(out.size(), static_cast<std::size_t>(rate)) << rate;
        EXPECT_NEAR(Pitch(out, rate), kToneHz[1], 1.0) << rate;
        float peak = 0;
        for (std::size_t i = out.size() / 4; i < 3 * out.size() / 4; ++i) {
            peak = std::max(peak, std::abs(out[i]));
        }
        EXPECT_NEAR(peak, kAmplitude / 32768.0, 0.01) << rate;
    }
    const auto same = Resample(tone, kSampleRate, kSampleRate);
    EXPECT_EQ(same[100], tone[100] / 32768.0f);
}

TEST(WebCore, SendsCarryStateAndGiveTheWindowsFiles) {
    WebCore core;
    core.SetAlphaPercent(35);
    Synthesizer synth;
    synth.setAlpha(0.35);
    test::TempDir dir;
    for (int send = 0; send < 3; ++send) {
        const json r = json::parse(core.Send(DesignInputs(), send != 1));
        ASSERT_TRUE(r["ok"]);
        WriteWavFile(synth, r["packet"].get<Packet>(), send != 1, dir.path());
        EXPECT_EQ(r["samples"], synth.sampleCount());
        EXPECT_TRUE(core.WavBytes() == test::ReadFile(dir.path() / kWavFileName)) << send;
        EXPECT_TRUE(core.CArrayBytes() == test::ReadFile(dir.path() / kCArrayFileName)) << send;
    }
    // Half the level is half the amplitude, at the context's rate (below the level at which the
    // ringing at the signal's jumps reaches full scale).
    const auto full = core.Playback(48000, 80);
    const auto half = core.Playback(48000, 40);
    ASSERT_EQ(full.size(), half.size());
    EXPECT_EQ(full.size(), static_cast<std::size_t>((synth.sampleCount() * 3)));
    const auto peak = [](const std::vector<float>& v) {
        return std::abs(*std::max_element(v.begin(), v.begin() + 48000, [](float a, float b) {
            return std::abs(a) < std::abs(b);
        }));
    };
    EXPECT_NEAR(peak(half) / peak(full), 0.5, 0.001);
}

TEST(WebCore, OutOfRangeFieldKeepsThePacketAndNamesTheField) {
    WebCore core;
    ASSERT_TRUE(json::parse(core.Build(DesignInputs()))["ok"]);
    const std::string dump = core.Dump();
    const json r = json::parse(core.Build(DesignInputs(kParameterTable[0].max + 1)));
    EXPECT_FALSE(r["ok"]);
    EXPECT_EQ(r["status"], FieldOutOfRange(0, kParameterTable[0].max + 1).what());
    EXPECT_EQ(core.Dump(), dump);
    EXPECT_EQ(core.SettleField(0, 1000), kParameterTable[0].max);
    EXPECT_EQ(core.SettleField(0, std::nullopt), kParameterTable[0].min);
}

TEST(WebCore, TypedCoefficientAndLevelSettleToTheirRanges) {
    WebCore core;
    struct Case {
        std::optional<int> typed;
        int alpha;
        int level;
    };
    for (const Case& c : {Case{500, kAlphaPercentMax, platform::kLevelMax},
                          Case{-3, kAlphaPercentMin, platform::kLevelMin}, Case{35, 35, 35},
                          Case{std::nullopt, kAlphaPercentMin, platform::kLevelMin}}) {
        EXPECT_EQ(core.SetAlphaPercent(c.typed), c.alpha);
        EXPECT_EQ(core.AlphaPercent(), c.alpha);  // what the synthesizer now uses
        EXPECT_EQ(WebCore::SettleLevel(c.typed), c.level);
    }
}

TEST(WebCore, SetsRoundTripAndRefusalsNameThePickedFile) {
    WebCore core;
    const json saved = json::parse(core.SetText(DesignInputs(9), "вышка"));
    ASSERT_TRUE(saved["ok"]);
    const json loaded = json::parse(core.LoadSource("вышка.json", saved["text"], DesignInputs()));
    ASSERT_TRUE(loaded["ok"]) << loaded.dump();
    EXPECT_EQ(loaded["name"], "вышка");
    EXPECT_EQ(loaded["fields"][0], 9);
    const json refused = json::parse(core.LoadSource("плохой.json", "{", DesignInputs()));
    EXPECT_FALSE(refused["ok"]);
    EXPECT_EQ(refused["message"].get<std::string>().rfind("файл \"плохой.json\": ", 0), 0u)
        << refused["message"];
    EXPECT_FALSE(json::parse(core.SetText(DesignInputs(0), ""))["ok"]);
}

TEST(HelpHtml, StylesRunsAndEscapesText) {
    const std::string html =
        rtf::HelpPageHtml(R"({\rtf1{\fonttbl{\f0 Arial;}}\qc\f0\fs28\b a<b&c\b0 d\par})");
    EXPECT_NE(html.find("text-align:center"), std::string::npos) << html;
    EXPECT_NE(html.find("font-size:14pt"), std::string::npos) << html;
    EXPECT_NE(html.find("font-weight:bold\">a&lt;b&amp;c</span>"), std::string::npos) << html;
    // Not RTF: plain text, in code page 1251 when it is not UTF-8.
    EXPECT_EQ(rtf::HelpPageHtml("\xcf\xf0\xe8<\n2"), "<p>При&lt;</p><p>2</p>");
}

TEST(WebCore, TrainerBeepsCarryTheirEdgeTimes) {
    WebCore core;
    core.TrainerRedraw(2, 3, 4);
    const double start = 1000.0;
    ASSERT_TRUE(json::parse(core.TrainerPress(kCaptionStart, start))["running"]);
    // Ticks a little after each edge name the edge itself, not the tick's time.
    const std::array<std::pair<double, int>, 4> edges{
        {{0, kPttStartBeepHz}, {2, kPttEndBeepHz}, {5, kPttStartBeepHz}, {9, kPttEndBeepHz}}};
    for (const auto& [edge, hz] : edges) {
        const json r = json::parse(core.TrainerTick(start + 2 + edge + 0.007));
        EXPECT_EQ(r["beepHz"], hz) << edge;
        EXPECT_DOUBLE_EQ(r["edgeTime"].get<double>(), start + 2 + edge);
    }
}

// A beep is noticed up to a tick after its edge, when the audio context may have rendered a whole
// block past the clock the page read: the trainer's lookahead must cover both, or the beep
// starts late. Chromium's own block, a phone's 256 frames and a large 4096-frame buffer.
TEST(WebCore, TrainerLookaheadCoversTheContextsBlockAndATick) {
    for (const double block : {0.0, 0.01, 256.0 / 48000, 4096.0 / 48000, 0.2}) {
        EXPECT_GT(WebCore::TrainerLookahead(block), block + kRunTickMs / 1000.0) << block;
    }
}

}  // namespace
}  // namespace tornel::web
