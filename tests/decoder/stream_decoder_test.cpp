// The streaming decoder: fed in blocks of any size it reports each packet sent, as soon as its
// code has arrived; and an hour of input keeps its memory flat.
#include "signal/stream_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "signal/signal_constants.h"
#include "tests/decoder/recording_lab.h"

namespace tornel {
namespace {

struct Recording {
    std::string name;
    std::vector<float> samples;  // mono
    int rate;
    Packet packet;       // what was sent
    double leadInStart;  // seconds into the recording
    double clockRatio;   // the playing card's clock over the nominal one
    double level;        // the lead-in's amplitude / full scale
};

// Recordings from the lab at each rate, clock error, level and noise the decoder is made for:
// one with a false start, one whose lead-in drops out for 15 ms as a fading radio path does.
std::vector<Recording> Corpus() {
    std::vector<Recording> corpus;
    std::mt19937 rng(21);
    const int rates[] = {8000, 11025, 16000, 22050, 44100, 48000};
    for (int i = 0; i < 12; ++i) {
        test::Degradation d;
        d.rate = rates[i % 6];
        d.clockError = (i % 3 - 1) * 0.01;
        d.gainDb = -10.0 * (i % 4);
        d.snrDb = 10.0 + i;
        d.seed = rng();
        const Packet packet = test::RandomPacket(rng);
        auto signal = test::Synthesize(packet, i % 5 != 0, i % 2 ? 0.2 : 0.05);
        if (i == 5) {
            // 15 ms without tone centred 0.7 s into the lead-in, which in the recording, as the
            // silence before it, is a whole number of the decoder's 10 ms blocks: on a block
            // boundary, the hardest place, where two blocks lose three quarters of their tone.
            const double step = kSampleRate * (1.0 + d.clockError) / d.rate;  // per recorded one
            const auto centre = std::lround(0.7 * d.rate * step);
            std::fill_n(signal.begin() + centre - kSampleRate * 15 / 2000, kSampleRate * 15 / 1000,
                        0);
        }
        const auto recorded = test::ToInt16(test::Record(signal, d));
        std::vector<float> samples(recorded.begin(), recorded.end());
        double leadInStart = d.silenceBefore;
        if (i == 3) {  // a stray lead-in tone before the packet
            std::vector<float> stray(static_cast<std::size_t>(d.rate));
            for (std::size_t n = 0; n < stray.size(); ++n) {
                stray[n] = static_cast<float>(
                    8000 * std::sin(2 * std::numbers::pi * 615 * static_cast<double>(n) / d.rate));
            }
            samples.insert(samples.begin(), stray.begin(), stray.end());
            leadInStart += 1.0;
        }
        corpus.push_back({"lab" + std::to_string(i), std::move(samples), d.rate, packet,
                          leadInStart, 1.0 + d.clockError,
                          kAmplitude / kFullScale * std::pow(10.0, d.gainDb / 20.0)});
    }
    return corpus;
}

struct Report {
    DecodeResult result;
    std::int64_t position;  // samples fed when it was reported
};

// Feeds the recording in blocks of random size, from one sample to a second's worth.
std::vector<Report> FeedInBlocks(const Recording& r, std::mt19937& rng) {
    StreamDecoder decoder(r.rate);
    std::vector<Report> reports;
    std::span<const float> rest(r.samples);
    std::uniform_int_distribution<std::size_t> size(1, static_cast<std::size_t>(r.rate));
    while (!rest.empty()) {
        const std::size_t n =
            std::min(rest.size(), rng() % 4 == 0 ? size(rng) : size(rng) / 50 + 1);
        for (DecodeResult& result : decoder.Feed(rest.first(n))) {
            reports.push_back({std::move(result), decoder.position()});
        }
        rest = rest.subspan(n);
    }
    for (DecodeResult& result : decoder.Finish()) {
        reports.push_back({std::move(result), decoder.position()});
    }
    return reports;
}

// Whatever the blocks, each recording gives the packet that was sent, where and at the clock and
// level it was played, as soon as its code has arrived.
TEST(StreamDecoder, ReadsEachLabRecordingAsSoonAsItsCodeHasArrived) {
    std::mt19937 rng(5);
    for (const Recording& r : Corpus()) {
        const std::vector<Report> reports = FeedInBlocks(r, rng);
        const auto good = std::find_if(reports.begin(), reports.end(),
                                       [](const Report& x) { return x.result.crcOk; });
        ASSERT_NE(good, reports.end()) << r.name;
        const DecodeResult& s = good->result;
        EXPECT_EQ(s.packet, r.packet) << r.name;
        EXPECT_NEAR(s.startSeconds, r.leadInStart, 0.01) << r.name;
        EXPECT_NEAR(s.codeStartSeconds - s.startSeconds, 1.0 / r.clockRatio, 0.005) << r.name;
        EXPECT_NEAR(s.clockRatio, r.clockRatio, 1e-3) << r.name;
        EXPECT_NEAR(s.level, r.level, 0.15 * r.level) << r.name;
        EXPECT_GE(s.peak, s.level * 0.9) << r.name;
        // Reported within the block that brought the end of its code (blocks are at most a
        // second long), not at the end of the stream.
        const double reportedAt = static_cast<double>(good->position) / r.rate;
        EXPECT_GE(reportedAt, s.endSeconds - 0.05) << r.name;
        EXPECT_LE(reportedAt, s.endSeconds + 1.0) << r.name;
    }
}

// An hour of quiet noise at 16 kHz, fed in 20 ms blocks as a sound card would deliver it, with a
// packet every two minutes or so, stray tones and a ten-minute tone among them.
TEST(StreamDecoder, ReportsEveryPacketOfAnHourWithFlatMemory) {
    constexpr int kRate = 16000;
    constexpr std::int64_t kHour = std::int64_t{3600} * kRate;
    constexpr std::int64_t kBlock = kRate / 50;
    std::mt19937 rng(17);
    std::normal_distribution<float> noise(0.0f, 30.0f);

    struct Insert {
        std::int64_t at;
        std::vector<float> samples;
        std::optional<Packet> packet;
    };
    std::vector<Insert> inserts;
    auto tone = [&](std::int64_t at, double seconds) {
        std::vector<float> samples(static_cast<std::size_t>(seconds * kRate));
        for (std::size_t n = 0; n < samples.size(); ++n) {
            samples[n] = static_cast<float>(
                5000 * std::sin(2 * std::numbers::pi * 615 * static_cast<double>(n) / kRate));
        }
        inserts.push_back({at, std::move(samples), std::nullopt});
    };
    tone(60 * kRate, 0.7);  // a whistle that looks like a lead-in and has no code
    constexpr std::int64_t kCarrier = 900 * kRate;
    tone(kCarrier, 600.0);  // ten minutes of carrier tone
    auto free = [&](std::int64_t from, std::int64_t to) {
        return std::none_of(inserts.begin(), inserts.end(), [&](const Insert& i) {
            return from < i.at + static_cast<std::int64_t>(i.samples.size()) + kRate &&
                   i.at < to + kRate;
        });
    };
    for (std::int64_t at = 5 * kRate; at < kHour - 10 * kRate;
         at += (100 + static_cast<std::int64_t>(rng() % 40)) * kRate) {
        const Packet packet = test::RandomPacket(rng);
        const auto signal = test::Synthesize(packet, rng() % 2 == 0);
        if (!free(at, at + static_cast<std::int64_t>(signal.size()))) {
            continue;
        }
        const float gain = std::pow(10.0f, -static_cast<float>(rng() % 30) / 20.0f);
        std::vector<float> samples;
        for (std::int16_t s : signal) {
            samples.push_back(s * gain);
        }
        inserts.push_back({at, std::move(samples), packet});
    }
    std::sort(inserts.begin(), inserts.end(),
              [](const Insert& a, const Insert& b) { return a.at < b.at; });

    StreamDecoder decoder(kRate);
    std::vector<DecodeResult> heard;
    std::vector<float> block(static_cast<std::size_t>(kBlock));
    std::size_t next = 0;
    std::size_t heldFirstHalf = 0;  // the most the decoder held
    std::size_t heldSecondHalf = 0;
    std::size_t heldInCarrier = 0;  // from its tenth second on
    for (std::int64_t at = 0; at < kHour; at += kBlock) {
        for (float& v : block) {
            v = noise(rng);
        }
        for (std::size_t i = next; i < inserts.size() && inserts[i].at < at + kBlock; ++i) {
            const Insert& insert = inserts[i];
            for (std::int64_t k = 0; k < kBlock; ++k) {
                const std::int64_t n = at + k - insert.at;
                if (n >= 0 && n < static_cast<std::int64_t>(insert.samples.size())) {
                    block[static_cast<std::size_t>(k)] +=
                        insert.samples[static_cast<std::size_t>(n)];
                }
            }
        }
        while (next < inserts.size() &&
               inserts[next].at + static_cast<std::int64_t>(inserts[next].samples.size()) <= at) {
            ++next;
        }
        for (DecodeResult& r : decoder.Feed(block)) {
            if (r.found) {
                heard.push_back(std::move(r));
            }
        }
        std::size_t& held = at < kHour / 2 ? heldFirstHalf : heldSecondHalf;
        held = std::max(held, decoder.HeldBytes());
        if (at >= kCarrier + 10 * kRate && at < kCarrier + 600 * kRate) {
            heldInCarrier = std::max(heldInCarrier, decoder.HeldBytes());
        }
    }
    for (DecodeResult& r : decoder.Finish()) {
        if (r.found) {
            heard.push_back(std::move(r));
        }
    }

    std::vector<const Insert*> sent;
    for (const Insert& insert : inserts) {
        if (insert.packet) {
            sent.push_back(&insert);
        }
    }
    ASSERT_EQ(heard.size(), sent.size());
    for (std::size_t i = 0; i < sent.size(); ++i) {
        EXPECT_TRUE(heard[i].crcOk) << "packet " << i << ": " << heard[i].reason;
        EXPECT_EQ(heard[i].packet, *sent[i]->packet) << "packet " << i;
        EXPECT_NEAR(heard[i].startSeconds, static_cast<double>(sent[i]->at) / kRate, 0.01);
    }
    // Each lead-in's sums go with its code: the second half hour holds no more than the first.
    // A tone's history is capped at its latest 4 s (about 0.64 MB of samples with the vector's
    // spare room), where ten minutes of it would be 38 MB.
    EXPECT_LE(heldSecondHalf, heldFirstHalf);
    EXPECT_LT(heldInCarrier, std::size_t{2} << 20);
}

TEST(StreamDecoder, ALeadInToneFollowedByNoCodeIsNoPacket) {
    constexpr int kRate = 16000;
    std::mt19937 rng(2);
    std::normal_distribution<float> noise(0.0f, 300.0f);
    std::vector<float> input(4 * kRate);
    for (std::size_t n = 0; n < input.size(); ++n) {
        input[n] = noise(rng);
        if (n < kRate) {
            input[n] += static_cast<float>(
                10000 * std::sin(2 * std::numbers::pi * 615 * static_cast<double>(n) / kRate));
        }
    }
    StreamDecoder decoder(kRate);
    std::vector<DecodeResult> results = decoder.Feed(input);
    const std::vector<DecodeResult> last = decoder.Finish();
    results.insert(results.end(), last.begin(), last.end());
    ASSERT_EQ(results.size(), 1u);
    EXPECT_FALSE(results[0].found);
    EXPECT_NE(results[0].reason.find("не следует код"), std::string::npos) << results[0].reason;
}

TEST(StreamDecoder, RefusesRatesOutsideTheRange) {
    for (int rate : {0, 7999, 48001}) {
        EXPECT_THROW(StreamDecoder{rate}, std::invalid_argument) << rate;
    }
}

}  // namespace
}  // namespace tornel
