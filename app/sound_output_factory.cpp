#include "app/sound_output_factory.h"

namespace tornel::app {

namespace {

// Stands in when the program was built without a sound output: every send says so.
class MissingSoundOutput : public platform::SoundOutput {
  public:
    platform::PlayResult PlayFile(const std::string& /*path*/,
                                  const std::function<void(double)>& /*progress*/) override {
        return {false, "программа собрана без вывода звука"};
    }
};

}  // namespace

std::unique_ptr<platform::SoundOutput> MakeSoundOutput() {
#ifdef TORNEL_HAVE_PULSE_SOUND_OUTPUT
    return platform::MakePulseSoundOutput("Tornel-4");
#else
    return std::make_unique<MissingSoundOutput>();
#endif
}

}  // namespace tornel::app
