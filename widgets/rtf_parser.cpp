// The RTF reader's core: tokeniser, group stack and destinations. See rtf_parser.h.
#include "widgets/rtf_parser.h"

#include <algorithm>
#include <array>
#include <map>

namespace tornel::rtf {
namespace {

// ---------------------------------------------------------------- code pages
// Upper halves (bytes 0x80..0xFF) of the single-byte code pages the reader knows;
// U+FFFD marks bytes the code page leaves undefined.
constexpr std::array<char16_t, 128> kCp1250 = {
    0x20AC, 0xFFFD, 0x201A, 0xFFFD, 0x201E, 0x2026, 0x2020, 0x2021, 0xFFFD, 0x2030, 0x0160, 0x2039,
    0x015A, 0x0164, 0x017D, 0x0179, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0xFFFD, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141,
    0x00A4, 0x0104, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB,
    0x013D, 0x02DD, 0x013E, 0x017C, 0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3,
    0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, 0x010D, 0x00E9, 0x0119, 0x00EB,
    0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};
constexpr std::array<char16_t, 128> kCp1251 = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039,
    0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408,
    0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB,
    0x0458, 0x0405, 0x0455, 0x0457, 0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423,
    0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B,
    0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};
constexpr std::array<char16_t, 128> kCp1252 = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039,
    0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178, 0x00A0, 0x00A1, 0x00A2, 0x00A3,
    0x00A4, 0x00A5, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x00B9, 0x00BA, 0x00BB,
    0x00BC, 0x00BD, 0x00BE, 0x00BF, 0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF, 0x00D0, 0x00D1, 0x00D2, 0x00D3,
    0x00D4, 0x00D5, 0x00D6, 0x00D7, 0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7, 0x00E8, 0x00E9, 0x00EA, 0x00EB,
    0x00EC, 0x00ED, 0x00EE, 0x00EF, 0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};
constexpr std::array<char16_t, 128> kCp866 = {
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B,
    0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433,
    0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B,
    0x044C, 0x044D, 0x044E, 0x044F, 0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0,
};

constexpr int kDefaultCodePage = 1251;

const std::array<char16_t, 128>& TableFor(int codePage) {
    switch (codePage) {
        case 1250:
            return kCp1250;
        case 1252:
            return kCp1252;
        case 866:
            return kCp866;
        default:
            return kCp1251;
    }
}

// The code page of a font's \fcharset, or 0 when the font follows the document's code page.
int CodePageOfCharset(int charset) {
    switch (charset) {
        case 204:  // RUSSIAN_CHARSET
            return 1251;
        case 238:  // EASTEUROPE_CHARSET
            return 1250;
        case 2:  // SYMBOL_CHARSET: handled by decodeByte
            return 2;
        default:  // ANSI and DEFAULT charsets, and those we have no table for
            return 0;
    }
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        cp = 0xFFFD;
    }
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

char32_t DecodeByte(std::uint8_t byte, int codePage) {
    if (byte < 0x80) {
        return byte;
    }
    if (codePage == 2) {
        // The Symbol font's bullet is the one symbol that ordinary documents use (lists).
        return byte == 0xB7 ? U'\u2022' : kCp1252[byte - 0x80];
    }
    return TableFor(codePage)[byte - 0x80];
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// ---------------------------------------------------------------- tokeniser

enum class TokenKind { GroupStart, GroupEnd, Word, Symbol, HexByte, Text, End };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string_view word;  // Word: the name; Text: the bytes
    bool hasParam = false;
    std::int32_t param = 0;
    char symbol = 0;        // Symbol: the character after the backslash
    std::uint8_t byte = 0;  // HexByte
};

class Lexer {
  public:
    explicit Lexer(std::string_view input) : in_(input) {}

    Token Next() {
        Token t;
        if (pos_ >= in_.size()) {
            return t;
        }
        const char c = in_[pos_];
        if (c == '{' || c == '}') {
            ++pos_;
            t.kind = c == '{' ? TokenKind::GroupStart : TokenKind::GroupEnd;
            return t;
        }
        if (c == '\\') {
            return ControlAfterBackslash();
        }
        // Plain text up to the next special character; line ends are not text in RTF.
        const std::size_t start = pos_;
        while (pos_ < in_.size() && in_[pos_] != '\\' && in_[pos_] != '{' && in_[pos_] != '}') {
            ++pos_;
        }
        t.kind = TokenKind::Text;
        t.word = in_.substr(start, pos_ - start);
        return t;
    }

