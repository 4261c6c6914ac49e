#include "audio/audio_player.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "audio/bass_binding.h"
#include "audio/canvas.h"
#include "platform/library_placement.h"
#include "platform/platform.h"

namespace vokalin {
namespace {

constexpr std::uint32_t FFT256 = BASS_DATA_FFT256;
constexpr int DEFAULT_STEP = 3;

// GBK program text to the encoding the library and the file system expect.
std::string native_text(const std::string& gbk) {
    return platform::wide_to_multibyte(platform::multibyte_to_wide(gbk, platform::CODE_PAGE_GBK),
                                       platform::CODE_PAGE_UTF8);
}

int fetch_spectrum(StreamHandle handle, float* buffer) {
    const BassBinding* bass = bass_binding();
    if (!bass) return -1;
    return static_cast<std::int32_t>(bass->channel_get_data(handle, buffer, FFT256));
}

// m x H x 10 truncated toward zero; a magnitude that is not a number counts as 0.
int level_of(float magnitude, int height) {
    const double level = static_cast<double>(magnitude) * height * 10.0;
    if (!(level == level)) return 0;
    return static_cast<int>(std::trunc(std::clamp(level, -1e9, 1e9)));
}

}  // namespace

AudioPlayer::AudioPlayer() : bar_heights_(BANDS, 0.0f), peak_heights_(BANDS, 0.0f) {
    std::string error;
    platform::place_library(BASS_LIBRARY_FILE, /*replace=*/false, error);
}

AudioPlayer::AudioPlayer(const AudioPlayer& other)
    : spectrum_canvas_(other.spectrum_canvas_),
      canvas_ready_(other.canvas_ready_),
      has_background_picture_(other.has_background_picture_),
      bar_heights_(other.bar_heights_),
      peak_heights_(other.peak_heights_) {}

AudioPlayer::~AudioPlayer() = default;

void AudioPlayer::destroy() {
    bar_heights_.clear();
    bar_heights_.shrink_to_fit();
    peak_heights_.clear();
    peak_heights_.shrink_to_fit();
}

std::unique_ptr<AudioPlayer> AudioPlayer::copy() const {
    return std::make_unique<AudioPlayer>(*this);
}

bool AudioPlayer::init(int device, int frequency, int flags, void* window) {
    const BassBinding* bass = bass_binding();
    return bass && bass->init(device, static_cast<std::uint32_t>(frequency),
                              static_cast<std::uint32_t>(flags), window, nullptr);
}

bool AudioPlayer::free() {
    const BassBinding* bass = bass_binding();
    return bass && bass->free();
}

StreamHandle AudioPlayer::create_stream(const std::string& path, std::span<const std::uint8_t> data,
                                        const std::string& url, std::int32_t offset) {
    if (path.empty() && data.empty() && url.empty()) return 0;
    const BassBinding* bass = bass_binding();
    if (!bass) return 0;
    const auto start = static_cast<std::uint64_t>(static_cast<std::int64_t>(offset));
    if (!path.empty()) {
        const std::string file = native_text(path);
        std::error_code ec;
        if (std::filesystem::is_regular_file(std::filesystem::path(file), ec)) {
            return bass->stream_create_file(0, file.c_str(), start, 0, 0);
        }
    }
    if (!data.empty()) return bass->stream_create_file(1, data.data(), start, data.size(), 0);
    if (!url.empty()) {
        return bass->stream_create_url(native_text(url).c_str(), static_cast<std::uint32_t>(offset),
                                       0, nullptr, nullptr);
    }
    return 0;
}

bool AudioPlayer::play(StreamHandle handle, std::int32_t restart) {
    if (handle == 0) return false;
    const BassBinding* bass = bass_binding();
    return bass && bass->channel_play(handle, restart);
}

bool AudioPlayer::pause(StreamHandle handle) {
    const BassBinding* bass = bass_binding();
    return bass && bass->channel_pause(handle);
}

bool AudioPlayer::stop(StreamHandle handle) {
    const BassBinding* bass = bass_binding();
    return bass && bass->channel_stop(handle);
}

std::int64_t AudioPlayer::get_position(StreamHandle handle) {
    const BassBinding* bass = bass_binding();
    return bass ? static_cast<std::int64_t>(bass->channel_get_position(handle, BASS_POS_BYTE)) : -1;
}

bool AudioPlayer::set_position(StreamHandle handle, std::int64_t position) {
    const BassBinding* bass = bass_binding();
    return bass &&
           bass->channel_set_position(handle, static_cast<std::uint64_t>(position), BASS_POS_BYTE);
}

std::int64_t AudioPlayer::get_length(StreamHandle handle) {
    const BassBinding* bass = bass_binding();
    return bass ? static_cast<std::int64_t>(bass->channel_get_length(handle, BASS_POS_BYTE)) : -1;
}

std::string AudioPlayer::get_tags(StreamHandle handle) {
    const BassBinding* bass = bass_binding();
    if (!bass) return {};
    const char* tags = bass->channel_get_tags(handle, 0);
    return tags ? std::string(tags) : std::string();
}

int AudioPlayer::is_active(StreamHandle handle) {
    const BassBinding* bass = bass_binding();
    return bass ? static_cast<int>(bass->channel_is_active(handle)) : 0;
}

bool AudioPlayer::free_stream(StreamHandle handle) {
    const BassBinding* bass = bass_binding();
    return bass && bass->stream_free(handle);
}

int AudioPlayer::get_spectrum(StreamHandle handle, std::vector<float>& values) {
    std::vector<float> fresh(BANDS, 0.0f);
    const int result = fetch_spectrum(handle, fresh.data());
    values = std::move(fresh);
    return result;
}

bool AudioPlayer::set_volume(float volume) {
    const BassBinding* bass = bass_binding();
    return bass && bass->set_volume(volume);
}

float AudioPlayer::get_volume() {
    const BassBinding* bass = bass_binding();
    return bass ? bass->get_volume() : -1.0f;
}

double AudioPlayer::bytes_to_seconds(StreamHandle handle, std::int64_t position) {
    const BassBinding* bass = bass_binding();
    return bass ? bass->channel_bytes_to_seconds(handle, static_cast<std::uint64_t>(position))
                : -1.0;
}

std::int64_t AudioPlayer::seconds_to_bytes(StreamHandle handle, double seconds) {
    const BassBinding* bass = bass_binding();
    return bass ? static_cast<std::int64_t>(bass->channel_seconds_to_bytes(handle, seconds)) : -1;
}

std::int32_t AudioPlayer::color_channel(std::int32_t colour, std::int32_t which) {
    const std::int64_t value = colour;
    auto floor_div = [](std::int64_t a, std::int64_t b) {
        return a / b - ((a % b != 0 && a < 0) ? 1 : 0);
    };
    const std::int64_t high = floor_div(value, 65536);
    const std::int64_t rest = value - high * 65536;
    const std::int64_t middle = floor_div(rest, 256);
    const std::int64_t low = rest - middle * 256;
    switch (which) {
        case 1:
            return static_cast<std::int32_t>(low);
        case 2:
            return static_cast<std::int32_t>(middle);
        case 3:
            return static_cast<std::int32_t>(high);
        default:
            return 0;
    }
}

void AudioPlayer::draw_spectrum(Canvas& target, StreamHandle handle, std::int32_t colour1,
                                std::int32_t colour2, std::int32_t bar_colour, std::int32_t step) {
    if (!canvas_ready_) {
        spectrum_canvas_ = target.make_private_copy();
        if (!spectrum_canvas_) return;
        has_background_picture_ = spectrum_canvas_->has_background_picture();
        canvas_ready_ = true;
    }
    // the column loop needs a step of at least one pixel
    if (step < 1) step = DEFAULT_STEP;
    // after destroy the heights start again from zero
    bar_heights_.resize(BANDS, 0.0f);
    peak_heights_.resize(BANDS, 0.0f);

    Canvas& surface = *spectrum_canvas_;
    surface.clear();
    surface.set_pen_colour(bar_colour);
    if (!has_background_picture_ && (colour1 != 0 || colour2 != 0)) {
        surface.fill_gradient(0, 0, surface.width(), surface.height(), colour1, colour2,
                              Canvas::GRADIENT_VERTICAL);
    }
    float magnitudes[BANDS] = {};
    if (fetch_spectrum(handle, magnitudes) == -1) return;

    const int w = surface.width();
    const int h = surface.height();
    int n = 0;
    for (std::int64_t x = 1; x <= w && n < BANDS; x += step) {
        ++n;
        float& bar = bar_heights_[static_cast<std::size_t>(n - 1)];
        float& peak = peak_heights_[static_cast<std::size_t>(n - 1)];
        const int level = level_of(magnitudes[n - 1], h);
        if (static_cast<float>(level) > bar) {
            bar = static_cast<float>(level);
            if (bar > static_cast<float>(h - 2)) {
                bar = static_cast<float>(h - 2);
                peak = static_cast<float>(h);
            }
            if (bar > peak + 2) peak = bar + 2;
        } else {
            bar -= 3;
            peak -= 1;
            if (bar < 1) bar = 1;
        }
        const int column = static_cast<int>(x);
        surface.draw_line(column, static_cast<int>(std::trunc(h - bar)), column, h);
        if (peak > 2) {
            const int top = static_cast<int>(std::trunc(h - peak));
            surface.draw_line(column, top, column + 1, top);
        }
    }
    surface.copy_area_to(target, 0, 0, w, h, 0, 0);
}

}  // namespace vokalin
