#pragma once
// The second window: created at start-up, never shown, with no controls.

#include <QWidget>

namespace tornel::app {

class TForm2 : public QWidget {
    Q_OBJECT

  public:
    explicit TForm2(QWidget* parent = nullptr);
};

}  // namespace tornel::app
