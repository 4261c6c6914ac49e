#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace vokalin {

class Canvas;  // drawing surface of draw_spectrum, see audio/canvas.h

// A stream or channel handle of the audio library; 0 means no stream.
using StreamHandle = std::uint32_t;

// A thin class over the audio library ("bass.dll"). It keeps no stream handle
// of its own; the only state is what draw_spectrum needs between calls.
// Construction places the library in the private temporary folder when it is
// not there yet; the library is loaded at its first call.
class AudioPlayer {
public:
    static constexpr int BANDS = 128;

    AudioPlayer();
    AudioPlayer(const AudioPlayer& other);  // shares the private canvas, copies the arrays
    AudioPlayer& operator=(const AudioPlayer&) = delete;
    virtual ~AudioPlayer();

    virtual void destroy();
    virtual std::unique_ptr<AudioPlayer> copy() const;
    virtual bool init(int device = -1, int frequency = 44100, int flags = 0,
                      void* window = nullptr);
    virtual bool free();
    // path is GBK text; data is used by address and must outlive the stream.
    virtual StreamHandle create_stream(const std::string& path = {},
                                       std::span<const std::uint8_t> data = {},
                                       const std::string& url = {}, std::int32_t offset = 0);
    virtual bool play(StreamHandle handle, std::int32_t restart = 1);
    virtual bool pause(StreamHandle handle);
    virtual bool stop(StreamHandle handle);
    virtual std::int64_t get_position(StreamHandle handle);
    virtual bool set_position(StreamHandle handle, std::int64_t position);
    virtual std::int64_t get_length(StreamHandle handle);
    virtual std::string get_tags(StreamHandle handle);
    // 0 stopped, 1 playing, 3 paused (the library's codes, unchanged)
    virtual int is_active(StreamHandle handle);
    virtual bool free_stream(StreamHandle handle);
    virtual int get_spectrum(StreamHandle handle, std::vector<float>& values);
    virtual bool set_volume(float volume);
    virtual float get_volume();
    virtual double bytes_to_seconds(StreamHandle handle, std::int64_t position);
    virtual std::int64_t seconds_to_bytes(StreamHandle handle, double seconds);
    virtual std::int32_t color_channel(std::int32_t colour, std::int32_t which);
    virtual void draw_spectrum(Canvas& target, StreamHandle handle, std::int32_t colour1 = 0,
                               std::int32_t colour2 = 0, std::int32_t bar_colour = 65535,
                               std::int32_t step = 3);

protected:
    std::shared_ptr<Canvas> spectrum_canvas_;
    bool canvas_ready_ = false;
    bool has_background_picture_ = false;
    std::vector<float> bar_heights_;
    std::vector<float> peak_heights_;
};

}  // namespace vokalin
