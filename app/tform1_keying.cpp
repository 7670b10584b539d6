// Keying the transmitter from the window, when the sound setup names a way to key it: around
// each send (key, TX delay, the signal to its last sample, TX tail, release) and in the trainer's
// "передача" phases. With keying off (none or VOX) nothing here does anything.

#include <QEventLoop>
#include <QLabel>
#include <QTimer>

#include "app/tform1.h"
#include "ptt/keyed_play.h"
#include "ptt/pattern_keying.h"
#include "signal/signal_constants.h"
#include "signal/wav_writer.h"
#include "ui_tform1.h"

namespace tornel::app {

std::unique_ptr<ptt::Transmitter> TForm1::OpenTransmitter(const ptt::PttChoice& choice) const {
    return services_.openTransmitter ? services_.openTransmitter(choice)
                                     : ptt::OpenTransmitter(choice);
}

// The send with the transmitter keyed around it. A transmitter that cannot be keyed stops the
// send before anything is played; one that is not released afterwards is named in
// `releaseProblem`.
platform::PlayResult TForm1::PlayKeyed(SendCheck* check, QString& releaseProblem) {
    const ptt::PttChoice& choice = soundSettings_.transmitter;
    if (!choice.Keys()) {
        return PlayWavFile(check);
    }
    // A trainer run that keyed the same transmitter hands it to the send; its next tick takes
    // it back.
    if (trainerKeying_) {
        try {
            trainerKeying_->Release();
        } catch (const ptt::PttError&) {
            StopTrainerKeying();
        }
    }
    try {
        // The whole file plays, its silence after the signal too.
        ptt::TransmitterRun run(
            OpenTransmitter(choice),
            ptt::SendLimit(soundSettings_.keying, kWavDataSamples, kSampleRate));
        auto keyed = ptt::KeyedPlay<platform::PlayResult>(
            run.session(), soundSettings_.keying,
            [this](std::chrono::milliseconds span) { WaitKeepingPainted(span); },
            [this, check] { return PlayWavFile(check); });
        releaseProblem = QString::fromStdString(keyed.releaseError);
        if (!keyed.limitError.empty() && keyed.played.error.empty()) {
            // The end went out with the transmitter released: not on the air.
            keyed.played.incomplete = true;
            keyed.played.error = keyed.limitError;
        }
        return keyed.played;
    } catch (const ptt::PttError& e) {
        return platform::PlayFailure(e.what());
    }
}

// The TX delay and tail: the window keeps painting; input waits in the blocker of the send.
void TForm1::WaitKeepingPainted(std::chrono::milliseconds span) {
    if (span.count() <= 0) {
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(span, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// "старт" with keying: the transmitter is opened, released, for the run and its hard limit.
bool TForm1::StartTrainerKeying() {
    const ptt::PttChoice& choice = soundSettings_.transmitter;
    if (!choice.Keys()) {
        return true;
    }
    try {
        trainerKeying_ = std::make_unique<ptt::BackgroundKeying>(OpenTransmitter(choice),
                                                                 ptt::PatternLimit(state_.trainer));
        return true;
    } catch (const ptt::PttError& e) {
        SetStatus(QStringLiteral(" Передатчик не включается: ") + QString::fromUtf8(e.what()));
        return false;
    }
}

// Asks for the pattern's level, without waiting for the transmitter; false, with the reason in
// the status line and the transmitter released, once an earlier key or release has failed.
bool TForm1::FollowTrainerKeying(bool pttOn) {
    if (!trainerKeying_) {
        return true;
    }
    if (const std::optional<std::string> error = trainerKeying_->TakeError()) {
        SetStatus(QStringLiteral(" Передатчик: ") + QString::fromStdString(*error));
        StopTrainerKeying();
        return false;
    }
    trainerKeying_->Follow(pttOn);
    return true;
}

// The run's end, "стоп", a duration change, the window's close: released and closed.
void TForm1::StopTrainerKeying() {
    if (!trainerKeying_) {
        return;
    }
    try {
        trainerKeying_->Release();
    } catch (const ptt::PttError& e) {
        SetStatus(QStringLiteral(" Передатчик не выключен: ") + QString::fromUtf8(e.what()));
    }
    trainerKeying_.reset();
}

}  // namespace tornel::app
