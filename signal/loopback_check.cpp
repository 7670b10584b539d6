#include "signal/loopback_check.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <vector>

#include "signal/stream_decoder.h"

namespace tornel {

class LoopbackCheck::Impl {
  public:
    Impl(int sampleRate, const Packet& sent) : decoder_(sampleRate), sent_(sent) {}

    void Feed(std::span<const float> samples) {
        for (const float s : samples) {
            peak_ = std::max(peak_, static_cast<double>(std::abs(s)));
        }
        Keep(decoder_.Feed(samples));
    }

    bool heard() const { return intact_.has_value(); }

    LoopbackOutcome Finish() {
        Keep(decoder_.Finish());
        // The sent packet intact if it came back at all (an echo or a second send may follow),
        // otherwise the first packet read.
        if (packets_.empty()) {
            return JudgeSilence();
        }
        return JudgePacket(packets_[intact_.value_or(0)]);
    }

  private:
    void Keep(std::vector<DecodeResult> results) {
        for (DecodeResult& r : results) {
            if (!r.found) {
                continue;
            }
            if (!intact_ && r.crcOk && r.packet == sent_) {
                intact_ = packets_.size();
            }
            packets_.push_back(std::move(r));
        }
    }

    // A packet was read: the level first, for a packet that came back at a bad level may be
    // damaged by it, and even one that came back intact may not reach a real controller.
    LoopbackOutcome JudgePacket(const DecodeResult& r) const {
        LoopbackOutcome outcome{
            .packetHeard = true, .packetIntact = r.crcOk && r.packet == sent_, .level = r.level};
        if (r.peak >= kCheckClipLevel) {
            outcome.verdict = LoopbackVerdict::Clipped;
        } else if (r.level < kCheckLowLevel) {
            outcome.verdict = LoopbackVerdict::LevelTooLow;
        } else if (!r.crcOk) {
            outcome.verdict = LoopbackVerdict::CrcWrong;
        } else if (!outcome.packetIntact) {
            outcome.verdict = LoopbackVerdict::OtherPacket;
        } else {
            outcome.verdict = LoopbackVerdict::Intact;
        }
        return outcome;
    }

    LoopbackOutcome JudgeSilence() const {
        LoopbackOutcome outcome{.level = peak_ / kFullScale};
        if (outcome.level < kCheckSilenceLevel) {
            outcome.verdict = LoopbackVerdict::NoSignal;
        } else if (outcome.level >= kCheckClipLevel) {
            outcome.verdict = LoopbackVerdict::Clipped;
        } else if (outcome.level < kCheckLowLevel) {
            outcome.verdict = LoopbackVerdict::LevelTooLow;
        } else {
            outcome.verdict = LoopbackVerdict::NotRecognised;
        }
        return outcome;
    }

    StreamDecoder decoder_;
    Packet sent_;
    std::vector<DecodeResult> packets_;
    std::optional<std::size_t> intact_;  // the first of packets_ that is the sent one intact
    double peak_ = 0.0;                  // the loudest sample of the input
};

LoopbackCheck::LoopbackCheck(int sampleRate, const Packet& sent)
    : impl_(std::make_unique<Impl>(sampleRate, sent)) {}

LoopbackCheck::~LoopbackCheck() = default;

void LoopbackCheck::Feed(std::span<const float> samples) {
    impl_->Feed(samples);
}

bool LoopbackCheck::heard() const {
    return impl_->heard();
}

LoopbackOutcome LoopbackCheck::Finish() {
    return impl_->Finish();
}

namespace {

std::string Decibels(double level) {
    const long db = level > 0.0 ? std::lround(20.0 * std::log10(level)) : -99;
    return std::to_string(db) + " дБ";
}

}  // namespace

std::string LoopbackStatusText(const LoopbackOutcome& outcome) {
    const std::string text = " контроль: ";
    switch (outcome.verdict) {
        case LoopbackVerdict::Intact:
            return text + "пакет принят, CRC верна";
        case LoopbackVerdict::NoSignal:
            return text + "нет сигнала на входе";
        case LoopbackVerdict::LevelTooLow:
            return text + "уровень слишком мал (" + Decibels(outcome.level) + ")";
        case LoopbackVerdict::Clipped:
            return text + "перегрузка, сигнал ограничен";
        case LoopbackVerdict::CrcWrong:
            return text + "пакет принят, CRC неверна";
        case LoopbackVerdict::OtherPacket:
            return text + "принят другой пакет";
        case LoopbackVerdict::NotRecognised:
            return text + "пакет не распознан";
    }
    return text;
}

std::string LoopbackDetailText(const LoopbackOutcome& outcome) {
    std::string fate = "пакет не принят";
    if (outcome.packetIntact) {
        fate = "пакет принят без ошибок";
    } else if (outcome.packetHeard) {
        fate = "пакет принят с ошибкой";
    }
    return "уровень " + Decibels(outcome.level) + ", " + fate;
}

}  // namespace tornel
