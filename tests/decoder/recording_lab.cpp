#include "tests/decoder/recording_lab.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "signal/synthesizer.h"

namespace tornel::test {

namespace {

// Catmull-Rom interpolation of `s` at fractional index `pos`; zero outside the signal.
double Interpolate(std::span<const std::int16_t> s, double pos) {
    const auto i = static_cast<long>(std::floor(pos));
    const double f = pos - static_cast<double>(i);
    auto at = [&](long k) -> double {
        return k >= 0 && k < static_cast<long>(s.size()) ? s[static_cast<std::size_t>(k)] : 0.0;
    };
    const double p0 = at(i - 1), p1 = at(i), p2 = at(i + 1), p3 = at(i + 2);
    return p1 + 0.5 * f *
                    (p2 - p0 +
                     f * (2.0 * p0 - 5.0 * p1 + 4.0 * p2 - p3 + f * (3.0 * (p1 - p2) + p3 - p0)));
}

void PutLe16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void PutLe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    PutLe16(out, v & 0xFFFF);
    PutLe16(out, v >> 16);
}

void PutTag(std::vector<std::uint8_t>& out, const char* tag) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(tag[i]));
    }
}

std::vector<std::uint8_t> FormatChunk(const WavLayout& layout) {
    const std::uint32_t align = layout.blockAlign >= 0
                                    ? static_cast<std::uint32_t>(layout.blockAlign)
                                    : static_cast<std::uint32_t>(layout.channels * layout.bits / 8);
    std::vector<std::uint8_t> c;
    PutTag(c, "fmt ");
    PutLe32(c, layout.extensible ? 40 : 16);
    PutLe16(c, layout.extensible ? 0xFFFE : layout.tag);
    PutLe16(c, layout.channels);
    PutLe32(c, layout.rate);
    PutLe32(c, layout.rate * align);
    PutLe16(c, align);
    PutLe16(c, layout.bits);
    if (layout.extensible) {
        PutLe16(c, 22);
        PutLe16(c, layout.bits);
        PutLe32(c, layout.channels == 2 ? 3 : 4);
        PutLe16(c, layout.subformat);
        const std::uint8_t tail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                       0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        c.insert(c.end(), tail, tail + 14);
    }
    return c;
}

}  // namespace

std::vector<float> Record(std::span<const std::int16_t> signal, const Degradation& d) {
    const double step = kSampleRate * (1.0 + d.clockError) / d.rate;  // source samples per output
    const auto length = static_cast<std::size_t>(static_cast<double>(signal.size()) / step);
    const double gain = std::pow(10.0, d.gainDb / 20.0);
    const auto before = static_cast<std::size_t>(d.silenceBefore * d.rate);
    const auto after = static_cast<std::size_t>(d.silenceAfter * d.rate);
    std::vector<float> out(before + length + after, 0.0f);
    double power = 0.0;
    for (std::size_t j = 0; j < length; ++j) {
        const double v = gain * Interpolate(signal, static_cast<double>(j) * step);
        out[before + j] = static_cast<float>(v);
        power += v * v;
    }
    power /= std::max<std::size_t>(length, 1);
    std::mt19937 rng(d.seed);
    std::normal_distribution<double> noise(0.0, std::sqrt(power / std::pow(10.0, d.snrDb / 10.0)));
    for (float& v : out) {
        v += static_cast<float>(noise(rng));
    }
    return out;
}

std::vector<std::int16_t> ToInt16(std::span<const float> samples) {
    std::vector<std::int16_t> out(samples.size());
    std::transform(samples.begin(), samples.end(), out.begin(), [](float v) {
        return static_cast<std::int16_t>(std::clamp(std::lround(v), -32768L, 32767L));
    });
    return out;
}

Packet RandomPacket(std::mt19937& rng) {
    PacketInputs in;
    for (std::size_t i = 0; i < in.fields.size(); ++i) {
        std::uniform_int_distribution<std::int32_t> pick(kParameterTable[i].min,
                                                         kParameterTable[i].max);
        in.fields[i] = pick(rng);
    }
    std::bernoulli_distribution coin(0.5);
    in.boxes = {coin(rng), coin(rng), coin(rng), coin(rng), coin(rng)};
    return BuildPacket(in).packet;
}

std::vector<std::int16_t> Synthesize(const Packet& packet, bool filterOn, double alpha) {
    Synthesizer synth;
    synth.setAlpha(alpha);
    synth.BuildSignal(packet, filterOn);
    const auto s = synth.samples();
    return {s.begin(), s.end()};
}

std::vector<std::uint8_t> MakeWav(const WavLayout& layout, std::span<const std::int16_t> samples) {
    std::vector<std::uint8_t> data;
    PutTag(data, "data");
    const auto size = static_cast<std::uint32_t>(samples.size() * 2);
    PutLe32(data, layout.declaredDataSize >= 0 ? static_cast<std::uint32_t>(layout.declaredDataSize)
                                               : size);
    data.resize(8 + samples.size() * 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const auto v = static_cast<std::uint16_t>(samples[i]);
        data[8 + 2 * i] = static_cast<std::uint8_t>(v);
        data[9 + 2 * i] = static_cast<std::uint8_t>(v >> 8);
    }
    std::vector<std::uint8_t> body;
    PutTag(body, "WAVE");
    if (layout.oddChunkFirst) {
        PutTag(body, "LIST");
        PutLe32(body, 3);
        body.insert(body.end(), {'a', 'b', 'c', 0});
    }
    const auto fmt = FormatChunk(layout);
    const auto& first = layout.dataBeforeFormat ? data : fmt;
    const auto& second = layout.dataBeforeFormat ? fmt : data;
    body.insert(body.end(), first.begin(), first.end());
    body.insert(body.end(), second.begin(), second.end());
    std::vector<std::uint8_t> file;
    file.reserve(body.size() + 8);
    PutTag(file, "RIFF");
    PutLe32(file, static_cast<std::uint32_t>(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

std::string WriteFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
    return path;
}

}  // namespace tornel::test
