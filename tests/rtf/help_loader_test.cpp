// Loading the help pages into their views: missing, RTF, plain text, unreadable files.
#include "widgets/help_loader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <memory>
#include <tuple>

#include "widgets/rtf_parser.h"

namespace tornel {
namespace {

QString DesignText(int page) {
    return QStringLiteral("\n  *****  Не найден  файл:    'help%1.rtf'").arg(page);
}

class HelpLoaderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        for (int page = 1; page <= 3; ++page) {
            views_[page - 1] = std::make_unique<QTextEdit>();
            views_[page - 1]->setPlainText(DesignText(page));
        }
    }

    void Write(const QString& name, const QByteArray& bytes) {
        QFile file(dir_.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    std::array<QTextEdit*, 3> Views() {
        return {views_[0].get(), views_[1].get(), views_[2].get()};
    }
    QString text(int page) const { return views_[page - 1]->toPlainText(); }

    QTemporaryDir dir_;
    std::unique_ptr<QTextEdit> views_[3];
};

TEST_F(HelpLoaderTest, OnlySecondFilePresentOthersKeepTheirDesignLines) {
    Write(QStringLiteral("help2.rtf"), "{\\rtf1\\ansi\\ansicpg1251 {\\b \\'cf\\'e0\\'f0}\\par}");
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir_.path()));  // looked up in the working directory
    const QStringList errors = LoadHelpPages(Views());
    QDir::setCurrent(previous);
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_EQ(text(1), DesignText(1));
    EXPECT_EQ(text(2), QStringLiteral("Пар"));
    EXPECT_EQ(text(3), DesignText(3));
}

TEST_F(HelpLoaderTest, MissingFileChangesNothing) {
    EXPECT_EQ(LoadHelpPage(*views_[0], dir_.filePath(QStringLiteral("help1.rtf"))),
              HelpPageKind::Missing);
    EXPECT_EQ(text(1), DesignText(1));
}

TEST_F(HelpLoaderTest, RichTextKeepsItsFormatting) {
    Write(QStringLiteral("help1.rtf"), "{\\rtf1 {\\b Heading}\\par body\\par}");
    EXPECT_EQ(LoadHelpPage(*views_[0], dir_.filePath(QStringLiteral("help1.rtf"))),
              HelpPageKind::RichText);
    const QTextDocument& doc = *views_[0]->document();
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("Heading\nbody"));
    EXPECT_EQ(doc.begin().begin().fragment().charFormat().fontWeight(), QFont::Bold);
    EXPECT_EQ(views_[0]->textCursor().position(), 0);
    EXPECT_FALSE(views_[0]->isReadOnly());  // the views stay editable
}

TEST_F(HelpLoaderTest, PlainTextInUtf8AndWindows1251) {
    Write(QStringLiteral("help1.rtf"), "\xEF\xBB\xBFПривет, мир\nвторая строка");
    Write(QStringLiteral("help3.rtf"), "\xcf\xf0\xe8\xe2\xe5\xf2 \xb9 1");
    EXPECT_EQ(LoadHelpPages(Views(), {dir_.path()}), QStringList{});
    EXPECT_EQ(text(1), QStringLiteral("Привет, мир\nвторая строка"));
    EXPECT_EQ(text(3), QStringLiteral("Привет № 1"));
    EXPECT_EQ(LoadHelpPage(*views_[0], dir_.filePath(QStringLiteral("help3.rtf"))),
              HelpPageKind::PlainText);
}

TEST_F(HelpLoaderTest, UnreadableFileIsReportedAndLoadingGoesOn) {
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("help1.rtf")));
    Write(QStringLiteral("help2.rtf"), "{\\rtf1 second}");
    Write(QStringLiteral("help3.rtf"), "{\\rtf1 third}");
    const QStringList errors = LoadHelpPages(Views(), {dir_.path()});
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(QStringLiteral("\"help1.rtf\""))) << errors[0].toStdString();
    EXPECT_TRUE(errors[0].contains(QStringLiteral("Не удаётся прочитать файл")));
    EXPECT_EQ(text(1), QStringLiteral("\n  *****  ") + errors[0]);  // where the design line was
    EXPECT_EQ(text(2), QStringLiteral("second"));
    EXPECT_EQ(text(3), QStringLiteral("third"));
}

