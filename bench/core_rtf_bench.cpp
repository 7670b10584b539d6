// Reading a large help page.
#include <benchmark/benchmark.h>

#include <string>

#include "widgets/rtf_parser.h"

namespace {

// A help page of about 1 MB written like ours: Cyrillic in \'hh escapes, bold headings, justified
// paragraphs.
std::string MegabyteHelpPage() {
    const std::string heading =
        "\\pard\\plain\\sb200\\sa80\\b\\fs24\\cf1 1) \\'cf\\'ee\\'f0\\'ee\\'e3 "
        "\\'f1\\'f0\\'e0\\'e1\\'e0\\'f2\\'fb\\'e2\\'e0\\'ed\\'e8\\'ff\\par\n";
    const std::string body =
        "\\pard\\plain\\sa100\\qj\\fs22 \\'c5\\'e4\\'e8\\'ed\\'e8\\'f6\\'e0: 10 "
        "\\'ec\\'c2 \\'ef\\'ee\\'eb\\'ed\\'ee\\'e3\\'ee \\'f0\\'e0\\'e7\\'ec\\'e0"
        "\\'f5\\'e0, {\\b \\'f8\\'e0\\'e3} 1, \\'ef\\'ee "
        "\\'f3\\'ec\\'ee\\'eb\\'f7\\'e0\\'ed\\'e8\\'fe 5.\\par\n";
    std::string rtf =
        "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset204 Arial;}}\n"
        "{\\colortbl;\\red0\\green0\\blue128;}\n";
    while (rtf.size() < (1u << 20)) {
        rtf += heading;
        for (int i = 0; i < 4; ++i) {
            rtf += body;
        }
    }
    return rtf + "}";
}

void BM_RtfParseHelpPage1MB(benchmark::State& state) {
    const std::string rtf = MegabyteHelpPage();
    std::size_t paragraphs = 0;
    for (auto _ : state) {
        const tornel::rtf::Document doc = tornel::rtf::Parse(rtf);
        paragraphs = doc.paragraphs.size();
        benchmark::DoNotOptimize(doc);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * rtf.size()));
    state.counters["paragraphs"] = static_cast<double>(paragraphs);
}
BENCHMARK(BM_RtfParseHelpPage1MB)->Unit(benchmark::kMillisecond);

}  // namespace
