#include "widgets/chart.h"

#include <stdexcept>

#include "platform/private_module.h"

namespace tornel::widgets {

namespace {

class EmptyChart : public Chart {
  public:
    void SetLine(int, const QVector<double>&, const QVector<double>&) override {}
    void ClearLines() override {}
    void SetRange(double, double, double, double) override {}
    void FitRangeToLines() override {}
    void Redraw() override {}
    void RedrawSoon() override {}
    void RedrawOverlay() override {}
};

}  // namespace

std::unique_ptr<Chart> MakeChart(ChartKind kind, QWidget& place) {
    using MakePlot = Chart* (*)(int, QWidget*);
    // A second dlopen of the module only counts it again; it stays loaded for the process.
    const auto make =
        platform::PrivateEntry<MakePlot>(kChartModuleFile, kChartModuleEntry, "модуль графиков");
    std::unique_ptr<Chart> chart(make(static_cast<int>(kind), &place));
    if (chart == nullptr) {
        throw std::runtime_error("модуль графиков не сделал график");
    }
    return chart;
}

std::unique_ptr<Chart> MakeEmptyChart() {
    return std::make_unique<EmptyChart>();
}

}  // namespace tornel::widgets
