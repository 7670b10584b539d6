#pragma once
// The browser edition's core: what the page asks of the program, over the same Qt-free code as the
// window and the command line. Plain C++ (no emscripten here), so that it is built and tested
// natively too; web_bindings.cpp hands it to JavaScript. Results are JSON texts, samples and
// file bytes are vectors: the page only shows them.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "packet/packet.h"
#include "signal/loopback_check.h"
#include "signal/synthesizer.h"
#include "trainer/ptt_trainer.h"

namespace tornel::web {

// The page's own status texts, as the window words them.
inline constexpr const char* kNotSentText = " Сигнал не выдан: ";  // + reason
inline constexpr const char* kCheckingText = " Контроль сигнала...";
inline constexpr const char* kLoadedText = " Считано из файла ";  // + file name
inline constexpr const char* kNotLoadedText = " Не считано: ";    // + reason
inline constexpr const char* kSavedText = " Сохранено в файл ";   // + file name
inline constexpr const char* kNotSavedText = " Не сохранено: ";   // + reason
// The named sets kept in the browser's storage, where no file is involved.
inline constexpr const char* kStoredText = " Набор запомнен в браузере: ";   // + set name
inline constexpr const char* kRestoredText = " Считан набор из браузера: ";  // + set name
inline constexpr const char* kNotStoredText = " Не запомнено: ";             // + reason
// SpinEdit_Alfa's range in the window's form: the filter coefficient in hundredths.
inline constexpr int kAlphaPercentMin = 0;
inline constexpr int kAlphaPercentMax = 100;
// The trainer's beeps at the amplitude of the window's, as a share of full scale.
inline constexpr double kBeepGain = kBeepAmplitude / kFullScale;

// A clock the page sets before each call: its audio clock, in seconds.
class PageClock : public platform::Clock {
  public:
    platform::Seconds Now() const override { return now_; }
    void WaitUntil(platform::Seconds deadline) override { now_ = std::max(now_, deadline); }
    void Set(double seconds) { now_ = platform::Seconds{seconds}; }

  private:
    platform::Seconds now_{0.0};
};

class WebCore {
  public:
    // The fields (number, member, name, unit, label of the listing, range, step, design value,
    // box), the boxes with their design states, the filter coefficient field, the trainer's
    // constants and the page's texts.
    std::string Description() const;

    // A field's typed value as the field keeps it when it loses the focus: the nearer bound
    // outside the range; text that is not a number (`value` empty) reads as the minimum.
    std::int32_t SettleField(int field, std::optional<std::int32_t> value) const;

    // "сформировать". `inputs`: {"fields": [12 numbers or null], "boxes": [5 booleans, in the
    // order of the boxes]}. Returns {ok, status, packet, crc, listings{parameters, packet,
    // crc_trace}} or {ok: false, status} for a field out of range (the packet keeps its previous
    // contents, as in the window).
    std::string Build(const std::string& inputs);
    // The packet dump ("Button3") of the packet as it stands.
    std::string Dump() const;

    // "выдать" up to the sound: the build, then the synthesis in this session's synthesizer, so
    // that phase and filter state carry over from send to send as in the window. Returns the
    // build's JSON plus "samples"; the bytes of both files and the charts are then at hand.
    std::string Send(const std::string& inputs, bool filterOn);
    const std::string& WavBytes() const { return wav_; }
    const std::string& CArrayBytes() const { return carray_; }
    const std::vector<double>& FilterChartX() const { return synth_.filterChartX(); }
    const std::vector<double>& FilterChartY() const { return synth_.filterChartY(); }
    std::vector<float> SignalChart() const;  // the signal's samples, as they are

    // The latest signal for an output at `rate`, at `levelPercent` of full amplitude (-1 .. 1).
    std::vector<float> Playback(int rate, int levelPercent) const;
    // The check tone (the lead-in's pitch, kCheckToneSeconds) the same way.
    std::vector<float> CheckTone(int rate, int levelPercent) const;

    // The status line while a send plays, `fraction` of it done.
    static std::string ProgressText(double fraction);
    // The status line and its tooltip after a send played to its end, as the window words them:
    // without a check, the build's status and the output; with one, the check's verdict, and in
    // the tooltip the build's status, the output and the check's detail. `output` and
    // `inputLabel`: the devices as the page names them (empty: the default output). `verdict`:
    // EarCheck::Finish's or InputFailure's JSON, empty when there was no check. {status, tip}
    std::string SentStatus(const std::string& output, const std::string& verdict,
                           const std::string& inputLabel) const;
    // Why the browser refused, in Russian, from the name of its error (a DOMException's); its
    // own English message is for the tooltip.
    static std::string BrowserReason(const std::string& errorName);
    // The verdict of a check whose input the browser would not open: {status, detail}.
    static std::string InputFailure(const std::string& errorName, const std::string& inputLabel);

    // The modulation filter coefficient in hundredths (SpinEdit_Alfa): a typed value settles to
    // the field's range (text that is not a number to its minimum), which is returned for the
    // field to show.
    int SetAlphaPercent(std::optional<int> percent);
    int AlphaPercent() const;
    // The level of a send typed in the sound setup, settled to its range the same way.
    static int SettleLevel(std::optional<int> percent);

    // How far the trainer's clock runs ahead of the audio clock, in seconds, for an audio context
    // that renders `blockSeconds` at a time (its baseLatency): a beep noticed a tick late, while
    // the context has already rendered its block, is still put on the audio clock before its
    // edge.
    static double TrainerLookahead(double blockSeconds);

    // The trainer, on the page's clock. Each returns JSON of the core's result.
    // Also "limits" {x0, x1, y0, y1}: the chart's axes, the pattern and the cursor with a margin
    // of half a level above and below, as the window's chart shows them.
    std::string TrainerRedraw(std::int32_t first, std::int32_t pause, std::int32_t second);
    std::string TrainerPress(const std::string& caption, double now);
    // Also "edgeTime": the clock time of the edge a beep belongs to (now when there is none), so
    // that the page can put the beep on its audio clock exactly there.
    std::string TrainerTick(double now);

    // The parameter-set file's text of the fields and boxes (`inputs` as for Build):
    // {ok: true, text} or {ok: false, message} for a field out of range.
    std::string SetText(const std::string& inputs, const std::string& name) const;
    // A set file or a recording, by the name of the file the user picked and its bytes.
    // {ok: true, name, fields, boxes} or {ok: false, message}: the window's Russian message.
    std::string LoadSource(const std::string& fileName, const std::string& bytes,
                           const std::string& currentInputs) const;
    // The most of a picked file that LoadSource needs to see to judge it.
    static std::size_t MaxSourceBytes();

    // A help page as HTML.
    static std::string HelpHtml(const std::string& fileBytes);

  private:
    Synthesizer synth_;
    Packet packet_ = InitialPacket();
    std::string sentBuildStatus_;  // the status of the latest send's build
    std::string wav_;
    std::string carray_;
    PageClock clock_;
    PttTrainer trainer_{clock_};
};

// The check by ear of one send, for a worker: the recording's samples as they arrive.
class EarCheck {
  public:
    // `packetJson`: the 16 bytes sent, as a JSON array.
    EarCheck(int sampleRate, const std::string& packetJson);
    // Samples in -1 .. 1.
    void Feed(const std::vector<float>& samples);
    bool Heard() const { return check_.heard(); }
    // {verdict, status, detail, level}
    std::string Finish();

  private:
    LoopbackCheck check_;
    std::vector<float> scaled_;
};

}  // namespace tornel::web
