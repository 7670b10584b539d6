#pragma once
// The PTT pattern trainer without its window: the pattern of parameter 10 (first PTT, pause,
// second PTT) as a timing diagram, and a run that follows the pattern in real time. The window
// draws what these operations return and keeps its run timer in step with IsRunning().
//
// Pattern time is in seconds: the first PTT starts at 0 and a run starts at -2. It comes from the
// monotonic clock, never from a count of ticks, so late or skipped ticks do not shift the edges,
// and a run across midnight ends like any other.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "signal/signal_constants.h"

namespace tornel {

// The parameter whose three durations (first PTT, pause, second PTT) are the trainer's pattern.
inline constexpr int kPatternParameter = 10;
inline constexpr const char* kCaptionStart = "старт";
inline constexpr const char* kCaptionStop = "стоп";
inline constexpr int kRunTickMs = 10;
// Every press of the start/stop button sets the modulation filter coefficient to this value.
inline constexpr double kTrainerFilterCoefficient = kInitialAlpha;
// The edge beeps: 800 Hz where a PTT phase begins, 600 Hz where it ends, 20 ms each.
inline constexpr int kPttStartBeepHz = 800;
inline constexpr int kPttEndBeepHz = 600;
inline constexpr int kEdgeBeepMs = 20;
// The wait, in units of 18/13 ms (about 1.385 s), between the end of a run and the stop.
inline constexpr std::uint16_t kRunEndWaitUnits = 1000;
// Colours as the values 0x00BBGGRR of the indicator: red while the PTT is pressed.
inline constexpr std::uint32_t kIndicatorPressed = 0x0000FF;
inline constexpr std::uint32_t kIndicatorReleased = 0xFFFFFF;

struct ChartPoint {
    double x;
    double y;
    friend bool operator==(const ChartPoint&, const ChartPoint&) = default;
};

// The cursor is a vertical segment at the pattern time.
using CursorPoints = std::array<ChartPoint, 2>;
CursorPoints CursorAt(double patternTime);

struct PatternDrawing {
    std::array<ChartPoint, 10> pattern;  // Series2: a square wave, 0 released, 1 pressed
    CursorPoints cursor;                 // Series3: at rest at -2
    // A run was in progress and the redraw ended it with the PTT released: the button goes back
    // to "старт" and the indicator off, as after any other end of a run.
    bool stoppedRun = false;
};

// Chart_PTT's axes for a drawing: from the pattern's left end to its right end or the cursor,
// whichever is further, and half a level below released and above pressed.
struct ChartRange {
    double left;
    double right;
    double bottom;
    double top;
};
ChartRange PatternChartRange(const PatternDrawing& drawing);

struct PressResult {
    std::string caption;       // the new caption of the start/stop button
    bool running;              // the run timer ticks (every kRunTickMs) after this press
    bool redraw;               // a stop: redraw the pattern (SpinEdit_10Change)
    double filterCoefficient;  // always kTrainerFilterCoefficient: set it in the synthesizer
};

struct TickResult {
    double patternTime;
    CursorPoints cursor;
    bool pttOn;
    std::uint32_t indicatorColour;  // 0x00BBGGRR
    bool labelVisible;              // "передача" over the indicator
    int beepHz;                     // 0: no edge at this tick; else sound kEdgeBeepMs at this pitch
    bool runEnded;                  // wait kRunEndWaitUnits, then press the button ("стоп")
};

class PttTrainer {
  public:
    // `clock` must outlive the trainer.
    explicit PttTrainer(const platform::Clock& clock);

    // SpinEdit_10Change: stops a run (see PatternDrawing::stoppedRun) and sets the pattern ends
    // from the three durations in seconds.
    PatternDrawing Redraw(std::int32_t firstPtt, std::int32_t pause, std::int32_t secondPtt);
    // Button_SoundClick with the button's current caption: "старт" starts a run, anything else
    // stops it.
    PressResult Press(std::string_view caption);
    // Timer1Timer: the state of the run at the clock's current reading.
    TickResult Tick();

    // Timer1 reads the clock every kRunTickMs, so an edge would be seen up to that late. When
    // an edge of the pattern comes before the next regular tick, returns the delay of an extra
    // tick, in whole milliseconds from `patternTime`, that lands just past the edge: never on it
    // (there the PTT still counts as released) and at most about a millisecond after it.
    std::optional<int> EdgeTickDelayMs(double patternTime) const;

    bool IsRunning() const { return running_; }
    std::int32_t PttEnd1() const { return pttEnd1_; }
    std::int32_t PauseEnd() const { return pauseEnd_; }
    std::int32_t PttEnd2() const { return pttEnd2_; }
    std::int32_t RunEnd() const { return runEnd_; }
    platform::Seconds RunStart() const { return runStart_; }
    bool PttOn() const { return pttOn_; }
    bool PttOnPrev() const { return pttOnPrev_; }

  private:
    bool PressedAt(double patternTime) const;

    const platform::Clock& clock_;
    bool running_ = false;
    std::int32_t pttEnd1_ = 0;
    std::int32_t pauseEnd_ = 0;
    std::int32_t pttEnd2_ = 0;
    std::int32_t runEnd_ = 0;
    platform::Seconds runStart_{0.0};
    bool pttOn_ = false;
    bool pttOnPrev_ = false;
};

}  // namespace tornel