    // Raw bytes after \bin; never more than what is left.
    std::string_view TakeRaw(std::size_t count) {
        count = std::min(count, in_.size() - pos_);
        const std::string_view raw = in_.substr(pos_, count);
        pos_ += count;
        return raw;
    }

    std::size_t Remaining() const { return in_.size() - pos_; }

  private:
    Token ControlAfterBackslash() {
        Token t;
        ++pos_;
        if (pos_ >= in_.size()) {
            return t;  // a lone backslash at the end
        }
        const char c = in_[pos_];
        if (IsLetter(c)) {
            return ControlWord();
        }
        ++pos_;
        if (c == '\r' || c == '\n') {
            // A backslash before a line end is a paragraph mark.
            t.kind = TokenKind::Word;
            t.word = "par";
            return t;
        }
        if (c == '\'') {
            const int high = pos_ < in_.size() ? HexValue(in_[pos_]) : -1;
            const int low = pos_ + 1 < in_.size() ? HexValue(in_[pos_ + 1]) : -1;
            if (high >= 0 && low >= 0) {
                pos_ += 2;
                t.kind = TokenKind::HexByte;
                t.byte = static_cast<std::uint8_t>(high * 16 + low);
                return t;
            }
        }
        t.kind = TokenKind::Symbol;
        t.symbol = c;
        return t;
    }

    Token ControlWord() {
        Token t;
        t.kind = TokenKind::Word;
        const std::size_t start = pos_;
        while (pos_ < in_.size() && IsLetter(in_[pos_])) {
            ++pos_;
        }
        t.word = in_.substr(start, pos_ - start);
        bool negative = false;
        if (pos_ + 1 < in_.size() && in_[pos_] == '-' && IsDigit(in_[pos_ + 1])) {
            negative = true;
            ++pos_;
        }
        if (pos_ < in_.size() && IsDigit(in_[pos_])) {
            std::int64_t value = 0;
            while (pos_ < in_.size() && IsDigit(in_[pos_])) {
                // Saturate: a parameter beyond 32 bits is nonsense, but must not overflow.
                value = std::min<std::int64_t>(value * 10 + (in_[pos_] - '0'), INT32_MAX);
                ++pos_;
            }
            t.hasParam = true;
            t.param = static_cast<std::int32_t>(negative ? -value : value);
        }
        if (pos_ < in_.size() && in_[pos_] == ' ') {
            ++pos_;  // the delimiting blank belongs to the control word
        }
        return t;
    }

    std::string_view in_;
    std::size_t pos_ = 0;
};

// ---------------------------------------------------------------- state machine

enum class Destination { Text, Skip, FontTable, ColorTable, Picture };

struct GroupState {
    Destination destination = Destination::Text;
    CharFormat format;
    int fontNumber = -1;  // RTF font number (\f); -1 until set, then the default font applies
    ParagraphFormat paragraph;
    int unicodeSkip = 1;  // \uc
    bool hidden = false;  // \v: hidden text is not shown
};

struct FontInfo {
    int index = -1;  // in Document::fonts
    int codePage = 0;
};

enum class PictureKind { Unknown, Png, Jpeg, Unsupported };

struct PictureState {
    PictureKind kind = PictureKind::Unknown;
    std::vector<std::uint8_t> data;
    int pendingNibble = -1;
    std::int64_t widthPx = 0, heightPx = 0, goalWidth = 0, goalHeight = 0;
    std::int64_t scaleX = 100, scaleY = 100;
};

constexpr int kMaxTwips = 31680;  // 22 inches: the largest page dimension Word accepts
constexpr int kMaxHalfPoints = 3276;

int ClampTwips(std::int32_t v) {
    return std::clamp<std::int32_t>(v, -kMaxTwips, kMaxTwips);
}

