// The window driven by the keyboard alone, in both views: Tab reaches every control the operator
// can see, in reading order, passes through the listings and help views without typing into
// them, never lands on a control outside the window, and Space builds and sends.

#include <QApplication>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>
#include <algorithm>

#include "window_fixture.h"

namespace tornel::app::testing {
namespace {

// The control a focus widget belongs to: itself, or the named control it is part of (the tab
// bar of PageControl1, the editor of a spin field).
QString ControlName(const QWidget* widget) {
    for (; widget != nullptr; widget = widget->parentWidget()) {
        if (!widget->objectName().isEmpty() && !widget->objectName().startsWith("qt_")) {
            return widget->objectName();
        }
    }
    return {};
}

// Whether `expected` appears in `walk` in this order (other controls may lie between).
bool InOrder(const QStringList& walk, const QStringList& expected) {
    auto at = walk.begin();
    for (const QString& name : expected) {
        at = std::find(at, walk.end(), name);
        if (at == walk.end()) {
            return false;
        }
    }
    return true;
}

class KeyboardWalk : public WindowTest, public ::testing::WithParamInterface<bool> {
  protected:
    bool Engineering() const { return GetParam(); }

    QWidget* Focus() const { return QApplication::focusWidget(); }
    QString FocusName() const { return ControlName(Focus()); }

    void Press(int key) {
        ASSERT_NE(Focus(), nullptr);
        QTest::keyClick(Focus(), static_cast<Qt::Key>(key));
    }

    // Tab until `name` has the focus; every control passed is recorded and checked.
    void TabTo(const QString& name) {
        for (int i = 0; i < 80; ++i) {
            Press(Qt::Key_Tab);
            CheckSeen(Focus());
            walk_ << FocusName();
            if (FocusName() == name) {
                return;
            }
        }
        FAIL() << "Tab never reached " << name.toStdString();
    }

    // The focus is on a control the operator sees: shown, and wholly inside the window.
    void CheckSeen(const QWidget* widget) const {
        ASSERT_NE(widget, nullptr) << "focus lost";
        EXPECT_TRUE(widget->isVisible()) << ControlName(widget).toStdString();
        const QRect inWindow(widget->mapTo(form.get(), QPoint(0, 0)), widget->size());
        EXPECT_TRUE(form->rect().contains(inWindow))
            << ControlName(widget).toStdString() << " lies outside the window";
    }

    // Every control that Tab can reach on what is shown now.
    QStringList Reachable() const {
        QStringList names;
        for (const QWidget* w : form->findChildren<QWidget*>()) {
            if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) &&
                w->focusProxy() == nullptr && !w->objectName().isEmpty() &&
                !w->objectName().startsWith("qt_")) {
                names << w->objectName();
            }
        }
        return names;
    }

    QStringList walk_;
};

TEST_P(KeyboardWalk, ReachesEveryVisibleControlInOrderBuildsAndSendsAndTypesIntoNoListing) {
    Recreate(Engineering() ? QStringList{"tq"} : QStringList{});
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));

    // Nothing shows beyond the window's edges (no strip of an engineering panel).
    for (const QWidget* child : form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isVisible()) {
            EXPECT_TRUE(form->rect().contains(child->geometry()))
                << child->objectName().toStdString();
        }
    }

    auto* tabs = Control<QTabWidget>("PageControl1");
    ASSERT_EQ(Focus(), tabs->tabBar())
        << "the walk begins at the tabs, not at " << FocusName().toStdString();
    Press(Qt::Key_Right);  // "Программатор"
    ASSERT_EQ(tabs->currentIndex(), 1);
    const QStringList reachable = Reachable();

    // Parameter 3 typed in, the box of parameter 8 set: its field comes next.
    TabTo("SpinEdit_3");
    QTest::keyClicks(Focus(), "40");
    TabTo("CheckBox_8");
    Press(Qt::Key_Space);
    EXPECT_TRUE(Box("CheckBox_8")->isChecked());
    Press(Qt::Key_Tab);
    EXPECT_EQ(FocusName(), QStringLiteral("SpinEdit_8"));
    walk_ << FocusName();

    // Build, then send, with Space.
    TabTo("Button_FormFile");
    Press(Qt::Key_Space);
    EXPECT_EQ(Status(), QStringLiteral(" *** нет ошибок ***"));
    EXPECT_EQ(state->packet[4], 40);
    EXPECT_EQ(state->packet[9], 50);
    Press(Qt::Key_Tab);
    ASSERT_EQ(FocusName(), QStringLiteral("Button_Out"));
    walk_ << FocusName();
    Press(Qt::Key_Space);
    EXPECT_EQ(sound.playedPaths.size(), 1u);

    // On round to the tabs, through the listings in the engineering view: Tab leaves them as
    // they were.
    const QString listing = Control<QPlainTextEdit>("Memo_MasIsh")->toPlainText();
    TabTo(QStringLiteral("PageControl1"));
    EXPECT_EQ(Control<QPlainTextEdit>("Memo_MasIsh")->toPlainText(), listing);
    EXPECT_TRUE(form->isVisible());

    QStringList order = {"PageControl1",    "SpinEdit_1",  "SpinEdit_2",    "SpinEdit_3",
                         "SpinEdit_4",      "CheckBox_5",  "SpinEdit_5",    "CheckBox_6",
                         "SpinEdit_6",      "SpinEdit_7",  "CheckBox_8",    "SpinEdit_8",
                         "CheckBox_9",      "CheckBox_10", "CheckBox_Zwuk", "Button_Sound",
                         "Button_FormFile", "Button_Out"};
    if (Engineering()) {
        order << "Memo_MasIsh"
              << "Memo1"
              << "Memo2"
              << "Button3"
              << "CheckBox_ModFiltr"
              << "SpinEdit_Alfa"
              << "Button2";
    }
    order << "PageControl1";
    walk_.prepend("PageControl1");
    EXPECT_TRUE(InOrder(walk_, order)) << walk_.join(' ').toStdString();
    for (const QString& name : reachable) {
        EXPECT_TRUE(walk_.contains(name)) << name.toStdString() << " never reached";
    }
    EXPECT_EQ(walk_.contains("Button2"), Engineering()) << "the exit button is not in sight";

    // A help page: Tab enters the view and leaves it again, the text untouched.
    Press(Qt::Key_Right);  // from "Программатор" to the first help page
    ASSERT_EQ(tabs->currentWidget(), Control<QWidget>("TabSheet3"));
    const QString help = Control<QTextEdit>("RichEdit1")->toPlainText();
    Press(Qt::Key_Tab);
    EXPECT_EQ(FocusName(), QStringLiteral("RichEdit1"));
    Press(Qt::Key_Tab);
    CheckSeen(Focus());
    EXPECT_NE(FocusName(), QStringLiteral("RichEdit1"));
    EXPECT_EQ(Control<QTextEdit>("RichEdit1")->toPlainText(), help);
}

INSTANTIATE_TEST_SUITE_P(Views, KeyboardWalk, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Engineering" : "Normal"; });

}  // namespace
}  // namespace tornel::app::testing
