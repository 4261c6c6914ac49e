#include "standins/bass/spectrum.h"

#include <fftw3.h>

#include <cmath>
#include <mutex>
#include <numbers>

namespace vokalin::bass {
namespace {

// fftw planning is not thread-safe; one plan, used under one lock.
struct Plan {
    float* in = nullptr;
    fftwf_complex* out = nullptr;
    fftwf_plan plan = nullptr;
    std::array<float, FFT_SIZE> window{};
    std::mutex mutex;

    Plan() {
        in = fftwf_alloc_real(FFT_SIZE);
        out = fftwf_alloc_complex(FFT_SIZE / 2 + 1);
        plan = fftwf_plan_dft_r2c_1d(FFT_SIZE, in, out, FFTW_ESTIMATE);
        for (int n = 0; n < FFT_SIZE; ++n) {
            window[static_cast<std::size_t>(n)] =
                static_cast<float>(0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * n / FFT_SIZE));
        }
    }
};

Plan& shared_plan() {
    static Plan* plan = new Plan;  // kept for the life of the process
    return *plan;
}

}  // namespace

std::array<float, FFT_BINS> spectrum_of(const std::array<float, FFT_SIZE>& samples) {
    Plan& p = shared_plan();
    std::array<float, FFT_BINS> result{};
    std::lock_guard lock(p.mutex);
    for (std::size_t n = 0; n < FFT_SIZE; ++n) p.in[n] = samples[n] * p.window[n];
    fftwf_execute(p.plan);
    // the Hann window sums to N / 2, so a sine's bin holds A * N / 4
    constexpr float scale = 4.0f / FFT_SIZE;
    for (std::size_t k = 0; k < FFT_BINS; ++k) {
        result[k] = std::hypot(p.out[k][0], p.out[k][1]) * scale;
    }
    return result;
}

}  // namespace vokalin::bass
