// The exported functions: one output device over SDL2, any number of decoded
// streams mixed into it.

#include <SDL.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "standins/bass/bass_api.h"
#include "standins/bass/sound.h"
#include "standins/bass/spectrum.h"
#include "standins/bass/url_fetch.h"

namespace vokalin::bass {
namespace {

constexpr std::uint64_t FAILED64 = ~std::uint64_t{0};
constexpr std::uint32_t FAILED32 = ~std::uint32_t{0};
constexpr std::uint64_t MAX_FILE_BYTES = std::uint64_t{1} << 30;
constexpr int OUTPUT_CHANNELS = 2;

struct Stream {
    Sound sound;
    double position = 0.0;  // in frames of the stream's own rate
    std::uint32_t state = BASS_ACTIVE_STOPPED;

    std::size_t frame() const { return static_cast<std::size_t>(position); }
};

struct Library {
    std::mutex device_mutex;  // serialises opening and closing the device
    std::mutex mutex;         // everything below; the mixer holds it while it mixes
    SDL_AudioDeviceID device = 0;
    int output_rate = 0;
    float volume = 1.0f;
    std::map<std::uint32_t, std::unique_ptr<Stream>> streams;
    std::uint32_t last_handle = 0x10000;
};

// Never destroyed: the device thread may still run while the process exits.
Library& library() {
    static Library* instance = new Library;
    return *instance;
}

Stream* find(Library& lib, std::uint32_t handle) {
    const auto it = lib.streams.find(handle);
    return it == lib.streams.end() ? nullptr : it->second.get();
}

float sample_at(const Sound& sound, std::size_t frame, int channel) {
    return sound.samples[frame * static_cast<std::size_t>(sound.channels) +
                         static_cast<std::size_t>(channel)];
}

void mix_stream(Stream& stream, float* out, int frames, int output_rate) {
    const Sound& sound = stream.sound;
    const std::size_t total = sound.frames();
    const double step = static_cast<double>(sound.rate) / output_rate;
    for (int f = 0; f < frames && stream.frame() < total; ++f) {
        const std::size_t i = stream.frame();
        const std::size_t j = i + 1 < total ? i + 1 : i;
        const auto frac = static_cast<float>(stream.position - static_cast<double>(i));
        const float a = sample_at(sound, i, 0);
        const float left = a + (sample_at(sound, j, 0) - a) * frac;
        float right = left;
        if (sound.channels > 1) {
            const float b = sample_at(sound, i, 1);
            right = b + (sample_at(sound, j, 1) - b) * frac;
        }
        out[OUTPUT_CHANNELS * f] += left;
        out[OUTPUT_CHANNELS * f + 1] += right;
        stream.position += step;
    }
    if (stream.frame() >= total) {
        stream.position = static_cast<double>(total);
        stream.state = BASS_ACTIVE_STOPPED;
    }
}

void mix(void*, Uint8* bytes, int length) {
    auto* out = reinterpret_cast<float*>(bytes);
    const int frames = length / static_cast<int>(sizeof(float) * OUTPUT_CHANNELS);
    std::fill(out, out + frames * OUTPUT_CHANNELS, 0.0f);
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    if (lib.output_rate <= 0) return;
    for (auto& entry : lib.streams) {
        if (entry.second->state == BASS_ACTIVE_PLAYING) {
            mix_stream(*entry.second, out, frames, lib.output_rate);
        }
    }
    for (int i = 0; i < frames * OUTPUT_CHANNELS; ++i) {
        out[i] = std::clamp(out[i] * lib.volume, -1.0f, 1.0f);
    }
}

bool device_open() {
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    return lib.device != 0;
}

std::uint32_t add_stream(std::optional<Sound> sound) {
    if (!sound) return 0;
    auto stream = std::make_unique<Stream>();
    stream->sound = std::move(*sound);
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    if (lib.device == 0) return 0;
    do {
        ++lib.last_handle;
    } while (lib.last_handle == 0 || lib.last_handle == FAILED32 ||
             lib.streams.count(lib.last_handle) != 0);
    lib.streams.emplace(lib.last_handle, std::move(stream));
    return lib.last_handle;
}

std::optional<std::vector<std::uint8_t>> read_file(const char* name, std::uint64_t offset,
                                                   std::uint64_t length) {
    std::FILE* file = std::fopen(name, "rb");
    if (!file) return std::nullopt;
    struct stat info {};
    std::optional<std::vector<std::uint8_t>> result;
    if (fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode)) {
        const auto size = static_cast<std::uint64_t>(info.st_size);
        if (offset < size) {
            std::uint64_t count = size - offset;
            if (length != 0) count = std::min(count, length);
            if (count <= MAX_FILE_BYTES &&
                fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0) {
                std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
                bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
                result = std::move(bytes);
            }
        }
    }
    std::fclose(file);
    return result;
}

}  // namespace
}  // namespace vokalin::bass

