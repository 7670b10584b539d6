#pragma once
// Notes whether a widget has painted since it was installed as the widget's event filter: the
// window benchmarks measure time to the first paint with it.

#include <QEvent>
#include <QObject>

namespace tornel::bench {

class PaintWatcher : public QObject {
  public:
    bool painted = false;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            painted = true;
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace tornel::bench
