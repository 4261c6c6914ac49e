#include "ui/main/synthesis_pipeline.h"

#include <chrono>
#include <vector>

#include "audio/audio_player.h"
#include "net/text_encoding.h"
#include "platform/platform.h"
#include "speech/speech_engine.h"
#include "speech/wav_container.h"
#include "ui/main/split_text.h"

namespace vokalin {
namespace fs = std::filesystem;

namespace {

// The saved file's name as typed, made safe as one file name: a "/" would
// leave the audio folder, so it becomes "_".
std::string output_file_name(std::string name) {
    for (char& c : name) {
        if (c == '/' || c == '\0') c = '_';
    }
    if (name == "." || name == "..") name = "_";
    return name + ".wav";
}

}  // namespace

SynthesisPipeline::SynthesisPipeline(SpeechEngine& speech_engine, AudioPlayer& player,
                                     PlaybackState& playback, JobState& job_state, JobHost& host,
                                     fs::path run_directory)
    : speech_engine_(speech_engine),
      player_(player),
      playback_(playback),
      job_state_(job_state),
      host_(host),
      run_directory_(std::move(run_directory)) {}

SynthesisPipeline::~SynthesisPipeline() {
    shutdown();
}

fs::path SynthesisPipeline::cache_folder() const {
    return run_directory_ / platform::path_from_text(gbk("缓存"));
}

fs::path SynthesisPipeline::audio_folder() const {
    return run_directory_ / platform::path_from_text(gbk("音频"));
}

void SynthesisPipeline::start_job() {
    if (closing_) return;
    const std::uint64_t id = ++last_job_id_;
    playback_.job_thread = id;
    std::thread previous = std::move(job_);
    job_ =
        std::thread(&SynthesisPipeline::synthesis_job, this, id, host_.text(), std::move(previous));
}

void SynthesisPipeline::stop() {
    {
        std::lock_guard lock(wake_mutex_);
        playback_.job_thread = 0;
    }
    wake_.notify_all();
}

void SynthesisPipeline::shutdown() {
    {
        std::lock_guard lock(wake_mutex_);
        closing_ = true;
        playback_.job_thread = 0;
    }
    wake_.notify_all();
    if (job_.joinable()) job_.join();
}

void SynthesisPipeline::clear_cache_folder() {
    std::error_code ec;
    fs::remove_all(cache_folder(), ec);
}

void SynthesisPipeline::synthesis_job(std::uint64_t id, std::string text,
                                      std::thread previous_job) {
    // One job at a time: the stopped job writes the same cache files.
    if (previous_job.joinable()) {
        previous_job.join();
        host_.show_status(gbk("正在工作中请稍后......"));
    }
    clear_cache_folder();

    std::vector<std::string> segments;
    split_text(text, segments);

    Bytes all_audio;
    std::error_code ec;
    for (std::size_t k = 1; k <= segments.size() && !closing_; ++k) {
        const VoiceSettings settings = host_.voice_settings();
        job_state_.session_id = speech_engine_.begin_session(
            settings.voice,
            {.speed = settings.speed, .volume = settings.volume, .pitch = settings.pitch});
        job_state_.segment_audio =
            speech_engine_.synthesize(job_state_.session_id, segments[k - 1]);
        all_audio.insert(all_audio.end(), job_state_.segment_audio.begin(),
                         job_state_.segment_audio.end());
        job_state_.segment_audio = wrap_wav(job_state_.segment_audio);

        fs::create_directories(cache_folder(), ec);
        std::string error;
        platform::write_file_atomically(cache_folder() / std::to_string(k),
                                        job_state_.segment_audio, error);
        if (!job_state_.player_thread.joinable()) {
            job_state_.player_thread = std::thread(&SynthesisPipeline::segment_player, this, id);
        }
        if (!job_state_.session_id.empty()) speech_engine_.end_session(job_state_.session_id);
    }

    host_.show_status(gbk("已经全部缓存到本地了"));
    fs::create_directories(audio_folder(), ec);
    const fs::path output =
        audio_folder() / platform::path_from_text(output_file_name(host_.file_name()));
    std::string error;
    if (!platform::write_file_atomically(output, wrap_wav(all_audio), error)) {
        host_.show_status(gbk("音频文件保存失败：") + platform::text_from_path(output));
    }
    host_.job_finished();
    job_state_.segment_audio.clear();
    job_state_.session_id.clear();

    // The player of this job still plays; the next job waits for both.
    if (job_state_.player_thread.joinable()) job_state_.player_thread.join();
}

void SynthesisPipeline::segment_player(std::uint64_t id) {
    for (std::size_t k = 1;; ++k) {
        const fs::path file = cache_folder() / std::to_string(k);
        std::error_code ec;
        if (!fs::exists(file, ec) || !playing(id)) break;
        const StreamHandle stream = player_.create_stream(platform::text_from_path(file));
        playback_.current_stream = stream;
        player_.play(stream);
        while (player_.is_active(stream) != 0) {
            std::unique_lock lock(wake_mutex_);
            if (wake_.wait_for(lock, std::chrono::milliseconds(PLAYER_WAIT_MS),
                               [&] { return !playing(id); })) {
                break;
            }
        }
        player_.free_stream(stream);
    }
    clear_cache_folder();
    // Playback is over: a later play/save starts afresh instead of resuming a
    // freed stream. Only this job's own number is cleared.
    std::uint64_t expected = id;
    const bool newer_job =
        !playback_.job_thread.compare_exchange_strong(expected, 0) && expected != 0;
    if (newer_job) return;  // a new job already owns the buttons and the stream
    playback_.current_stream = 0;
    playback_.paused = 0;
    host_.player_finished();
}

}  // namespace vokalin
