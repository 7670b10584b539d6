#include "signal/stream_decoder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "packet/crc.h"
#include "packet/number_text.h"
#include "signal/signal_constants.h"
#include "signal/wav_reader.h"

namespace tornel {

namespace {

using Complex = std::complex<double>;
using Index = std::int64_t;  // a sample's position in the stream

constexpr double kTwoPi = 6.283185307179586476925;

// Lead-in detection works on 10 ms blocks: a block belongs to the tone when at least 30 % of its
// energy lies at 615 Hz (white noise puts about 2/(block length) of its energy there, so a run
// of such blocks does not come from noise even at 0 dB signal-to-noise).
constexpr double kBlockSeconds = 0.010;
constexpr double kToneFraction = 0.3;
// A run of tone blocks bridges one block that is not tone (a click, a burst of noise), or two
// where the tone dropped out: blocks with less than this share of the tone's energy, as on a
// fading radio path. A dropout of 15 ms leaves at most two blocks without enough tone, while a
// change to another tone keeps the energy and ends the run as before.
constexpr double kDropoutEnergy = 0.6;
constexpr int kBridgedBlocks = 1;
constexpr int kBridgedDropoutBlocks = 2;
constexpr Index kMinLeadInBlocks = 40;  // 0.4 s of the 1 s lead-in
constexpr Index kSkipAtRunStart = 10;   // the filter may still be settling there
constexpr Index kSkipAtRunEnd = 3;
constexpr double kMaxClockError = 0.05;
// A tone longer than this keeps only its latest part: far longer than any lead-in, and the
// samples of an endless tone must not pile up.
constexpr Index kMaxRunBlocks = 400;
// Samples kept behind the newest one besides those of a tone in progress: the tone sums of a
// lead-in begin this far before its end.
constexpr double kMarginSeconds = 0.15;
constexpr double kHistorySeconds = 0.25;

// Symbol tracking, in samples at 16 kHz: how far a boundary may move per symbol, how much of the
// measured move is taken (a first-order loop that smooths noise), and the share of a symbol
// that each side of the boundary fit uses.
constexpr double kBoundarySearch = 8.0;
constexpr double kLoopGain = 0.5;
constexpr double kFitShare = 0.8;
// The tones of a code are about as strong as its lead-in; a "code" whose decided tones carry less
// than a tenth of the lead-in's power is noise after a tone that only looked like a lead-in.
constexpr double kMinCodeToLeadIn = 0.1;
// A tone decision leaves out the first fifth of the symbol: with a strong modulation filter
// (coefficient 0.01 smooths over about 100 samples) the tone is still gliding from the previous
// one there, and on its way from 889 to 470 Hz it passes the third tone, 615 Hz.
constexpr double kDecisionSkip = 0.2;

struct ToneRun {
    Index firstBlock = 0;
    Index endBlock = 0;  // one past the last tone block
};

// exp(-j*w*n) for n = first .. first + count - 1, by rotation with an exact restart now and then.
constexpr Index kPhasorRestart = 4096;
template <typename Visit>
void ForEachPhasor(double w, Index first, std::size_t count, Visit visit) {
    const Complex step = std::polar(1.0, -w);
    Complex phasor;
    for (std::size_t i = 0; i < count; ++i) {
        if (i % kPhasorRestart == 0) {
            phasor = std::polar(1.0, -w * static_cast<double>(first + static_cast<Index>(i)));
        }
        visit(i, phasor);
        phasor *= step;
    }
}

// The latest samples of the stream, addressed by their position in it.
class SampleHistory {
  public:
    Index begin() const { return begin_; }
    Index end() const { return begin_ + static_cast<Index>(samples_.size() - start_); }

    void Append(std::span<const float> samples) {
        samples_.insert(samples_.end(), samples.begin(), samples.end());
    }

