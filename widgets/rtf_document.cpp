#include "widgets/rtf_document.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

#include <algorithm>

namespace tornel {
namespace {

// Document lengths are pixels at 96 dots per inch: 15 twips to the pixel.
constexpr double kTwipsPerPixel = 15.0;
// Pictures that would need more memory than this to decode are left out.
constexpr int kImageAllocationLimitMb = 64;
// All pictures of one document together: a file of many small, well-compressed pictures must not
// decode into gigabytes.
constexpr qint64 kDocumentImageBudgetBytes = 256LL * 1024 * 1024;
constexpr double kMaxImageSidePx = 4096.0;

Qt::Alignment ToQt(rtf::Alignment alignment) {
    switch (alignment) {
        case rtf::Alignment::Center:
            return Qt::AlignHCenter;
        case rtf::Alignment::Right:
            return Qt::AlignRight;
        case rtf::Alignment::Justify:
            return Qt::AlignJustify;
        case rtf::Alignment::Left:
            break;
    }
    return Qt::AlignLeft;
}

QColor ToQt(const rtf::Color& c) {
    return QColor(c.red, c.green, c.blue);
}

QTextBlockFormat BlockFormat(const rtf::ParagraphFormat& p) {
    QTextBlockFormat f;
    f.setAlignment(ToQt(p.alignment));
    f.setLeftMargin(p.leftIndent / kTwipsPerPixel);
    f.setRightMargin(p.rightIndent / kTwipsPerPixel);
    f.setTextIndent(p.firstLineIndent / kTwipsPerPixel);
    f.setTopMargin(p.spaceBefore / kTwipsPerPixel);
    f.setBottomMargin(p.spaceAfter / kTwipsPerPixel);
    return f;
}

QTextCharFormat CharFormat(const rtf::CharFormat& c, const QStringList& fonts) {
    QTextCharFormat f;
    if (c.font >= 0 && c.font < fonts.size() && !fonts[c.font].isEmpty()) {
        f.setFontFamilies({fonts[c.font]});
    }
    f.setFontPointSize(c.halfPoints / 2.0);
    f.setFontWeight(c.bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(c.italic);
    f.setFontUnderline(c.underline);
    f.setFontStrikeOut(c.strike);
    if (c.color) {
        f.setForeground(ToQt(*c.color));
    }
    if (c.highlight) {
        f.setBackground(ToQt(*c.highlight));
    }
    return f;
}

// "\line" is a break inside the paragraph: Qt's line separator, not a new block.
QString RunText(const std::string& utf8) {
    QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    return text;
}

QImage DecodeImage(const rtf::Image& image) {
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(image.data.data()),
                                               static_cast<qsizetype>(image.data.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, image.format == rtf::ImageFormat::Png ? "png" : "jpeg");
    reader.setAllocationLimit(kImageAllocationLimitMb);
    return reader.read();
}

void InsertImage(QTextCursor& cursor, const rtf::Document& model, int index,
                 const QTextCharFormat& format, qint64& imageBudget) {
    const rtf::Image& image = model.images[static_cast<std::size_t>(index)];
    const QImage picture = DecodeImage(image);
    if (picture.isNull() || picture.sizeInBytes() > imageBudget) {
        return;  // damaged or oversized data: the picture is left out, the text goes on
    }
    imageBudget -= picture.sizeInBytes();
    const QUrl name(QStringLiteral("rtf-image:%1").arg(index));
    cursor.document()->addResource(QTextDocument::ImageResource, name, picture);
    const double width =
        image.widthTwips > 0 ? image.widthTwips / kTwipsPerPixel : double(picture.width());
    const double height =
        image.heightTwips > 0 ? image.heightTwips / kTwipsPerPixel : double(picture.height());
    QTextImageFormat f;
    f.merge(format);
    f.setName(name.toString());
    f.setWidth(std::min(width, kMaxImageSidePx));
    f.setHeight(std::min(height, kMaxImageSidePx));
    cursor.insertImage(f);
}

}  // namespace

void FillTextDocument(const rtf::Document& model, QTextDocument& document) {
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    QStringList fonts;
    for (const std::string& name : model.fonts) {
        fonts << QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    }
    QTextCursor cursor(&document);
    // One edit block: the view lays the document out once at the end, not after every run (which
    // is quadratic in the runs of a paragraph).
    cursor.beginEditBlock();
    qint64 imageBudget = kDocumentImageBudgetBytes;
    bool first = true;
    for (const rtf::Paragraph& paragraph : model.paragraphs) {
        const QTextCharFormat mark = CharFormat(paragraph.markFormat, fonts);
        if (first) {
            cursor.setBlockFormat(BlockFormat(paragraph.format));
            cursor.setBlockCharFormat(mark);
            first = false;
        } else {
            cursor.insertBlock(BlockFormat(paragraph.format), mark);
        }
        for (const rtf::Run& run : paragraph.runs) {
            const QTextCharFormat format = CharFormat(run.format, fonts);
            if (run.image >= 0) {
                InsertImage(cursor, model, run.image, format, imageBudget);
            } else {
                cursor.insertText(RunText(run.text), format);
            }
        }
    }
    cursor.endEditBlock();
    document.setUndoRedoEnabled(undo);
    document.setModified(false);
}

rtf::Fault LoadRtf(std::string_view rtf, QTextDocument& document, const rtf::Limits& limits) {
    const rtf::Document model = rtf::Parse(rtf, limits);
    FillTextDocument(model, document);
    return model.fault;
}

}  // namespace tornel
