#pragma once

// Shared pieces of the speech tests: a private folder holding the speech
// library, and an AudioPlayer that records what it is asked to do.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "audio/audio_player.h"
#include "platform/bytes.h"

namespace vokalin::test {

// A fresh folder private to the user (the only kind libraries load from),
// holding a copy of library under file_name unless library is empty.
inline std::filesystem::path private_folder(const std::filesystem::path& library = {},
                                            const std::string& file_name = "msc.dll") {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "vokalin-speech-XXXXXX").string();
    const char* made = mkdtemp(pattern.data());
    if (!made) return {};
    const std::filesystem::path folder = made;
    if (!library.empty()) {
        std::filesystem::copy_file(library, folder / file_name);
        std::filesystem::permissions(folder / file_name, std::filesystem::perms::owner_all);
    }
    return folder;
}

inline Bytes file_bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct PlayerLog {
    int init_calls = 0;
    int init_device = 0;
    int init_frequency = 0;
    int init_flags = -1;
    void* init_window = reinterpret_cast<void*>(1);
    int destroy_calls = 0;
    int copies = 0;
    Bytes streamed;
    std::string stream_path;
    std::string stream_url;
    std::int32_t stream_offset = -1;
    int plays = 0;
    std::int32_t restart = -1;
    int activity_checks = 0;
    int frees = 0;
    StreamHandle freed = 0;
};

// Plays nothing; reports the stream active for active_checks calls.
class RecordingPlayer : public AudioPlayer {
  public:
    explicit RecordingPlayer(std::shared_ptr<PlayerLog> log, int active_checks = 1)
        : log_(std::move(log)), active_checks_(active_checks) {}

    bool init(int device, int frequency, int flags, void* window) override {
        ++log_->init_calls;
        log_->init_device = device;
        log_->init_frequency = frequency;
        log_->init_flags = flags;
        log_->init_window = window;
        return true;
    }
    void destroy() override { ++log_->destroy_calls; }
    std::unique_ptr<AudioPlayer> copy() const override {
        ++log_->copies;
        return std::make_unique<RecordingPlayer>(std::make_shared<PlayerLog>(), active_checks_);
    }
    StreamHandle create_stream(const std::string& path, std::span<const std::uint8_t> data,
                               const std::string& url, std::int32_t offset) override {
        log_->stream_path = path;
        log_->stream_url = url;
        log_->stream_offset = offset;
        log_->streamed.assign(data.begin(), data.end());
        return 42;
    }
    bool play(StreamHandle, std::int32_t restart) override {
        ++log_->plays;
        log_->restart = restart;
        return true;
    }
    int is_active(StreamHandle) override {
        return log_->activity_checks++ < active_checks_ ? 1 : 0;
    }
    bool free_stream(StreamHandle handle) override {
        ++log_->frees;
        log_->freed = handle;
        return true;
    }

    PlayerLog& log() { return *log_; }

  private:
    std::shared_ptr<PlayerLog> log_;
    int active_checks_;
};

}  // namespace vokalin::test
