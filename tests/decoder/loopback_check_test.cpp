// The check of a send: what came back through the input is judged against the packet sent, and
// the verdict names what the operator can act on.
#include "signal/loopback_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "signal/signal_constants.h"
#include "signal/stream_decoder.h"
#include "tests/decoder/recording_lab.h"

namespace tornel {
namespace {

// Amplification that takes the synthesised amplitude to `level` of full scale.
double GainDbFor(double level) {
    return 20.0 * std::log10(level * kFullScale / kAmplitude);
}

std::vector<float> AsInput(std::span<const std::int16_t> signal, const test::Degradation& d) {
    const std::vector<std::int16_t> clipped = test::ToInt16(test::Record(signal, d));
    return {clipped.begin(), clipped.end()};
}

std::vector<float> Noise(double seconds, double level) {
    std::mt19937 rng(5);
    std::normal_distribution<float> normal(0.0f, static_cast<float>(level * kFullScale / 3.0));
    std::vector<float> noise(static_cast<std::size_t>(seconds * kSampleRate));
    for (float& s : noise) {
        s = std::clamp(normal(rng), -32768.0f, 32767.0f);
    }
    return noise;
}

class LoopbackCheckTest : public ::testing::Test {
  protected:
    LoopbackCheckTest() {
        std::mt19937 rng(8);
        sent = test::RandomPacket(rng);
        other = test::RandomPacket(rng);
        damaged = sent;
        damaged[15] ^= 0x01;  // the CRC's last bit
    }

    LoopbackOutcome Judge(const std::vector<float>& input) const {
        LoopbackCheck check(kSampleRate, sent);
        check.Feed(input);
        return check.Finish();
    }
    std::vector<float> Sent(double level, double snrDb = 1000.0) const {
        return AsInput(test::Synthesize(sent, true), {.gainDb = GainDbFor(level), .snrDb = snrDb});
    }

    Packet sent{};
    Packet other{};
    Packet damaged{};
};

TEST_F(LoopbackCheckTest, EachWayASendGoesWrongHasItsOwnVerdict) {
    const double sound = 0.5;  // of full scale: well within the limits
    const double quiet = kCheckLowLevel * 0.6;
    // The lead-in tone alone, then silence: a send cut off after its first second.
    auto leadInOnly = [&](double level) {
        std::vector<float> input = Sent(level);
        std::fill(input.begin() + kSampleRate / 2 + kLeadInSamples, input.end(), 0.0f);
        return input;
    };
    // Single full-scale samples in the code: clicks, until there are as many as a clipped signal.
    auto clicks = [&](int count) {
        std::vector<float> input = Sent(sound);
        for (int i = 0; i < count; ++i) {
            input[static_cast<std::size_t>(kSampleRate / 2 + kLeadInSamples + 600 * i)] = 32767.0f;
        }
        return input;
    };
    // Another packet, then the one sent.
    std::vector<float> otherFirst =
        AsInput(test::Synthesize(other, true), {.gainDb = GainDbFor(sound)});
    const std::vector<float> sentAfter = Sent(sound);
    otherFirst.insert(otherFirst.end(), sentAfter.begin(), sentAfter.end());
    struct Case {
        const char* what;
        std::vector<float> input;
        LoopbackVerdict verdict;
        bool packetHeard;
        bool packetIntact;
    };
    const Case cases[] = {
        {"intact", Sent(sound, 20.0), LoopbackVerdict::Intact, true, true},
        {"quiet", Sent(quiet), LoopbackVerdict::LevelTooLow, true, true},
        {"clipped", Sent(1.3), LoopbackVerdict::Clipped, true, true},
        {"another packet", AsInput(test::Synthesize(other, true), {.gainDb = GainDbFor(sound)}),
         LoopbackVerdict::OtherPacket, true, false},
        {"damaged", AsInput(test::Synthesize(damaged, true), {.gainDb = GainDbFor(sound)}),
         LoopbackVerdict::CrcWrong, true, false},
        {"lead-in only", leadInOnly(sound), LoopbackVerdict::NotRecognised, false, false},
        {"quiet lead-in only", leadInOnly(quiet), LoopbackVerdict::LevelTooLow, false, false},
        {"silence", std::vector<float>(3 * kSampleRate, 0.0f), LoopbackVerdict::NoSignal, false,
         false},
        {"clicks", clicks(kCheckClippedSamples - 1), LoopbackVerdict::Intact, true, true},
        {"as many clicks as clipping", clicks(kCheckClippedSamples), LoopbackVerdict::Clipped, true,
         true},
        {"another packet, then the one sent", otherFirst, LoopbackVerdict::Intact, true, true},
        {"noise", Noise(3.0, sound), LoopbackVerdict::NoSignal, false, false},
    };
    std::map<std::string, std::string> textOfOutcome;  // a different outcome reads differently
    for (const Case& c : cases) {
        const LoopbackOutcome outcome = Judge(c.input);
        EXPECT_EQ(outcome.verdict, c.verdict) << c.what;
        EXPECT_EQ(outcome.packetHeard, c.packetHeard) << c.what;
        EXPECT_EQ(outcome.packetIntact, c.packetIntact) << c.what;
        const std::string text = LoopbackStatusText(outcome);
        EXPECT_EQ(text.rfind(" контроль: ", 0), 0u) << text;
        const std::string key =
            std::to_string(static_cast<int>(c.verdict)) + (c.packetIntact ? "+" : "-");
        textOfOutcome.emplace(key, text);
    }
    std::set<std::string> texts;
    for (const auto& [key, text] : textOfOutcome) {
        texts.insert(text.substr(0, text.find('(')));
    }
    EXPECT_EQ(texts.size(), textOfOutcome.size()) << "two outcomes read the same";
}

TEST_F(LoopbackCheckTest, TextsNameTheLevelInDecibelsAndWhatBecameOfThePacket) {
    EXPECT_EQ(LoopbackStatusText(Judge(Sent(0.5))), " контроль: пакет принят, CRC верна");
    const LoopbackOutcome quiet = Judge(Sent(0.01));
    EXPECT_EQ(LoopbackStatusText(quiet), " контроль: пакет принят, но уровень мал (-40 дБ)");
    EXPECT_EQ(LoopbackDetailText(quiet), "уровень -40 дБ, пакет принят без ошибок");
    std::vector<float> whistle(kSampleRate);  // 2.5 kHz, no lead-in: its peak is the level
    for (std::size_t n = 0; n < whistle.size(); ++n) {
        whistle[n] = static_cast<float>(0.1 * kFullScale * std::cos(static_cast<double>(n)));
    }
    EXPECT_EQ(LoopbackDetailText(Judge(whistle)), "тона сигнала нет, пик на входе -20 дБ");
}

TEST_F(LoopbackCheckTest, SentPacketIsHeardAsSoonAsItsCodeHasArrivedAndAnEchoChangesNothing) {
    std::vector<float> input = Sent(0.5);
    const std::vector<float> echo = AsInput(test::Synthesize(other, true), {});
    LoopbackCheck check(kSampleRate, sent);
    const std::size_t codeEnd = input.size() - static_cast<std::size_t>(0.5 * kSampleRate) -
                                static_cast<std::size_t>(kClosingSamples);
    check.Feed(std::span(input).first(codeEnd - kSymbolSamples[0]));
    EXPECT_FALSE(check.heard());
    check.Feed(std::span(input).subspan(codeEnd - kSymbolSamples[0]));
    EXPECT_TRUE(check.heard());
    check.Feed(echo);
    EXPECT_EQ(check.Finish().verdict, LoopbackVerdict::Intact);
}

}  // namespace
}  // namespace tornel