// A page in none of the folders keeps its design text, also where the working directory holds it.
TEST_F(HelpLoaderTest, EachFileComesFromTheFirstFolderThatHoldsIt) {
    QTemporaryDir second;
    QTemporaryDir working;
    ASSERT_TRUE(second.isValid() && working.isValid());
    Write(QStringLiteral("help1.rtf"), "{\\rtf1 first folder}");
    for (const auto& [folder, name, text] :
         {std::tuple{&second, "help1.rtf", "{\\rtf1 second folder}"},
          std::tuple{&second, "help2.rtf", "{\\rtf1 second folder}"},
          std::tuple{&working, "help3.rtf", "{\\rtf1 working folder}"}}) {
        QFile file(folder->filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(working.path()));
    const QStringList errors = LoadHelpPages(Views(), {dir_.path(), second.path()});
    QDir::setCurrent(previous);
    EXPECT_EQ(errors, QStringList{});
    EXPECT_EQ(text(1), QStringLiteral("first folder"));
    EXPECT_EQ(text(2), QStringLiteral("second folder"));
    EXPECT_EQ(text(3), DesignText(3));
}

TEST_F(HelpLoaderTest, SingleUnreadableFileThrows) {
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("help1.rtf")));
    // A pipe without a writer: opening it would block the start-up for ever.
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir_.filePath(QStringLiteral("help2.rtf"))), 0600), 0);
    const struct {
        int page;
        QString reason;
    } cases[] = {{1, QStringLiteral("это папка, а не файл")},
                 {2, QStringLiteral("это не обычный файл")}};
    for (const auto& c : cases) {
        try {
            LoadHelpPage(*views_[c.page - 1], dir_.filePath(HelpFileName(c.page)));
            ADD_FAILURE() << "no error for page " << c.page;
        } catch (const HelpFileError& e) {
            EXPECT_EQ(e.message(), QStringLiteral("Не удаётся прочитать файл \"help%1.rtf\": %2.")
                                       .arg(c.page)
                                       .arg(c.reason));
        }
        EXPECT_EQ(text(c.page), DesignText(c.page));
    }
}

// Whatever a file holds, a page keeps within its budget: the beginning is shown, the rest is left
// out, and the last line says so.
TEST_F(HelpLoaderTest, PageBeyondItsBudgetKeepsItsBeginningAndSaysSo) {
    const rtf::Limits& budget = rtf::kHelpPageLimits;
    const auto count = static_cast<qsizetype>(budget.maxElements);
    const QByteArray longText(static_cast<qsizetype>(budget.maxTextBytes) + 1, 'a');
    // Two bytes a letter after one of one: the budget ends inside a letter.
    const QString russian = QStringLiteral("я").repeated(budget.maxTextBytes / 2);
    const QByteArray russianText = "a" + russian.toUtf8();
    const struct {
        const char* what;
        QByteArray bytes;
        QString firstLine;
    } cases[] = {
        {"paragraph marks", "{\\rtf1 first\\par" + QByteArray("\\par").repeated(count) + "}",
         QStringLiteral("first")},
        {"plain lines", "first\n" + QByteArray(count, '\n'), QStringLiteral("first")},
        {"one long paragraph", "{\\rtf1 " + longText + "}",
         QString::fromLatin1(longText.chopped(1))},
        {"plain text in Russian", russianText, "a" + russian.chopped(1)},
        {"over 16 MB", "{\\rtf1 Start{\\*\\skipped " + QByteArray(17 << 20, 'a') + "} End}",
         QStringLiteral("Start")},
    };
    for (const auto& c : cases) {
        Write(QStringLiteral("help1.rtf"), c.bytes);
        LoadHelpPage(*views_[0], dir_.filePath(QStringLiteral("help1.rtf")));
        const QTextDocument& page = *views_[0]->document();
        EXPECT_LE(page.blockCount(), count + 2) << c.what;
        EXPECT_EQ(page.firstBlock().text(), c.firstLine) << c.what;
        EXPECT_TRUE(page.lastBlock().text().contains(QStringLiteral("дальше текст не показан")))
            << c.what << ": " << page.lastBlock().text().toStdString();
    }
}

// Our own help pages: plain 7-bit RTF, read without a fault, Russian text, bold headings.
TEST_F(HelpLoaderTest, ShippedHelpPages) {
    const QStringList expected = {QStringLiteral("выдать"), QStringLiteral("Порог срабатывания"),
                                  QStringLiteral("615 Гц")};
    for (int page = 1; page <= 3; ++page) {
        const QString path = QStringLiteral(TORNEL_SOURCE_DIR "/help/") + HelpFileName(page);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        const QByteArray bytes = file.readAll();
        for (const char c : bytes) {
            ASSERT_LT(static_cast<unsigned char>(c), 0x80) << "page " << page << " is not 7-bit";
        }
        const rtf::Document model = rtf::Parse(std::string_view(bytes.constData(), bytes.size()));
        EXPECT_EQ(model.fault, rtf::Fault::None) << page;
        ASSERT_FALSE(model.paragraphs.empty());
        ASSERT_FALSE(model.paragraphs[0].runs.empty());
        EXPECT_TRUE(model.paragraphs[0].runs[0].format.bold) << "heading of page " << page;

        ASSERT_EQ(LoadHelpPage(*views_[page - 1], path), HelpPageKind::RichText);
        EXPECT_TRUE(text(page).contains(expected[page - 1])) << page;
        EXPECT_GT(views_[page - 1]->document()->blockCount(), 5);
    }
}

}  // namespace
}  // namespace tornel
