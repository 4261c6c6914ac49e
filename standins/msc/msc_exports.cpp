#include "standins/msc/msc_api.h"
#include "standins/msc/speech_service.h"

using vokalin::msc_standin::SpeechService;

extern "C" {

MSC_API int MSPLogin(const char*, const char*, const char* params) {
    return SpeechService::instance().login(params);
}

MSC_API int MSPLogout(void) {
    return SpeechService::instance().logout();
}

MSC_API const char* QTTSSessionBegin(const char* params, int* error_code) {
    return SpeechService::instance().begin_session(params, error_code);
}

MSC_API int QTTSTextPut(const char* session_id, const char* text, unsigned int text_length,
                        const char*) {
    return SpeechService::instance().put_text(session_id, text, text_length);
}

MSC_API const void* QTTSAudioGet(const char* session_id, unsigned int* audio_length,
                                 int* synth_status, int* error_code) {
    return SpeechService::instance().get_audio(session_id, audio_length, synth_status, error_code);
}

MSC_API int QTTSSessionEnd(const char* session_id, const char*) {
    return SpeechService::instance().end_session(session_id);
}

}  // extern "C"
