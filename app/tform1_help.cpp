#include <QTextEdit>

#include "app/tform1.h"
#include "ui_tform1.h"
#include "widgets/help_loader.h"

namespace tornel::app {

// Fills the three help views from "help1.rtf", "help2.rtf" and "help3.rtf", in this order, each
// from the first of the help folders that holds it (the working directory when none are given). A
// missing file leaves the view's design text, which names the file. A file that exists but cannot
// be read throws HelpFileError: FormCreate reports it and skips its remaining steps, the later help
// pages included.
void TForm1::LoadHelpPages() {
    QTextEdit* const views[] = {ui_->RichEdit1, ui_->RichEdit2, ui_->RichEdit3};
    for (int page = 1; page <= 3; ++page) {
        LoadHelpPage(*views[page - 1], FindHelpFile(page, services_.helpFolders));
    }
}

}  // namespace tornel::app