bool IsSkippedDestination(std::string_view w) {
    // Destinations whose text is not part of the page: document information, style and list
    // definitions, headers and footers, notes, field instructions, drawing objects.
    // clang-format off
    static constexpr std::array<std::string_view, 57> kSkipped = {
        "info", "stylesheet", "header", "headerl", "headerr", "headerf", "footer", "footerl",
        "footerr", "footerf", "footnote", "annotation", "atnid", "atnauthor", "atnref",
        "atntime", "atrfstart", "atrfend", "fldinst", "filetbl", "listtable",
        "listoverridetable", "revtbl", "rsidtbl", "pgdsctbl", "xmlnstbl", "objdata", "objclass",
        "objname", "themedata", "colorschememapping", "datastore", "latentstyles", "bkmkstart",
        "bkmkend", "txe", "xe", "tc", "nonshppict", "generator", "pn", "pnseclvl", "template",
        "comment", "title", "subject", "author", "operator", "keywords", "doccomm", "company",
        "do", "shpinst", "sp", "upr", "fchars", "lchars",
    };
    // clang-format on
    return std::find(kSkipped.begin(), kSkipped.end(), w) != kSkipped.end();
}

bool IsUnderlineWord(std::string_view w) {
    static constexpr std::array<std::string_view, 17> kWords = {
        "ul",         "uld",       "uldash",     "uldashd", "uldashdd", "uldb",
        "ulhwave",    "ulldash",   "ulth",       "ulthd",   "ulthdash", "ulthdashd",
        "ulthdashdd", "ulthldash", "ululdbwave", "ulw",     "ulwave"};
    return std::find(kWords.begin(), kWords.end(), w) != kWords.end();
}

class Parser {
  public:
    // `input` is the beginning of a document cut at the input limit when `truncated`.
    Parser(std::string_view input, const Limits& limits, bool truncated)
        : lexer_(input), limits_(limits) {
        doc_.fault = truncated ? Fault::InputTooLarge : Fault::None;
    }

    Document Read() {
        while (!stopped_) {
            const Token t = lexer_.Next();
            if (t.kind == TokenKind::End) {
                if (!stack_.empty()) {
                    Stop(Fault::UnexpectedEnd);
                }
                break;
            }
            Handle(t);
        }
        FinishParagraph(/*keepEmpty=*/false);
        return std::move(doc_);
    }

  private:
    void Stop(Fault fault) {
        if (doc_.fault == Fault::None) {
            doc_.fault = fault;
        }
        stopped_ = true;
    }

    void Handle(const Token& t) {
        const bool groupStart = afterGroupStart_;
        afterGroupStart_ = false;
        if (starred_) {
            // "{\*\word": an optional destination. Unless it is one we read, skip it whole.
            starred_ = false;
            const bool claimed = t.kind == TokenKind::Word &&
                                 state_.destination != Destination::Skip && DestinationWord(t.word);
            if (!claimed) {
                state_.destination = Destination::Skip;
            }
            if (t.kind == TokenKind::Word && t.word != "bin") {
                return;  // the destination word itself; \bin still has to take its data
            }
        }
        switch (t.kind) {
            case TokenKind::GroupStart:
                OpenGroup();
                return;
            case TokenKind::GroupEnd:
                CloseGroup();
                return;
            case TokenKind::Symbol:
                if (t.symbol == '*' && groupStart) {
                    starred_ = true;
                    return;
                }
                Symbol(t.symbol);
                return;
            case TokenKind::Word:
                Word(t);
                return;
            case TokenKind::HexByte:
                if (!ConsumeSkip()) {
                    Byte(t.byte);
                }
                return;
            case TokenKind::Text:
                Text(t.word);
                return;
            case TokenKind::End:
                return;
        }
    }

    // ---- groups

    void OpenGroup() {
        pendingSkip_ = 0;
        if (stack_.size() >= static_cast<std::size_t>(std::max(limits_.maxDepth, 1))) {
            Stop(Fault::TooDeep);
            return;
        }
        stack_.push_back(state_);
        afterGroupStart_ = true;
    }

