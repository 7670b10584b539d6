#include "app/input_blocker.h"

#include <QApplication>
#include <QEvent>

namespace tornel::app {

namespace {

bool IsInput(QEvent::Type type) {
    switch (type) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::TabletMove:
        case QEvent::ContextMenu:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::Close:
        case QEvent::InputMethod:
            return true;
        default:
            return false;
    }
}

}  // namespace

InputBlocker::InputBlocker() {
    QCoreApplication::instance()->installEventFilter(this);
    QApplication::setOverrideCursor(Qt::BusyCursor);
}

InputBlocker::~InputBlocker() {
    // Input that reached the queue during the playback is delivered now, into the filter.
    QCoreApplication::processEvents();
    QApplication::restoreOverrideCursor();
    QCoreApplication::instance()->removeEventFilter(this);
}

bool InputBlocker::eventFilter(QObject* /*watched*/, QEvent* event) {
    return IsInput(event->type());
}

}  // namespace tornel::app
