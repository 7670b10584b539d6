// The window as it opens: every control the commands and the trainer read, the two views.

#include <QApplication>
#include <QGroupBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <stdexcept>

#include "app/tform2.h"
#include "qcustomplot.h"
#include "window_fixture.h"

namespace tornel::app::testing {
namespace {

using StartUp = WindowTest;

// The parameter fields against the table; the two fields outside it against their design.
TEST_F(StartUp, FieldsHaveTheRangesStepsAndValuesOfTheTable) {
    for (std::size_t i = 0; i < kParameterTable.size(); ++i) {
        const ParameterField& p = kParameterTable[i];
        const QByteArray name = "SpinEdit_" + QByteArray::number(static_cast<int>(i) + 1);
        SpinEdit* f = Field(name.constData());
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->minimum(), p.min) << name.constData();
        EXPECT_EQ(f->maximum(), p.max) << name.constData();
        EXPECT_EQ(f->singleStep(), p.step) << name.constData();
        EXPECT_EQ(f->TypedValueUnclamped(), p.design) << name.constData();
        EXPECT_FALSE(f->accessibleName().isEmpty()) << name.constData();
    }
    EXPECT_EQ(Field("SpinEdit_1")->accessibleName(), QStringLiteral("Порог срабатывания вокса"));
    EXPECT_EQ(Field("SpinEdit_11")->accessibleName(), QStringLiteral("Длительность паузы"));
    struct Other {
        const char* name;
        int min, max, value;
    };
    for (const Other& o :
         {Other{"SpinEdit_Alfa", 0, 100, 20}, Other{"SpinEdit_dF", -100, 100, 0}}) {
        EXPECT_EQ(Field(o.name)->minimum(), o.min) << o.name;
        EXPECT_EQ(Field(o.name)->maximum(), o.max) << o.name;
        EXPECT_EQ(Field(o.name)->TypedValueUnclamped(), o.value) << o.name;
    }
}

TEST_F(StartUp, BoxesButtonsAndTextsAreInTheirDesignState) {
    const BoxStates design;
    for (const EnablingBox& box : kEnablingBoxes) {
        const QByteArray name = "CheckBox_" + QByteArray::number(box.parameter);
        EXPECT_EQ(Box(name.constData())->isChecked(), design.*(box.state)) << name.constData();
    }
    EXPECT_TRUE(Box("CheckBox_ModFiltr")->isChecked());
    EXPECT_TRUE(Box("CheckBox_Zwuk")->isChecked());
    EXPECT_EQ(Box("CheckBox_10")->toolTip(),
              QStringLiteral(" разрешить открывать-закрывать репитер несущей "));

    EXPECT_FALSE(Shown(Button("Button_Out")));
    EXPECT_EQ(Button("Button_Out")->text(), QStringLiteral("выдать"));
    EXPECT_EQ(Button("Button_FormFile")->text(), QStringLiteral("сформировать"));
    EXPECT_EQ(Button("Button_Sound")->text(), QStringLiteral("старт"));
    EXPECT_EQ(Button("Button2")->toolTip(), QStringLiteral("выход"));
    EXPECT_TRUE(Status().isEmpty());
    EXPECT_EQ(Control<QLabel>("StaticText_Error")->accessibleName(),
              QStringLiteral("Строка состояния"));
    EXPECT_TRUE(Shown(Control<QLabel>("Label_PTT")));

    for (const char* memo : {"Memo1", "Memo2", "Memo_MasIsh"}) {
        EXPECT_EQ(MemoLines(memo), QStringList{QStringLiteral("Memo1")}) << memo;
        EXPECT_FALSE(Control<QPlainTextEdit>(memo)->accessibleName().isEmpty()) << memo;
        EXPECT_TRUE(QFontInfo(Control<QPlainTextEdit>(memo)->font()).fixedPitch()) << memo;
    }
    EXPECT_EQ(form->windowTitle(),
              QStringLiteral(" Программатор для репитера    Tornel-4    15.04.2014"));
}

TEST_F(StartUp, ProgramStateStartsAsTheControllerExpects) {
    EXPECT_TRUE(state->speaker.SoundEnabled());
    EXPECT_EQ(state->packet, InitialPacket());
    EXPECT_DOUBLE_EQ(state->synth.alpha(), 0.2);
    EXPECT_EQ(Field("SpinEdit_Alfa")->TypedValueUnclamped(),
              20);  // the field shows the coefficient
}

TEST_F(StartUp, TrainerDiagramIsDrawnAndTimer2RedrawsOnce) {
    auto* chart = Plot("Chart_PTT");
    ASSERT_EQ(chart->graphCount(), 2);
    QCPGraph* pattern = chart->graph(0);
    ASSERT_EQ(pattern->dataCount(), 10);
    const double xs[] = {-2.5, 0, 0, 2, 2, 5, 5, 9, 9, 11};
    const double ys[] = {0, 0, 1, 1, 0, 0, 1, 1, 0, 0};
    for (int i = 0; i < 10; ++i) {
        EXPECT_DOUBLE_EQ(pattern->data()->at(i)->key, xs[i]) << i;
        EXPECT_DOUBLE_EQ(pattern->data()->at(i)->value, ys[i]) << i;
    }
    QCPGraph* cursor = chart->graph(1);
    ASSERT_EQ(cursor->dataCount(), 2);
    EXPECT_DOUBLE_EQ(cursor->data()->at(0)->key, -2.0);
    EXPECT_DOUBLE_EQ(cursor->data()->at(1)->value, 1.3);
    EXPECT_DOUBLE_EQ(chart->xAxis->range().lower, -2.5);
    EXPECT_DOUBLE_EQ(chart->xAxis->range().upper, 11.0);
    for (QCPAxis* axis : chart->axisRect()->axes()) {  // not the tab control's larger font
        EXPECT_EQ(axis->tickLabelFont(), QApplication::font());
    }

    auto* timer2 = form->findChild<QTimer*>(QStringLiteral("Timer2"));
    ASSERT_NE(timer2, nullptr);
    EXPECT_TRUE(timer2->isActive());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !timer2->isActive(); }));
    EXPECT_FALSE(form->findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
}

