#include "widgets/rtf_html.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <iterator>
#include <utility>

namespace tornel::rtf {

namespace {

constexpr int kTwipsPerPixel = 15;  // 1440 twips to the inch at 96 pixels to the inch

// What stands in the page for the characters HTML gives a meaning; a line end becomes a line
// break and a carriage return is dropped.
constexpr std::pair<char, std::string_view> kEscapes[] = {
    {'&', "&amp;"},  {'<', "&lt;"},  {'>', "&gt;"}, {'"', "&quot;"},
    {'\'', "&#39;"}, {'\n', "<br>"}, {'\r', ""},
};

void AppendEscaped(std::string& out, std::string_view text) {
    for (const char c : text) {
        const auto* escape = std::find_if(std::begin(kEscapes), std::end(kEscapes),
                                          [&](const auto& entry) { return entry.first == c; });
        if (escape != std::end(kEscapes)) {
            out += escape->second;
        } else {
            out += c;
        }
    }
}

std::string ColorCss(const Color& c) {
    std::array<char, 8> text{};
    std::snprintf(text.data(), text.size(), "#%02x%02x%02x", c.red, c.green, c.blue);
    return text.data();
}

std::string Pixels(int twips) {
    return std::to_string(twips / kTwipsPerPixel) + "px";
}

std::string Base64(const std::vector<std::uint8_t>& data) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((data.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < data.size(); i += 3) {
        const std::uint32_t n = (std::uint32_t{data[i]} << 16) |
                                (i + 1 < data.size() ? std::uint32_t{data[i + 1]} << 8 : 0) |
                                (i + 2 < data.size() ? std::uint32_t{data[i + 2]} : 0);
        out += kDigits[(n >> 18) & 63];
        out += kDigits[(n >> 12) & 63];
        out += i + 1 < data.size() ? kDigits[(n >> 6) & 63] : '=';
        out += i + 2 < data.size() ? kDigits[n & 63] : '=';
    }
    return out;
}

std::string CharCss(const CharFormat& f, const Document& document) {
    std::string css =
        "font-size:" + std::to_string(f.halfPoints / 2) + (f.halfPoints % 2 != 0 ? ".5pt" : "pt");
    if (f.font >= 0 && static_cast<std::size_t>(f.font) < document.fonts.size() &&
        !document.fonts[static_cast<std::size_t>(f.font)].empty()) {
        std::string family;
        AppendEscaped(family, document.fonts[static_cast<std::size_t>(f.font)]);
        css += ";font-family:&quot;" + family + "&quot;,sans-serif";
    }
    if (f.bold)
        css += ";font-weight:bold";
    if (f.italic)
        css += ";font-style:italic";
    if (f.underline || f.strike) {
        css += std::string(";text-decoration:") + (f.underline ? "underline " : "") +
               (f.strike ? "line-through" : "");
    }
    if (f.color)
        css += ";color:" + ColorCss(*f.color);
    if (f.highlight)
        css += ";background:" + ColorCss(*f.highlight);
    return css;
}

std::string ParagraphCss(const ParagraphFormat& f) {
    static constexpr std::array<const char*, 4> kAlign{"left", "center", "right", "justify"};
    return std::string("text-align:") + kAlign[static_cast<std::size_t>(f.alignment)] +
           ";margin:" + Pixels(f.spaceBefore) + " " + Pixels(f.rightIndent) + " " +
           Pixels(f.spaceAfter) + " " + Pixels(f.leftIndent) +
           ";text-indent:" + Pixels(f.firstLineIndent);
}

void AppendImage(std::string& out, const Image& image) {
    out += std::string("<img alt=\"\" src=\"data:image/") +
           (image.format == ImageFormat::Png ? "png" : "jpeg") + ";base64," + Base64(image.data) +
           "\"";
    if (image.widthTwips > 0 && image.heightTwips > 0) {
        out += " width=\"" + std::to_string(image.widthTwips / kTwipsPerPixel) + "\" height=\"" +
               std::to_string(image.heightTwips / kTwipsPerPixel) + "\"";
    }
    out += ">";
}

}  // namespace

std::string DocumentHtml(const Document& document) {
    std::string out;
    for (const Paragraph& p : document.paragraphs) {
        out +=
            "<p style=\"" + ParagraphCss(p.format) + ";" + CharCss(p.markFormat, document) + "\">";
        for (const Run& run : p.runs) {
            if (run.image >= 0 && static_cast<std::size_t>(run.image) < document.images.size()) {
                AppendImage(out, document.images[static_cast<std::size_t>(run.image)]);
                continue;
            }
            out += "<span style=\"" + CharCss(run.format, document) + "\">";
            AppendEscaped(out, run.text);
            out += "</span>";
        }
        out += p.runs.empty() ? "<br></p>" : "</p>";
    }
    return out;
}

std::string HelpPageHtml(std::string_view fileBytes) {
    if (LooksLikeRtf(fileBytes)) {
        return DocumentHtml(Parse(fileBytes, kHelpPageLimits));
    }
    const std::string text =
        IsValidUtf8(fileBytes) ? std::string(fileBytes) : DecodeCodePage(fileBytes, 1251);
    std::string out;
    std::size_t start = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;  // a byte order mark
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        out += "<p>";
        AppendEscaped(out, std::string_view(text).substr(start, end - start));
        out += "</p>";
        start = end + 1;
    }
    return out;
}

}  // namespace tornel::rtf
