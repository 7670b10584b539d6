// The yardstick of the start-up benchmark: the smallest Qt Widgets program with a window of the
// normal view's size, which writes the same line as the programmer does once its first paint is
// done. Reporting at the start of the paint event would leave out the drawing of its text, and
// with it the font set-up that the programmer's window pays while it is made.

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <cstdio>

namespace {

class FirstPaint : public QObject {
  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            QTimer::singleShot(0, [] { std::fprintf(stderr, "window painted\n"); });
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
