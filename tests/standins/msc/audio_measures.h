#pragma once

// Measurements of 16-bit mono PCM used by the speech tests.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace vokalin::test {

inline std::vector<std::int16_t> samples_of(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::int16_t> out(bytes.size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return out;
}

inline double rms(const std::vector<std::int16_t>& s, std::size_t from = 0,
                  std::size_t to = SIZE_MAX) {
    to = std::min(to, s.size());
    if (from >= to) return 0;
    double sum = 0;
    for (std::size_t i = from; i < to; ++i) sum += static_cast<double>(s[i]) * s[i];
    return std::sqrt(sum / static_cast<double>(to - from));
}

// Median fundamental frequency in Hz over the voiced 40 ms frames, by
// normalised autocorrelation between 60 and 600 Hz; 0 when nothing is voiced.
inline double median_pitch(const std::vector<std::int16_t>& s, int rate = 16000) {
    const std::size_t frame = static_cast<std::size_t>(rate) / 25;
    const std::size_t min_lag = static_cast<std::size_t>(rate) / 600;
    const std::size_t max_lag = static_cast<std::size_t>(rate) / 60;
    const double loudest = rms(s);
    std::vector<double> pitches;
    for (std::size_t start = 0; start + frame + max_lag <= s.size(); start += frame / 2) {
        if (rms(s, start, start + frame) < loudest * 0.5) continue;
        double best = 0;
        std::size_t best_lag = 0;
        for (std::size_t lag = min_lag; lag <= max_lag; ++lag) {
            double xy = 0, xx = 0, yy = 0;
            for (std::size_t i = start; i < start + frame; ++i) {
                xy += static_cast<double>(s[i]) * s[i + lag];
                xx += static_cast<double>(s[i]) * s[i];
                yy += static_cast<double>(s[i + lag]) * s[i + lag];
            }
            const double r = xy / std::sqrt(xx * yy + 1e-9);
            if (r > best) {
                best = r;
                best_lag = lag;
            }
        }
        if (best > 0.6) pitches.push_back(static_cast<double>(rate) / best_lag);
    }
    if (pitches.empty()) return 0;
    std::nth_element(pitches.begin(), pitches.begin() + pitches.size() / 2, pitches.end());
    return pitches[pitches.size() / 2];
}

// Longest run of samples whose magnitude stays at or below threshold.
inline std::size_t longest_quiet_run(const std::vector<std::int16_t>& s, int threshold = 0) {
    std::size_t best = 0, run = 0;
    for (const std::int16_t v : s) {
        run = std::abs(v) <= threshold ? run + 1 : 0;
        best = std::max(best, run);
    }
    return best;
}

// Seconds of audio that the espeak-ng program makes of a UTF-8 text with a voice.
inline double espeak_program_seconds(const std::string& voice, const std::string& text_utf8) {
    const std::string command = "espeak-ng -v " + voice + " --stdout '" + text_utf8 + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    std::vector<char> wav;
    char buffer[65536];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        wav.insert(wav.end(), buffer, buffer + n);
    if (pclose(pipe) != 0 || wav.size() < 44) return -1;
    const auto b = reinterpret_cast<const unsigned char*>(wav.data());
    const double rate = b[24] | (b[25] << 8) | (b[26] << 16);
    return static_cast<double>(wav.size() - 44) / 2 / rate;
}

}  // namespace vokalin::test
