// Turns the RTF reader's document model into a QTextDocument for a rich-text view.
#pragma once

#include <string_view>

#include "widgets/rtf_parser.h"

class QTextDocument;

namespace tornel {

// Replaces the content of `document` with `model`: paragraphs with their alignment, indents and
// spacing, runs with their font, size, style and colours, PNG and JPEG pictures as image
// resources. Text without a colour of its own keeps the view's text colour. Undo history is reset.
void FillTextDocument(const rtf::Document& model, QTextDocument& document);

// Reads RTF bytes into `document` within `limits`; returns why reading stopped early
// (rtf::Fault::None when the whole input was read). What was read before a fault is shown all the
// same.
rtf::Fault LoadRtf(std::string_view rtf, QTextDocument& document, const rtf::Limits& limits = {});

}  // namespace tornel