    // Samples [a, b), which the caller keeps within begin() .. end().
    std::span<const float> Range(Index a, Index b) const {
        return {samples_.data() + start_ + static_cast<std::size_t>(a - begin_),
                static_cast<std::size_t>(b - a)};
    }

    // Forgets the samples before `n`. The storage is compacted once the forgotten part outweighs
    // the kept one, so that each sample is moved a bounded number of times.
    void DropBefore(Index n) {
        n = std::min(n, end());
        if (n <= begin_) {
            return;
        }
        start_ += static_cast<std::size_t>(n - begin_);
        begin_ = n;
        if (start_ > samples_.size() - start_) {
            samples_.erase(samples_.begin(),
                           samples_.begin() + static_cast<std::ptrdiff_t>(start_));
            start_ = 0;
        }
    }

    std::size_t capacity() const { return samples_.capacity(); }

  private:
    std::vector<float> samples_;
    std::size_t start_ = 0;  // index in samples_ of the sample at begin_
    Index begin_ = 0;
};

// Finds runs of 10 ms blocks that carry the lead-in tone, block by block.
class LeadInDetector {
  public:
    explicit LeadInDetector(int rate)
        : block_(static_cast<std::size_t>(rate * kBlockSeconds)), phasors_(block_) {
        const double w = kTwoPi * kToneHz[kLeadInTone] / rate;
        ForEachPhasor(w, 0, block_, [&](std::size_t i, Complex p) { phasors_[i] = p; });
    }

    std::size_t block() const { return block_; }
    const std::optional<ToneRun>& current() const { return current_; }

    // Block `b` (samples b * block() .. (b + 1) * block() - 1): the run it ends, if any.
    std::optional<ToneRun> AddBlock(Index b, std::span<const float> s) {
        const Block block = Measure(s);
        if (!block.tone) {
            if (current_) {
                gapIsDropout_ = gapIsDropout_ && block.energy < kDropoutEnergy * toneEnergy_;
                const int bridged = gapIsDropout_ ? kBridgedDropoutBlocks : kBridgedBlocks;
                if (b >= current_->endBlock + bridged) {
                    return TakeCurrent();
                }
            }
            return std::nullopt;
        }
        gapIsDropout_ = true;
        toneEnergy_ = block.energy;
        if (current_) {  // blocks come one after another: a run still open bridged the gap
            current_->endBlock = b + 1;
            current_->firstBlock = std::max(current_->firstBlock, b + 1 - kMaxRunBlocks);
            return std::nullopt;
        }
        current_ = ToneRun{b, b + 1};
        return std::nullopt;
    }

    // The end of the stream ends the run in progress.
    std::optional<ToneRun> Close() { return TakeCurrent(); }

  private:
    struct Block {
        bool tone = false;
        double energy = 0.0;
    };

    Block Measure(std::span<const float> s) const {
        Complex sum;
        Block block;
        for (std::size_t i = 0; i < block_; ++i) {
            sum += static_cast<double>(s[i]) * phasors_[i];
            block.energy += static_cast<double>(s[i]) * s[i];
        }
        block.tone = block.energy > 0.0 && 2.0 * std::norm(sum) / static_cast<double>(block_) >
                                               kToneFraction * block.energy;
        return block;
    }

    std::optional<ToneRun> TakeCurrent() {
        std::optional<ToneRun> run;
        if (current_ && current_->endBlock - current_->firstBlock >= kMinLeadInBlocks) {
            run = current_;
        }
        current_.reset();
        return run;
    }

