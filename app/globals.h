#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "audio/audio_player.h"
#include "config/remote_config.h"
#include "speech/speech_engine.h"
#include "ui/main/playback_state.h"
#include "ui/main/shared_text.h"
#include "ui/main/synthesis_pipeline.h"

namespace vokalin {

// The download of a new version; filled by the update window.
struct DownloadState {
    std::string download_dir;
    std::string download_file_name;
    std::string temp_file_name;
    std::int64_t resume_offset = 0;
    std::atomic<std::int64_t> downloaded_bytes{0};
};

// Every piece of process-wide state, created at start-up in this order and
// released by exit_cleanup.
struct Globals {
    std::atomic<int> quit_requested{0};
    std::string directory_space_name;
    std::string directory_dlmm;
    std::string current_version;  // CURRENT_VERSION
    RemoteConfig remote_config;
    std::string directory_cookies;
    std::unique_ptr<AudioPlayer> player;
    std::array<std::string, 3> download_addresses;
    std::unique_ptr<SpeechEngine> speech_engine;
    SharedText marquee_text;
    DownloadState download;
    PlaybackState playback;  // job_thread, current_stream, paused, paused_position
    JobState job;            // player_thread, session_id, segment_audio
};

}  // namespace vokalin
