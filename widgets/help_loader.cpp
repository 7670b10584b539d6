#include "widgets/help_loader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>
#include <string_view>

#include "files/regular_file.h"
#include "files/size_limits.h"
#include "widgets/rtf_document.h"
#include "widgets/rtf_parser.h"

namespace tornel {
namespace {

// Which file each help page came from: "tornel4.help.debug=true" in QT_LOGGING_RULES shows it.
Q_LOGGING_CATEGORY(lcHelpFiles, "tornel4.help", QtWarningMsg)

[[noreturn]] void Fail(const QString& path, const QString& reason) {
    const QString text = QStringLiteral("Не удаётся прочитать файл \"%1\": %2.")
                             .arg(QFileInfo(path).fileName(), reason);
    throw HelpFileError(text.toStdString());
}

QString OpenFailure(const QFile& file) {
    switch (file.error()) {
        case QFileDevice::PermissionsError:
            return QStringLiteral("нет прав на чтение");
        case QFileDevice::ResourceError:
            return QStringLiteral("не хватает системных ресурсов");
        default:
            return QStringLiteral("файл не открывается");
    }
}

// The file's first bytes, at most kMaxHelpPageBytes + 1 so that an oversized file shows as such.
QByteArray ReadBounded(const QString& path) {
    // A device or a pipe could block or never end.
    if (const std::string reason = NotRegularFileReason(QFile::encodeName(path).toStdString());
        !reason.empty()) {
        Fail(path, QString::fromStdString(reason));
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Fail(path, OpenFailure(file));
    }
    QByteArray bytes = file.read(static_cast<qint64>(kMaxHelpPageBytes) + 1);
    if (file.error() != QFileDevice::NoError) {
        Fail(path, QStringLiteral("ошибка чтения"));
    }
    return bytes;
}

// Cuts plain text to the page budget (as many lines as a page may hold paragraphs, as many bytes
// as it may hold text), without splitting a UTF-8 sequence. True when something was cut off.
bool CutToBudget(QByteArray& bytes) {
    const rtf::Limits& budget = rtf::kHelpPageLimits;
    qsizetype end = std::min<qsizetype>(bytes.size(), budget.maxTextBytes);
    qsizetype lineEnd = -1;
    for (std::size_t line = 0; line < budget.maxElements; ++line) {
        lineEnd = bytes.indexOf('\n', lineEnd + 1);
        if (lineEnd < 0 || lineEnd >= end) {
            break;
        }
    }
    if (lineEnd >= 0 && lineEnd < end) {
        end = lineEnd;
    }
    if (end == bytes.size()) {
        return false;
    }
    while (end > 0 && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80) {
        --end;
    }
    bytes.truncate(end);
    return true;
}

QString DecodePlainText(const QByteArray& bytes) {
    const std::string_view view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    if (rtf::IsValidUtf8(view)) {
        QString text = QString::fromUtf8(bytes);
        if (text.startsWith(QChar(0xFEFF))) {
            text.remove(0, 1);
        }
        return text;
    }
    return QString::fromStdString(rtf::DecodeCodePage(view, 1251));
}

// The last line of a page whose file goes on beyond the budget.
void AppendCutNotice(QTextDocument& document) {
    QTextCursor cursor(&document);
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    cursor.insertBlock(QTextBlockFormat(), bold);
    cursor.insertText(
        QStringLiteral("  *****  Файл справки слишком велик: дальше текст не показан."), bold);
}

// The view's design text names the missing file; a file that cannot be read gets the same line,
// in the same format, telling why.
void ShowInPlaceOfDesignText(QTextEdit& view, const QString& message) {
    QTextCursor all(view.document());
    all.movePosition(QTextCursor::End);
    const QTextCharFormat format = all.charFormat();
    all.select(QTextCursor::Document);
    all.insertText(QStringLiteral("\n  *****  ") + message, format);
    view.document()->clearUndoRedoStacks();
    view.document()->setModified(false);
    view.moveCursor(QTextCursor::Start);
}

}  // namespace

QString HelpFileName(int page) {
    return QStringLiteral("help%1.rtf").arg(page);
}

QString FindHelpFile(int page, const QStringList& folders) {
    if (folders.isEmpty()) {
        return HelpFileName(page);
    }
    for (const QString& folder : folders) {
        const QString path = QDir(folder).filePath(HelpFileName(page));
        if (QFileInfo::exists(path)) {
            qCDebug(lcHelpFiles).noquote() << HelpFileName(page) << "->" << path;
            return path;
        }
    }
    // Worth a line on the terminal: an installation that lost its data folder shows here.
    qCWarning(lcHelpFiles).noquote()
        << "файл справки" << HelpFileName(page)
        << "не найден; искали в:" << folders.join(QStringLiteral(", "));
    // Not a file of the working directory, which may hold one: none was found where it was looked
    // for, as the line above says.
    return QDir(folders.front()).filePath(HelpFileName(page));
}

HelpPageKind LoadHelpPage(QTextDocument& document, const QString& path) {
    if (!QFileInfo::exists(path)) {
        return HelpPageKind::Missing;
    }
    QByteArray bytes = ReadBounded(path);
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    HelpPageKind kind = HelpPageKind::RichText;
    bool cut = false;
    const std::string_view view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    if (rtf::LooksLikeRtf(view)) {
        // A fault still shows what was read before it.
        cut = rtf::IsCutAtLimit(LoadRtf(view, document, rtf::kHelpPageLimits));
    } else {
        kind = HelpPageKind::PlainText;
        cut = CutToBudget(bytes);
        document.setPlainText(DecodePlainText(bytes));
    }
    if (cut) {
        AppendCutNotice(document);
    }
    document.setUndoRedoEnabled(undo);
    document.setModified(false);
    return kind;
}

HelpPageKind LoadHelpPage(QTextEdit& view, const QString& path) {
    const HelpPageKind kind = LoadHelpPage(*view.document(), path);
    if (kind != HelpPageKind::Missing) {
        view.moveCursor(QTextCursor::Start);
        view.ensureCursorVisible();
    }
    return kind;
}

QStringList LoadHelpPages(const std::array<QTextEdit*, 3>& views, const QStringList& folders) {
    QStringList errors;
    for (int page = 1; page <= 3; ++page) {
        QTextEdit* view = views[static_cast<std::size_t>(page - 1)];
        if (view == nullptr) {
            continue;
        }
        try {
            LoadHelpPage(*view, FindHelpFile(page, folders));
        } catch (const HelpFileError& error) {
            errors << error.message();
            ShowInPlaceOfDesignText(*view, error.message());
        }
    }
    return errors;
}

}  // namespace tornel
