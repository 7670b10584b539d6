#pragma once
// The numeric field of the window: an integer spin box that behaves as the parameter fields of
// the programmer always have.
//
// - The arrows (buttons, arrow keys) add or subtract the step and clamp to the range.
// - Typing accepts only digits, "+", "-", the locale's decimal separator and control keys
//   (Enter is refused); pasted text is taken as it is.
// - When the field loses the focus, a value outside the range is replaced by the nearer bound
//   and a text that is not a number by the minimum.
// - TypedValueUnclamped() reads the text as it stands: an out-of-range number is returned
//   unclamped, a text that is not a whole number reads as the minimum. QSpinBox::value() is
//   different: it always lies within the range.
// - The mouse wheel changes the value only while the field has the focus (a click or Tab gives
//   it, the wheel does not): turning the wheel while the pointer passes over a field leaves the
//   value alone.

#include <QSpinBox>

namespace tornel::app {

class SpinEdit : public QSpinBox {
    Q_OBJECT

  public:
    explicit SpinEdit(QWidget* parent = nullptr);

    // The number in the field's text as typed, not clamped to the range; the minimum when the
    // text is not a whole number. This is what the commands read.
    int TypedValueUnclamped() const;

  signals:
    // Every change of the text: typing, pasting, the arrows, a value set by code.
    void Changed();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    QValidator::State validate(QString& input, int& pos) const override;
    int valueFromText(const QString& text) const override;

  private:
    bool IsAcceptedKey(const QKeyEvent& event) const;
    void NoteText();

    QString lastText_;
};

}  // namespace tornel::app
