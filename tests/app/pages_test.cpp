// The title page and the three help pages: the raised labels and picture, the help files read
// from the case's folder at start (or after the first paint), and what happens when one of them
// cannot be read.

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include "app/title_picture.h"
#include "qcustomplot.h"
#include "signal/loopback_check.h"
#include "widgets/label3d.h"
#include "window_fixture.h"

namespace tornel::app::testing {
namespace {

const char* const kViews[] = {"RichEdit1", "RichEdit2", "RichEdit3"};

QString DesignText(int page) {
    return QStringLiteral("\n  *****  Не найден  файл:    'help%1.rtf'").arg(page);
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every control of the window as the operator meets it: kind, name, place, whether it shows,
// font, texts and value, a line each.
std::string Described(const QWidget& window) {
    QStringList lines;
    for (const QWidget* w : window.findChildren<QWidget*>()) {
        const QRect g = w->geometry();
        lines << QStringLiteral("%1 %2 %3,%4 %5x%6 shown=%7 enabled=%8 font=%9 %10 [%11] [%12] %13")
                     .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName())
                     .arg(g.x())
                     .arg(g.y())
                     .arg(g.width())
                     .arg(g.height())
                     .arg(w->isVisibleTo(&window))
                     .arg(w->isEnabled())
                     .arg(w->font().toString(), w->property("text").toString(),
                          w->property("title").toString(), w->toolTip(),
                          w->property("value").toString());
    }
    return lines.join(u'\n').toStdString();
}

bool HasBoldText(const QTextDocument& document) {
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.charFormat().fontWeight() >= QFont::Bold &&
                !fragment.text().trimmed().isEmpty()) {
                return true;
            }
        }
    }
    return false;
}

// Pixels of a strong red, the colour of the design text.
int RedPixels(QWidget* view) {
    const QImage image = view->grab().toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += c.red() > 200 && c.green() < 90 && c.blue() < 90;
        }
    }
    return count;
}

// The window looks its help files up in the case's temporary folder, where a case ships them.
class Pages : public WindowTest {
  protected:
    void ShipHelpFile(int page) const {
        const QString name = QStringLiteral("help%1.rtf").arg(page);
        ASSERT_TRUE(
            QFile::copy(QStringLiteral(TORNEL_SOURCE_DIR "/help/") + name, dir.filePath(name)));
    }
    QTextEdit* View(int page) const { return Control<QTextEdit>(kViews[page - 1]); }
};

TEST_F(Pages, TitlePageHasRaisedLabelsSubtitleAndPicture) {
    auto* heading = qobject_cast<TLabel3D*>(Control<QLabel>("Label3D1"));
    ASSERT_NE(heading, nullptr);
    EXPECT_EQ(heading->text(), QStringLiteral(" Программатор   репитера   Tornel-4 "));
    EXPECT_EQ(heading->style3D(), TLabel3D::lsRaised);
    EXPECT_EQ(heading->glub(), 1);
    EXPECT_EQ(heading->font().pixelSize(), 37);
    EXPECT_EQ(heading->font().family(), QStringLiteral("Liberation Sans Narrow"));
    EXPECT_EQ(heading->palette().color(QPalette::WindowText), QColor(0x80, 0x80, 0x00));
    EXPECT_LE(heading->sizeHint().width(), heading->width()) << "heading would wrap";

    auto* bottom = qobject_cast<TLabel3D*>(Control<QLabel>("Label3D2"));
    ASSERT_NE(bottom, nullptr);
    EXPECT_EQ(bottom->style3D(), TLabel3D::lsRaised);
    EXPECT_EQ(bottom->glub(), 1);
    EXPECT_EQ(bottom->font().pixelSize(), 19);
    EXPECT_TRUE(bottom->text().contains(QRegularExpression(QStringLiteral("\\d{4}"))));
    EXPECT_LE(bottom->sizeHint().width(), bottom->width());

    const auto* subtitle = Control<QLabel>("Label21");
    EXPECT_EQ(
        subtitle->text(),
        QStringLiteral("для программирования контроллеров репитеров с  версией прошивки 1,2"));
    EXPECT_LE(subtitle->sizeHint().width(), subtitle->width());

    const auto* image = Control<QLabel>("Image2");
    const QPixmap picture = image->pixmap();
    ASSERT_FALSE(picture.isNull()) << "title picture not in the resources";
    EXPECT_LE(picture.width(), image->width());
    EXPECT_LE(picture.height(), image->height());
    EXPECT_TRUE(picture.width() == image->width() || picture.height() == image->height());
    EXPECT_EQ(form->findChild<QTabWidget*>("PageControl1")->currentIndex(), 0);
}