    void CloseGroup() {
        pendingSkip_ = 0;
        if (stack_.empty()) {
            stopped_ = true;  // the closing brace of the document; anything after it is ignored
            return;
        }
        if (stack_.size() == 1) {
            // The document's closing brace: its last paragraph keeps the document's formatting.
            FinishParagraph(/*keepEmpty=*/false);
        }
        const Destination closing = state_.destination;
        state_ = stack_.back();
        stack_.pop_back();
        if (closing == Destination::FontTable && state_.destination != Destination::FontTable) {
            CommitFont();
        }
        if (closing == Destination::Picture && state_.destination != Destination::Picture) {
            FinishPicture();
        }
        if (stack_.empty()) {
            stopped_ = true;
        }
    }

    // ---- control words and symbols

    void Symbol(char c) {
        if (ConsumeSkip()) {
            return;
        }
        switch (c) {
            case '\\':
            case '{':
            case '}':
                Byte(static_cast<std::uint8_t>(c));
                return;
            case '~':
                CodePoint(0x00A0);
                return;
            case '_':
                CodePoint(0x2011);
                return;
            case '\t':
                Emit("\t");
                return;
            default:
                return;  // \- optional hyphen, \: index entry, \| formula and unknown symbols
        }
    }

    void Word(const Token& t) {
        const std::string_view w = t.word;
        if (w == "bin") {
            Binary(t.hasParam ? t.param : 0);
            return;
        }
        if (state_.destination == Destination::Skip) {
            return;
        }
        if (DestinationWord(w)) {
            return;
        }
        if (w == "u") {
            Unicode(t.param);
            return;
        }
        if (ConsumeSkip()) {
            return;
        }
        switch (state_.destination) {
            case Destination::FontTable:
                FontTableWord(w, t);
                return;
            case Destination::ColorTable:
                ColorTableWord(w, t);
                return;
            case Destination::Picture:
                PictureWord(w, t);
                return;
            default:
                break;
        }
        if (DocumentWord(w, t) || CharacterWord(w, t) || ParagraphWord(w, t)) {
            return;
        }
        SpecialCharacterWord(w);
    }

    bool DestinationWord(std::string_view w) {
        Destination next;
        if (w == "fonttbl") {
            next = Destination::FontTable;
        } else if (w == "colortbl") {
            next = Destination::ColorTable;
            colors_.clear();
            pendingColor_ = {};
            colorSet_ = false;
        } else if (w == "pict") {
            next = Destination::Picture;
            picture_ = {};
        } else if (w == "shppict" || w == "fldrslt" || w == "field") {
            return true;  // pictures and field results are shown as they come
        } else if (IsSkippedDestination(w)) {
            next = Destination::Skip;
        } else {
            return false;
        }
        state_.destination = next;
        return true;
    }

    bool DocumentWord(std::string_view w, const Token& t) {
        if (w == "ansicpg") {
            codePage_ = t.param;
        } else if (w == "deff") {
            defaultFont_ = t.param;
        } else if (w == "uc") {
            state_.unicodeSkip = std::clamp<std::int32_t>(t.param, 0, 16);
        } else {
            return false;
        }
        return true;
    }

    bool CharacterWord(std::string_view w, const Token& t) {
        CharFormat& f = state_.format;
        const bool on = !t.hasParam || t.param != 0;
        if (w == "plain") {
            f = CharFormat{};
            state_.fontNumber = -1;
            state_.hidden = false;
        } else if (w == "v") {
            state_.hidden = on;
        } else if (w == "b") {
            f.bold = on;
        } else if (w == "i") {
            f.italic = on;
        } else if (IsUnderlineWord(w)) {
            f.underline = on;
        } else if (w == "ulnone") {
            f.underline = false;
        } else if (w == "strike" || w == "striked") {
            f.strike = on;
        } else if (w == "fs") {
            f.halfPoints = t.hasParam && t.param > 0 ? std::min(t.param, kMaxHalfPoints) : 24;
        } else if (w == "f") {
            state_.fontNumber = t.param;
        } else if (w == "cf") {
            f.color = ColorAt(t.param);
        } else if (w == "highlight" || w == "cb") {
            f.highlight = ColorAt(t.param);
        } else {
            return false;
        }
        return true;
    }

