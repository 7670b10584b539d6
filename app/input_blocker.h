#pragma once
// While the signal is being played the window takes no input, yet it keeps painting. This
// filter, installed on the application for the length of the playback, swallows every input
// event (keys, mouse, wheel, touch, closing the window), so that nothing typed or clicked during
// the playback runs afterwards.

#include <QObject>

namespace tornel::app {

class InputBlocker : public QObject {
  public:
    InputBlocker();
    ~InputBlocker() override;
    InputBlocker(const InputBlocker&) = delete;
    InputBlocker& operator=(const InputBlocker&) = delete;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace tornel::app
