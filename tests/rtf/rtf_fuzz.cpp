// libFuzzer target for the RTF reader: any bytes must parse without a crash, a leak, undefined
// behaviour or a run away from linear time, and the result must respect the limits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "widgets/rtf_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const tornel::rtf::Limits& limits = tornel::rtf::kHelpPageLimits;  // as the help pages read
    const tornel::rtf::Document doc = tornel::rtf::Parse(input, limits);
    std::size_t elements = doc.paragraphs.size();
    std::size_t textBytes = 0;
    for (const auto& paragraph : doc.paragraphs) {
        elements += paragraph.runs.size();
        for (const auto& run : paragraph.runs) {
            textBytes += run.text.size();
            if (run.image >= static_cast<int>(doc.images.size())) {
                std::abort();  // a run must never point past the pictures
            }
            if (run.format.font >= static_cast<int>(doc.fonts.size())) {
                std::abort();
            }
        }
    }
    if (elements > limits.maxElements + 1 || textBytes > limits.maxTextBytes) {
        std::abort();
    }
    // The view decodes the text as UTF-8: whatever the input, the reader must produce valid UTF-8.
    if (!tornel::rtf::IsValidUtf8(doc.PlainText())) {
        std::abort();
    }
    for (const auto& font : doc.fonts) {
        if (!tornel::rtf::IsValidUtf8(font)) {
            std::abort();
        }
    }
    if (!tornel::rtf::IsValidUtf8(tornel::rtf::DecodeCodePage(input.substr(0, 4096), 1251))) {
        std::abort();
    }
    (void)tornel::rtf::LooksLikeRtf(input);
    return 0;
}
