#include "app/tform1.h"

namespace tornel::app {

// Fills the three help views from "help1.rtf", "help2.rtf" and "help3.rtf" in the working
// directory. Not yet: until the RTF reader is in, the views keep their design text, which names
// the missing file.
void TForm1::LoadHelpPages() {}

}  // namespace tornel::app
