#pragma once
// The window's plots behind a small interface. They are drawn by QCustomPlot inside the chart
// module (tornel4-charts.so), a private module like the sound's: the plotting library and Qt's
// print support, which it brings, are loaded when the first plot is made (in the normal view after
// the window's first paint), and not before the program's first line runs. A form keeps an empty widget of
// the plot's size for each plot (its place); the plot is made into it and fills it.

#include <QVector>
#include <memory>

class QWidget;

namespace tornel::widgets {

// Each kind has its own lines, names and axes.
enum class ChartKind : int {
    Pattern = 0,  // the trainer's diagram: line 0 the pattern, line 1 the cursor drawn over it
    Filter = 1,   // the modulation filter: line 0 the filtered signal, line 1 unused
    Signal = 2,   // the signal's samples against their index: line 0
};

class Chart {
  public:
    virtual ~Chart() = default;
    // Line `line`'s points, sorted by x; points of equal x are drawn in their order.
    virtual void SetLine(int line, const QVector<double>& x, const QVector<double>& y) = 0;
    virtual void ClearLines() = 0;
    // The axes' ranges, given or fitted to the lines.
    virtual void SetRange(double left, double right, double bottom, double top) = 0;
    virtual void FitRangeToLines() = 0;
    // Redraws everything now, or once the message loop runs.
    virtual void Redraw() = 0;
    virtual void RedrawSoon() = 0;
    // Redraws only the lines drawn over the others (the pattern's cursor), from a buffer.
    virtual void RedrawOverlay() = 0;
};

// The module's file and its one entry point; the caller owns the chart it returns, the plot widget
// belongs to `place`.
inline constexpr const char* kChartModuleFile = "tornel4-charts.so";
inline constexpr const char* kChartModuleEntry = "tornel4_make_chart";

// The plot of `kind` made into `place`; the module is loaded at the first call and kept for the
// process. Throws std::runtime_error with the Russian reason when the module cannot be loaded.
std::unique_ptr<Chart> MakeChart(ChartKind kind, QWidget& place);

// A chart that draws nothing, in place of one the module could not make: the place stays empty
// and everything else of the window works.
std::unique_ptr<Chart> MakeEmptyChart();

}  // namespace tornel::widgets

extern "C" tornel::widgets::Chart* tornel4_make_chart(int kind, QWidget* place);
