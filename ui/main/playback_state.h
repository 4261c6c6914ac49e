#pragma once

#include <atomic>
#include <cstdint>

#include "audio/audio_player.h"

namespace vokalin {

// What the GUI thread, the synthesis job and the segment player share.
struct PlaybackState {
    // The running job's number; 0 means that playback must stop.
    std::atomic<std::uint64_t> job_thread{0};
    // The stream the segment player is playing (or has just freed).
    std::atomic<StreamHandle> current_stream{0};
    std::atomic<int> paused{0};
    std::atomic<std::int64_t> paused_position{0};
};

}  // namespace vokalin
