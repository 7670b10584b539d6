// The parts of the window's design that a Designer form cannot express: pixel font sizes, the
// tab icons, the hidden tab, the title page's colour and picture, the plots, the help
// views' design text colour, the fields' ranges and design values from the parameter table, and
// the names a screen reader announces.

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <stdexcept>

#include "app/spin_edit.h"
#include "app/tform1.h"
#include "app/title_picture.h"
#include "ui_engineering_panels.h"
#include "ui_help_pages.h"
#include "ui_programmer_page.h"
#include "ui_tform1.h"

namespace tornel::app {

namespace {

void SetPixelSize(QWidget* widget, int pixels) {
    QFont font = widget->font();
    font.setPixelSize(pixels);
    widget->setFont(font);
}

// A 16 x 16 tab icon: a coloured tile with a white sign.
QIcon TabIcon(const QColor& tile, const QString& sign) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(tile.darker(140));
    painter.setBrush(tile);
    painter.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(12);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, sign);
    return QIcon(pixmap);
}

constexpr QRgb kOlive = qRgb(0x80, 0x80, 0x00);
constexpr QRgb kDesignTextRed = qRgb(0xFF, 0x00, 0x00);

void SetFontColor(QWidget* widget, QRgb color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    widget->setPalette(palette);
}

// The title picture, scaled with its proportions kept so that it fills the lowered panel; read
// here unless it is being read in the background.
void ShowTitlePicture(QLabel* image, const std::shared_future<QImage>& beingRead) {
    const QImage read = beingRead.valid() ? beingRead.get() : ReadTitlePicture();
    image->setPixmap(QPixmap::fromImage(read).scaled(image->size(), Qt::KeepAspectRatio,
                                                     Qt::SmoothTransformation));
}

// A group caption without its parameter number: "  1)  Порог срабатывания вокса  " gives
// "Порог срабатывания вокса".
QString CaptionWithoutNumber(const QString& caption) {
    static const QRegularExpression number(QStringLiteral("^\\s*\\d+\\)\\s*"));
    QString text = caption;
    text.remove(number);
    return text.simplified();
}

// The help views are pages of their own: black text on white whatever the desktop's palette, so
// that the pages' own heading colours read on a dark desktop too.
void ShowAsPaper(QTextEdit* help) {
    QPalette palette = help->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, Qt::white);
        palette.setColor(group, QPalette::Text, Qt::black);
    }
    help->setPalette(palette);
}

// The nearest caption on the field's row, right of it (a duration of parameter 10 and its label).
QLabel* CaptionBeside(const QWidget& field) {
    const QRect f = field.geometry();
    QLabel* nearest = nullptr;
    for (QLabel* label :
         field.parentWidget()->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
        const QRect place = label->geometry();
        const bool onTheRow = place.center().y() >= f.top() && place.center().y() <= f.bottom();
        if (onTheRow && place.left() > f.right() &&
            (nearest == nullptr || place.left() < nearest->geometry().left())) {
            nearest = label;
        }
    }
    return nearest;
}

}  // namespace

void TForm1::ApplyTitleFonts() {
    SetPixelSize(this, 11);
    SetPixelSize(ui_->PageControl1, 13);
    SetPixelSize(ui_->Label3D1, 37);
    SetPixelSize(ui_->Label3D2, 19);
}

void TForm1::ApplyDesignFonts() {
    for (SpinEdit* field : programmer_->GroupBox1->findChildren<SpinEdit*>()) {
        SetPixelSize(field, 13);
    }
    SetPixelSize(programmer_->Button_Out, 16);
    SetPixelSize(programmer_->StaticText_Error, 11);
    SetPixelSize(engineering_->Memo_MasIsh, 16);
    SetPixelSize(engineering_->Memo1, 11);
    SetPixelSize(engineering_->Memo2, 11);
    for (QTextEdit* help : {help_->RichEdit1, help_->RichEdit2, help_->RichEdit3}) {
        SetPixelSize(help, 32);
    }
}

void TForm1::SetUpTabs() {
    QTabWidget* tabs = ui_->PageControl1;
    tabs->setTabIcon(0, TabIcon(QColor(0x80, 0x80, 0x00), QStringLiteral("T")));
    tabs->setTabIcon(1, TabIcon(QColor(0x20, 0x60, 0xC0), QStringLiteral("P")));
    tabs->setTabIcon(2, TabIcon(QColor(0x20, 0x90, 0x40), QStringLiteral("?")));
    tabs->setTabIcon(3, TabIcon(QColor(0x90, 0x40, 0xA0), QStringLiteral("i")));
    tabs->setTabIcon(4, TabIcon(QColor(0xC0, 0x50, 0x20), QStringLiteral("U")));
    tabs->setTabIcon(5, TabIcon(QColor(0x60, 0x60, 0x60), QStringLiteral("~")));
    tabs->setTabVisible(tabs->indexOf(ui_->TabSheet10), false);

    SetFontColor(ui_->Label3D1, kOlive);
    ShowTitlePicture(ui_->Image2, services_.titlePicture);
    services_.titlePicture = {};  // the window keeps its scaled copy only
}

