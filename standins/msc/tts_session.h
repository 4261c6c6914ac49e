#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "standins/msc/session_settings.h"

namespace vokalin::msc_standin {

// One synthesis session. The synthesis worker appends chunks of 16 kHz audio;
// QTTSAudioGet takes them out in order.
struct TtsSession {
    std::string id;
    SessionSettings settings;
    std::uint32_t fail_chunk = 0;   // 1-based chunk replaced by an error; 0 = none
    std::uint32_t stall_chunk = 0;  // 1-based chunk from which nothing comes; 0 = none

    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::vector<std::uint8_t>> chunks;
    bool text_given = false;     // a text is being synthesized or delivered
    bool all_produced = false;   // the worker has appended the last chunk
    bool end_delivered = false;  // the caller has seen the end status
    int error = 0;
    std::uint32_t delivered = 0;
    std::vector<std::uint8_t> handed_out;  // the chunk the caller holds

    std::atomic<bool> cancelled{false};
};

}  // namespace vokalin::msc_standin
