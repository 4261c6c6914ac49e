#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "standins/msc/text_pieces.h"
#include "standins/msc/tts_session.h"

namespace vokalin::msc_standin {

inline constexpr int OUTPUT_RATE = 16000;
inline constexpr std::size_t CHUNK_SAMPLES = 1600;  // 100 ms

// The one thread that talks to espeak-ng (which is not reentrant). Texts are
// synthesized one after another, in the order they were given; each session's
// audio is appended to it chunk by chunk as it is produced.
class SynthesisWorker {
  public:
    SynthesisWorker() = default;
    SynthesisWorker(const SynthesisWorker&) = delete;
    SynthesisWorker& operator=(const SynthesisWorker&) = delete;
    ~SynthesisWorker();

    void submit(std::shared_ptr<TtsSession> session, std::vector<TextPiece> pieces);

  private:
    struct Job {
        std::shared_ptr<TtsSession> session;
        std::vector<TextPiece> pieces;
    };

    void run();
    void synthesize(const Job& job);
    bool ensure_engine();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    bool stopping_ = false;
    std::thread thread_;

    // worker thread only
    bool engine_tried_ = false;
    int engine_rate_ = 0;
    std::string loaded_voice_;
};

}  // namespace vokalin::msc_standin
