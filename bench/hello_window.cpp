// The yardstick of the start-up benchmark: the smallest Qt Widgets program with a window of the
// normal view's size, which writes the same line at its first paint as the programmer does.

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <cstdio>

namespace {

class FirstPaint : public QObject {
  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            std::fprintf(stderr, "window painted\n");
            watched->removeEventFilter(this);
        }
        return false;
    }
};

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QLabel window(QStringLiteral("Привет"));
    window.setFixedSize(858, 572);
    FirstPaint report;
    window.installEventFilter(&report);
    window.show();
    return QApplication::exec();
}
