#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "standins/msc/synthesis_worker.h"
#include "standins/msc/tts_session.h"

namespace vokalin::msc_standin {

// Environment variable: when set to N > 0, QTTSAudioGet reports
// MSC_ERROR_QUOTA in place of the N-th chunk of every text.
inline constexpr const char* FAIL_CHUNK_VARIABLE = "VOKALIN_MSC_FAIL_CHUNK";

// Environment variable: when set to N > 0, QTTSAudioGet hands out chunks
// 1 to N-1 of every text and then nothing more, without ever ending the text.
inline constexpr const char* STALL_CHUNK_VARIABLE = "VOKALIN_MSC_STALL_CHUNK";

// How long QTTSAudioGet waits for a chunk that is still being made.
inline constexpr int AUDIO_WAIT_MS = 250;

// The state behind the exported functions: the login, the open sessions and
// the synthesis worker. Every member may be called from any thread.
class SpeechService {
  public:
    static SpeechService& instance();

    int login(const char* params);
    int logout();
    const char* begin_session(const char* params, int* error_code);
    int put_text(const char* session_id, const char* text, unsigned int length);
    const void* get_audio(const char* session_id, unsigned int* length, int* status,
                          int* error_code);
    int end_session(const char* session_id);

  private:
    SpeechService();
    std::shared_ptr<TtsSession> find(const char* session_id);

    std::mutex mutex_;
    bool logged_in_ = false;
    std::uint64_t next_session_ = 0;
    std::string session_prefix_;
    std::map<std::string, std::shared_ptr<TtsSession>, std::less<>> sessions_;
    SynthesisWorker worker_;  // last member: stops first
};

}  // namespace vokalin::msc_standin
