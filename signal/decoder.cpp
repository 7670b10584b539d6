#include "signal/decoder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <memory>
#include <optional>
#include <vector>

#include "packet/crc.h"
#include "packet/number_text.h"
#include "signal/signal_constants.h"

namespace tornel {

namespace {

using Complex = std::complex<double>;

constexpr double kTwoPi = 6.283185307179586476925;

// Lead-in detection works on 10 ms blocks: a block belongs to the tone when at least 30 % of its
// energy lies at 615 Hz (white noise puts about 2/(block length) of its energy there, so a run
// of such blocks does not come from noise even at 0 dB signal-to-noise).
constexpr double kBlockSeconds = 0.010;
constexpr double kToneFraction = 0.3;
constexpr std::size_t kMinLeadInBlocks = 40;  // 0.4 s of the 1 s lead-in
constexpr std::size_t kSkipAtRunStart = 10;   // the filter may still be settling there
constexpr std::size_t kSkipAtRunEnd = 3;
constexpr double kMaxClockError = 0.05;
constexpr std::size_t kMaxAttempts = 16;

// Symbol tracking, in samples at 16 kHz: how far a boundary may move per symbol, how much of the
// measured move is taken (a first-order loop that smooths noise), and the share of a symbol
// that each side of the boundary fit uses.
constexpr double kBoundarySearch = 8.0;
constexpr double kLoopGain = 0.5;
constexpr double kFitShare = 0.8;
// A tone decision leaves out the first fifth of the symbol: with a strong modulation filter
// (coefficient 0.01 smooths over about 100 samples) the tone is still gliding from the previous
// one there, and on its way from 889 to 470 Hz it passes the third tone, 615 Hz.
constexpr double kDecisionSkip = 0.2;

struct ToneRun {
    std::size_t firstBlock = 0;
    std::size_t endBlock = 0;  // one past the last tone block
};

// exp(-j*w*n) for n = first .. first + count - 1, by rotation with an exact restart now and then.
template <typename Visit>
void ForEachPhasor(double w, std::size_t first, std::size_t count, Visit visit) {
    constexpr std::size_t kRestart = 4096;
    const Complex step = std::polar(1.0, -w);
    Complex phasor;
    for (std::size_t i = 0; i < count; ++i) {
        if (i % kRestart == 0) {
            phasor = std::polar(1.0, -w * static_cast<double>(first + i));
        }
        visit(i, phasor);
        phasor *= step;
    }
}

std::vector<ToneRun> FindLeadInRuns(std::span<const float> x, int rate) {
    const auto block = static_cast<std::size_t>(rate * kBlockSeconds);
    const double w = kTwoPi * kToneHz[kLeadInTone] / rate;
    std::vector<Complex> phasors(block);
    ForEachPhasor(w, 0, block, [&](std::size_t i, Complex p) { phasors[i] = p; });

    std::vector<ToneRun> runs;
    std::optional<ToneRun> current;
    auto close = [&] {
        if (current && current->endBlock - current->firstBlock >= kMinLeadInBlocks) {
            runs.push_back(*current);
        }
        current.reset();
    };
    const std::size_t blocks = x.size() / block;
    for (std::size_t b = 0; b < blocks; ++b) {
        const float* s = x.data() + b * block;
        Complex sum;
        double energy = 0.0;
        for (std::size_t i = 0; i < block; ++i) {
            sum += static_cast<double>(s[i]) * phasors[i];
            energy += static_cast<double>(s[i]) * s[i];
        }
        const bool tone = energy > 0.0 && 2.0 * std::norm(sum) / block > kToneFraction * energy;
        if (!tone) {
            continue;
        }
        if (current && b <= current->endBlock + 1) {  // bridges a single noisy block
            current->endBlock = b + 1;
        } else {
            close();
            current = ToneRun{b, b + 1};
        }
    }
    close();
    return runs;
}

// Frequency offset from `hz` of the tone in x[begin, end): the mean phase advance between 5 ms
// partial sums `lag` apart.
double FrequencyOffset(std::span<const float> x, std::size_t begin, std::size_t end, int rate,
                       double hz, std::size_t lag) {
    const auto sub = static_cast<std::size_t>(rate / 200);
    std::vector<Complex> parts((end - begin) / sub);
    ForEachPhasor(kTwoPi * hz / rate, begin, parts.size() * sub, [&](std::size_t i, Complex p) {
        parts[i / sub] += static_cast<double>(x[begin + i]) * p;
    });
    Complex advance;
    for (std::size_t k = lag; k < parts.size(); ++k) {
        advance += parts[k] * std::conj(parts[k - lag]);
    }
    const double seconds = static_cast<double>(lag * sub) / rate;
    return std::arg(advance) / (kTwoPi * seconds);
}

// The lead-in tone's frequency: a coarse estimate (unambiguous within 100 Hz), then a fine one
// over 100 ms steps.
double MeasureLeadInHz(std::span<const float> x, int rate, const ToneRun& run, std::size_t block) {
    const std::size_t begin = (run.firstBlock + kSkipAtRunStart) * block;
    const std::size_t end = (run.endBlock - kSkipAtRunEnd) * block;
    const double coarse =
        kToneHz[kLeadInTone] + FrequencyOffset(x, begin, end, rate, kToneHz[kLeadInTone], 1);
    return coarse + FrequencyOffset(x, begin, end, rate, coarse, 20);
}

// Prefix sums of the recording demodulated at each of the three tones, over one stretch of it, so
// that the energy of any tone over any window costs two look-ups.
class ToneBank {
  public:
    ToneBank(std::span<const float> x, long begin, long end, int rate, double clockRatio)
        : begin_(begin), end_(end), length_(static_cast<std::size_t>(end - begin) + 1) {
        // Left uninitialised: every entry is written below, and a fresh zeroed copy of several
        // megabytes per decode costs more than the sums themselves.
        prefix_ = std::make_unique_for_overwrite<Sum[]>(length_ * kToneHz.size());
        double mean = 0.0;
        for (long n = begin; n < end; ++n) {
            mean += x[static_cast<std::size_t>(n)];
        }
        mean /= std::max<double>(1.0, static_cast<double>(length_ - 1));
        for (std::size_t tone = 0; tone < kToneHz.size(); ++tone) {
            Sum* prefix = &prefix_[tone * length_];
            prefix[0] = Sum{0.0, 0.0};
            const double w = kTwoPi * kToneHz[tone] * clockRatio / rate;
            ForEachPhasor(
                w, static_cast<std::size_t>(begin), length_ - 1, [&](std::size_t i, Complex p) {
                    const double v = x[static_cast<std::size_t>(begin) + i] - mean;
                    prefix[i + 1] = Sum{prefix[i].re + v * p.real(), prefix[i].im + v * p.imag()};
                });
        }
    }

