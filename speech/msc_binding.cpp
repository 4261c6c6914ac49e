#include "speech/msc_binding.h"

#include <atomic>
#include <mutex>

#include "platform/library_placement.h"
#include "platform/platform.h"

namespace vokalin {
namespace {

std::mutex load_mutex;
std::atomic<const MscBinding*> loaded{nullptr};
std::string last_error;

template <class Function>
bool bind(void* library, const char* name, Function& slot) {
    slot = reinterpret_cast<Function>(platform::library_symbol(library, name));
    if (!slot) last_error = std::string(MSC_LIBRARY_FILE) + " has no function " + name;
    return slot != nullptr;
}

}  // namespace

const MscBinding* msc_binding() {
    if (const MscBinding* ready = loaded.load(std::memory_order_acquire)) return ready;
    std::lock_guard lock(load_mutex);
    if (const MscBinding* ready = loaded.load(std::memory_order_relaxed)) return ready;
    std::string error;
    void* library = platform::load_vendor_library(MSC_LIBRARY_FILE, error);
    if (!library) {
        last_error = error;
        return nullptr;
    }
    static MscBinding binding;
    MscBinding b{};
    const bool complete =
        bind(library, "MSPLogin", b.login) && bind(library, "MSPLogout", b.logout) &&
        bind(library, "QTTSSessionBegin", b.session_begin) &&
        bind(library, "QTTSTextPut", b.text_put) && bind(library, "QTTSAudioGet", b.audio_get) &&
        bind(library, "QTTSSessionEnd", b.session_end);
    if (!complete) {
        platform::unload_library(library);
        return nullptr;
    }
    // Never unloaded: the library's synthesis thread lives until the process ends.
    binding = b;
    last_error.clear();
    loaded.store(&binding, std::memory_order_release);
    return &binding;
}

std::string msc_load_error() {
    std::lock_guard lock(load_mutex);
    return last_error;
}

}  // namespace vokalin
