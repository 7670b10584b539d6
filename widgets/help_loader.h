// Loading the help pages "help1.rtf", "help2.rtf" and "help3.rtf" into their rich-text views.
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <stdexcept>

class QTextDocument;
class QTextEdit;

namespace tornel {

enum class HelpPageKind {
    Missing,    // no such file: the view keeps its design text
    RichText,   // read as RTF
    PlainText,  // not RTF: shown as text, UTF-8 when valid, otherwise Windows-1251
};

// A help file that exists but cannot be read. what() is the Russian message for the error box,
// in UTF-8 (message() gives it as a QString).
class HelpFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
    QString message() const { return QString::fromUtf8(what()); }
};

// "help1.rtf", "help2.rtf", "help3.rtf" for page 1, 2, 3.
QString HelpFileName(int page);

// The help file of `page` in the first of `folders` that holds it; when none does, its path in the
// first folder, which LoadHelpPage then finds missing. With no folders, the bare file name
// (looked up in the working directory).
QString FindHelpFile(int page, const QStringList& folders);

// Loads one help file into a view or a document. `path` is a file name (looked up in the working
// directory) or a full path. A missing file changes nothing. At most the first 16 MB are read,
// and a page shows at most what rtf::kHelpPageLimits allows (plain text: as many lines as
// paragraphs); a page cut at the budget says so in its last line. Damaged RTF shows what was read
// up to the damage. Throws HelpFileError when the file exists but
// cannot be read (a folder, a device, no permission, a read error); the view is then unchanged.
HelpPageKind LoadHelpPage(QTextEdit& view, const QString& path);
HelpPageKind LoadHelpPage(QTextDocument& document, const QString& path);

// Loads "help1.rtf" to "help3.rtf" into the three views, in this order, each from where
// FindHelpFile finds it. A missing file keeps
// the view's design text. A file that cannot be read does not stop the others: its view shows
// the message instead of its design text, in the design text's format, and the messages are
// returned in page order.
QStringList LoadHelpPages(const std::array<QTextEdit*, 3>& views, const QStringList& folders = {});

}  // namespace tornel