// Without the chart module the places stay empty, the status line says why, and the commands and
// the trainer that draw into the plots still work.
TEST_F(StartUp, WithoutTheChartModuleTheWindowWorksAndSaysWhy) {
    makeChart = [](widgets::ChartKind, QWidget&) -> std::unique_ptr<widgets::Chart> {
        throw std::runtime_error("модуль графиков не загружен: нет файла");
    };
    Recreate({QStringLiteral("tq")});
    EXPECT_EQ(StatusMessage().toStdString(),
              " Графики не показаны: модуль графиков не загружен: нет файла");
    for (const char* place : {"Chart_PTT", "Chart_Filtr", "Chart1"}) {
        EXPECT_EQ(Control<QWidget>(place)->findChild<QCustomPlot*>(), nullptr) << place;
    }
    Button("Button_Out")->click();
    EXPECT_EQ(sound.playedPaths.size(), 1u);
    Button("Button_Sound")->click();
    EXPECT_TRUE(form->findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
}

TEST_F(StartUp, DesignTextNamesTheMissingHelpFile) {
    EXPECT_EQ(Control<QTextEdit>("RichEdit1")->toPlainText(),
              QStringLiteral("\n  *****  Не найден  файл:    'help1.rtf'"));
    EXPECT_TRUE(Control<QTextEdit>("RichEdit3")->toPlainText().endsWith("'help3.rtf'"));
}

TEST(SecondWindow, IsCreatedEmptyAndStaysHidden) {
    TForm2 form2;
    QCoreApplication::processEvents();
    EXPECT_FALSE(form2.isVisible());
    EXPECT_EQ(form2.windowTitle(), QStringLiteral("Form2"));
    EXPECT_TRUE(form2.children().isEmpty());
}

// The view: exactly "tq" as the first argument gives the engineering view.
struct ViewCase {
    QStringList arguments;
    bool engineering;
};

class Views : public WindowTest, public ::testing::WithParamInterface<ViewCase> {};

TEST_P(Views, FirstArgumentChoosesTheViewAndItsSize) {
    Recreate(GetParam().arguments);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    const bool engineering = GetParam().engineering;
    EXPECT_EQ(form->engineeringView(), engineering);
    if (engineering) {
        EXPECT_EQ(form->size(), QSize(1397, 745));  // the design client area
    } else {
        ASSERT_TRUE(QTest::qWaitFor([&] {
            return form->frameGeometry().size() == QSize(858, 572);
        })) << form->frameGeometry().width()
            << "x" << form->frameGeometry().height();  // frame included
    }
    EXPECT_EQ(Control<QGroupBox>("GroupBox11")->isVisible(), engineering);
    EXPECT_EQ(Control<QGroupBox>("GroupBox_MasPer")->isVisible(), engineering);
    EXPECT_EQ(Shown(Control<QWidget>("Chart1")), engineering);
    auto* tabs = Control<QTabWidget>("PageControl1");
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_FALSE(tabs->isTabVisible(tabs->indexOf(Control<QWidget>("TabSheet10"))));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());  // fixed size
}

INSTANTIATE_TEST_SUITE_P(Arguments, Views,
                         ::testing::Values(ViewCase{{}, false}, ViewCase{{"tq"}, true},
                                           ViewCase{{"tq", "x"}, true}, ViewCase{{"TQ"}, false},
                                           ViewCase{{"tqx"}, false}, ViewCase{{"x", "tq"}, false},
                                           ViewCase{{""}, false}));

}  // namespace
}  // namespace tornel::app::testing
