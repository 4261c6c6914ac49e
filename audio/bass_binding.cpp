#include "audio/bass_binding.h"

#include <atomic>
#include <mutex>

#include "platform/library_placement.h"
#include "platform/platform.h"

namespace vokalin {
namespace {

std::mutex load_mutex;
std::atomic<const BassBinding*> loaded{nullptr};
std::string last_error;

template <class Function>
bool bind(void* library, const char* name, Function& slot) {
    slot = reinterpret_cast<Function>(platform::library_symbol(library, name));
    if (!slot) last_error = std::string(BASS_LIBRARY_FILE) + " has no function " + name;
    return slot != nullptr;
}

}  // namespace

const BassBinding* bass_binding() {
    if (const BassBinding* ready = loaded.load(std::memory_order_acquire)) return ready;
    std::lock_guard lock(load_mutex);
    if (const BassBinding* ready = loaded.load(std::memory_order_relaxed)) return ready;
    std::string error;
    void* library = platform::load_vendor_library(BASS_LIBRARY_FILE, error);
    if (!library) {
        last_error = error;
        return nullptr;
    }
    static BassBinding binding;
    BassBinding b{};
    const bool complete = bind(library, "BASS_Init", b.init) &&
                          bind(library, "BASS_Free", b.free) &&
                          bind(library, "BASS_StreamCreateFile", b.stream_create_file) &&
                          bind(library, "BASS_StreamCreateURL", b.stream_create_url) &&
                          bind(library, "BASS_ChannelPlay", b.channel_play) &&
                          bind(library, "BASS_ChannelPause", b.channel_pause) &&
                          bind(library, "BASS_ChannelStop", b.channel_stop) &&
                          bind(library, "BASS_ChannelGetPosition", b.channel_get_position) &&
                          bind(library, "BASS_ChannelSetPosition", b.channel_set_position) &&
                          bind(library, "BASS_ChannelGetLength", b.channel_get_length) &&
                          bind(library, "BASS_ChannelGetTags", b.channel_get_tags) &&
                          bind(library, "BASS_ChannelIsActive", b.channel_is_active) &&
                          bind(library, "BASS_StreamFree", b.stream_free) &&
                          bind(library, "BASS_ChannelGetData", b.channel_get_data) &&
                          bind(library, "BASS_SetVolume", b.set_volume) &&
                          bind(library, "BASS_GetVolume", b.get_volume) &&
                          bind(library, "BASS_ChannelBytes2Seconds", b.channel_bytes_to_seconds) &&
                          bind(library, "BASS_ChannelSeconds2Bytes", b.channel_seconds_to_bytes);
    if (!complete) {
        platform::unload_library(library);
        return nullptr;
    }
    // Never unloaded: the library's device thread runs until the process ends.
    binding = b;
    last_error.clear();
    loaded.store(&binding, std::memory_order_release);
    return &binding;
}

std::string bass_load_error() {
    std::lock_guard lock(load_mutex);
    return last_error;
}

}  // namespace vokalin
