// The rich-text document built from the reader's model: what a view will show.
#include "widgets/rtf_document.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>

namespace tornel {
namespace {

QByteArray FixtureBytes(const QString& name) {
    QFile file(QStringLiteral(TORNEL_SOURCE_DIR "/tests/rtf/fixtures/") + name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    return file.readAll();
}

class RtfDocumentTest : public ::testing::Test {
  protected:
    void Load(const QString& name) {
        const QByteArray bytes = FixtureBytes(name);
        EXPECT_EQ(LoadRtf(std::string_view(bytes.constData(), bytes.size()), document_),
                  rtf::Fault::None);
    }

    // The character format of the first fragment that contains `text`.
    QTextCharFormat FormatOf(const QString& text) const {
        for (QTextBlock b = document_.begin(); b.isValid(); b = b.next()) {
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                if (it.fragment().text().contains(text)) {
                    return it.fragment().charFormat();
                }
            }
        }
        ADD_FAILURE() << "no fragment with " << text.toStdString();
        return {};
    }

    QTextDocument document_;
};

TEST_F(RtfDocumentTest, CyrillicTextAndParagraphs) {
    Load(QStringLiteral("codepage_1251.rtf"));
    EXPECT_EQ(document_.toPlainText(), QStringLiteral("Привет, ёАяЁ!"));
    EXPECT_EQ(FormatOf(QStringLiteral("Привет")).fontFamilies().toStringList(),
              QStringList{QStringLiteral("Arial")});
}

TEST_F(RtfDocumentTest, CharacterFormats) {
    Load(QStringLiteral("styles.rtf"));
    EXPECT_EQ(FormatOf(QStringLiteral("bold")).fontWeight(), QFont::Bold);
    EXPECT_EQ(FormatOf(QStringLiteral("plain")).fontWeight(), QFont::Normal);
    EXPECT_TRUE(FormatOf(QStringLiteral("italic")).fontItalic());
    EXPECT_TRUE(FormatOf(QStringLiteral("under")).fontUnderline());
    EXPECT_TRUE(FormatOf(QStringLiteral("struck")).fontStrikeOut());
    EXPECT_DOUBLE_EQ(FormatOf(QStringLiteral("plain")).fontPointSize(), 12.0);

    Load(QStringLiteral("fonts.rtf"));
    EXPECT_DOUBLE_EQ(FormatOf(QStringLiteral("mono16")).fontPointSize(), 16.0);
    EXPECT_EQ(FormatOf(QStringLiteral("mono16")).fontFamilies().toStringList(),
              QStringList{QStringLiteral("Courier New")});
}

TEST_F(RtfDocumentTest, ColoursLeaveAutomaticTextToTheView) {
    Load(QStringLiteral("colors.rtf"));
    EXPECT_FALSE(FormatOf(QStringLiteral("auto")).hasProperty(QTextFormat::ForegroundBrush));
    EXPECT_EQ(FormatOf(QStringLiteral("red")).foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(FormatOf(QStringLiteral("marked")).background().color(), QColor(0, 0, 255));
}

TEST_F(RtfDocumentTest, ParagraphFormatsInPixels) {
    Load(QStringLiteral("paragraphs.rtf"));
    ASSERT_EQ(document_.blockCount(), 6);
    const QTextBlockFormat centred = document_.findBlockByNumber(0).blockFormat();
    EXPECT_EQ(centred.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_DOUBLE_EQ(centred.topMargin(), 8.0);  // 120 twips at 96 dpi
    EXPECT_DOUBLE_EQ(centred.bottomMargin(), 16.0);
    EXPECT_EQ(document_.findBlockByNumber(1).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
              Qt::AlignRight);
    const QTextBlock justified = document_.findBlockByNumber(2);
    EXPECT_EQ(justified.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignJustify);
    EXPECT_DOUBLE_EQ(justified.blockFormat().leftMargin(), 48.0);
    EXPECT_DOUBLE_EQ(justified.blockFormat().rightMargin(), 24.0);
    EXPECT_DOUBLE_EQ(justified.blockFormat().textIndent(), -24.0);
    // \line breaks the line but stays in the same paragraph.
    EXPECT_EQ(justified.text(), QStringLiteral("justified") + QChar::LineSeparator +
                                    QStringLiteral("second line\ttabbed"));
    EXPECT_TRUE(document_.findBlockByNumber(4).text().isEmpty());
}

TEST_F(RtfDocumentTest, PngAndJpegBecomeImages) {
    Load(QStringLiteral("pictures.rtf"));
    QList<QTextImageFormat> images;
    for (QTextBlock b = document_.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isImageFormat()) {
                images << it.fragment().charFormat().toImageFormat();
            }
        }
    }
    ASSERT_EQ(images.size(), 3);
    EXPECT_DOUBLE_EQ(images[0].width(), 40.0);  // \picwgoal600
    EXPECT_DOUBLE_EQ(images[0].height(), 30.0);
    EXPECT_DOUBLE_EQ(images[1].width(), 5.0);
    const QVariant png = document_.resource(QTextDocument::ImageResource, QUrl(images[0].name()));
    ASSERT_TRUE(png.canConvert<QImage>());
    EXPECT_EQ(png.value<QImage>().size(), QSize(4, 3));
    EXPECT_EQ(png.value<QImage>().pixelColor(0, 0), QColor(255, 0, 0));
    const QVariant jpeg = document_.resource(QTextDocument::ImageResource, QUrl(images[1].name()));
    EXPECT_EQ(jpeg.value<QImage>().size(), QSize(5, 2));
}

TEST_F(RtfDocumentTest, DamagedPictureIsLeftOutTextGoesOn) {
    const std::string rtf = "{\\rtf1 a{\\pict\\pngblip\\picw9999999\\pich9999999 89504e47}b}";
    EXPECT_EQ(LoadRtf(rtf, document_), rtf::Fault::None);
    EXPECT_EQ(document_.toPlainText(), QStringLiteral("ab"));
}

TEST_F(RtfDocumentTest, PicturesTogetherStayWithinTheDocumentsBudget) {
    // Twenty pictures of 16 MB each once decoded, a few kilobytes each in the file: only as many
    // as fit 256 MB are kept, the rest are left out and the text goes on.
    QImage big(2048, 2048, QImage::Format_ARGB32);
    big.fill(Qt::white);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(big.save(&buffer, "PNG"));
    rtf::Document model;
    rtf::Paragraph paragraph;
    for (int i = 0; i < 20; ++i) {
        model.images.push_back(
            {rtf::ImageFormat::Png, std::vector<std::uint8_t>(png.begin(), png.end()), 0, 0});
        paragraph.runs.push_back({{}, {}, i});
    }
    paragraph.runs.push_back({{}, "end", -1});
    model.paragraphs.push_back(paragraph);

    FillTextDocument(model, document_);
    int kept = 0;
    for (auto it = document_.begin().begin(); !it.atEnd(); ++it) {
        kept += it.fragment().charFormat().isImageFormat() ? it.fragment().length() : 0;
    }
    EXPECT_EQ(kept, 16);
    EXPECT_TRUE(document_.toPlainText().endsWith(QStringLiteral("end")));
}

TEST_F(RtfDocumentTest, ReloadReplacesContentAndClearsUndo) {
    Load(QStringLiteral("styles.rtf"));
    Load(QStringLiteral("escapes.rtf"));
    EXPECT_TRUE(document_.toPlainText().startsWith(QStringLiteral("{braces}")));
    EXPECT_FALSE(document_.isUndoAvailable());
    EXPECT_FALSE(document_.isModified());
}

}  // namespace
}  // namespace tornel
