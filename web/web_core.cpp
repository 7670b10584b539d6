#include "web/web_core.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string_view>
#include <utility>

#include "app/send_check.h"
#include "packet/number_text.h"
#include "platform/sound_level.h"
#include "sets/parameter_set_file.h"
#include "signal/resampler.h"
#include "signal/signal_constants.h"
#include "signal/wav_reader.h"
#include "signal/wav_writer.h"
#include "widgets/rtf_html.h"

namespace tornel::web {

namespace {

using Json = nlohmann::json;

PacketInputs ReadInputs(const std::string& text) {
    const Json j = Json::parse(text);
    PacketInputs in;
    for (std::size_t i = 0; i < in.fields.size(); ++i) {
        const Json& v = j.at("fields").at(i);
        // Text that is not a number reads as the field's minimum, as in the window.
        in.fields[i] = v.is_number_integer() ? v.get<std::int32_t>() : kParameterTable[i].min;
    }
    for (std::size_t b = 0; b < kEnablingBoxes.size(); ++b) {
        in.boxes.*(kEnablingBoxes[b].state) = j.at("boxes").at(b).get<bool>();
    }
    return in;
}

Json InputsJson(const PacketInputs& in) {
    Json boxes = Json::array();
    for (const EnablingBox& box : kEnablingBoxes) {
        boxes.push_back(in.boxes.*(box.state));
    }
    return {{"fields", in.fields}, {"boxes", boxes}};
}

Json BuildJson(const BuildResult& b) {
    return {{"ok", true},
            {"status", b.status},
            {"packet", b.packet},
            {"crc", WordToHex(b.crc)},
            {"listings",
             {{"parameters", b.parameterListing},
              {"packet", b.packetListing},
              {"crc_trace", b.crcTrace}}}};
}

std::vector<float> ForOutput(std::vector<std::int16_t> samples, int rate, int levelPercent) {
    platform::ApplyLevel(samples, levelPercent);
    return Resample(samples, kSampleRate, rate);
}

// The pattern's or the cursor's points as [x, y] pairs.
template <std::size_t N>
Json Points(const std::array<ChartPoint, N>& points) {
    Json out = Json::array();
    for (const ChartPoint& p : points) {
        out.push_back({p.x, p.y});
    }
    return out;
}

Json ChartLimits(const PatternDrawing& d) {
    const ChartRange r = PatternChartRange(d);
    return {{"x0", r.left}, {"x1", r.right}, {"y0", r.bottom}, {"y1", r.top}};
}

constexpr const char* kDefaultOutputText = "по умолчанию";

// Browser errors by the name the browser gives them, in Russian.
constexpr std::array<std::pair<std::string_view, const char*>, 8> kBrowserReasons{{
    {"NotAllowedError", "браузер не разрешил доступ"},
    {"NotFoundError", "устройство не найдено"},
    {"OverconstrainedError", "устройство не найдено"},
    {"NotReadableError", "устройство занято или недоступно"},
    {"AbortError", "устройство занято или недоступно"},
    {"NotSupportedError", "браузер этого не поддерживает"},
    {"SecurityError", "запрещено настройками браузера"},
    {"QuotaExceededError", "в хранилище браузера нет места"},
}};

}  // namespace

std::string WebCore::Description() const {
    Json fields = Json::array();
    for (const ParameterField& f : kParameterTable) {
        fields.push_back({{"parameter", f.parameter},
                          {"member", f.member ? f.member : ""},
                          {"name", f.name},
                          {"unit", f.unit},
                          {"min", f.min},
                          {"max", f.max},
                          {"step", f.step},
                          {"design", f.design},
                          {"box", f.box}});
    }
    Json boxes = Json::array();
    const BoxStates design;
    for (const EnablingBox& box : kEnablingBoxes) {
        boxes.push_back({{"parameter", box.parameter}, {"design", design.*(box.state)}});
    }
    return Json{{"fields", fields},
                {"boxes", boxes},
                {"alpha",
                 {{"min", kAlphaPercentMin}, {"max", kAlphaPercentMax}, {"value", AlphaPercent()}}},
                {"level", {{"min", platform::kLevelMin}, {"max", platform::kLevelMax}}},
                {"trainer",
                 {{"start", kCaptionStart},
                  {"stop", kCaptionStop},
                  {"tickMs", kRunTickMs},
                  {"beepMs", kEdgeBeepMs},
                  {"beepGain", kBeepGain},
                  {"runEndWaitSeconds", kRunEndWaitUnits * 18.0 / 13.0 / 1000.0}}},
                {"checkToneSeconds", kCheckToneSeconds},
                {"checkTailSeconds", std::chrono::duration<double>(app::kCheckTailLimit).count()},
                {"files", {kWavFileName, kCArrayFileName}},
                {"texts",
                 {{"noErrors", kStatusNoErrors},
                  {"notSent", kNotSentText},
                  {"checking", kCheckingText},
                  {"loaded", kLoadedText},
                  {"notLoaded", kNotLoadedText},
                  {"saved", kSavedText},
                  {"notSaved", kNotSavedText},
                  {"stored", kStoredText},
                  {"restored", kRestoredText},
                  {"notStored", kNotStoredText},
                  {"defaultOutput", kDefaultOutputText},
                  // Devices the browser lists without a name (no permission yet), numbered.
                  {"unnamedDevice", {{"audiooutput", "выход"}, {"audioinput", "вход"}}},
                  {"checkOff", "выключен"},
                  {"checkStop", kCaptionStop},
                  {"checkNotPlayed", "Проверка не выдана: "}}}}
        .dump();
}

std::int32_t WebCore::SettleField(int field, std::optional<std::int32_t> value) const {
    const ParameterField& f = kParameterTable.at(static_cast<std::size_t>(field));
    return value ? std::clamp(*value, f.min, f.max) : f.min;
}

std::string WebCore::Build(const std::string& inputs) {
    try {
        const BuildResult built = BuildPacket(ReadInputs(inputs));
        packet_ = built.packet;
        return BuildJson(built).dump();
    } catch (const FieldOutOfRange& e) {
        return Json{{"ok", false}, {"status", e.what()}}.dump();
    }
}

std::string WebCore::Dump() const {
    return Json(PacketDump(packet_)).dump();
}

std::string WebCore::Send(const std::string& inputs, bool filterOn) {
    Json result = Json::parse(Build(inputs));
    if (!result["ok"]) {
        return result.dump();
    }
    sentBuildStatus_ = result["status"];
    wav_ = SynthesizeWavImage(synth_, packet_, filterOn);
    carray_ = CArrayText(synth_.buffer());
    result["samples"] = synth_.sampleCount();
    return result.dump();
}

std::vector<float> WebCore::SignalChart() const {
    const auto s = synth_.samples();
    return {s.begin(), s.end()};
}

std::vector<float> WebCore::Playback(int rate, int levelPercent) const {
    const auto s = synth_.samples();
    return ForOutput({s.begin(), s.end()}, rate, levelPercent);
}

std::vector<float> WebCore::CheckTone(int rate, int levelPercent) const {
    return ForOutput(CheckToneSamples(), rate, levelPercent);
}

std::string WebCore::ProgressText(double fraction) {
    return app::PlaybackProgressText(fraction);
}

std::string WebCore::SentStatus(const std::string& output, const std::string& verdict,
                                const std::string& inputLabel) const {
    app::SendCheckReport checked;
    if (!verdict.empty()) {
        const Json v = Json::parse(verdict);
        checked = {v.at("status"), v.value("detail", "")};
    }
    const app::SentLine line = app::SentStatusLine(
        sentBuildStatus_, output.empty() ? kDefaultOutputText : output, checked, inputLabel);
    return Json{{"status", line.status}, {"tip", line.detail}}.dump();
}

std::string WebCore::BrowserReason(const std::string& errorName) {
    const auto known = std::find_if(kBrowserReasons.begin(), kBrowserReasons.end(),
                                    [&](const auto& reason) { return reason.first == errorName; });
    return known != kBrowserReasons.end() ? known->second : "ошибка браузера";
}

std::string WebCore::InputFailure(const std::string& errorName, const std::string& inputLabel) {
    std::string why;
    if (errorName == "NotFoundError" || errorName == "OverconstrainedError") {
        // An absent input is named as the operator chose it, as in the window.
        why = inputLabel.empty() ? "вход не подключён" : "вход «" + inputLabel + "» не подключён";
    } else {
        why = "вход не открыт: " + BrowserReason(errorName);
    }
    return Json{{"status", " контроль: " + why}, {"detail", ""}}.dump();
}

int WebCore::SetAlphaPercent(std::optional<int> percent) {
    const int settled =
        percent ? std::clamp(*percent, kAlphaPercentMin, kAlphaPercentMax) : kAlphaPercentMin;
    synth_.setAlpha(settled / 100.0);
    return settled;
}

int WebCore::SettleLevel(std::optional<int> percent) {
    return percent ? std::clamp(*percent, platform::kLevelMin, platform::kLevelMax)
                   : platform::kLevelMin;
}

double WebCore::TrainerLookahead(double blockSeconds) {
    // Five ticks of slack for a page whose timers run late, beside the block and one tick.
    constexpr double kSlackSeconds = 5 * kRunTickMs / 1000.0;
    return std::max(0.0, blockSeconds) + kRunTickMs / 1000.0 + kSlackSeconds;
}

int WebCore::AlphaPercent() const {
    return static_cast<int>(std::lround(synth_.alpha() * 100));
}

std::string WebCore::TrainerRedraw(std::int32_t first, std::int32_t pause, std::int32_t second) {
    const PatternDrawing d = trainer_.Redraw(first, pause, second);
    return Json{{"pattern", Points(d.pattern)},
                {"cursor", Points(d.cursor)},
                {"limits", ChartLimits(d)},
                {"stoppedRun", d.stoppedRun},
                {"runEnd", trainer_.RunEnd()}}
        .dump();
}

std::string WebCore::TrainerPress(const std::string& caption, double now) {
    clock_.Set(now);
    const PressResult r = trainer_.Press(caption);
    synth_.setAlpha(r.filterCoefficient);
    return Json{{"caption", r.caption},
                {"running", r.running},
                {"redraw", r.redraw},
                {"alpha", AlphaPercent()}}
        .dump();
}

std::string WebCore::TrainerTick(double now) {
    clock_.Set(now);
    const TickResult r = trainer_.Tick();
    double edgeTime = now;
    if (r.beepHz != 0) {
        // The latest edge of this kind at or before the pattern time; none for the release
        // beep that follows a manual stop, which belongs to this very tick.
        const double start = trainer_.RunStart().count() + 2.0;
        const std::array<std::int32_t, 2> edges =
            r.pttOn ? std::array{0, trainer_.PauseEnd()}
                    : std::array{trainer_.PttEnd1(), trainer_.PttEnd2()};
        for (const std::int32_t edge : edges) {
            if (edge <= r.patternTime && r.patternTime - edge < 1.0) {
                edgeTime = start + edge;
            }
        }
    }
    Json delay = nullptr;
    if (const auto ms = trainer_.EdgeTickDelayMs(r.patternTime)) {
        delay = *ms;
    }
    return Json{{"patternTime", r.patternTime},
                {"cursor", Points(r.cursor)},
                {"pttOn", r.pttOn},
                {"labelVisible", r.labelVisible},
                {"indicatorColour", r.indicatorColour},
                {"beepHz", r.beepHz},
                {"edgeTime", edgeTime},
                {"runEnded", r.runEnded},
                {"nextTickMs", delay}}
        .dump();
}

std::string WebCore::SetText(const std::string& inputs, const std::string& name) const {
    const PacketInputs in = ReadInputs(inputs);
    try {
        BuildPacket(in);  // a typed value out of range is not saved
    } catch (const FieldOutOfRange& e) {
        return Json{{"ok", false}, {"message", e.what()}}.dump();
    }
    return Json{{"ok", true}, {"text", ParameterSetText({name, in})}}.dump();
}

std::size_t WebCore::MaxSourceBytes() {
    return std::max(kMaxParameterSetBytes, kMaxWavDataBytes + 1024) + 1;
}

std::string WebCore::LoadSource(const std::string& fileName, const std::string& bytes,
                                const std::string& currentInputs) const {
    namespace fs = std::filesystem;
    // The reader works on files: the picked file's bytes go into a private folder under their
    // own name, and the messages name the file as the user knows it.
    const fs::path folder = fs::temp_directory_path() / "tornel4-picked";
    const std::string name = fs::path(fileName).filename().string();
    const fs::path path = folder / (name.empty() ? "file" : name);
    try {
        fs::create_directories(folder);
        {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        }
        const ParameterSet set = LoadParameterSource(path.string(), ReadInputs(currentInputs));
        fs::remove(path);
        Json j = InputsJson(set.inputs);
        j["ok"] = true;
        j["name"] = set.name;
        return j.dump();
    } catch (const std::exception& e) {
        std::error_code ignored;
        fs::remove(path, ignored);
        std::string message = e.what();
        if (const auto at = message.find(path.string()); at != std::string::npos) {
            message.replace(at, path.string().size(), name);
        }
        return Json{{"ok", false}, {"message", message}}.dump();
    }
}

std::string WebCore::HelpHtml(const std::string& fileBytes) {
    return rtf::HelpPageHtml(fileBytes);
}

EarCheck::EarCheck(int sampleRate, const std::string& packetJson)
    : check_(sampleRate, Json::parse(packetJson).get<Packet>()) {}

void EarCheck::Feed(const std::vector<float>& samples) {
    scaled_.resize(samples.size());
    std::transform(samples.begin(), samples.end(), scaled_.begin(),
                   [](float v) { return v * static_cast<float>(kFullScale); });
    check_.Feed(scaled_);
}

std::string EarCheck::Finish() {
    const LoopbackOutcome o = check_.Finish();
    return Json{{"verdict", static_cast<int>(o.verdict)},
                {"intact", o.packetIntact},
                {"status", LoopbackStatusText(o)},
                {"detail", LoopbackDetailText(o)},
                {"level", o.level}}
        .dump();
}

}  // namespace tornel::web
