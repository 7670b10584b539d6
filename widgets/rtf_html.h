#pragma once
// A help page as HTML, for the browser edition: the RTF reader's document model written as
// paragraphs and styled runs (fonts, sizes, bold, italic, underline, colours, alignment, indents,
// pictures as data URLs). Plain C++, no Qt.
#include <string>
#include <string_view>

#include "widgets/rtf_parser.h"

namespace tornel::rtf {

// The document as an HTML fragment: one <p> per paragraph. All text is escaped.
std::string DocumentHtml(const Document& document);

// The contents of a help file as the window shows them: RTF through the reader within the help
// page budget, anything else as plain text (UTF-8, or else code page 1251), one paragraph a line.
std::string HelpPageHtml(std::string_view fileBytes);

}  // namespace tornel::rtf
