#include "app/tform2.h"

namespace tornel::app {

TForm2::TForm2(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Form2"));
    resize(1305, 675);
}

}  // namespace tornel::app
