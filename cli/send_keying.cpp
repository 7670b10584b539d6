#include "cli/send_keying.h"

#include <thread>

#include "cli/release_on_signal.h"
#include "ptt/keyed_play.h"
#include "signal/wav_writer.h"

namespace tornel::cli {

SendKeying::SendKeying(const Options& options) : options_(options) {
    if (options.ptt.Keys()) {
        signals_ = std::make_unique<ReleaseOnSignal>();
    }
}

SendKeying::~SendKeying() = default;

std::string SendKeying::Play(const std::function<std::string()>& play) {
    if (!signals_) {
        return play();
    }
    const ptt::KeyingTimes times{.txDelayMs = options_.txDelayMs, .txTailMs = options_.txTailMs};
    try {
        // The whole file plays, its silence after the signal too.
        ptt::TransmitterRun run(ptt::OpenTransmitter(options_.ptt),
                                ptt::SendLimit(times, kWavDataSamples, kSampleRate));
        const ReleaseOnSignal::Guard guard(*signals_, run.session());
        const auto keyed = ptt::KeyedPlay<std::string>(
            run.session(), times,
            [](std::chrono::milliseconds span) { std::this_thread::sleep_for(span); }, play);
        if (!keyed.releaseError.empty()) {
            return "передатчик не выключен: " + keyed.releaseError + "; выключите его вручную";
        }
        return !keyed.played.empty() ? keyed.played : keyed.limitError;
    } catch (const ptt::PttError& e) {
        return std::string("сигнал не выдан: ") + e.what();
    }
}

}  // namespace tornel::cli