    std::size_t block_;
    std::vector<Complex> phasors_;
    std::optional<ToneRun> current_;
    double toneEnergy_ = 0.0;   // of the latest tone block
    bool gapIsDropout_ = true;  // every block since it had little energy
};

// Frequency offset from `hz` of the tone in x: the mean phase advance between 5 ms partial sums
// `lag` apart.
double FrequencyOffset(std::span<const float> x, int rate, double hz, std::size_t lag) {
    const auto sub = static_cast<std::size_t>(rate / 200);
    std::vector<Complex> parts(x.size() / sub);
    ForEachPhasor(kTwoPi * hz / rate, 0, parts.size() * sub, [&](std::size_t i, Complex p) {
        parts[i / sub] += static_cast<double>(x[i]) * p;
    });
    Complex advance;
    for (std::size_t k = lag; k < parts.size(); ++k) {
        advance += parts[k] * std::conj(parts[k - lag]);
    }
    const double seconds = static_cast<double>(lag * sub) / rate;
    return std::arg(advance) / (kTwoPi * seconds);
}

// What the steady part of a lead-in tells: its frequency (a coarse estimate, unambiguous within
// 100 Hz, then a fine one over 100 ms steps), power, mean (the recording's offset) and peak.
struct LeadIn {
    double hz = 0.0;
    double power = 0.0;
    double mean = 0.0;
    double peak = 0.0;
};

LeadIn MeasureLeadIn(std::span<const float> steady, int rate) {
    LeadIn m;
    const double nominal = kToneHz[kLeadInTone];
    const double coarse = nominal + FrequencyOffset(steady, rate, nominal, 1);
    m.hz = coarse + FrequencyOffset(steady, rate, coarse, 20);
    for (float v : steady) {
        m.power += static_cast<double>(v) * v;
        m.mean += v;
        m.peak = std::max(m.peak, static_cast<double>(std::abs(v)));
    }
    m.power /= static_cast<double>(steady.size());
    m.mean /= static_cast<double>(steady.size());
    return m;
}

// Where the lead-in starts: the first 5 ms window whose power reaches half the tone's steady
// power, moved by half a window (the window straddles the onset when it crosses that level).
double LeadInOnset(const SampleHistory& history, int rate, const ToneRun& run, std::size_t block,
                   double steadyPower) {
    const auto window = static_cast<Index>(rate / 200);
    const auto blockLength = static_cast<Index>(block);
    const Index from = std::max(history.begin(), (run.firstBlock - 2) * blockLength);
    const Index to = (run.firstBlock + 1) * blockLength;
    const std::span<const float> x = history.Range(from, to + window);
    auto at = [&](Index n) { return static_cast<double>(x[static_cast<std::size_t>(n - from)]); };
    double power = 0.0;
    for (Index n = from; n < from + window; ++n) {
        power += at(n) * at(n);
    }
    for (Index t = from; t < to; ++t) {
        if (power >= 0.5 * steadyPower * static_cast<double>(window)) {
            return t == 0 ? 0.0 : static_cast<double>(t) + static_cast<double>(window) / 2.0;
        }
        power += at(t + window) * at(t + window) - at(t) * at(t);
    }
    return static_cast<double>(to);
}

// Prefix sums of the stream demodulated at each of the three tones, over the stretch where a
// code may follow one lead-in, so that the energy of any tone over any window costs two
// look-ups. Filled as the samples arrive.
class ToneBank {
  public:
    enum class Coverage { kCovered, kLater, kNever };

    ToneBank(Index begin, Index plannedEnd, int rate, double clockRatio, double mean)
        : begin_(begin),
          plannedEnd_(plannedEnd),
          covered_(begin),
          length_(static_cast<std::size_t>(plannedEnd - begin) + 1),
          mean_(mean) {
        // Left uninitialised: every entry is written as its sample arrives, and a fresh zeroed
        // copy of several megabytes per lead-in costs more than the sums themselves.
#if defined(__cpp_lib_smart_ptr_for_overwrite)
        prefix_ = std::make_unique_for_overwrite<Sum[]>(length_ * kToneHz.size());
#else
        // The same default-initialised array, for standard libraries without the helper
        // (the WebAssembly build's).
        prefix_.reset(new Sum[length_ * kToneHz.size()]);
#endif
        for (std::size_t tone = 0; tone < kToneHz.size(); ++tone) {
            w_[tone] = kTwoPi * kToneHz[tone] * clockRatio / rate;
            prefix_[tone * length_] = Sum{0.0, 0.0};
        }
    }

