#pragma once
// "Настройки звука": the output the signal is played on, its level, a check tone, and the input
// that listens to each send ("контроль", off by default). The lists follow the sound server while
// the dialog is open (a USB card plugged in or out); a chosen device that is absent stays chosen
// and is shown as missing, never replaced by another.

#include <QDialog>
#include <map>
#include <memory>
#include <string>

#include "app/sound_settings.h"
#include "platform/sound_backend.h"

class QTimer;

namespace Ui {
class SoundDialog;
}

namespace tornel::app {

class SoundDialog : public QDialog {
    Q_OBJECT

  public:
    SoundDialog(platform::SoundBackend& backend, const SoundSettings& current,
                QWidget* parent = nullptr);
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

    std::unique_ptr<Ui::SoundDialog> ui_;
    platform::SoundBackend& backend_;
    std::unique_ptr<platform::DeviceWatch> watch_;
    std::unique_ptr<platform::BackgroundPlayback> check_;
    // Every device seen, by name.
    std::map<std::string, std::string> outputDescriptions_;
    std::map<std::string, std::string> inputDescriptions_;
    QTimer* watchTimer_ = nullptr;
    QTimer* checkTimer_ = nullptr;
};

}  // namespace tornel::app
