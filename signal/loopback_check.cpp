#include "signal/loopback_check.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tornel {

LoopbackCheck::LoopbackCheck(int sampleRate, const Packet& sent)
    : decoder_(sampleRate), sent_(sent) {}

void LoopbackCheck::Feed(std::span<const float> samples) {
    for (const float s : samples) {
        const double magnitude = std::abs(s);
        peak_ = std::max(peak_, magnitude);
        clippedSamples_ += magnitude >= kCheckClipLevel * kFullScale ? 1 : 0;
    }
    Keep(decoder_.Feed(samples));
}

LoopbackOutcome LoopbackCheck::Finish() {
    Keep(decoder_.Finish());
    if (!packets_.empty()) {
        // The sent packet intact if it came back at all (an echo or a second send may follow),
        // otherwise the first packet read.
        return JudgePacket(packets_[intact_.value_or(0)]);
    }
    if (unreadLevel_) {
        return JudgeUnreadLeadIn(*unreadLevel_);
    }
    return {.verdict = LoopbackVerdict::NoSignal, .level = peak_ / kFullScale};
}

void LoopbackCheck::Keep(std::vector<DecodeResult> results) {
    for (DecodeResult& r : results) {
        if (!r.found) {
            unreadLevel_ = std::max(unreadLevel_.value_or(0.0), r.level);
            continue;
        }
        if (!intact_ && r.crcOk && r.packet == sent_) {
            intact_ = packets_.size();
        }
        packets_.push_back(std::move(r));
    }
}

bool LoopbackCheck::Clipped() const {
    return clippedSamples_ >= kCheckClippedSamples;
}

// A packet was read: the level first, for a packet that came back at a bad level may be damaged
// by it, and even one that came back intact may not reach a real controller.
LoopbackOutcome LoopbackCheck::JudgePacket(const DecodeResult& r) const {
    LoopbackOutcome outcome{.leadInHeard = true,
                            .packetHeard = true,
                            .packetIntact = r.crcOk && r.packet == sent_,
                            .level = r.level};
    if (Clipped()) {
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

LoopbackOutcome LoopbackCheck::JudgeUnreadLeadIn(double level) const {
    LoopbackOutcome outcome{.leadInHeard = true, .level = level};
    if (Clipped()) {
        outcome.verdict = LoopbackVerdict::Clipped;
    } else if (level < kCheckLowLevel) {
        outcome.verdict = LoopbackVerdict::LevelTooLow;
    } else {
        outcome.verdict = LoopbackVerdict::NotRecognised;
    }
    return outcome;
}

namespace {

std::string Decibels(double level) {
    const long db = level > 0.0 ? std::lround(20.0 * std::log10(level)) : -99;
    return std::to_string(db) + " дБ";
}

}  // namespace

std::string LoopbackStatusText(const LoopbackOutcome& outcome) {
    const std::string text = " контроль: ";
    const std::string level = "(" + Decibels(outcome.level) + ")";
    switch (outcome.verdict) {
        case LoopbackVerdict::Intact:
            return text + "пакет принят, CRC верна";
        case LoopbackVerdict::NoSignal:
            return text + "нет сигнала на входе";
        case LoopbackVerdict::LevelTooLow:
            return text +
                   (outcome.packetIntact ? "пакет принят, но уровень мал "
                                         : "уровень слишком мал ") +
                   level;
        case LoopbackVerdict::Clipped:
            return text + (outcome.packetIntact ? "пакет принят, но сигнал ограничен"
                                                : "перегрузка, сигнал ограничен");
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
    if (!outcome.leadInHeard) {
        return "тона сигнала нет, пик на входе " + Decibels(outcome.level);
    }
    std::string fate = "пакет не принят";
    if (outcome.packetIntact) {
        fate = "пакет принят без ошибок";
    } else if (outcome.packetHeard) {
        fate = "пакет принят с ошибкой";
    }
    return "уровень " + Decibels(outcome.level) + ", " + fate;
}

}  // namespace tornel
