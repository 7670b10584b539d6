// Typing, pasting, stepping and clamping in the numeric fields.

#include <QClipboard>
#include <QGuiApplication>
#include <QTabWidget>
#include <QTest>
#include <QWheelEvent>

#include "qcustomplot.h"
#include "window_fixture.h"

namespace tornel::app::testing {
namespace {

// Every field enabled, as the operator has them after setting the boxes of 8, 9 and 10.
class Fields : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        for (const char* box : {"CheckBox_8", "CheckBox_9", "CheckBox_10"}) {
            Box(box)->click();
        }
    }
};

TEST_F(Fields, TypedValueAboveRangeIsReadUnclampedAndClampedOnFocusLoss) {
    SpinEdit* f = Field("SpinEdit_3");
    TypeInto(f, "300");
    EXPECT_EQ(f->text(), "300");
    EXPECT_EQ(f->TypedValueUnclamped(), 300);  // reading does not clamp
    QTest::keyClick(f, Qt::Key_Return);        // Enter is refused: still unclamped
    EXPECT_EQ(f->text(), "300");
    LeaveField(f);
    EXPECT_EQ(f->text(), "255");
    EXPECT_EQ(f->TypedValueUnclamped(), 255);
}

TEST_F(Fields, ValueBelowRangeGoesToTheMinimumOnFocusLoss) {
    SpinEdit* f = Field("SpinEdit_9");
    TypeInto(f, "12");
    EXPECT_EQ(f->TypedValueUnclamped(), 12);
    LeaveField(f);
    EXPECT_EQ(f->TypedValueUnclamped(), 300);
}

TEST_F(Fields, LoneMinusReadsAsTheMinimum) {
    SpinEdit* f = Field("SpinEdit_3");
    TypeInto(f, "-");
    EXPECT_EQ(f->text(), "-");
    EXPECT_EQ(f->TypedValueUnclamped(), 0);
    SpinEdit* pause = Field("SpinEdit_11");
    TypeInto(pause, "-");
    EXPECT_EQ(pause->TypedValueUnclamped(), 2);
}

TEST_F(Fields, LettersAndBlanksAreRefusedWhileSignsAndDigitsAreTyped) {
    SpinEdit* f = Field("SpinEdit_1");
    TypeInto(f, "7a b");
    EXPECT_EQ(f->text(), "7");
    TypeInto(f, "+8");
    EXPECT_EQ(f->text(), "+8");
    EXPECT_EQ(f->TypedValueUnclamped(), 8);
    QTest::keyClick(f, Qt::Key_Backspace);
    EXPECT_EQ(f->text(), "+");
    EXPECT_EQ(f->TypedValueUnclamped(), 1);  // not a number: the minimum
}

TEST_F(Fields, PastedTextIsTakenUnfilteredAndReadsAsTheMinimum) {
    SpinEdit* f = Field("SpinEdit_4");
    QGuiApplication::clipboard()->setText(QStringLiteral("abc"));
    f->selectAll();
    QTest::keyClick(f, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(f->text(), "abc");
    EXPECT_EQ(f->TypedValueUnclamped(), 1);
    LeaveField(f);
    EXPECT_EQ(f->text(), "1");
}

TEST_F(Fields, ArrowsStepAndStopAtTheBound) {
    SpinEdit* f = Field("SpinEdit_9");
    for (int expected : {1800, 1850, 1900, 1900}) {
        QTest::keyClick(f, Qt::Key_Up);
        EXPECT_EQ(f->TypedValueUnclamped(), expected);
    }
    SpinEdit* p5 = Field("SpinEdit_5");
    p5->setValue(254);
    QTest::keyClick(p5, Qt::Key_Up);
    EXPECT_EQ(p5->TypedValueUnclamped(), 255);
    SpinEdit* pause = Field("SpinEdit_11");  // starts at 3, off its step grid
    QTest::keyClick(pause, Qt::Key_Down);
    EXPECT_EQ(pause->TypedValueUnclamped(), 2);
}

TEST_F(Fields, EveryTextChangeRedrawsTheTrainerDiagram) {
    SpinEdit* first = Field("SpinEdit_10");
    TypeInto(first, "6");
    auto* chart = Plot("Chart_PTT");
    // Pattern 6, 3, 4: the second PTT ends at 13 and the chart reaches 15.
    EXPECT_DOUBLE_EQ(chart->graph(0)->data()->at(8)->key, 13.0);
    EXPECT_DOUBLE_EQ(chart->xAxis->range().upper, 15.0);
}

// Two notches of the wheel, as when the page is scrolled past the field.
void TurnWheelDown(QWidget* widget) {
    const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
    QWheelEvent wheel(at, widget->mapToGlobal(at), QPoint(), QPoint(0, -2 * 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(widget, &wheel);
}

TEST_F(Fields, WheelChangesAFieldOnlyWhileItHasTheFocus) {
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    Control<QTabWidget>("PageControl1")->setCurrentIndex(1);
    SpinEdit* p3 = Field("SpinEdit_3");
    Field("SpinEdit_1")->setFocus();
    TurnWheelDown(p3);
    EXPECT_EQ(p3->TypedValueUnclamped(), 30);
    EXPECT_FALSE(p3->hasFocus()) << "the wheel took the focus";
    p3->setFocus();
    TurnWheelDown(p3);
    EXPECT_EQ(p3->TypedValueUnclamped(), 28);
}

}  // namespace
}  // namespace tornel::app::testing