    bool Covers(long a, long b) const { return a >= begin_ && b <= end_ && a < b; }

    // |sum of the demodulated samples over [a, b)|^2 / (b - a); the caller checks Covers().
    double Energy(int tone, long a, long b) const {
        const Sum* prefix = &prefix_[static_cast<std::size_t>(tone) * length_];
        const Sum& hi = prefix[static_cast<std::size_t>(b - begin_)];
        const Sum& lo = prefix[static_cast<std::size_t>(a - begin_)];
        const double re = hi.re - lo.re;
        const double im = hi.im - lo.im;
        return (re * re + im * im) / static_cast<double>(b - a);
    }

  private:
    struct Sum {
        double re;
        double im;
    };
    long begin_;
    long end_;
    std::size_t length_;             // entries per tone
    std::unique_ptr<Sum[]> prefix_;  // the three tones one after another
};

struct Edge {
    long position = 0;
    int nextTone = -1;  // -1: no window fitted inside the recording
};

// The boundary in [lo, hi] where `fromTone` before it and one of `toTones` after it fit best, each
// over `width` samples.
Edge FindEdge(const ToneBank& bank, int fromTone, std::span<const int> toTones, long lo, long hi,
              long width) {
    Edge best;
    double bestScore = -1.0;
    for (long t = lo; t <= hi; ++t) {
        if (!bank.Covers(t - width, t + width)) {
            continue;
        }
        const double before = bank.Energy(fromTone, t - width, t);
        for (int next : toTones) {
            const double score = before + bank.Energy(next, t, t + width);
            if (score > bestScore) {
                bestScore = score;
                best = Edge{t, next};
            }
        }
    }
    return best;
}

std::array<int, 2> TonesAfter(int symbol) {
    switch (symbol) {
        case 0:
            return {1, 2};
        case 1:
            return {0, 2};
        default:
            return {0, 1};
    }
}

// The symbol starting at `start`: the stronger of the two tones that may follow `previous`, over
// the length of the shorter of them, less its start. -1 when the window runs past the recording.
int DecideSymbol(const ToneBank& bank, int previous, double start, double scale) {
    const auto [a, b] = TonesAfter(previous);
    const double length = std::min(kSymbolSamples[a], kSymbolSamples[b]) * scale;
    const long from = std::lround(start + kDecisionSkip * length);
    const long to = std::lround(start + length);
    if (!bank.Covers(from, to)) {
        return -1;
    }
    return bank.Energy(a, from, to) >= bank.Energy(b, from, to) ? a : b;
}

Packet SymbolsToPacket(const std::vector<int>& symbols) {
    Packet packet{};
    int bit = 0;
    for (std::size_t i = 0; i < symbols.size() && i < packet.size() * 8; ++i) {
        if (symbols[i] != 2) {  // the repeat symbol repeats the bit before it
            bit = symbols[i];
        }
        packet[i / 8] = static_cast<std::uint8_t>(packet[i / 8] | (bit << (7 - i % 8)));
    }
    return packet;
}

std::string CutReason(std::size_t symbols) {
    return "запись обрывается внутри кода: принято " + std::to_string(symbols) + " символов из " +
           std::to_string(kSymbolCount);
}

void CheckCrc(DecodeResult& r) {
    r.receivedCrc = static_cast<std::uint16_t>((r.packet[14] << 8) | r.packet[15]);
    r.computedCrc = PacketCrc16(std::span(r.packet).first(14)).crc;
    r.crcOk = r.receivedCrc == r.computedCrc;
    if (!r.crcOk) {
        r.reason = "контрольная сумма не сходится: принята " + WordToHex(r.receivedCrc) +
                   ", вычислена " + WordToHex(r.computedCrc);
    }
}

// Follows the code from `symbol`, which starts at `firstChange`, until there are 128 symbols;
// `symbols` holds those inferred before it (a leading 1 that sounds like the lead-in).
DecodeResult ReadCode(const ToneBank& bank, std::vector<int> symbols, long firstChange, int symbol,
                      double scale, int rate) {
    DecodeResult r;
    double start = static_cast<double>(firstChange);
    r.codeStartSeconds =
        (start - static_cast<double>(symbols.size()) * kSymbolSamples[1] * scale) / rate;
    const long search = std::lround(kBoundarySearch * scale);
    while (true) {
        symbols.push_back(symbol);
        const double expected = start + kSymbolSamples[static_cast<std::size_t>(symbol)] * scale;
        if (symbols.size() == static_cast<std::size_t>(kSymbolCount)) {
            break;
        }
        int next = DecideSymbol(bank, symbol, expected, scale);
        if (next < 0) {
            r.reason = CutReason(symbols.size());
            return r;
        }
        const int shorter = std::min(kSymbolSamples[static_cast<std::size_t>(symbol)],
                                     kSymbolSamples[static_cast<std::size_t>(next)]);
        const std::array<int, 1> only = {next};
        const long centre = std::lround(expected);
        const Edge edge = FindEdge(bank, symbol, only, centre - search, centre + search,
                                   std::lround(kFitShare * shorter * scale));
        start = edge.nextTone < 0
                    ? expected
                    : expected + kLoopGain * (static_cast<double>(edge.position) - expected);
        next = DecideSymbol(bank, symbol, start, scale);
        if (next < 0) {
            r.reason = CutReason(symbols.size());
            return r;
        }
        symbol = next;
    }
    r.found = true;
    r.packet = SymbolsToPacket(symbols);
    CheckCrc(r);
    return r;
}

DecodeResult WithClock(DecodeResult r, double clockRatio) {
    r.clockRatio = clockRatio;
    return r;
}

// Where the lead-in starts: the first 5 ms window whose power reaches half the tone's steady
// power, moved by half a window (the window straddles the onset when it crosses that level).
double LeadInOnset(std::span<const float> x, int rate, const ToneRun& run, std::size_t block) {
    const std::size_t steadyBegin = (run.firstBlock + kSkipAtRunStart) * block;
    const std::size_t steadyEnd = (run.endBlock - kSkipAtRunEnd) * block;
    double steady = 0.0;
    for (std::size_t n = steadyBegin; n < steadyEnd; ++n) {
        steady += static_cast<double>(x[n]) * x[n];
    }
    steady /= static_cast<double>(steadyEnd - steadyBegin);
    const auto window = static_cast<std::size_t>(rate / 200);
    const std::size_t from = run.firstBlock >= 2 ? (run.firstBlock - 2) * block : 0;
    const std::size_t to = (run.firstBlock + 1) * block;
    double power = 0.0;
    for (std::size_t n = from; n < from + window; ++n) {
        power += static_cast<double>(x[n]) * x[n];
    }
    for (std::size_t t = from; t < to; ++t) {
        if (power >= 0.5 * steady * static_cast<double>(window)) {
            return t == 0 ? 0.0 : static_cast<double>(t) + window / 2.0;
        }
        power +=
            static_cast<double>(x[t + window]) * x[t + window] - static_cast<double>(x[t]) * x[t];
    }
    return static_cast<double>(to);
}

// Reads the 128 symbols that follow one lead-in run.
DecodeResult DecodeAfterRun(std::span<const float> x, int rate, const ToneRun& run) {
    DecodeResult r;
    const auto block = static_cast<std::size_t>(rate * kBlockSeconds);
    const double leadInHz = MeasureLeadInHz(x, rate, run, block);
    r.clockRatio = leadInHz / kToneHz[kLeadInTone];
    if (!(std::abs(r.clockRatio - 1.0) <= kMaxClockError)) {
        r.reason = "тон около 615 Гц не похож на вводный: " + std::to_string(leadInHz) + " Гц";
        return r;
    }
    const double scale =
        rate / (kSampleRate * r.clockRatio);  // recording samples per symbol sample
    const auto leadInEnd = static_cast<long>(run.endBlock * block);
    const long margin = std::lround(0.15 * rate);
    const long bankBegin = std::max(0L, leadInEnd - margin);
    const long bankEnd = std::min(static_cast<long>(x.size()),
                                  leadInEnd + std::lround(kLongestCodeSamples * scale) + margin);
    const ToneBank bank(x, bankBegin, bankEnd, rate, r.clockRatio);

    // The first change of tone: to 470 Hz for a 0 bit; to 889 Hz (the repeat symbol) when the
    // code begins with two 1 bits, the first of which sounds like the lead-in.
    const std::array<int, 2> firstChanges = {0, 2};
    const auto blockLength = static_cast<long>(block);
    const Edge first = FindEdge(bank, kLeadInTone, firstChanges, leadInEnd - 3 * blockLength,
                                leadInEnd + 2 * blockLength,
                                std::lround(kFitShare * kSymbolSamples[kLeadInTone] * scale));
    if (first.nextTone < 0) {
        r.reason = CutReason(0);
        return r;
    }
    if (first.nextTone == 2) {  // 1, then the repeat symbol: the code began one symbol earlier
        return WithClock(ReadCode(bank, {1}, first.position, 2, scale, rate), r.clockRatio);
    }
    // A change to 470 Hz: the code starts with it, or with a 1 bit just before it. The lead-in's
    // length tells which; the CRC settles a doubtful case.
    const double leadIn = (first.position - LeadInOnset(x, rate, run, block)) / scale;
    const bool oneFirst = leadIn > kLeadInSamples + kSymbolSamples[kLeadInTone] / 2.0;
    DecodeResult preferred = ReadCode(bank, oneFirst ? std::vector<int>{1} : std::vector<int>{},
                                      first.position, 0, scale, rate);
    if (preferred.crcOk) {
        return WithClock(std::move(preferred), r.clockRatio);
    }
    DecodeResult other = ReadCode(bank, oneFirst ? std::vector<int>{} : std::vector<int>{1},
                                  first.position, 0, scale, rate);
    return WithClock(std::move(other.crcOk ? other : preferred), r.clockRatio);
}

std::vector<float> Channel(const WavAudio& audio, int channel) {
    const auto channels = static_cast<std::size_t>(audio.channelCount);
    std::vector<float> out(audio.frameCount());
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = audio.samples[i * channels + static_cast<std::size_t>(channel)];
    }
    return out;
}

std::vector<float> Mix(const WavAudio& audio) {
    const auto channels = static_cast<std::size_t>(audio.channelCount);
    std::vector<float> out(audio.frameCount());
    for (std::size_t i = 0; i < out.size(); ++i) {
        float sum = 0.0f;
        for (std::size_t c = 0; c < channels; ++c) {
            sum += audio.samples[i * channels + c];
        }
        out[i] = sum;
    }
    return out;
}

}  // namespace