void TForm1::SetUpTrainerIndicator() {
    SetFontColor(programmer_->Label_PTT, qRgb(0xFF, 0xFF, 0x00));
    // The indicator's outline is black on every desktop palette: a dark palette's light text
    // colour would leave the white box without a visible edge.
    SetFontColor(programmer_->Shape_PTT, qRgb(0, 0, 0));
    SetShapeColor(Qt::white);  // with "передача" shown over it until the first trainer tick
}

// The plots come from the chart module; without it their places stay empty and the status line
// says why.
void TForm1::SetUpCharts() {
    const auto make = services_.makeChart ? services_.makeChart : widgets::MakeChart;
    try {
        patternChart_ = make(widgets::ChartKind::Pattern, *programmer_->Chart_PTT);
        filterChart_ = make(widgets::ChartKind::Filter, *engineering_->Chart_Filtr);
        signalChart_ = make(widgets::ChartKind::Signal, *ui_->Chart1);
    } catch (const std::runtime_error& e) {
        patternChart_ = widgets::MakeEmptyChart();
        filterChart_ = widgets::MakeEmptyChart();
        signalChart_ = widgets::MakeEmptyChart();
        SetStatus(QStringLiteral(" Графики не показаны: %1").arg(QString::fromUtf8(e.what())));
    }
}

// The design text of the help views ("file not found" lines) is red. The red belongs to that
// text's own character format, not to the view's palette: a loaded help file whose text has no
// colour of its own is drawn in the palette's text colour and must not come out red.
void TForm1::SetUpHelpViews() {
    for (QTextEdit* help : {help_->RichEdit1, help_->RichEdit2, help_->RichEdit3}) {
        ShowAsPaper(help);
        QTextCharFormat red;
        red.setForeground(QColor(kDesignTextRed));
        QTextCursor all(help->document());
        all.select(QTextCursor::Document);
        all.mergeCharFormat(red);
        help->setTextColor(QColor(kDesignTextRed));  // what the user types into the design text
        help->document()->clearUndoRedoStacks();     // undo must not take the red away
        help->document()->setModified(false);
    }
}

// The ranges, steps and design values of the twelve fields and the design states of the five
// boxes come from the parameter table; the form holds only their places, captions and fonts.
void TForm1::ApplyParameterTable() {
    const auto fields = ParameterFields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const ParameterField& f = (*services_.parameters)[i];
        fields[i]->setRange(f.min, f.max);
        fields[i]->setSingleStep(f.step);
    }
    ShowParameterSet({DesignFields(*services_.parameters), BoxStates{}});
}

// A field alone in its group is named by the group's caption and described by the unit label
// beside it; the three durations of parameter 10 are named by their own labels.
void TForm1::SetAccessibleNames() {
    const auto fields = ParameterFields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if ((*services_.parameters)[i].member != nullptr) {
            QLabel* label = CaptionBeside(*fields[i]);
            fields[i]->setAccessibleName(label->text());
            fields[i]->setAccessibleDescription(QStringLiteral("секунды"));
            label->setBuddy(fields[i]);
            continue;
        }
        const auto* group = qobject_cast<const QGroupBox*>(fields[i]->parentWidget());
        const auto* unit = group->findChild<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
        fields[i]->setAccessibleName(CaptionWithoutNumber(group->title()));
        fields[i]->setAccessibleDescription(unit->text().simplified());
    }
    engineering_->SpinEdit_Alfa->setAccessibleName(
        QStringLiteral("Коэффициент модуляционного фильтра"));
    engineering_->SpinEdit_Alfa->setAccessibleDescription(QStringLiteral("сотые доли"));
    engineering_->SpinEdit_dF->setAccessibleName(QStringLiteral("Сдвиг частоты"));
    engineering_->Memo_MasIsh->setAccessibleName(engineering_->GroupBox_MasPer->title());
    engineering_->Memo1->setAccessibleName(QStringLiteral("Список параметров и дамп пакета"));
    engineering_->Memo2->setAccessibleName(QStringLiteral("Расчёт CRC"));
    programmer_->StaticText_Error->setAccessibleName(QStringLiteral("Строка состояния"));
    help_->RichEdit1->setAccessibleName(help_->GroupBox_Help1->title().simplified());
    help_->RichEdit2->setAccessibleName(help_->GroupBox_Help2->title().simplified());
    help_->RichEdit3->setAccessibleName(help_->GroupBox_Help3->title().simplified());
    for (QCheckBox* box :
         {programmer_->CheckBox_5, programmer_->CheckBox_6, programmer_->CheckBox_8,
          programmer_->CheckBox_9, programmer_->CheckBox_10}) {
        box->setAccessibleName(box->toolTip().simplified());
    }
    engineering_->Button2->setAccessibleName(engineering_->Button2->toolTip());
    programmer_->Shape_PTT->setAccessibleName(QStringLiteral("Индикатор передачи"));
}

}  // namespace tornel::app