    Index begin() const {
        return begin_;
    }
    Index covered() const {
        return covered_;
    }
    Index plannedEnd() const {
        return plannedEnd_;
    }
    double peak() const {
        return peak_;
    }
    std::size_t bytes() const {
        return length_ * kToneHz.size() * sizeof(Sum);
    }

    // The next samples, from covered(); those past the planned end are left out.
    void Extend(std::span<const float> samples) {
        const auto count = static_cast<std::size_t>(
            std::min<Index>(static_cast<Index>(samples.size()), plannedEnd_ - covered_));
        const auto first = static_cast<std::size_t>(covered_ - begin_);
        for (std::size_t tone = 0; tone < kToneHz.size(); ++tone) {
            Sum* prefix = &prefix_[tone * length_];
            ForEachPhasor(
                w_[tone], static_cast<Index>(first), count, [&](std::size_t i, Complex p) {
                    const double v = samples[i] - mean_;
                    const Sum& last = prefix[first + i];
                    prefix[first + i + 1] = Sum{last.re + v * p.real(), last.im + v * p.imag()};
                });
        }
        for (std::size_t i = 0; i < count; ++i) {
            peak_ = std::max(peak_, static_cast<double>(std::abs(samples[i])));
        }
        covered_ += static_cast<Index>(count);
    }

    // No more samples will come.
    void EndOfStream() {
        plannedEnd_ = covered_;
    }

    // Whether the sums over [a, b) are there, will be once more samples arrive, or never will.
    Coverage Check(Index a, Index b) const {
        if (a < begin_ || a >= b || b > plannedEnd_) {
            return Coverage::kNever;
        }
        return b <= covered_ ? Coverage::kCovered : Coverage::kLater;
    }

