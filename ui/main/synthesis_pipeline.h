#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

#include "platform/bytes.h"
#include "ui/main/job_host.h"
#include "ui/main/playback_state.h"

namespace vokalin {

class AudioPlayer;
class SpeechEngine;

// The working state of the one synthesis job that runs at a time.
struct JobState {
    std::thread player_thread;
    std::string session_id;
    Bytes segment_audio;
};

// The background work behind the play/save button: synthesis_job cuts the text
// into segments, synthesizes each one and writes it as cache file 1, 2, 3 …;
// segment_player plays those files while later ones are still being made.
//
// Only one job works at a time: a job started while a stopped one is still
// running first waits for it (and its player) to end, then clears the cache
// folder of the stopped job's files.
class SynthesisPipeline {
  public:
    SynthesisPipeline(SpeechEngine& speech_engine, AudioPlayer& player, PlaybackState& playback,
                      JobState& job_state, JobHost& host, std::filesystem::path run_directory);
    ~SynthesisPipeline();
    SynthesisPipeline(const SynthesisPipeline&) = delete;
    SynthesisPipeline& operator=(const SynthesisPipeline&) = delete;

    // GUI thread: play/save without a paused stream.
    void start_job();
    // GUI thread: playback ends within one player wait; the job runs on and saves.
    void stop();
    // At exit: playback stops, the job saves what it has after its current
    // segment, and every background thread has ended when this returns.
    void shutdown();

    std::filesystem::path cache_folder() const;
    std::filesystem::path audio_folder() const;

    // How long the player waits between activity checks.
    static constexpr int PLAYER_WAIT_MS = 200;

  private:
    void synthesis_job(std::uint64_t id, std::string text, std::thread previous_job);
    void segment_player(std::uint64_t id);
    void clear_cache_folder();
    bool playing(std::uint64_t id) const { return playback_.job_thread == id && id != 0; }

    SpeechEngine& speech_engine_;
    AudioPlayer& player_;
    PlaybackState& playback_;
    JobState& job_state_;
    JobHost& host_;
    const std::filesystem::path run_directory_;

    std::thread job_;
    std::uint64_t last_job_id_ = 0;
    std::atomic<bool> closing_{false};
    std::mutex wake_mutex_;
    std::condition_variable wake_;
};

}  // namespace vokalin
