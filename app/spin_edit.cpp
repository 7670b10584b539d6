#include "app/spin_edit.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QWheelEvent>

namespace tornel::app {

SpinEdit::SpinEdit(QWidget* parent) : QSpinBox(parent) {
    // Out-of-range text stays in the field until the focus leaves it; the clamp happens then.
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    setKeyboardTracking(true);
    setFocusPolicy(Qt::StrongFocus);  // not Qt::WheelFocus: the wheel must not take the focus
    // Typing and pasting change the editor's text; the arrows and setValue() change it with the
    // editor's signals blocked and report through the spin box's own textChanged.
    connect(lineEdit(), &QLineEdit::textChanged, this, &SpinEdit::NoteText);
    connect(this, &QSpinBox::textChanged, this, &SpinEdit::NoteText);
    lastText_ = lineEdit()->text();
}

void SpinEdit::NoteText() {
    const QString now = lineEdit()->text();
    if (now != lastText_) {
        lastText_ = now;
        emit Changed();
    }
}

int SpinEdit::TypedValueUnclamped() const {
    return valueFromText(lineEdit()->text());
}

void SpinEdit::keyPressEvent(QKeyEvent* event) {
    if (!IsAcceptedKey(*event)) {
        event->accept();  // refused: neither typed nor passed on to the window
        return;
    }
    QSpinBox::keyPressEvent(event);
}

void SpinEdit::wheelEvent(QWheelEvent* event) {
    if (!hasFocus()) {
        event->ignore();  // passed on to the parent
        return;
    }
    QSpinBox::wheelEvent(event);
}

bool SpinEdit::IsAcceptedKey(const QKeyEvent& event) const {
    if (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter) {
        return false;
    }
    const QString typed = event.text();
    if (typed.isEmpty() || (event.modifiers() & Qt::ControlModifier)) {
        return true;  // arrows, Home, Delete, copy and paste shortcuts
    }
    const QChar c = typed.front();
    if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
        return true;  // Backspace and the other control characters
    }
    return c.isDigit() || c == u'+' || c == u'-' || typed == locale().decimalPoint();
}

// Every text is acceptable to the editor: the keys are filtered above, pastes are not filtered,
// and the text is turned into a number (or the minimum) only when it is read or the focus leaves.
QValidator::State SpinEdit::validate(QString& /*input*/, int& /*pos*/) const {
    return QValidator::Acceptable;
}

int SpinEdit::valueFromText(const QString& text) const {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    return ok ? v : minimum();
}

}  // namespace tornel::app