// As the program starts: the picture read on a second thread is the one read in place, and in the
// normal view the parts its first paint does not show are made after it, into the window that a
// start in one go makes.
TEST_F(Pages, AtProgramStartThePictureComesFromItsThreadAndTheHiddenPartsAfterTheFirstPaint) {
    ShipHelpFile(1);
    const QImage inPlace = Control<QLabel>("Image2")->pixmap().toImage();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    const std::string madeAtOnce = Described(*form);
    titlePicture = ReadTitlePictureInBackground();
    hiddenPartsAfterFirstPaint = true;
    Recreate({});
    EXPECT_EQ(Control<QLabel>("Image2")->pixmap().toImage(), inPlace);
    for (const char* hidden : {"GroupBox1", "GroupBox11", "RichEdit1"}) {
        EXPECT_EQ(form->findChild<QWidget*>(hidden), nullptr) << hidden << " made before the paint";
    }
    form->show();
    const auto helpRead = [&] {
        const auto* view = form->findChild<QTextEdit*>(QStringLiteral("RichEdit1"));
        return view != nullptr && HasBoldText(*view->document());
    };
    EXPECT_TRUE(QTest::qWaitFor(helpRead, 10000));
    EXPECT_EQ(Described(*form), madeAtOnce);

    Recreate({QStringLiteral("tq")});  // shows them all at once, so makes them at once
    EXPECT_TRUE(Shown(Control<QGroupBox>("GroupBox11")));
}

TEST_F(Pages, OurHelpFilesFillAllThreeViewsAndAreNeverWritten) {
    for (int page = 1; page <= 3; ++page) {
        ShipHelpFile(page);
    }
    const QByteArray help2 = ReadAll(dir.filePath("help2.rtf"));
    Recreate({});
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    // A phrase of each page, decoded from its Windows-1251 escapes.
    const QString phrases[] = {QStringLiteral("Как передать параметры в контроллер"),
                               QStringLiteral("Параметры задаются"),
                               QStringLiteral("Уровень выхода")};
    for (int page = 1; page <= 3; ++page) {
        QTextEdit* view = View(page);
        const QString text = view->toPlainText();
        EXPECT_FALSE(text.contains(QStringLiteral("Не найден"))) << page;
        EXPECT_TRUE(text.contains(phrases[page - 1])) << page;
        EXPECT_TRUE(HasBoldText(*view->document())) << "no bold heading on page " << page;
        EXPECT_FALSE(view->isReadOnly()) << page;
    }
    EXPECT_TRUE(View(1)->toPlainText().contains(QStringLiteral("сформировать")));

    QTextEdit* view = View(2);
    view->moveCursor(QTextCursor::Start);
    QTest::keyClicks(view, QStringLiteral("edit "));
    EXPECT_TRUE(view->toPlainText().startsWith(QStringLiteral("edit ")));
    form.reset();
    EXPECT_EQ(ReadAll(dir.filePath("help2.rtf")), help2) << "a help file was written";
}

// The pages name what the window and the check by ear show, read from the window and the core:
// a button renamed or a verdict added without its help fails here.
TEST_F(Pages, HelpNamesTheSetButtonsAndEveryVerdictOfTheCheckByEar) {
    for (int page = 1; page <= 3; ++page) {
        ShipHelpFile(page);
    }
    Recreate({});
    const QString page1 = View(1)->toPlainText();
    for (const QPushButton* button :
         Control<QGroupBox>("GroupBox29")->findChildren<QPushButton*>()) {
        EXPECT_TRUE(page1.contains(u'«' + button->text() + u'»')) << button->text().toStdString();
    }
    const QString page3 = View(3)->toPlainText();
    static const QRegularExpression level(QStringLiteral("\\s*\\(-?\\d+ дБ\\)$"));
    for (const LoopbackVerdict verdict :
         {LoopbackVerdict::Intact, LoopbackVerdict::NoSignal, LoopbackVerdict::LevelTooLow,
          LoopbackVerdict::Clipped, LoopbackVerdict::CrcWrong, LoopbackVerdict::OtherPacket,
          LoopbackVerdict::NotRecognised}) {
        for (const bool intact : {false, true}) {
            LoopbackOutcome outcome;
            outcome.verdict = verdict;
            outcome.packetIntact = intact;
            QString text = QString::fromStdString(LoopbackStatusText(outcome));
            text.remove(level);
            EXPECT_TRUE(page3.contains(text)) << text.toStdString();
        }
    }
}

