// The RTF reader's core: each feature pinned by a small fixture, and hostile input.
#include "widgets/rtf_parser.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "tests/support/temp_dir.h"

namespace tornel::rtf {
namespace {

Document Fixture(const std::string& name) {
    const std::filesystem::path path = TORNEL_SOURCE_DIR "/tests/rtf/fixtures/" + name;
    EXPECT_TRUE(std::filesystem::exists(path)) << path;
    const Document doc = Parse(test::ReadFile(path));
    EXPECT_EQ(doc.fault, Fault::None) << name;
    return doc;
}

// The run holding `text` in the paragraph, or nullptr.
const Run* FindRun(const Document& doc, const std::string& text) {
    for (const Paragraph& p : doc.paragraphs) {
        for (const Run& r : p.runs) {
            if (r.text.find(text) != std::string::npos) {
                return &r;
            }
        }
    }
    return nullptr;
}

TEST(RtfText, DeclaredCodePageDecodesHexEscapes) {
    EXPECT_EQ(Fixture("codepage_1251.rtf").PlainText(), "Привет, ёАяЁ!");
    EXPECT_EQ(Fixture("codepage_1252.rtf").PlainText(), "café € –");
}

TEST(RtfText, CodePageDefaultsToWindows1251) {
    EXPECT_EQ(Fixture("codepage_default.rtf").PlainText(), "Да");
}

TEST(RtfText, RussianFontCharsetOverridesDocumentCodePage) {
    const Document doc = Parse(
        "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset0 Arial;}"
        "{\\f1\\fcharset204 Arial Cyr;}}\\'e0 {\\f1 \\'e0}}");
    EXPECT_EQ(doc.PlainText(), "à а");
}

TEST(RtfText, UnicodeEscapesSkipTheirFallback) {
    const Document doc = Fixture("unicode.rtf");
    ASSERT_EQ(doc.paragraphs.size(), 2u);
    EXPECT_EQ(doc.PlainText(), "Да Ж한Я\n\U0001F600");
}

TEST(RtfText, LoneSurrogateBecomesReplacementCharacter) {
    EXPECT_EQ(Parse("{\\rtf1 \\u-10179?x}").PlainText(), "\uFFFDx");
    EXPECT_EQ(Parse("{\\rtf1 \\u-8704?}").PlainText(), "\uFFFD");
}

TEST(RtfText, EscapedCharacters) {
    EXPECT_EQ(Fixture("escapes.rtf").PlainText(),
              "{braces} back\\slash no\u00A0break softhyphen non\u2011breaking");
}

TEST(RtfText, SpecialCharacterWords) {
    EXPECT_EQ(
        Parse("{\\rtf1 a\\emdash b\\endash c\\bullet\\lquote x\\rquote\\ldblquote y\\rdblquote}")
            .PlainText(),
        "a—b–c•‘x’“y”");
}

TEST(RtfText, HiddenTextIsNotShown) {
    EXPECT_EQ(
        Parse("{\\rtf1 shown{\\v hidden} again\\v gone\\v0  back\\v x\\plain  end}").PlainText(),
        "shown again back end");
}

TEST(RtfText, TextAfterTheClosingBraceIsIgnored) {
    EXPECT_EQ(Parse("{\\rtf1 inside}outside").PlainText(), "inside");
}

TEST(RtfFonts, FontTableAndSizes) {
    const Document doc = Fixture("fonts.rtf");
    ASSERT_EQ(doc.fonts.size(), 2u);
    EXPECT_EQ(doc.fonts[0], "Courier New");
    EXPECT_EQ(doc.fonts[1], "Arial");  // the alternative name is an optional destination
    const auto* def = FindRun(doc, "default");
    const auto* mono = FindRun(doc, "mono16");
    const auto* back = FindRun(doc, "back");
    ASSERT_TRUE(def && mono && back);
    EXPECT_EQ(def->format.font, 1);  // \deff1
    EXPECT_EQ(def->format.halfPoints, 24);
    EXPECT_EQ(mono->format.font, 0);
    EXPECT_EQ(mono->format.halfPoints, 32);
    EXPECT_EQ(back->format, def->format);  // the group restored the format
}

TEST(RtfFonts, SizeIsBounded) {
    const Document doc = Parse("{\\rtf1\\fs99999999999 big\\fs0 normal}");
    ASSERT_EQ(doc.paragraphs.size(), 1u);
    EXPECT_EQ(doc.paragraphs[0].runs[0].format.halfPoints, 3276);
    EXPECT_EQ(doc.paragraphs[0].runs[1].format.halfPoints, 24);
}

TEST(RtfStyles, BoldItalicUnderlineStrikeAndPlain) {
    const Document doc = Fixture("styles.rtf");
    auto fmt = [&](const std::string& text) {
        const auto* r = FindRun(doc, text);
        EXPECT_TRUE(r) << text;
        return r ? r->format : CharFormat{};
    };
    EXPECT_FALSE(fmt("plain").bold);
    EXPECT_TRUE(fmt("bold").bold);
    EXPECT_TRUE(fmt("italic").italic);
    EXPECT_FALSE(fmt("italic").bold);
    EXPECT_TRUE(fmt("under").underline);
    EXPECT_TRUE(fmt("struck").strike);
    EXPECT_FALSE(fmt("struck").underline);
    const CharFormat group = fmt("group");
    EXPECT_TRUE(group.bold && group.italic && group.underline);
    const CharFormat reset = fmt("reset");
    EXPECT_FALSE(reset.bold || reset.italic || reset.underline || reset.strike);
    EXPECT_TRUE(fmt(" B").bold);
    EXPECT_FALSE(fmt(" P").bold);  // \plain after \b
}

TEST(RtfStyles, ColoursAndHighlight) {
    const Document doc = Fixture("colors.rtf");
    const Color red{255, 0, 0}, blue{0, 0, 255};
    EXPECT_FALSE(FindRun(doc, "auto")->format.color.has_value());
    EXPECT_EQ(FindRun(doc, "red")->format.color, red);
    EXPECT_EQ(FindRun(doc, "marked")->format.highlight, blue);
    EXPECT_FALSE(FindRun(doc, "marked")->format.color.has_value());
    EXPECT_EQ(FindRun(doc, "back")->format.highlight, red);
    EXPECT_FALSE(FindRun(doc, "unknown")->format.color.has_value());  // index out of the table
}

TEST(RtfParagraphs, AlignmentIndentsSpacingBreaks) {
    const Document doc = Fixture("paragraphs.rtf");
    ASSERT_EQ(doc.paragraphs.size(), 6u);
    const ParagraphFormat& centred = doc.paragraphs[0].format;
    EXPECT_EQ(centred.alignment, Alignment::Center);
    EXPECT_EQ(centred.spaceBefore, 120);
    EXPECT_EQ(centred.spaceAfter, 240);
    EXPECT_EQ(doc.paragraphs[1].format.alignment, Alignment::Right);
    EXPECT_EQ(doc.paragraphs[1].format.spaceBefore, 0);  // \pard reset it
    const ParagraphFormat& justified = doc.paragraphs[2].format;
    EXPECT_EQ(justified.alignment, Alignment::Justify);
    EXPECT_EQ(justified.leftIndent, 720);
    EXPECT_EQ(justified.rightIndent, 360);
    EXPECT_EQ(justified.firstLineIndent, -360);
    EXPECT_EQ(doc.paragraphs[3].format, ParagraphFormat{});
    EXPECT_TRUE(doc.paragraphs[4].runs.empty());  // an empty line is kept
    EXPECT_EQ(doc.PlainText(), "centred\nright\njustified\nsecond line\ttabbed\nleft\n\nlast");
}

TEST(RtfDestinations, NonTextDestinationsAreSkippedFieldResultsShown) {
    EXPECT_EQ(Fixture("destinations.rtf").PlainText(), "before shown result after");
}

TEST(RtfDestinations, TableRowsBecomeTabSeparatedParagraphs) {
    EXPECT_EQ(Fixture("table.rtf").PlainText(), "one\ttwo\tthree\na\t\tc\nafter");
}

TEST(RtfPictures, PngAndJpegKeptOthersSkipped) {
    const Document doc = Fixture("pictures.rtf");
    ASSERT_EQ(doc.images.size(), 3u);
    EXPECT_EQ(doc.images[0].format, ImageFormat::Png);
    EXPECT_EQ(doc.images[0].widthTwips, 600);  // \picwgoal wins over \picw
    EXPECT_EQ(doc.images[0].heightTwips, 450);
    ASSERT_GE(doc.images[0].data.size(), 8u);
    EXPECT_EQ(doc.images[0].data[1], 'P');
    EXPECT_EQ(doc.images[1].format, ImageFormat::Jpeg);
    EXPECT_EQ(doc.images[1].data[0], 0xFF);
    EXPECT_EQ(doc.images[1].data[1], 0xD8);
    EXPECT_EQ(doc.images[1].widthTwips, 5 * 15);      // \picw in pixels
    EXPECT_EQ(doc.images[2].widthTwips, 4 * 15 * 2);  // \picscalex200
    EXPECT_EQ(doc.images[2].heightTwips, 3 * 15 / 2);
    EXPECT_EQ(doc.images[2].data, doc.images[0].data);
    // The metafile and the fallback picture leave nothing behind.
    EXPECT_EQ(doc.PlainText(), "png \uFFFC jpeg \uFFFC wmf  end\n\uFFFC");
}

TEST(RtfPictures, BinaryPictureData) {
    std::string rtf = "{\\rtf1 {\\pict\\pngblip\\bin4 ";
    rtf += std::string("\x89PNG", 4);
    rtf += "} after}";
    const Document doc = Parse(rtf);
    ASSERT_EQ(doc.images.size(), 1u);
    EXPECT_EQ(doc.images[0].data, (std::vector<std::uint8_t>{0x89, 'P', 'N', 'G'}));
    EXPECT_EQ(doc.PlainText(), "\uFFFC after");
}

TEST(RtfHostile, DeepNestingStopsAndKeepsWhatWasRead) {
    const std::string rtf = "{\\rtf1 before" + std::string(100000, '{') + "x";
    const Document doc = Parse(rtf);
    EXPECT_EQ(doc.fault, Fault::TooDeep);
    EXPECT_EQ(doc.PlainText(), "before");
}

// Groups nested exactly to the limit (the document's own group counts) are read; one more stops.
TEST(RtfHostile, NestingUpToTheLimitIsRead) {
    const int limit = Limits{}.maxDepth;
    const auto nested = [](int depth) {
        return "{\\rtf1 before" + std::string(depth - 1, '{') + "deep" + std::string(depth, '}');
    };
    const Document atLimit = Parse(nested(limit));
    EXPECT_EQ(atLimit.fault, Fault::None);
    EXPECT_EQ(atLimit.PlainText(), "beforedeep");
    const Document beyond = Parse(nested(limit + 1));
    EXPECT_EQ(beyond.fault, Fault::TooDeep);
    EXPECT_EQ(beyond.PlainText(), "before");
}

TEST(RtfHostile, BinaryLongerThanTheInputStops) {
    const Document doc = Parse("{\\rtf1 text\\bin2000000000 abc}");
    EXPECT_EQ(doc.fault, Fault::BinaryTooLarge);
    EXPECT_EQ(doc.PlainText(), "text");
}

TEST(RtfHostile, BinaryDataIsNotText) {
    const Document doc = Parse("{\\rtf1 a\\bin3 {}\\ b}");
    EXPECT_EQ(doc.fault, Fault::None);
    EXPECT_EQ(doc.PlainText(), "a b");
}

TEST(RtfHostile, SkippedDestinationsStaySkipped) {
    // Binary data right after "{\\*" is still taken whole, and nothing inside a skipped group
    // becomes visible again.
    EXPECT_EQ(Parse("{\\rtf1 a{\\*\\bin2 }{}b}").PlainText(), "ab");
    const Document doc = Parse(
        "{\\rtf1 a{\\info{\\*\\shppict{\\pict\\pngblip 89504e47}x}}{\\*\\x{\\*\\fonttbl{\\f5 "
        "F;}}}b}");
    EXPECT_EQ(doc.PlainText(), "ab");
    EXPECT_TRUE(doc.images.empty());
    EXPECT_TRUE(doc.fonts.empty());
}

TEST(RtfHostile, PictureOverTheLimitStops) {
    Limits limits;
    limits.maxPictureBytes = 4;
    const Document doc = Parse("{\\rtf1 a{\\pict\\pngblip 0102030405}b}", limits);
    EXPECT_EQ(doc.fault, Fault::PictureTooLarge);
    EXPECT_EQ(doc.PlainText(), "a");
    EXPECT_TRUE(doc.images.empty());
}

TEST(RtfHostile, InputOverTheLimitIsCut) {
    Limits limits;
    limits.maxInputBytes = 12;
    const Document doc = Parse("{\\rtf1 abcdefghijkl}", limits);
    EXPECT_EQ(doc.fault, Fault::InputTooLarge);
    EXPECT_EQ(doc.PlainText(), "abcde");
}

TEST(RtfHostile, ElementCountIsBounded) {
    Limits limits;
    limits.maxElements = 100;
    std::string paragraphs = "{\\rtf1 ";
    std::string runs = "{\\rtf1 ";
    for (int i = 0; i < 1000; ++i) {
        paragraphs += "x\\par ";
        runs += "{\\b x}{\\i y}";
    }
    for (const std::string& rtf : {paragraphs + "}", runs + "}"}) {
        const Document doc = Parse(rtf, limits);
        EXPECT_EQ(doc.fault, Fault::TooManyElements);
        std::size_t elements = doc.paragraphs.size();
        for (const Paragraph& p : doc.paragraphs) {
            elements += p.runs.size();
        }
        // What was read before the limit is kept, also when it is all in one paragraph.
        EXPECT_LE(elements, limits.maxElements + 1);
        EXPECT_GE(elements, limits.maxElements - 1);
    }
}

TEST(RtfHostile, UnclosedGroupKeepsTheText) {
    const Document doc = Parse("{\\rtf1 {\\b bold} open");
    EXPECT_EQ(doc.fault, Fault::UnexpectedEnd);
    EXPECT_EQ(doc.PlainText(), "bold open");
}

TEST(RtfHostile, ExtremeParametersAndTruncatedEscapes) {
    EXPECT_EQ(Parse("{\\rtf1 \\u-99999999999?\\u99999999999?\\uc-5\\'").fault,
              Fault::UnexpectedEnd);
    EXPECT_EQ(Parse("{\\rtf1\\li-2147483648\\fi99999999999 x}").paragraphs.at(0).format.leftIndent,
              -31680);
    EXPECT_EQ(Parse("{\\rtf1 \\'4").PlainText(), "4");
    EXPECT_EQ(Parse("\\").paragraphs.size(), 0u);
    EXPECT_EQ(Parse("").paragraphs.size(), 0u);
}

TEST(RtfHostile, ManyGroupsAndRunsStayFast) {
    // A megabyte of alternating formats: linear time, no quadratic run merging.
    std::string rtf = "{\\rtf1 ";
    while (rtf.size() < (1u << 20))
        rtf += "{\\b a}{\\i b}\\'e0";
    rtf += "}";
    const auto start = std::chrono::steady_clock::now();
    const Document doc = Parse(rtf);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(doc.fault, Fault::None);
    EXPECT_LT(elapsed,
              std::chrono::seconds(5));  // a generous bound against a hang, not a speed goal
}

TEST(RtfDetection, RtfSignature) {
    EXPECT_TRUE(LooksLikeRtf("{\\rtf1\\ansi}"));
    EXPECT_TRUE(LooksLikeRtf("\xEF\xBB\xBF\r\n {\\rtf1}"));
    EXPECT_FALSE(LooksLikeRtf("{\\rt"));
    EXPECT_FALSE(LooksLikeRtf("plain {\\rtf1}"));
    EXPECT_FALSE(LooksLikeRtf(""));
}

TEST(PlainText, Utf8Validation) {
    EXPECT_TRUE(IsValidUtf8("plain ascii"));
    EXPECT_TRUE(IsValidUtf8("Привет \U0001F600"));
    EXPECT_FALSE(IsValidUtf8("\xcf\xf0\xe8"));      // Windows-1251 "При"
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong '/'
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // a surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // beyond U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\xD0"));              // cut short
}

TEST(PlainText, CodePages) {
    EXPECT_EQ(DecodeCodePage("\xcf\xf0\xe8\xe2\xe5\xf2 \xb9", 1251), "Привет №");
    EXPECT_EQ(DecodeCodePage("\x8f\xe0\xa8", 866), "При");
    EXPECT_EQ(DecodeCodePage("\xe9", 1252), "é");
    EXPECT_EQ(DecodeCodePage("\xe9", 1250), "é");
    EXPECT_EQ(DecodeCodePage("\xe0", 932), "а");  // unknown code page: read as 1251
}

}  // namespace
}  // namespace tornel::rtf