using namespace vokalin::bass;

extern "C" {

int BASS_Init(int device, uint32_t freq, uint32_t, void*, const void*) {
    Library& lib = library();
    std::lock_guard guard(lib.device_mutex);
    if (device_open()) return 0;
    if (freq == 0) freq = 44100;
    if (freq < 1000 || freq > 384000) return 0;
    if (device != -1 && device < 1) return 0;
    // A library must leave the host program's signals alone: without this SDL
    // turns SIGINT and SIGTERM into quit events nobody reads, and the program
    // could no longer be ended by them.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return 0;
    std::string name;
    if (device > 1) {
        const char* listed = device - 1 < SDL_GetNumAudioDevices(0)
                                 ? SDL_GetAudioDeviceName(device - 1, 0)
                                 : nullptr;
        if (!listed) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return 0;
        }
        name = listed;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = static_cast<int>(freq);
    wanted.format = AUDIO_F32SYS;
    wanted.channels = OUTPUT_CHANNELS;
    wanted.samples = 512;
    wanted.callback = mix;
    SDL_AudioSpec obtained{};
    const SDL_AudioDeviceID id =
        SDL_OpenAudioDevice(name.empty() ? nullptr : name.c_str(), 0, &wanted, &obtained, 0);
    if (id == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return 0;
    }
    {
        std::lock_guard lock(lib.mutex);
        lib.device = id;
        lib.output_rate = obtained.freq;
        lib.volume = 1.0f;
    }
    SDL_PauseAudioDevice(id, 0);
    return 1;
}

int BASS_Free(void) {
    Library& lib = library();
    std::lock_guard guard(lib.device_mutex);
    SDL_AudioDeviceID id = 0;
    {
        std::lock_guard lock(lib.mutex);
        id = lib.device;
        lib.device = 0;
        lib.output_rate = 0;
    }
    if (id == 0) return 0;
    SDL_CloseAudioDevice(id);  // waits for the mixer to finish
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    std::map<std::uint32_t, std::unique_ptr<Stream>> released;
    {
        std::lock_guard lock(lib.mutex);
        released.swap(lib.streams);
    }
    return 1;
}

uint32_t BASS_StreamCreateFile(int mem, const void* file, uint64_t offset, uint64_t length,
                               uint32_t) {
    if (!file || !device_open()) return 0;
    if (mem) {
        if (length == 0 || offset >= length) return 0;
        const std::span<const std::uint8_t> bytes(static_cast<const std::uint8_t*>(file) + offset,
                                                  static_cast<std::size_t>(length - offset));
        return add_stream(decode_sound(bytes));
    }
    const auto bytes = read_file(static_cast<const char*>(file), offset, length);
    if (!bytes) return 0;
    return add_stream(decode_sound(*bytes));
}

uint32_t BASS_StreamCreateURL(const char* url, uint32_t offset, uint32_t, bass_download_proc proc,
                              void* user) {
    if (!url || !*url || !device_open()) return 0;
    const auto body = fetch_url(url, offset, proc, user);
    if (!body) return 0;
    return add_stream(decode_sound(*body));
}

int BASS_StreamFree(uint32_t handle) {
    Library& lib = library();
    std::unique_ptr<Stream> released;
    std::lock_guard lock(lib.mutex);
    const auto it = lib.streams.find(handle);
    if (it == lib.streams.end()) return 0;
    released = std::move(it->second);
    lib.streams.erase(it);
    return 1;
}

int BASS_ChannelPlay(uint32_t handle, int restart) {
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    Stream* stream = find(lib, handle);
    if (!stream) return 0;
    if (restart || stream->frame() >= stream->sound.frames()) stream->position = 0.0;
    stream->state = BASS_ACTIVE_PLAYING;
    return 1;
}

int BASS_ChannelPause(uint32_t handle) {
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    Stream* stream = find(lib, handle);
    if (!stream || stream->state != BASS_ACTIVE_PLAYING) return 0;
    stream->state = BASS_ACTIVE_PAUSED;
    return 1;
}

int BASS_ChannelStop(uint32_t handle) {
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    Stream* stream = find(lib, handle);
    if (!stream) return 0;
    stream->state = BASS_ACTIVE_STOPPED;
    return 1;
}

uint32_t BASS_ChannelIsActive(uint32_t handle) {
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    const Stream* stream = find(lib, handle);
    return stream ? stream->state : BASS_ACTIVE_STOPPED;
}

uint64_t BASS_ChannelGetPosition(uint32_t handle, uint32_t mode) {
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    const Stream* stream = find(lib, handle);
    if (!stream || mode != BASS_POS_BYTE) return FAILED64;
    return static_cast<std::uint64_t>(stream->frame()) * stream->sound.bytes_per_frame();
}

int BASS_ChannelSetPosition(uint32_t handle, uint64_t position, uint32_t mode) {
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    Stream* stream = find(lib, handle);
    if (!stream || mode != BASS_POS_BYTE) return 0;
    const std::uint64_t frame = position / stream->sound.bytes_per_frame();
    if (frame > stream->sound.frames()) return 0;
    stream->position = static_cast<double>(frame);
    return 1;
}

uint64_t BASS_ChannelGetLength(uint32_t handle, uint32_t mode) {
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    const Stream* stream = find(lib, handle);
    if (!stream || mode != BASS_POS_BYTE) return FAILED64;
    return static_cast<std::uint64_t>(stream->sound.frames()) * stream->sound.bytes_per_frame();
}

const char* BASS_ChannelGetTags(uint32_t handle, uint32_t tags) {
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    const Stream* stream = find(lib, handle);
    if (!stream || tags != 0 || stream->sound.tags.empty()) return nullptr;
    return stream->sound.tags.c_str();
}

uint32_t BASS_ChannelGetData(uint32_t handle, void* buffer, uint32_t length) {
    if (!buffer || length != BASS_DATA_FFT256) return FAILED32;
    std::array<float, FFT_SIZE> mono{};
    {
        Library& lib = library();
        std::lock_guard lock(lib.mutex);
        const Stream* stream = find(lib, handle);
        if (!stream) return FAILED32;
        const Sound& sound = stream->sound;
        const std::size_t start = stream->frame();
        const std::size_t count =
            std::min<std::size_t>(FFT_SIZE, sound.frames() > start ? sound.frames() - start : 0);
        for (std::size_t n = 0; n < count; ++n) {
            float sum = 0.0f;
            for (int c = 0; c < sound.channels; ++c) sum += sample_at(sound, start + n, c);
            mono[n] = sum / static_cast<float>(sound.channels);
        }
    }
    const auto bins = spectrum_of(mono);
    std::memcpy(buffer, bins.data(), sizeof bins);
    return static_cast<uint32_t>(sizeof bins);
}

int BASS_SetVolume(float volume) {
    if (!std::isfinite(volume) || volume < 0.0f || volume > 1.0f) return 0;
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    if (lib.device == 0) return 0;
    lib.volume = volume;
    return 1;
}

float BASS_GetVolume(void) {
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    return lib.device == 0 ? -1.0f : lib.volume;
}

double BASS_ChannelBytes2Seconds(uint32_t handle, uint64_t position) {
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    const Stream* stream = find(lib, handle);
    if (!stream) return -1.0;
    return static_cast<double>(position) /
           (static_cast<double>(stream->sound.bytes_per_frame()) * stream->sound.rate);
}

uint64_t BASS_ChannelSeconds2Bytes(uint32_t handle, double seconds) {
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    const Stream* stream = find(lib, handle);
    if (!stream || !std::isfinite(seconds) || seconds < 0.0) return FAILED64;
    const double frames = std::floor(seconds * stream->sound.rate + 1e-7);
    if (frames > 1e15) return FAILED64;
    return static_cast<std::uint64_t>(frames) * stream->sound.bytes_per_frame();
}

}  // extern "C"
