// A small reader for the rich-text (RTF) help pages: a tokeniser and a state machine with a group
// stack that turn RTF into a plain document model. It knows no widgets, so it can be fuzzed; the
// Qt adapter (rtf_document.h) turns the model into a QTextDocument.
//
// Hostile input is bounded: the input size, the group nesting depth, \bin data, pictures, the
// number of paragraphs and runs and the amount of text all have limits. At a limit the reader stops
// and keeps what it has read so far, noting the reason in Document::fault.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/size_limits.h"

namespace tornel::rtf {

struct Color {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool operator==(const Color&) const = default;
};

// Character formatting of a run of text. An empty colour means "automatic" (the view's default).
struct CharFormat {
    int font = -1;               // index into Document::fonts, -1 when the document names no font
    int halfPoints = 24;         // \fs: size in half-points
    bool bold = false;           // \b
    bool italic = false;         // \i
    bool underline = false;      // \ul and its variants
    bool strike = false;         // \strike, \striked
    std::optional<Color> color;  // \cf
    std::optional<Color> highlight;  // \highlight, \cb
    bool operator==(const CharFormat&) const = default;
};

enum class Alignment { Left, Center, Right, Justify };

// Paragraph formatting; all lengths are in twips (1/1440 inch).
struct ParagraphFormat {
    Alignment alignment = Alignment::Left;  // \ql \qc \qr \qj
    int leftIndent = 0;                     // \li
    int rightIndent = 0;                    // \ri
    int firstLineIndent = 0;                // \fi, may be negative (hanging indent)
    int spaceBefore = 0;                    // \sb
    int spaceAfter = 0;                     // \sa
    bool operator==(const ParagraphFormat&) const = default;
};

enum class ImageFormat { Png, Jpeg };

// A picture embedded with \pict. Sizes are the displayed size in twips (0 when unknown).
struct Image {
    ImageFormat format = ImageFormat::Png;
    std::vector<std::uint8_t> data;
    int widthTwips = 0;
    int heightTwips = 0;
};

// A stretch of text in one format, or one picture (then `image` indexes Document::images and
// `text` is empty). Text is UTF-8; '\t' stands for a tab and '\n' for a line break inside the
// paragraph (\line).
struct Run {
    CharFormat format;
    std::string text;
    int image = -1;
};

struct Paragraph {
    ParagraphFormat format;
    CharFormat markFormat;  // format in effect at the paragraph's end: sizes an empty line
    std::vector<Run> runs;
};

// Why reading stopped before the end of the document.
enum class Fault {
    None,
    UnexpectedEnd,    // the input ended inside an open group
    InputTooLarge,    // only the first Limits::maxInputBytes were read
    TooDeep,          // groups nested deeper than Limits::maxDepth
    BinaryTooLarge,   // a \bin block longer than Limits::maxBinaryBytes or than the input
    PictureTooLarge,  // a picture over Limits::maxPictureBytes
    TooManyElements,  // more paragraphs and runs than Limits::maxElements
    TooMuchText,      // more text than Limits::maxTextBytes
};

struct Document {
    std::vector<std::string> fonts;  // font family names (UTF-8), indexed by CharFormat::font
    std::vector<Image> images;
    std::vector<Paragraph> paragraphs;
    Fault fault = Fault::None;

    // All text of the document, paragraphs joined by '\n' (for tests and searching).
    std::string PlainText() const;
};

struct Limits {
    std::size_t maxInputBytes = kMaxHelpPageBytes;
    int maxDepth = 256;
    std::size_t maxBinaryBytes = 8u << 20;
    std::size_t maxPictureBytes = 8u << 20;
    std::size_t maxElements = 1u << 20;
    std::size_t maxTextBytes = 16u << 20;  // UTF-8 text of all runs together
};

// The budget of one help page. A text view spends time and memory on every paragraph, run and
// character it holds: within this budget a page, whatever its file holds, is ready in a fraction
// of a second and takes some tens of megabytes. Our own pages use about 1 % of it.
inline constexpr Limits kHelpPageLimits{.maxElements = 5000, .maxTextBytes = 256u << 10};

// True for the faults that mean "the document goes on beyond a limit": the reader kept the
// beginning, the rest was left out.
bool IsCutAtLimit(Fault fault);

// True when the bytes start (after optional blanks and a UTF-8 byte order mark) with "{\rtf".
bool LooksLikeRtf(std::string_view bytes);

// Reads an RTF document. Never throws on bad input; see Document::fault.
Document Parse(std::string_view rtf, const Limits& limits = {});

// Text helpers for files that are not RTF.
bool IsValidUtf8(std::string_view bytes);
// Decodes single-byte text in the given Windows or DOS code page (1250, 1251, 1252, 866; any other
// number is read as 1251) to UTF-8.
std::string DecodeCodePage(std::string_view bytes, int codePage);

}  // namespace tornel::rtf
