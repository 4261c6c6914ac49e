#include "standins/msc/speech_service.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "standins/msc/msc_api.h"

namespace vokalin::msc_standin {
namespace {

std::uint32_t chunk_setting(const char* variable) {
    const char* value = std::getenv(variable);
    if (!value || !*value) return 0;
    char* end = nullptr;
    const unsigned long n = std::strtoul(value, &end, 10);
    if (*end != '\0' || n > 1'000'000) return 0;
    return static_cast<std::uint32_t>(n);
}

void set(int* out, int value) {
    if (out) *out = value;
}

}  // namespace

SpeechService& SpeechService::instance() {
    // Never destroyed: callers' threads may still be in a session while the
    // process exits, and the synthesis thread ends with the process.
    static SpeechService* const service = new SpeechService;
    return *service;
}

SpeechService::SpeechService() {
    std::random_device random;
    char prefix[40];
    std::snprintf(prefix, sizeof prefix, "tts%08x%04x-", random(), random() & 0xFFFFu);
    session_prefix_ = prefix;
}

int SpeechService::login(const char* params) {
    const auto appid = parameter_value(params ? params : "", "appid");
    if (!appid || appid->empty()) return MSC_ERROR_INVALID_PARAMETER;
    std::lock_guard lock(mutex_);
    logged_in_ = true;
    return MSC_OK;
}

int SpeechService::logout() {
    std::lock_guard lock(mutex_);
    if (!logged_in_) return MSC_ERROR_NOT_LOGGED_IN;
    logged_in_ = false;
    return MSC_OK;
}

const char* SpeechService::begin_session(const char* params, int* error_code) {
    if (!params) {
        set(error_code, MSC_ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto session = std::make_shared<TtsSession>();
    const int parsed = parse_session_settings(params, session->settings);
    std::lock_guard lock(mutex_);
    if (!logged_in_) {
        set(error_code, MSC_ERROR_NOT_LOGGED_IN);
        return nullptr;
    }
    if (parsed != MSC_OK) {
        set(error_code, parsed);
        return nullptr;
    }
    session->fail_chunk = chunk_setting(FAIL_CHUNK_VARIABLE);
    session->stall_chunk = chunk_setting(STALL_CHUNK_VARIABLE);
    session->id = session_prefix_ + std::to_string(++next_session_);
    const char* id = session->id.c_str();
    sessions_.emplace(session->id, std::move(session));
    set(error_code, MSC_OK);
    return id;
}

std::shared_ptr<TtsSession> SpeechService::find(const char* session_id) {
    if (!session_id) return nullptr;
    std::lock_guard lock(mutex_);
    const auto it = sessions_.find(std::string_view(session_id));
    return it == sessions_.end() ? nullptr : it->second;
}

int SpeechService::put_text(const char* session_id, const char* text, unsigned int length) {
    const auto session = find(session_id);
    if (!session) return MSC_ERROR_INVALID_SESSION;
    if (!text || length == 0) return MSC_ERROR_NO_TEXT;
    if (length > MSC_TEXT_LIMIT) return MSC_ERROR_TEXT_TOO_LONG;
    auto pieces =
        split_pause_marks(decode_text(std::string_view(text, length), session->settings.encoding));
    {
        std::lock_guard lock(session->mutex);
        if (session->text_given && !session->end_delivered) return MSC_ERROR_BUSY;
        session->text_given = true;
        session->all_produced = false;
        session->end_delivered = false;
        session->error = 0;
        session->delivered = 0;
        session->chunks.clear();
    }
    worker_.submit(session, std::move(pieces));
    return MSC_OK;
}

const void* SpeechService::get_audio(const char* session_id, unsigned int* length, int* status,
                                     int* error_code) {
    if (length) *length = 0;
    set(status, MSC_TTS_AUDIO_FOLLOWS);
    const auto session = find(session_id);
    if (!session) {
        set(error_code, MSC_ERROR_INVALID_SESSION);
        return nullptr;
    }
    if (!length || !status || !error_code) {
        set(error_code, MSC_ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::unique_lock lock(session->mutex);
    if (!session->text_given) {
        *error_code = MSC_ERROR_NO_TEXT;
        return nullptr;
    }
    *error_code = MSC_OK;
    if (session->stall_chunk != 0 && session->delivered + 1 >= session->stall_chunk) {
        session->changed.wait_for(lock, std::chrono::milliseconds(AUDIO_WAIT_MS),
                                  [&] { return session->cancelled.load(); });
        return nullptr;
    }
    session->changed.wait_for(lock, std::chrono::milliseconds(AUDIO_WAIT_MS), [&] {
        return !session->chunks.empty() || session->all_produced || session->error != 0;
    });
    if (session->error != 0) {
        *error_code = session->error;
        return nullptr;
    }
    *error_code = MSC_OK;
    if (session->chunks.empty()) {
        if (session->all_produced) {
            *status = MSC_TTS_AUDIO_END;
            session->end_delivered = true;
        }
        return nullptr;
    }
    if (session->fail_chunk != 0 && session->delivered + 1 == session->fail_chunk) {
        session->error = MSC_ERROR_QUOTA;
        session->cancelled = true;
        *error_code = session->error;
        return nullptr;
    }
    session->handed_out = std::move(session->chunks.front());
    session->chunks.pop_front();
    ++session->delivered;
    if (session->chunks.empty() && session->all_produced) {
        *status = MSC_TTS_AUDIO_END;
        session->end_delivered = true;
    }
    *length = static_cast<unsigned int>(session->handed_out.size());
    return session->handed_out.data();
}

int SpeechService::end_session(const char* session_id) {
    std::shared_ptr<TtsSession> session;
    {
        std::lock_guard lock(mutex_);
        if (!session_id) return MSC_ERROR_INVALID_SESSION;
        const auto it = sessions_.find(std::string_view(session_id));
        if (it == sessions_.end()) return MSC_ERROR_INVALID_SESSION;
        session = std::move(it->second);
        sessions_.erase(it);
    }
    session->cancelled = true;
    session->changed.notify_all();
    return MSC_OK;
}

}  // namespace vokalin::msc_standin
