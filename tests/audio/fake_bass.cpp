// A stand-in for the audio library that records every call and answers with
// fixed, recognisable results.

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

#include "standins/bass/bass_api.h"

namespace {

std::mutex mutex;
std::string calls;
float spectrum[128] = {};
std::uint32_t spectrum_result = 512;
std::string tags;
bool has_tags = false;

void record(const char* format, ...) __attribute__((format(printf, 1, 2)));
void record(const char* format, ...) {
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    calls += line;
    calls += '\n';
}

}  // namespace

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

FAKE_EXPORT const char* fake_bass_calls() {
    std::lock_guard lock(mutex);
    return calls.c_str();
}

FAKE_EXPORT void fake_bass_reset() {
    std::lock_guard lock(mutex);
    calls.clear();
    for (float& v : spectrum) v = 0.0f;
    spectrum_result = 512;
    tags.clear();
    has_tags = false;
}

FAKE_EXPORT void fake_bass_set_spectrum(const float* values, std::uint32_t result) {
    std::lock_guard lock(mutex);
    for (int i = 0; i < 128; ++i) spectrum[i] = values[i];
    spectrum_result = result;
}

FAKE_EXPORT void fake_bass_set_tags(const char* text) {
    std::lock_guard lock(mutex);
    has_tags = text != nullptr;
    tags = text ? text : "";
}

extern "C" {

int BASS_Init(int device, uint32_t freq, uint32_t flags, void* window, const void* clsid) {
    std::lock_guard lock(mutex);
    record("BASS_Init(%d,%u,%u,%p,%p)", device, freq, flags, window, clsid);
    return 1;
}

int BASS_Free(void) {
    std::lock_guard lock(mutex);
    record("BASS_Free()");
    return 1;
}

uint32_t BASS_StreamCreateFile(int mem, const void* file, uint64_t offset, uint64_t length,
                               uint32_t flags) {
    std::lock_guard lock(mutex);
    if (mem) {
        record("BASS_StreamCreateFile(1,%p,%llu,%llu,%u)", file,
               static_cast<unsigned long long>(offset), static_cast<unsigned long long>(length),
               flags);
        return 102;
    }
    record("BASS_StreamCreateFile(0,%s,%llu,%llu,%u)", static_cast<const char*>(file),
           static_cast<unsigned long long>(offset), static_cast<unsigned long long>(length), flags);
    return 101;
}

uint32_t BASS_StreamCreateURL(const char* url, uint32_t offset, uint32_t flags,
                              bass_download_proc proc, void* user) {
    std::lock_guard lock(mutex);
    record("BASS_StreamCreateURL(%s,%u,%u,%p,%p)", url, offset, flags,
           reinterpret_cast<void*>(proc), user);
    return 103;
}

int BASS_StreamFree(uint32_t handle) {
    std::lock_guard lock(mutex);
    record("BASS_StreamFree(%u)", handle);
    return 1;
}

int BASS_ChannelPlay(uint32_t handle, int restart) {
    std::lock_guard lock(mutex);
    record("BASS_ChannelPlay(%u,%d)", handle, restart);
    return 1;
}

int BASS_ChannelPause(uint32_t handle) {
    std::lock_guard lock(mutex);
    record("BASS_ChannelPause(%u)", handle);
    return 1;
}

int BASS_ChannelStop(uint32_t handle) {
    std::lock_guard lock(mutex);
    record("BASS_ChannelStop(%u)", handle);
    return 0;
}

uint32_t BASS_ChannelIsActive(uint32_t handle) {
    std::lock_guard lock(mutex);
    record("BASS_ChannelIsActive(%u)", handle);
    return 3;
}

uint64_t BASS_ChannelGetPosition(uint32_t handle, uint32_t mode) {
    std::lock_guard lock(mutex);
    record("BASS_ChannelGetPosition(%u,%u)", handle, mode);
    return 0x123456789ull;
}

int BASS_ChannelSetPosition(uint32_t handle, uint64_t position, uint32_t mode) {
    std::lock_guard lock(mutex);
    record("BASS_ChannelSetPosition(%u,%llu,%u)", handle, static_cast<unsigned long long>(position),
           mode);
    return 1;
}

uint64_t BASS_ChannelGetLength(uint32_t handle, uint32_t mode) {
    std::lock_guard lock(mutex);
    record("BASS_ChannelGetLength(%u,%u)", handle, mode);
    return ~uint64_t{0};
}

const char* BASS_ChannelGetTags(uint32_t handle, uint32_t type) {
    std::lock_guard lock(mutex);
    record("BASS_ChannelGetTags(%u,%u)", handle, type);
    return has_tags ? tags.c_str() : nullptr;
}

uint32_t BASS_ChannelGetData(uint32_t handle, void* buffer, uint32_t length) {
    std::lock_guard lock(mutex);
    record("BASS_ChannelGetData(%u,%#x)", handle, length);
    if (spectrum_result != ~uint32_t{0}) {
        auto* out = static_cast<float*>(buffer);
        for (int i = 0; i < 128; ++i) out[i] = spectrum[i];
    }
    return spectrum_result;
}

int BASS_SetVolume(float volume) {
    std::lock_guard lock(mutex);
    record("BASS_SetVolume(%g)", static_cast<double>(volume));
    return 1;
}

float BASS_GetVolume(void) {
    std::lock_guard lock(mutex);
    record("BASS_GetVolume()");
    return 0.25f;
}

double BASS_ChannelBytes2Seconds(uint32_t handle, uint64_t position) {
    std::lock_guard lock(mutex);
    record("BASS_ChannelBytes2Seconds(%u,%llu)", handle, static_cast<unsigned long long>(position));
    return 1.5;
}

uint64_t BASS_ChannelSeconds2Bytes(uint32_t handle, double seconds) {
    std::lock_guard lock(mutex);
    record("BASS_ChannelSeconds2Bytes(%u,%g)", handle, seconds);
    return 48000;
}

}  // extern "C"