    // |sum of the demodulated samples over [a, b)|^2 / (b - a); the caller checks coverage.
    double Energy(int tone, Index a, Index b) const {
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
    Index begin_;
    Index plannedEnd_;
    Index covered_;
    std::size_t length_;             // entries per tone
    std::unique_ptr<Sum[]> prefix_;  // the three tones one after another
    std::array<double, 3> w_{};
    double mean_;
    double peak_ = 0.0;
};

struct Edge {
    Index position = 0;
    int nextTone = -1;  // -1: no window fitted inside the stream
};

// The two tones that may follow `symbol`: the other two, in order.
std::array<int, 2> TonesAfter(int symbol) {
    return {symbol == 0 ? 1 : 0, symbol == 2 ? 1 : 2};
}

Packet SymbolsToPacket(const std::vector<int>& symbols) {
    Packet packet{};
    int bit = 0;
    for (std::size_t i = 0; i < symbols.size() && i < packet.size() * 8; ++i) {
        if (symbols[i] != kRepeatSymbol) {  // the repeat symbol repeats the bit before it
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

// How far the reading of one code has got: its symbols so far, the last of which starts at
// `start`, and the power of the tones decided.
struct CodePath {
    CodePath(std::vector<int> before, Index firstChange, int firstSymbol)
        : symbols(std::move(before)),
          inferred(symbols.size()),
          firstChange(firstChange),
          start(static_cast<double>(firstChange)) {
        symbols.push_back(firstSymbol);
    }

    std::vector<int> symbols;
    std::size_t inferred;  // symbols before the first change of tone (a 1 like the lead-in)
    Index firstChange;
    double start;
    double tonePower = 0.0;
    int decided = 0;
};

// Reads a code from the tone sums of one lead-in. Every step returns nothing when it needs
// samples that have not arrived yet; waitUntil() then tells how far the stream must get.
class CodeReader {
  public:
    CodeReader(const ToneBank& bank, double scale, int rate, double leadInPower)
        : bank_(bank), scale_(scale), rate_(rate), leadInPower_(leadInPower) {}

    Index waitUntil() const { return waitUntil_; }

    // The boundary in [lo, hi] where `fromTone` before it and one of `toTones` after it fit
    // best, each over `width` samples.
    std::optional<Edge> FindEdge(int fromTone, std::span<const int> toTones, Index lo, Index hi,
                                 Index width) {
        Edge best;
        double bestScore = -1.0;
        for (Index t = lo; t <= hi; ++t) {
            const ToneBank::Coverage coverage = bank_.Check(t - width, t + width);
            if (coverage == ToneBank::Coverage::kLater) {
                return Wait<Edge>(t + width);
            }
            if (coverage == ToneBank::Coverage::kNever) {
                continue;
            }
            const double before = bank_.Energy(fromTone, t - width, t);
            for (int next : toTones) {
                const double score = before + bank_.Energy(next, t, t + width);
                if (score > bestScore) {
                    bestScore = score;
                    best = Edge{t, next};
                }
            }
        }
        return best;
    }

    // Follows the code until there are 128 symbols, from where `path` got to; returns nothing
    // (and keeps what was read) while samples are missing.
    std::optional<DecodeResult> ReadCode(CodePath& path) {
        const Index search = std::lround(kBoundarySearch * scale_);
        while (true) {
            const int symbol = path.symbols.back();
            const double expected =
                path.start + kSymbolSamples[static_cast<std::size_t>(symbol)] * scale_;
            if (path.symbols.size() == static_cast<std::size_t>(kSymbolCount)) {
                return Finished(path, expected);
            }
            std::optional<int> next = DecideSymbol(symbol, expected);
            if (!next) {
                return std::nullopt;
            }
            if (*next < 0) {
                return Cut(Begun(path), path.symbols.size(), expected);
            }
            const int shorter = std::min(kSymbolSamples[static_cast<std::size_t>(symbol)],
                                         kSymbolSamples[static_cast<std::size_t>(*next)]);
            const std::array<int, 1> only = {*next};
            const Index centre = std::lround(expected);
            const std::optional<Edge> edge =
                FindEdge(symbol, only, centre - search, centre + search,
                         std::lround(kFitShare * shorter * scale_));
            if (!edge) {
                return std::nullopt;
            }
            const double start =
                edge->nextTone < 0
                    ? expected
                    : expected + kLoopGain * (static_cast<double>(edge->position) - expected);
            next = DecideSymbol(symbol, start);
            if (!next) {
                return std::nullopt;
            }
            if (*next < 0) {
                return Cut(Begun(path), path.symbols.size(), start);
            }
            path.symbols.push_back(*next);
            path.start = start;
            path.tonePower += decidedPower_;
            ++path.decided;
        }
    }

    DecodeResult Cut(DecodeResult r, std::size_t symbols, double at) const {
        r.reason = CutReason(symbols);
        r.endSeconds = at / rate_;
        return r;
    }

    // Where the code of `path` begins: before its first change of tone by the symbols inferred.
    DecodeResult Begun(const CodePath& path) const {
        DecodeResult r;
        r.codeStartSeconds =
            (static_cast<double>(path.firstChange) -
             static_cast<double>(path.inferred) * kSymbolSamples[kLeadInTone] * scale_) /
            rate_;
        return r;
    }

    DecodeResult Finished(const CodePath& path, double end) const {
        DecodeResult r = Begun(path);
        r.endSeconds = end / rate_;
        if (path.decided > 0 && path.tonePower / path.decided < kMinCodeToLeadIn * leadInPower_) {
            r.reason = "за вводным тоном 615 Гц не следует код";
            return r;
        }
        r.found = true;
        r.packet = SymbolsToPacket(path.symbols);
        CheckCrc(r);
        return r;
    }

  private:
    template <typename T>
    std::optional<T> Wait(Index until) {
        waitUntil_ = until;
        return std::nullopt;
    }

    // The symbol starting at `start`: the stronger of the two tones that may follow `previous`,
    // over the length of the shorter of them, less its start. -1 when the window runs past the
    // end of the stream.
    std::optional<int> DecideSymbol(int previous, double start) {
        const auto [a, b] = TonesAfter(previous);
        const double length = std::min(kSymbolSamples[static_cast<std::size_t>(a)],
                                       kSymbolSamples[static_cast<std::size_t>(b)]) *
                              scale_;
        const Index from = std::lround(start + kDecisionSkip * length);
        const Index to = std::lround(start + length);
        switch (bank_.Check(from, to)) {
            case ToneBank::Coverage::kNever:
                return -1;
            case ToneBank::Coverage::kLater:
                return Wait<int>(to);
            case ToneBank::Coverage::kCovered:
                break;
        }
        const double energyA = bank_.Energy(a, from, to);
        const double energyB = bank_.Energy(b, from, to);
        // A tone of power P gives an energy of about P * window / 2.
        decidedPower_ = std::max(energyA, energyB) * 2.0 / static_cast<double>(to - from);
        return energyA >= energyB ? a : b;
    }

    const ToneBank& bank_;
    double scale_;
    int rate_;
    double leadInPower_;
    Index waitUntil_ = 0;
    double decidedPower_ = 0.0;  // of the tone chosen by the latest decision
};

}  // namespace

// One lead-in and the code that may follow it, read as its samples arrive.
class LeadInAttempt {
  public:
    LeadInAttempt(const ToneRun& run, const LeadIn& leadIn, double onset,
                  const SampleHistory& history, int rate, std::size_t block)
        : rate_(rate),
          block_(static_cast<Index>(block)),
          leadInEnd_(run.endBlock * block_),
          onset_(onset),
          clockRatio_(leadIn.hz / kToneHz[kLeadInTone]),
          scale_(rate / (kSampleRate * clockRatio_)),  // stream samples per signal sample
          tonePower_(std::max(0.0, leadIn.power - leadIn.mean * leadIn.mean)),
          level_(std::sqrt(2.0 * tonePower_) / kFullScale),
          leadInPeak_(leadIn.peak) {
        const Index margin = std::lround(kMarginSeconds * rate);
        const Index begin = std::max({Index{0}, leadInEnd_ - margin, history.begin()});
        const Index plannedEnd = leadInEnd_ + std::lround(kLongestCodeSamples * scale_) + margin;
        bank_.emplace(begin, plannedEnd, rate, clockRatio_, leadIn.mean);
        bank_->Extend(history.Range(begin, std::min(history.end(), plannedEnd)));
    }

    bool ClockPlausible() const { return std::abs(clockRatio_ - 1.0) <= kMaxClockError; }

    // A lead-in whose tone is too far from 615 Hz: no code is read after it.
    DecodeResult Implausible() const {
        DecodeResult r;
        r.reason = "тон около 615 Гц не похож на вводный: " +
                   std::to_string(clockRatio_ * kToneHz[kLeadInTone]) + " Гц";
        r.endSeconds = static_cast<double>(leadInEnd_) / rate_;
        return Described(std::move(r));
    }

    ToneBank& bank() { return *bank_; }
    const ToneBank& bank() const { return *bank_; }

    // Whether the samples the last try waited for have come.
    bool Ready() const { return bank_->covered() >= retryAt_; }

    // The packet (or why there is none) once the samples it needs have arrived.
    std::optional<DecodeResult> TryDecode() {
        CodeReader reader(*bank_, scale_, rate_, tonePower_);
        std::optional<DecodeResult> r = Decode(reader);
        if (!r) {
            retryAt_ = reader.waitUntil();
            return std::nullopt;
        }
        return Described(std::move(*r));
    }

  private:
    std::optional<DecodeResult> Decode(CodeReader& reader) {
        if (paths_.empty()) {
            // The first change of tone: to 470 Hz for a 0 bit; to 889 Hz (the repeat symbol)
            // when the code begins with two 1 bits, the first of which sounds like the lead-in.
            const std::array<int, 2> firstChanges = {0, kRepeatSymbol};
            const std::optional<Edge> first = reader.FindEdge(
                kLeadInTone, firstChanges, leadInEnd_ - 3 * block_, leadInEnd_ + 2 * block_,
                std::lround(kFitShare * kSymbolSamples[kLeadInTone] * scale_));
            if (!first) {
                return std::nullopt;
            }
            if (first->nextTone < 0) {
                return reader.Cut({}, 0, static_cast<double>(leadInEnd_));
            }
            paths_ = PathsAfter(*first);
        }
        std::optional<DecodeResult> preferred = reader.ReadCode(paths_[0]);
        if (!preferred || preferred->crcOk || paths_.size() == 1) {
            return preferred;
        }
        std::optional<DecodeResult> other = reader.ReadCode(paths_[1]);
        if (!other) {
            return std::nullopt;
        }
        return other->crcOk ? other : preferred;
    }

    // The readings of the code that the first change of tone allows, the likelier first.
    std::vector<CodePath> PathsAfter(const Edge& first) const {
        if (first.nextTone == kRepeatSymbol) {  // 1, then the repeat symbol: one symbol earlier
            return {CodePath({1}, first.position, kRepeatSymbol)};
        }
        // A change to 470 Hz: the code starts with it, or with a 1 bit just before it. The
        // lead-in's length tells which; the CRC settles a doubtful case.
        const double leadIn = (static_cast<double>(first.position) - onset_) / scale_;
        const bool oneFirst = leadIn > kLeadInSamples + kSymbolSamples[kLeadInTone] / 2.0;
        CodePath withOne({1}, first.position, 0);
        CodePath withoutOne({}, first.position, 0);
        if (oneFirst) {
            return {std::move(withOne), std::move(withoutOne)};
        }
        return {std::move(withoutOne), std::move(withOne)};
    }

    DecodeResult Described(DecodeResult r) const {
        r.startSeconds = onset_ / rate_;
        r.clockRatio = clockRatio_;
        r.level = level_;
        r.peak = std::max(leadInPeak_, bank_ ? bank_->peak() : 0.0) / kFullScale;
        return r;
    }

    int rate_;
    Index block_;
    Index leadInEnd_;
    double onset_;
    double clockRatio_;
    double scale_;
    double tonePower_;  // of the lead-in, its offset left out
    double level_;
    double leadInPeak_;
    std::optional<ToneBank> bank_;
    std::vector<CodePath> paths_;  // set once the first change of tone is found
    Index retryAt_ = 0;
};

class StreamDecoder::Impl {
  public:
    explicit Impl(int rate) : rate_(rate), detector_(rate), block_(detector_.block()) {}

    std::vector<DecodeResult> Feed(std::span<const float> samples) {
        std::vector<DecodeResult> results;
        while (!samples.empty()) {
            // Up to the end of the current block, so that a block is looked at as it completes
            // and the history never holds more than a block beyond what it must keep.
            const Index blockEnd = (nextBlock_ + 1) * static_cast<Index>(block_);
            const auto take =
                std::min(samples.size(), static_cast<std::size_t>(blockEnd - position_));
            Take(samples.first(take), results);
            samples = samples.subspan(take);
        }
        return Ordered(std::move(results));
    }

    std::vector<DecodeResult> Finish() {
        std::vector<DecodeResult> results;
        if (const std::optional<ToneRun> run = detector_.Close()) {
            Start(*run, results);
        }
        for (LeadInAttempt& attempt : attempts_) {
            attempt.bank().EndOfStream();
            if (std::optional<DecodeResult> r = attempt.TryDecode()) {
                results.push_back(std::move(*r));
            }
        }
        attempts_.clear();
        return Ordered(std::move(results));
    }

    int rate() const { return rate_; }
    Index position() const { return position_; }

    std::size_t HeldBytes() const {
        std::size_t bytes = history_.capacity() * sizeof(float);
        for (const LeadInAttempt& attempt : attempts_) {
            bytes += attempt.bank().bytes();
        }
        return bytes;
    }

  private:
    void Take(std::span<const float> samples, std::vector<DecodeResult>& results) {
        history_.Append(samples);
        position_ += static_cast<Index>(samples.size());
        for (LeadInAttempt& attempt : attempts_) {
            ToneBank& bank = attempt.bank();
            const Index until = std::min(position_, bank.plannedEnd());
            if (bank.covered() < until) {
                bank.Extend(history_.Range(bank.covered(), until));
            }
        }
        const auto block = static_cast<Index>(block_);
        if (position_ == (nextBlock_ + 1) * block) {
            const std::optional<ToneRun> run =
                detector_.AddBlock(nextBlock_, history_.Range(nextBlock_ * block, position_));
            ++nextBlock_;
            if (run) {
                Start(*run, results);
            }
        }
        TryAttempts(results);
        Index keep = position_ - std::lround(kHistorySeconds * rate_);
        if (const std::optional<ToneRun>& current = detector_.current()) {
            keep = std::min(keep, (current->firstBlock - 2) * block);
        }
        history_.DropBefore(keep);
    }

    void Start(const ToneRun& run, std::vector<DecodeResult>& results) {
        const auto block = static_cast<Index>(block_);
        const LeadIn leadIn =
            MeasureLeadIn(history_.Range((run.firstBlock + kSkipAtRunStart) * block,
                                         (run.endBlock - kSkipAtRunEnd) * block),
                          rate_);
        const double onset = LeadInOnset(history_, rate_, run, block_, leadIn.power);
        LeadInAttempt attempt(run, leadIn, onset, history_, rate_, block_);
        if (!attempt.ClockPlausible()) {
            results.push_back(attempt.Implausible());
            return;
        }
        attempts_.push_back(std::move(attempt));
    }

    // An attempt that has come to a result is done with.
    void TryAttempts(std::vector<DecodeResult>& results) {
        std::erase_if(attempts_, [&](LeadInAttempt& attempt) {
            std::optional<DecodeResult> r = attempt.Ready() ? attempt.TryDecode() : std::nullopt;
            if (r) {
                results.push_back(std::move(*r));
            }
            return r.has_value();
        });
    }

    static std::vector<DecodeResult> Ordered(std::vector<DecodeResult> results) {
        std::stable_sort(results.begin(), results.end(),
                         [](const DecodeResult& a, const DecodeResult& b) {
                             return a.startSeconds < b.startSeconds;
                         });
        return results;
    }

    int rate_;
    LeadInDetector detector_;
    std::size_t block_;
    SampleHistory history_;
    Index position_ = 0;
    Index nextBlock_ = 0;  // the block the next samples complete
    std::vector<LeadInAttempt> attempts_;
};

StreamDecoder::StreamDecoder(int sampleRate) {
    if (sampleRate < kMinDecoderRate || sampleRate > kMaxDecoderRate) {
        throw std::invalid_argument("частота дискретизации вне " + DecoderRateRangeText());
    }
    impl_ = std::make_unique<Impl>(sampleRate);
}

StreamDecoder::~StreamDecoder() = default;
StreamDecoder::StreamDecoder(StreamDecoder&&) noexcept = default;
StreamDecoder& StreamDecoder::operator=(StreamDecoder&&) noexcept = default;

std::vector<DecodeResult> StreamDecoder::Feed(std::span<const float> samples) {
    return impl_->Feed(samples);
}

std::vector<DecodeResult> StreamDecoder::Finish() {
    return impl_->Finish();
}

int StreamDecoder::sampleRate() const {
    return impl_->rate();
}

std::int64_t StreamDecoder::position() const {
    return impl_->position();
}

std::size_t StreamDecoder::HeldBytes() const {
    return impl_->HeldBytes();
}

}  // namespace tornel
