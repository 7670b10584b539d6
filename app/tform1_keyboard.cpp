// The window for an operator who works with the keyboard: Tab moves between controls everywhere
// (the memos and the rich-text views pass it on instead of taking it as a character), the order
// follows the window from top left to bottom right, and in the normal view nothing that lies
// outside the window can take the focus.

#include <QComboBox>
#include <QPlainTextEdit>
#include <QTextEdit>

#include "app/spin_edit.h"
#include "app/tform1.h"
#include "ui_engineering_panels.h"
#include "ui_help_pages.h"
#include "ui_programmer_page.h"
#include "ui_tform1.h"

namespace tornel::app {

void TForm1::SetUpKeyboard() {
    for (QPlainTextEdit* memo : findChildren<QPlainTextEdit*>()) {
        memo->setTabChangesFocus(true);
    }
    for (QTextEdit* view : findChildren<QTextEdit*>()) {
        view->setTabChangesFocus(true);
    }
    // The wheel must not change what nothing reads either.
    engineering_->ComboBox1->setFocusPolicy(Qt::StrongFocus);

    // The tabs first; then the parameter tab column by column, each enabling box before its
    // fields, the trainer and the commands; the help views; then the engineering panels from
    // left to right, with the exit button last. Controls on pages that are not shown, and
    // hidden or disabled ones, are skipped by Tab on their own.
    QWidget* const order[] = {
        ui_->PageControl1,
        programmer_->SpinEdit_1,
        programmer_->SpinEdit_2,
        programmer_->SpinEdit_3,
        programmer_->SpinEdit_4,
        programmer_->CheckBox_5,
        programmer_->SpinEdit_5,
        programmer_->CheckBox_6,
        programmer_->SpinEdit_6,
        programmer_->SpinEdit_7,
        programmer_->CheckBox_8,
        programmer_->SpinEdit_8,
        programmer_->CheckBox_9,
        programmer_->SpinEdit_9,
        programmer_->CheckBox_10,
        programmer_->SpinEdit_10,
        programmer_->SpinEdit_11,
        programmer_->SpinEdit_12,
        programmer_->CheckBox_Zwuk,
        programmer_->Button_Sound,
        programmer_->Button_FormFile,
        programmer_->Button_Out,
        help_->RichEdit1,
        help_->RichEdit2,
        help_->RichEdit3,
        engineering_->Memo_MasIsh,
        engineering_->Memo1,
        engineering_->Memo2,
        engineering_->Button3,
        engineering_->CheckBox_RasKS,
        engineering_->SpinEdit_dF,
        engineering_->ComboBox1,
        engineering_->CheckBox_ModFiltr,
        engineering_->SpinEdit_Alfa,
        engineering_->RichEdit4,
        engineering_->Button2,
    };
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        setTabOrder(order[i], order[i + 1]);
    }
}

// The normal view shows the tab control alone: the engineering panels, which lie beyond its
// edges, are hidden, so that no strip of them shows along the window's edge and none of them
// takes the focus unseen. The commands still fill them.
void TForm1::HideEngineeringPanels() {
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child != ui_->PageControl1) {
            child->setVisible(false);
        }
    }
}

}  // namespace tornel::app