    bool ParagraphWord(std::string_view w, const Token& t) {
        ParagraphFormat& p = state_.paragraph;
        if (w == "par" || w == "page" || w == "sect") {
            FinishParagraph(/*keepEmpty=*/true);
        } else if (w == "pard") {
            p = ParagraphFormat{};
        } else if (w == "ql") {
            p.alignment = Alignment::Left;
        } else if (w == "qc") {
            p.alignment = Alignment::Center;
        } else if (w == "qr") {
            p.alignment = Alignment::Right;
        } else if (w == "qj" || w == "qd") {
            p.alignment = Alignment::Justify;
        } else if (w == "li") {
            p.leftIndent = ClampTwips(t.param);
        } else if (w == "ri") {
            p.rightIndent = ClampTwips(t.param);
        } else if (w == "fi") {
            p.firstLineIndent = ClampTwips(t.param);
        } else if (w == "sb") {
            p.spaceBefore = std::max(0, ClampTwips(t.param));
        } else if (w == "sa") {
            p.spaceAfter = std::max(0, ClampTwips(t.param));
        } else if (w == "cell" || w == "nestcell") {
            ++pendingCellTabs_;
        } else if (w == "row" || w == "nestrow") {
            FinishParagraph(/*keepEmpty=*/true);
        } else {
            return false;
        }
        return true;
    }

    void SpecialCharacterWord(std::string_view w) {
        static constexpr std::array<std::pair<std::string_view, char32_t>, 11> kChars = {{
            {"emdash", 0x2014},
            {"endash", 0x2013},
            {"bullet", 0x2022},
            {"lquote", 0x2018},
            {"rquote", 0x2019},
            {"ldblquote", 0x201C},
            {"rdblquote", 0x201D},
            {"emspace", 0x2003},
            {"enspace", 0x2002},
            {"qmspace", 0x2005},
            {"tab", U'\t'},
        }};
        if (w == "line") {
            Emit("\n");
            return;
        }
        for (const auto& [name, cp] : kChars) {
            if (w == name) {
                CodePoint(cp);
                return;
            }
        }
    }

    // ---- \bin and \u

    void Binary(std::int32_t length) {
        if (length <= 0) {
            return;
        }
        const auto count = static_cast<std::size_t>(length);
        if (count > limits_.maxBinaryBytes || count > lexer_.Remaining()) {
            Stop(Fault::BinaryTooLarge);
            return;
        }
        const std::string_view raw = lexer_.TakeRaw(count);
        if (state_.destination == Destination::Picture) {
            for (const char c : raw) {
                PictureByte(static_cast<std::uint8_t>(c));
            }
        }
    }

    void Unicode(std::int32_t value) {
        if (state_.destination == Destination::Text) {
            // \u takes a signed 16-bit parameter: negative values stand for code units above
            // 0x7FFF.
            std::int64_t unit = value < 0 ? std::int64_t{value} + 65536 : value;
            if (unit < 0) {
                unit = 0xFFFD;
            }
            CodeUnit(static_cast<char32_t>(std::min<std::int64_t>(unit, 0x10FFFF)));
        }
        pendingSkip_ = state_.unicodeSkip;  // the fallback characters for older readers follow
    }

    // One character of the \u fallback is used up; true when the current token was that character.
    bool ConsumeSkip() {
        if (pendingSkip_ > 0) {
            --pendingSkip_;
            return true;
        }
        return false;
    }

    // ---- text

    void Text(std::string_view bytes) {
        for (std::size_t i = 0; i < bytes.size() && !stopped_; ++i) {
            const auto b = static_cast<std::uint8_t>(bytes[i]);
            if (b == '\r' || b == '\n') {
                continue;  // line ends in the file are not text and not a fallback character
            }
            if (ConsumeSkip()) {
                continue;
            }
            if (state_.destination == Destination::Text && b >= 0x20 && b < 0x80) {
                // Fast path for ordinary text: take the printable ASCII stretch at once.
                std::size_t end = i;
                while (end < bytes.size() && static_cast<std::uint8_t>(bytes[end]) >= 0x20 &&
                       static_cast<std::uint8_t>(bytes[end]) < 0x80) {
                    ++end;
                }
                Emit(bytes.substr(i, end - i));
                i = end - 1;
                continue;
            }
            Byte(b);
        }
    }