TEST_F(Pages, MissingFilesKeepTheDesignLinesThatNameThem) {
    ShipHelpFile(2);
    Recreate({});
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_EQ(View(1)->toPlainText(), DesignText(1));
    EXPECT_FALSE(View(2)->toPlainText().contains(QStringLiteral("Не найден")));
    EXPECT_EQ(View(3)->toPlainText(), DesignText(3));
    // The rest of the start-up ran: normal view, diagram drawn.
    EXPECT_EQ(form->size(), QSize(kNormalOuterWidth, kNormalOuterHeight));
    EXPECT_GT(Plot("Chart_PTT")->graph(0)->dataCount(), 0);
}

TEST_F(Pages, FileThatIsNotRtfIsShownAsPlainText) {
    QFile file(dir.filePath("help3.rtf"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("Уровни\nвыход: 0,5 В").toUtf8());
    file.close();
    Recreate({});
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_EQ(View(3)->toPlainText(), QStringLiteral("Уровни\nвыход: 0,5 В"));
    EXPECT_EQ(View(1)->toPlainText(), DesignText(1));
}

// A help file that exists but cannot be read costs only its own page: that view says why, the
// other pages load and the start-up goes on to the diagram and the chosen view.
TEST_F(Pages, UnreadableFileIsShownInItsViewAndTheStartUpGoesOn) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("help1.rtf"));
    ShipHelpFile(2);
    ShipHelpFile(3);
    Recreate({QStringLiteral("tq")});

    EXPECT_TRUE(errors.isEmpty()) << "no error box at start-up";
    const QString view1 = View(1)->toPlainText();
    EXPECT_TRUE(view1.contains(QStringLiteral("help1.rtf"))) << view1.toStdString();
    EXPECT_TRUE(view1.contains(QStringLiteral("папка"))) << view1.toStdString();
    EXPECT_GT(RedPixels(View(1)), 200) << "not in the design text's look";
    for (int page : {2, 3}) {
        EXPECT_FALSE(View(page)->toPlainText().contains(QStringLiteral("*****"))) << page;
    }
    EXPECT_TRUE(form->engineeringView());
    EXPECT_EQ(form->size(), QSize(kDesignClientWidth, kDesignClientHeight));
    EXPECT_TRUE(Shown(Control<QGroupBox>("GroupBox11")));
    EXPECT_EQ(Plot("Chart_PTT")->graph(0)->dataCount(), 10);
}

// Our help page 1 is longer than its view: a scroll bar shows that there is more, and only then.
TEST_F(Pages, HelpPage1GetsAScrollBarWhenItsTextIsLongerThanTheView) {
    const auto scrollBarShown = [this] {
        form->show();
        Control<QTabWidget>("PageControl1")->setCurrentWidget(Control<QWidget>("TabSheet3"));
        QCoreApplication::processEvents();
        return View(1)->verticalScrollBar()->isVisible();
    };
    EXPECT_FALSE(scrollBarShown()) << "design text: nothing to scroll";
    ShipHelpFile(1);
    Recreate({});
    EXPECT_TRUE(scrollBarShown());
    EXPECT_GT(View(1)->document()->size().height(), View(1)->viewport()->height());
}

TEST_F(Pages, DesignTextIsRedButLoadedHelpTextIsNot) {
    ShipHelpFile(1);
    Recreate({});
    QTextEdit* loaded = View(1);
    QTextEdit* design = View(2);
    EXPECT_NE(loaded->palette().color(QPalette::Text), QColor(Qt::red));
    EXPECT_EQ(RedPixels(loaded), 0) << "loaded help text drawn in the design red";
    EXPECT_GT(RedPixels(design), 200) << "design line not red";
    EXPECT_EQ(design->font().pixelSize(), 32);
}

}  // namespace
}  // namespace tornel::app::testing
