#pragma once

// Test helpers: WAV files of any common PCM format, and the raw float output
// that SDL's disk driver writes.

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace vokalin::test {

enum class SampleFormat { u8, s16, s24, s32, f32 };

inline int bytes_per_sample(SampleFormat format) {
    switch (format) {
        case SampleFormat::u8:
            return 1;
        case SampleFormat::s16:
            return 2;
        case SampleFormat::s24:
            return 3;
        default:
            return 4;
    }
}

inline void put_le(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

inline void put_tag(std::vector<std::uint8_t>& out, const char* tag) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(tag[i]));
}

// samples are interleaved values in [-1, 1); title, when given, goes into a LIST INFO chunk
inline std::vector<std::uint8_t> make_wav(int rate, int channels, SampleFormat format,
                                          const std::vector<double>& samples,
                                          const std::string& title = {}) {
    const int bps = bytes_per_sample(format);
    std::vector<std::uint8_t> data;
    for (double v : samples) {
        switch (format) {
            case SampleFormat::u8:
                data.push_back(static_cast<std::uint8_t>(std::lround(v * 128.0) + 128));
                break;
            case SampleFormat::s16:
                put_le(data, static_cast<std::uint64_t>(std::lround(v * 32768.0)), 2);
                break;
            case SampleFormat::s24:
                put_le(data, static_cast<std::uint64_t>(std::lround(v * 8388608.0)), 3);
                break;
            case SampleFormat::s32:
                put_le(data, static_cast<std::uint64_t>(std::llround(v * 2147483648.0)), 4);
                break;
            case SampleFormat::f32: {
                const float f = static_cast<float>(v);
                std::uint32_t bits;
                static_assert(sizeof bits == sizeof f);
                std::memcpy(&bits, &f, sizeof f);
                put_le(data, bits, 4);
                break;
            }
        }
    }
    std::vector<std::uint8_t> info;
    if (!title.empty()) {
        std::string text = title + '\0';
        if (text.size() % 2) text += '\0';
        put_tag(info, "LIST");
        put_le(info, 4 + 8 + text.size(), 4);
        put_tag(info, "INFO");
        put_tag(info, "INAM");
        put_le(info, text.size(), 4);
        info.insert(info.end(), text.begin(), text.end());
    }
    std::vector<std::uint8_t> out;
    put_tag(out, "RIFF");
    put_le(out, 4 + 24 + info.size() + 8 + data.size(), 4);
    put_tag(out, "WAVE");
    put_tag(out, "fmt ");
    put_le(out, 16, 4);
    put_le(out, format == SampleFormat::f32 ? 3 : 1, 2);
    put_le(out, static_cast<std::uint64_t>(channels), 2);
    put_le(out, static_cast<std::uint64_t>(rate), 4);
    put_le(out, static_cast<std::uint64_t>(rate * channels * bps), 4);
    put_le(out, static_cast<std::uint64_t>(channels * bps), 2);
    put_le(out, static_cast<std::uint64_t>(bps * 8), 2);
    out.insert(out.end(), info.begin(), info.end());
    put_tag(out, "data");
    put_le(out, data.size(), 4);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

inline std::vector<double> sine(int rate, int channels, double frequency, double amplitude,
                                int frames) {
    std::vector<double> samples;
    for (int i = 0; i < frames; ++i) {
        const double v = amplitude * std::sin(2.0 * 3.14159265358979323846 * frequency * i / rate);
        for (int c = 0; c < channels; ++c) samples.push_back(v);
    }
    return samples;
}

inline void write_file(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// The disk driver's output: interleaved stereo floats.
inline std::vector<float> read_floats(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<float> out(bytes.size() / sizeof(float));
    std::memcpy(out.data(), bytes.data(), out.size() * sizeof(float));
    return out;
}

template <class Condition>
bool await(Condition condition, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

}  // namespace vokalin::test
