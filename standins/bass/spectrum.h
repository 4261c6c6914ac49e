#pragma once

#include <array>

namespace vokalin::bass {

inline constexpr int FFT_SIZE = 256;
inline constexpr int FFT_BINS = FFT_SIZE / 2;

// Magnitudes of bins 0..127 of a Hann-windowed FFT of 256 mono samples,
// scaled so that a sine of amplitude A gives about A in its bin.
std::array<float, FFT_BINS> spectrum_of(const std::array<float, FFT_SIZE>& samples);

}  // namespace vokalin::bass
