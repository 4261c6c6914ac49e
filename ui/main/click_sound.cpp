#include "ui/main/click_sound.h"

#include <cmath>
#include <numbers>

#include "speech/wav_container.h"

namespace vokalin {

Bytes click_sound_wav() {
    constexpr int RATE = 16000;
    constexpr int SAMPLES = RATE / 40;
    Bytes pcm;
    pcm.reserve(SAMPLES * 2);
    for (int i = 0; i < SAMPLES; ++i) {
        const double t = static_cast<double>(i) / RATE;
        const double envelope = std::exp(-t * 250.0);
        const double value = 12000.0 * envelope * std::sin(2 * std::numbers::pi * 2000.0 * t);
        const auto sample = static_cast<std::int16_t>(value);
        pcm.push_back(static_cast<std::uint8_t>(sample & 0xFF));
        pcm.push_back(static_cast<std::uint8_t>((sample >> 8) & 0xFF));
    }
    return wrap_wav(pcm);
}

}  // namespace vokalin
