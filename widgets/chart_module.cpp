// The chart module (tornel4-charts.so): the window's plots drawn with QCustomPlot. Only this
// module links the plotting library; the window loads it with the first plot it makes.

#include <QApplication>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "qcustomplot.h"
#include "widgets/chart.h"

namespace tornel::widgets {

namespace {

// A marker on every one of the filter chart's 60 000 points would only paint a solid band,
// slowly: about this many are marked.
constexpr int kFilterChartMarkers = 120;

void StyleGraph(QCPGraph* graph, const QString& name, const QPen& pen,
                QCPScatterStyle::ScatterShape shape) {
    graph->setName(name);
    graph->setPen(pen);
    graph->setLineStyle(QCPGraph::lsLine);
    graph->setScatterStyle(QCPScatterStyle(shape, pen.color(), pen.color(), 3));
}

// The timing diagram: the pattern, and the cursor on a buffered layer of its own above it, so
// that a run's tick redraws only the cursor.
QCPLayer* SetUpPattern(QCustomPlot& plot) {
    StyleGraph(plot.addGraph(), QStringLiteral("Series2"), QPen(Qt::blue, 2),
               QCPScatterStyle::ssCircle);
    StyleGraph(plot.addGraph(), QStringLiteral("Series3"), QPen(Qt::red, 1, Qt::DotLine),
               QCPScatterStyle::ssSquare);
    // Ticks only at the two levels of the pattern (released, pressed): a tick label at -0.5 would
    // stand in the corner beside the bottom axis's first label and touch it in a larger font.
    auto levels = QSharedPointer<QCPAxisTickerFixed>::create();
    levels->setTickStep(1.0);
    levels->setScaleStrategy(QCPAxisTickerFixed::ssNone);
    plot.yAxis->setTicker(levels);

    const QString cursor = QStringLiteral("cursor");
    plot.addLayer(cursor, plot.layer(QStringLiteral("main")), QCustomPlot::limAbove);
    plot.layer(cursor)->setMode(QCPLayer::lmBuffered);
    plot.graph(1)->setLayer(cursor);
    return plot.layer(cursor);
}

void SetUpFilter(QCustomPlot& plot) {
    // Tens of thousands of points: wide lines drawn as segments, not as one stroked polyline.
    plot.setPlottingHint(QCP::phFastPolylines, true);
    StyleGraph(plot.addGraph(), QStringLiteral("LineSeries1"), QPen(Qt::blue, 2),
               QCPScatterStyle::ssCircle);
    StyleGraph(plot.addGraph(), QStringLiteral("LineSeries2"), QPen(Qt::red, 1, Qt::DotLine),
               QCPScatterStyle::ssSquare);
}

void SetUpSignal(QCustomPlot& plot) {
    plot.plotLayout()->insertRow(0);
    plot.plotLayout()->addElement(0, 0, new QCPTextElement(&plot, QStringLiteral("TChart")));
    QCPGraph* series1 = plot.addGraph();
    series1->setName(QStringLiteral("Series1"));
    series1->setPen(QPen(Qt::red));
}

class Plot : public Chart {
  public:
    Plot(ChartKind kind, QWidget& place) : kind_(kind), plot_(new QCustomPlot(&place)) {
        auto* fill = new QVBoxLayout(&place);
        fill->setContentsMargins(0, 0, 0, 0);
        fill->addWidget(plot_);
        // An axis takes its fonts from the plot as the plot is made, and so from the place's
        // parents: inside the tab control, the tabs' larger captions. The axes keep the
        // application's design font.
        for (QCPAxis* axis : plot_->axisRect()->axes()) {
            axis->setTickLabelFont(QApplication::font());
            axis->setLabelFont(QApplication::font());
        }
        switch (kind) {
            case ChartKind::Pattern:
                overlay_ = SetUpPattern(*plot_);
                break;
            case ChartKind::Filter:
                SetUpFilter(*plot_);
                break;
            case ChartKind::Signal:
                SetUpSignal(*plot_);
                break;
        }
    }

    void SetLine(int line, const QVector<double>& x, const QVector<double>& y) override {
        QCPGraph* graph = plot_->graph(line);
        graph->setData(x, y, true);
        if (kind_ == ChartKind::Filter) {
            graph->setScatterSkip(std::max(0, graph->dataCount() / kFilterChartMarkers - 1));
        }
    }
    void ClearLines() override {
        for (int i = 0; i < plot_->graphCount(); ++i) {
            plot_->graph(i)->data()->clear();
        }
    }
    void SetRange(double left, double right, double bottom, double top) override {
        plot_->xAxis->setRange(left, right);
        plot_->yAxis->setRange(bottom, top);
    }
    void FitRangeToLines() override { plot_->rescaleAxes(); }
    void Redraw() override { plot_->replot(); }
    void RedrawSoon() override { plot_->replot(QCustomPlot::rpQueuedReplot); }
    void RedrawOverlay() override {
        if (overlay_ != nullptr) {
            overlay_->replot();
        }
    }

  private:
    ChartKind kind_;
    QCustomPlot* plot_;            // owned by the place
    QCPLayer* overlay_ = nullptr;  // the pattern's cursor layer, owned by the plot
};

}  // namespace

}  // namespace tornel::widgets

extern "C" __attribute__((visibility("default"))) tornel::widgets::Chart* tornel4_make_chart(
    int kind, QWidget* place) {
    using tornel::widgets::ChartKind;
    if (place == nullptr || kind < static_cast<int>(ChartKind::Pattern) ||
        kind > static_cast<int>(ChartKind::Signal)) {
        return nullptr;
    }
    return std::make_unique<tornel::widgets::Plot>(static_cast<ChartKind>(kind), *place).release();
}