    // One byte of text in the current destination's code page.
    void Byte(std::uint8_t b) {
        switch (state_.destination) {
            case Destination::Text:
                if (b == '\t') {
                    Emit("\t");
                } else if (b >= 0x20) {
                    CodePoint(DecodeByte(b, CurrentCodePage()));
                }
                return;
            case Destination::FontTable:
                if (b == ';') {
                    CommitFont();
                } else {
                    fontName_ += static_cast<char>(b);
                }
                return;
            case Destination::ColorTable:
                if (b == ';') {
                    colors_.push_back(colorSet_ ? std::optional<Color>(pendingColor_)
                                                : std::nullopt);
                    pendingColor_ = {};
                    colorSet_ = false;
                }
                return;
            case Destination::Picture:
                PictureHexDigit(static_cast<char>(b));
                return;
            case Destination::Skip:
                return;
        }
    }

    void CodeUnit(char32_t unit) {
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            FlushSurrogate();
            highSurrogate_ = unit;
            return;
        }
        if (unit >= 0xDC00 && unit <= 0xDFFF && highSurrogate_ != 0) {
            const char32_t cp = 0x10000 + ((highSurrogate_ - 0xD800) << 10) + (unit - 0xDC00);
            highSurrogate_ = 0;
            CodePoint(cp);
            return;
        }
        CodePoint(unit);
    }

    void FlushSurrogate() {
        if (highSurrogate_ != 0) {
            highSurrogate_ = 0;
            EmitUtf8("\xEF\xBF\xBD");  // U+FFFD for the high surrogate left alone
        }
    }

    void CodePoint(char32_t cp) {
        if (state_.destination != Destination::Text) {
            return;
        }
        std::string s;
        AppendUtf8(s, cp);
        Emit(s);
    }

    void Emit(std::string_view utf8) {
        if (state_.destination != Destination::Text || state_.hidden) {
            return;
        }
        FlushSurrogate();
        EmitUtf8(utf8);
    }

    void EmitUtf8(std::string_view utf8) {
        const std::string_view text = FitText(utf8);
        if (text.empty()) {
            return;
        }
        if (Run* run = RunFor(ResolvedFormat(), /*image=*/false)) {
            run->text.append(text);
        }
    }

    // The run that takes the next content, after the tabs of the table cells that ended before
    // it: the paragraph's last run when its format matches. Null when the element limit refuses
    // a new run.
    Run* RunFor(const CharFormat& format, bool image) {
        for (; pendingCellTabs_ > 0; --pendingCellTabs_) {
            if (const std::string_view tab = FitText("\t"); !tab.empty()) {
                if (Run* run = LastRunOrNew(format, false)) {
                    run->text.append(tab);
                }
            }
        }
        return LastRunOrNew(format, image);
    }

    Run* LastRunOrNew(const CharFormat& format, bool image) {
        auto& runs = paragraph_.runs;
        if (image || runs.empty() || runs.back().image >= 0 || !(runs.back().format == format)) {
            if (!CountElement()) {
                return nullptr;
            }
            runs.push_back(Run{format, {}, -1});
        }
        return &runs.back();
    }

    bool CountElement() {
        if (++elements_ > limits_.maxElements) {
            Stop(Fault::TooManyElements);
            return false;
        }
        return true;
    }

    // The part of `utf8` that fits the text budget, cut between two characters. At the budget
    // the reader stops: the page keeps its beginning.
    std::string_view FitText(std::string_view utf8) {
        const std::size_t room = limits_.maxTextBytes - textBytes_;
        if (utf8.size() > room) {
            std::size_t end = room;
            while (end > 0 && (static_cast<std::uint8_t>(utf8[end]) & 0xC0) == 0x80) {
                --end;
            }
            utf8 = utf8.substr(0, end);
            Stop(Fault::TooMuchText);
        }
        textBytes_ += utf8.size();
        return utf8;
    }

    void FinishParagraph(bool keepEmpty) {
        if (state_.destination != Destination::Text && keepEmpty) {
            return;
        }
        FlushSurrogate();
        pendingCellTabs_ = 0;
        if (!keepEmpty && paragraph_.runs.empty()) {
            return;
        }
        // At the element limit a paragraph that holds runs is still kept: its runs were counted,
        // and a page cut at the limit keeps all it has read.
        if (!CountElement() && paragraph_.runs.empty()) {
            return;
        }
        paragraph_.format = state_.paragraph;
        paragraph_.markFormat = ResolvedFormat();
        doc_.paragraphs.push_back(std::move(paragraph_));
        paragraph_ = Paragraph{};
    }

    // ---- fonts

    const FontInfo* CurrentFont() {
        const int number = state_.fontNumber >= 0 ? state_.fontNumber : defaultFont_;
        const auto it = fonts_.find(number);
        return it == fonts_.end() ? nullptr : &it->second;
    }

    CharFormat ResolvedFormat() {
        CharFormat f = state_.format;
        const FontInfo* font = CurrentFont();
        f.font = font ? font->index : -1;
        return f;
    }

    int CurrentCodePage() {
        const FontInfo* font = CurrentFont();
        return font && font->codePage != 0 ? font->codePage : codePage_;
    }

    void FontTableWord(std::string_view w, const Token& t) {
        if (w == "f") {
            if (!fontName_.empty()) {
                CommitFont();
            }
            fontNumber_ = t.param;
            fontCharset_ = 0;
        } else if (w == "fcharset") {
            fontCharset_ = t.param;
        }
    }

    void CommitFont() {
        std::string name = std::move(fontName_);
        fontName_.clear();
        const auto blank = [](char c) { return c == ' ' || c == '\t'; };
        while (!name.empty() && blank(name.back()))
            name.pop_back();
        const auto first = std::find_if_not(name.begin(), name.end(), blank);
        name.erase(name.begin(), first);
        if (fontNumber_ < 0 || fonts_.count(fontNumber_) != 0 ||
            doc_.fonts.size() >= limits_.maxElements) {
            return;
        }
        const int codePage = CodePageOfCharset(fontCharset_);
        fonts_[fontNumber_] = FontInfo{static_cast<int>(doc_.fonts.size()), codePage};
        doc_.fonts.push_back(DecodeCodePage(name, codePage > 2 ? codePage : codePage_));
        fontNumber_ = -1;
    }

    // ---- colours

    void ColorTableWord(std::string_view w, const Token& t) {
        const auto component = static_cast<std::uint8_t>(std::clamp<std::int32_t>(t.param, 0, 255));
        if (w == "red") {
            pendingColor_.red = component;
        } else if (w == "green") {
            pendingColor_.green = component;
        } else if (w == "blue") {
            pendingColor_.blue = component;
        } else {
            return;
        }
        colorSet_ = true;
    }

    std::optional<Color> ColorAt(std::int32_t index) const {
        if (index <= 0 || static_cast<std::size_t>(index) >= colors_.size()) {
            return std::nullopt;
        }
        return colors_[static_cast<std::size_t>(index)];
    }

    // ---- pictures

    void PictureWord(std::string_view w, const Token& t) {
        PictureState& p = picture_;
        if (w == "pngblip") {
            p.kind = PictureKind::Png;
        } else if (w == "jpegblip") {
            p.kind = PictureKind::Jpeg;
        } else if (w == "emfblip" || w == "wmetafile" || w == "macpict" || w == "dibitmap" ||
                   w == "wbitmap" || w == "pmmetafile") {
            p.kind = PictureKind::Unsupported;
            p.data.clear();
        } else if (w == "picw") {
            p.widthPx = t.param;
        } else if (w == "pich") {
            p.heightPx = t.param;
        } else if (w == "picwgoal") {
            p.goalWidth = t.param;
        } else if (w == "pichgoal") {
            p.goalHeight = t.param;
        } else if (w == "picscalex") {
            p.scaleX = t.param;
        } else if (w == "picscaley") {
            p.scaleY = t.param;
        }
    }

    void PictureHexDigit(char c) {
        const int v = HexValue(c);
        if (v < 0) {
            return;  // blanks and line ends between the digits
        }
        if (picture_.pendingNibble < 0) {
            picture_.pendingNibble = v;
            return;
        }
        PictureByte(static_cast<std::uint8_t>(picture_.pendingNibble * 16 + v));
        picture_.pendingNibble = -1;
    }

    void PictureByte(std::uint8_t b) {
        if (picture_.kind == PictureKind::Unsupported) {
            return;
        }
        if (picture_.data.size() >= limits_.maxPictureBytes) {
            Stop(Fault::PictureTooLarge);
            return;
        }
        picture_.data.push_back(b);
    }

    static int DisplayTwips(std::int64_t goal, std::int64_t pixels, std::int64_t scale) {
        const std::int64_t base = goal > 0 ? goal : std::max<std::int64_t>(pixels, 0) * 15;
        const std::int64_t scaled = base * std::clamp<std::int64_t>(scale, 1, 1000) / 100;
        return static_cast<int>(std::clamp<std::int64_t>(scaled, 0, 20 * kMaxTwips));
    }

    void FinishPicture() {
        PictureState p = std::move(picture_);
        picture_ = {};
        if ((p.kind != PictureKind::Png && p.kind != PictureKind::Jpeg) || p.data.empty() ||
            state_.destination != Destination::Text) {
            return;
        }
        Image image;
        image.format = p.kind == PictureKind::Png ? ImageFormat::Png : ImageFormat::Jpeg;
        image.data = std::move(p.data);
        image.widthTwips = DisplayTwips(p.goalWidth, p.widthPx, p.scaleX);
        image.heightTwips = DisplayTwips(p.goalHeight, p.heightPx, p.scaleY);
        FlushSurrogate();
        Run* run = RunFor(ResolvedFormat(), /*image=*/true);
        if (run == nullptr) {
            return;
        }
        run->image = static_cast<int>(doc_.images.size());
        doc_.images.push_back(std::move(image));
    }

    Lexer lexer_;
    Limits limits_;
    Document doc_;
    std::vector<GroupState> stack_;
    GroupState state_;
    Paragraph paragraph_;
    bool stopped_ = false;
    bool afterGroupStart_ = false;
    bool starred_ = false;
    int codePage_ = kDefaultCodePage;
    int defaultFont_ = 0;
    int pendingSkip_ = 0;
    char32_t highSurrogate_ = 0;
    int pendingCellTabs_ = 0;
    std::size_t elements_ = 0;
    std::size_t textBytes_ = 0;
    std::map<int, FontInfo> fonts_;
    int fontNumber_ = -1;
    int fontCharset_ = 0;
    std::string fontName_;
    std::vector<std::optional<Color>> colors_;
    Color pendingColor_;
    bool colorSet_ = false;
    PictureState picture_;
};

}  // namespace

