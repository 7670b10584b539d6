// The window for an operator who works with the keyboard: Tab moves between controls everywhere
// (the memos and the rich-text views pass it on instead of taking it as a character), the order
// follows the window from top left to bottom right, and in the normal view nothing that lies
// outside the window can take the focus.

#include <QComboBox>
#include <QPlainTextEdit>
#include <QTextEdit>

#include "app/spin_edit.h"
#include "app/tform1.h"
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
    ui_->ComboBox1->setFocusPolicy(Qt::StrongFocus);

    // The tabs first; then the parameter tab column by column, each enabling box before its
    // fields, the trainer and the commands; the help views; then the engineering panels from
    // left to right, with the exit button last. Controls on pages that are not shown, and
    // hidden or disabled ones, are skipped by Tab on their own.
    QWidget* const order[] = {
        ui_->PageControl1,      ui_->SpinEdit_1,     ui_->SpinEdit_2,    ui_->SpinEdit_3,
        ui_->SpinEdit_4,        ui_->CheckBox_5,     ui_->SpinEdit_5,    ui_->CheckBox_6,
        ui_->SpinEdit_6,        ui_->SpinEdit_7,     ui_->CheckBox_8,    ui_->SpinEdit_8,
        ui_->CheckBox_9,        ui_->SpinEdit_9,     ui_->CheckBox_10,   ui_->SpinEdit_10,
        ui_->SpinEdit_11,       ui_->SpinEdit_12,    ui_->CheckBox_Zwuk, ui_->Button_Sound,
        ui_->Button_FormFile,   ui_->Button_Out,     ui_->RichEdit1,     ui_->RichEdit2,
        ui_->RichEdit3,         ui_->Memo_MasIsh,    ui_->Memo1,         ui_->Memo2,
        ui_->Button3,           ui_->CheckBox_RasKS, ui_->SpinEdit_dF,   ui_->ComboBox1,
        ui_->CheckBox_ModFiltr, ui_->SpinEdit_Alfa,  ui_->RichEdit4,     ui_->Button2,
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
