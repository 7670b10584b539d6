#pragma once
// "Настройки звука": the output the signal is played on, its level, a check tone, the input
// that listens to each send ("контроль", off by default), and the transmitter's keying
// ("Передатчик", app/transmitter_box.h). The lists follow the sound server while
// the dialog is open (a USB card plugged in or out); a chosen device that is absent stays chosen
// and is shown as missing, never replaced by another.

#include <QDialog>
#include <map>
#include <memory>
#include <string>

#include "app/sound_settings.h"
#include "platform/sound_backend.h"
#include "ptt/transmitter.h"

class QTimer;

namespace Ui {
class SoundDialog;
}

namespace tornel::app {

class TransmitterBox;

class SoundDialog : public QDialog {
    Q_OBJECT

  public:
    // `openTransmitter` opens the transmitter of "проверка PTT" (empty: the real one).
    SoundDialog(platform::SoundBackend& backend, const SoundSettings& current,
                QWidget* parent = nullptr, ptt::TransmitterOpener openTransmitter = {});
    ~SoundDialog() override;

    // What the operator chose (meaningful after OK).
    SoundSettings chosen() const;

  private:
    void ShowDevices(const std::string& output, const std::string& checkInput);
    std::string SelectedDevice() const;
    std::string SelectedCheckInput() const;
    void WatchTimerTimer();
    void Button_CheckClick();
    void CheckTimerTimer();
    void StopCheck();
    void ButtonBoxAccepted();

    std::unique_ptr<Ui::SoundDialog> ui_;
    platform::SoundBackend& backend_;
    std::unique_ptr<platform::DeviceWatch> watch_;
    std::unique_ptr<platform::BackgroundPlayback> check_;
    // The label of every device seen, by name.
    std::map<std::string, std::string> outputLabels_;
    std::map<std::string, std::string> inputLabels_;
    QTimer* watchTimer_ = nullptr;
    QTimer* checkTimer_ = nullptr;
    TransmitterBox* transmitter_ = nullptr;
};

}  // namespace tornel::app