std::string Document::PlainText() const {
    std::string out;
    for (std::size_t i = 0; i < paragraphs.size(); ++i) {
        if (i > 0) {
            out += '\n';
        }
        for (const Run& run : paragraphs[i].runs) {
            if (run.image >= 0) {
                AppendUtf8(out, 0xFFFC);  // the object replacement character
            } else {
                out += run.text;
            }
        }
    }
    return out;
}

bool IsCutAtLimit(Fault fault) {
    return fault == Fault::InputTooLarge || fault == Fault::TooManyElements ||
           fault == Fault::TooMuchText;
}

bool LooksLikeRtf(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
    }
    const auto first = bytes.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && bytes.substr(first).starts_with("{\\rtf");
}

Document Parse(std::string_view rtf, const Limits& limits) {
    return Parser(rtf.substr(0, limits.maxInputBytes), limits, rtf.size() > limits.maxInputBytes)
        .Read();
}

bool IsValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto b = static_cast<std::uint8_t>(bytes[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        int length;
        char32_t cp;
        if ((b & 0xE0) == 0xC0) {
            length = 2;
            cp = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            length = 3;
            cp = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            length = 4;
            cp = b & 0x07;
        } else {
            return false;
        }
        if (i + length > bytes.size()) {
            return false;
        }
        for (int k = 1; k < length; ++k) {
            const auto c = static_cast<std::uint8_t>(bytes[i + k]);
            if ((c & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (c & 0x3F);
        }
        static constexpr char32_t kMinimum[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kMinimum[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;  // overlong forms, surrogates and values beyond Unicode
        }
        i += length;
    }
    return true;
}

std::string DecodeCodePage(std::string_view bytes, int codePage) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        AppendUtf8(out, DecodeByte(static_cast<std::uint8_t>(c), codePage));
    }
    return out;
}

}  // namespace tornel::rtf
