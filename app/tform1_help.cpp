#include <QTextEdit>

#include "app/tform1.h"
#include "ui_tform1.h"
#include "widgets/help_loader.h"

namespace tornel::app {

// Fills the three help views from "help1.rtf", "help2.rtf" and "help3.rtf", in this order, each
// from the first of the help folders that holds it (the working directory when none are given). A
// missing file leaves the view's design text, which names the file. A file that cannot be read
// leaves the other pages and the rest of the start-up alone: its view says what is wrong.
void TForm1::LoadHelpPages() {
    tornel::LoadHelpPages({ui_->RichEdit1, ui_->RichEdit2, ui_->RichEdit3}, services_.helpFolders);
}

}  // namespace tornel::app