DecodeResult DecodeSignal(std::span<const float> samples, int sampleRate) {
    DecodeResult best;
    best.reason = "в записи не найден вводный тон 615 Гц";
    if (sampleRate < kMinWavRate || sampleRate > kMaxWavRate) {
        best.reason = "частота дискретизации вне 8000..48000 Гц";
        return best;
    }
    const std::vector<ToneRun> runs = FindLeadInRuns(samples, sampleRate);
    for (std::size_t i = 0; i < runs.size() && i < kMaxAttempts; ++i) {
        DecodeResult r = DecodeAfterRun(samples, sampleRate, runs[i]);
        if (r.crcOk) {
            return r;
        }
        if (i == 0 || (r.found && !best.found)) {
            best = std::move(r);
        }
    }
    return best;
}

DecodeResult DecodeRecording(const WavAudio& audio) {
    if (audio.channelCount <= 0) {
        DecodeResult none;
        none.reason = "в записи нет каналов";
        return none;
    }
    DecodeResult best = DecodeSignal(Mix(audio), audio.sampleRate);
    for (int c = 0; c < std::min(audio.channelCount, 2) && audio.channelCount > 1 && !best.crcOk;
         ++c) {
        DecodeResult r = DecodeSignal(Channel(audio, c), audio.sampleRate);
        if (r.crcOk || (r.found && !best.found)) {
            best = std::move(r);
        }
    }
    return best;
}

}  // namespace tornel
