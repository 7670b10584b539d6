// tornel4-cli pattern: the carrier pattern of parameter 10 keyed on the transmitter with the
// trainer's own timing, one line on stdout per edge as it is keyed: "2.001 PTT отпущена", the
// pattern time in seconds (the first PTT starts at 0, 2 s after the command starts).

#include <cstdio>
#include <iostream>
#include <optional>

#include "cli/commands.h"
#include "cli/release_on_signal.h"
#include "ptt/pattern_keying.h"

namespace tornel::cli {

namespace {

// none and vox key nothing: the edges are printed all the same, to key by hand.
class UnkeyedTransmitter : public ptt::Transmitter {
  public:
    explicit UnkeyedTransmitter(const ptt::PttChoice& choice)
        : label_(ptt::TransmitterLabel(choice)) {}
    void Key() override {}
    void Release() override {}
    const std::string& Label() const override { return label_; }

  private:
    std::string label_;
};

void PrintEdge(const ptt::PatternEdge& edge) {
    char time[32];
    std::snprintf(time, sizeof time, "%.3f", edge.patternTime);
    std::cout << time << (edge.keyed ? " PTT нажата" : " PTT отпущена") << std::endl;
}

}  // namespace

int RunPattern(const Options& options) {
    std::optional<ReleaseOnSignal> signals;  // before any thread starts
    if (options.ptt.Keys()) {
        signals.emplace();
    } else {
        std::cerr << "tornel4-cli: передатчик не управляется (--ptt "
                  << ptt::PttChoiceText(options.ptt)
                  << "): строки говорят, когда нажимать и отпускать PTT\n";
    }
    const auto fields = FieldsOf(kPatternParameter, *options.parameters);
    const auto clock = platform::MakeSteadyClock();
    PttTrainer trainer(*clock);
    trainer.Redraw(options.inputs.fields[fields.at(0)], options.inputs.fields[fields.at(1)],
                   options.inputs.fields[fields.at(2)]);
    std::unique_ptr<ptt::Transmitter> transmitter;
    try {
        transmitter = options.ptt.Keys() ? ptt::OpenTransmitter(options.ptt)
                                         : std::make_unique<UnkeyedTransmitter>(options.ptt);
    } catch (const ptt::PttError& e) {
        std::cerr << "tornel4-cli: передатчик не включается: " << e.what() << '\n';
        return 1;
    }
    ptt::TransmitterRun run(std::move(transmitter), ptt::PatternLimit(trainer));
    std::optional<ReleaseOnSignal::Guard> guard;
    if (signals) {
        guard.emplace(*signals, run.session());
    }
    try {
        ptt::KeyPattern(trainer, *clock, run.session(), PrintEdge);
    } catch (const ptt::PttError& e) {  // released by now
        std::cerr << "tornel4-cli: " << e.what() << '\n';
        return 1;
    }
    if (run.session().expired()) {
        std::cerr << "tornel4-cli: " << run.session().label()
                  << ": предельное время передачи истекло, передатчик отпущен до конца шаблона\n";
        return 1;
    }
    return 0;
}

}  // namespace tornel::cli
