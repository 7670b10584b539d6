// The browser edition's core as a JavaScript module (embind): WebCore for the page, EarCheck for
// the worker that listens to a send. Samples and file bytes cross as typed arrays.
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "web/web_core.h"

namespace tornel::web {

namespace {

using emscripten::val;

template <typename T>
val Copy(const std::vector<T>& values) {
    // A view of the module's memory, copied at once: the memory may move on the next growth.
    return val(emscripten::typed_memory_view(values.size(), values.data())).call<val>("slice");
}

val Bytes(const std::string& bytes) {
    return val(emscripten::typed_memory_view(bytes.size(),
                                             reinterpret_cast<const std::uint8_t*>(bytes.data())))
        .call<val>("slice");
}

std::vector<float> Floats(const val& array) {
    return emscripten::convertJSArrayToNumberVector<float>(array);
}

std::string BytesOf(const val& array) {
    const auto bytes = emscripten::convertJSArrayToNumberVector<std::uint8_t>(array);
    return {bytes.begin(), bytes.end()};
}

// A typed value as the page reads it: a number (NaN and null are no number), brought into 32
// bits before it becomes an integer.
std::optional<std::int32_t> Typed(const val& value) {
    if (!value.isNumber() || std::isnan(value.as<double>())) {
        return std::nullopt;
    }
    using Limits = std::numeric_limits<std::int32_t>;
    return static_cast<std::int32_t>(
        std::clamp(value.as<double>(), double{Limits::min()}, double{Limits::max()}));
}

}  // namespace

EMSCRIPTEN_BINDINGS(tornel_web) {
    using emscripten::class_;
    using emscripten::optional_override;
    class_<WebCore>("WebCore")
        .constructor<>()
        .function("description", &WebCore::Description)
        .function("settleField",
                  optional_override([](const WebCore& c, int field, const val& value) {
                      return c.SettleField(field, Typed(value));
                  }))
        .function("build", &WebCore::Build)
        .function("dump", &WebCore::Dump)
        .function("send", &WebCore::Send)
        .function("wavBytes",
                  optional_override([](const WebCore& c) { return Bytes(c.WavBytes()); }))
        .function("carrayBytes",
                  optional_override([](const WebCore& c) { return Bytes(c.CArrayBytes()); }))
        .function("filterChartX",
                  optional_override([](const WebCore& c) { return Copy(c.FilterChartX()); }))
        .function("filterChartY",
                  optional_override([](const WebCore& c) { return Copy(c.FilterChartY()); }))
        .function("signalChart",
                  optional_override([](const WebCore& c) { return Copy(c.SignalChart()); }))
        .function("playback", optional_override([](const WebCore& c, int rate, int level) {
                      return Copy(c.Playback(rate, level));
                  }))
        .function("checkTone", optional_override([](const WebCore& c, int rate, int level) {
                      return Copy(c.CheckTone(rate, level));
                  }))
        .function("setAlphaPercent", optional_override([](WebCore& c, const val& percent) {
                      return c.SetAlphaPercent(Typed(percent));
                  }))
        .function("alphaPercent", &WebCore::AlphaPercent)
        .function("trainerRedraw", &WebCore::TrainerRedraw)
        .function("trainerPress", &WebCore::TrainerPress)
        .function("trainerTick", &WebCore::TrainerTick)
        .function("sentStatus", &WebCore::SentStatus)
        .function("setText", &WebCore::SetText)
        .function("loadSource", optional_override([](const WebCore& c, const std::string& name,
                                                     const val& bytes, const std::string& current) {
                      return c.LoadSource(name, BytesOf(bytes), current);
                  }))
        .class_function("maxSourceBytes", optional_override([]() {
                            return static_cast<double>(WebCore::MaxSourceBytes());
                        }))
        .class_function("progressText", &WebCore::ProgressText)
        .class_function("browserReason", &WebCore::BrowserReason)
        .class_function("inputFailure", &WebCore::InputFailure)
        .class_function("trainerLookahead", &WebCore::TrainerLookahead)
        .class_function("settleLevel", optional_override([](const val& v) {
                            return WebCore::SettleLevel(Typed(v));
                        }))
        .class_function("helpHtml", optional_override([](const val& bytes) {
                            return WebCore::HelpHtml(BytesOf(bytes));
                        }));
    class_<EarCheck>("EarCheck")
        .constructor<int, std::string>()
        .function("feed", optional_override(
                              [](EarCheck& c, const val& samples) { c.Feed(Floats(samples)); }))
        .function("heard", &EarCheck::Heard)
        .function("finish", &EarCheck::Finish);
}

}  // namespace tornel::web
