#pragma once

/* The C functions of the speech library ("msc.dll") that Vokalin calls by
 * exported name. Written from what the program passes and relies on.
 *
 * Texts are zero-terminated byte strings; the text handed to QTTSTextPut is in
 * the session's text_encoding. Audio is raw 16-bit mono PCM, 16000 samples per
 * second, little-endian. Once loaded, the library must stay loaded until the
 * process ends (its synthesis thread lives that long). */

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define MSC_API __declspec(dllexport)
#else
#define MSC_API __attribute__((visibility("default")))
#endif

/* Result and error codes. 0 is success everywhere. */
enum {
    MSC_OK = 0,
    MSC_ERROR_NOT_LOGGED_IN = 21001,
    MSC_ERROR_INVALID_PARAMETER = 21002,
    MSC_ERROR_INVALID_SESSION = 21003,
    MSC_ERROR_UNKNOWN_VOICE = 21004,
    MSC_ERROR_UNKNOWN_ENCODING = 21005,
    MSC_ERROR_NO_TEXT = 21006,
    MSC_ERROR_TEXT_TOO_LONG = 21007,
    MSC_ERROR_BUSY = 21008,
    MSC_ERROR_ENGINE = 21009,
    MSC_ERROR_QUOTA = 21010
};

/* Synthesis status reported by QTTSAudioGet. */
enum { MSC_TTS_AUDIO_FOLLOWS = 1, MSC_TTS_AUDIO_END = 2 };

/* Longest text QTTSTextPut accepts, in bytes. */
#define MSC_TEXT_LIMIT 16384

/* params: "appid=<identifier>"; user_name and password are not used. */
MSC_API int MSPLogin(const char* user_name, const char* password, const char* params);
MSC_API int MSPLogout(void);

/* params: comma-separated key=value pairs (voice_name, speed, volume, pitch,
 * text_encoding, speed_increase; other keys are accepted and ignored).
 * Returns the session identifier, valid until QTTSSessionEnd, or NULL with
 * *error_code set. */
MSC_API const char* QTTSSessionBegin(const char* params, int* error_code);
MSC_API int QTTSTextPut(const char* session_id, const char* text, unsigned int text_length,
                        const char* params);
/* Returns the next chunk of audio (valid until the next call for the session),
 * or NULL with *audio_length 0 when none is ready yet. Waits a short while for
 * audio that is still being produced. *synth_status is MSC_TTS_AUDIO_END once
 * the last chunk has been handed out. */
MSC_API const void* QTTSAudioGet(const char* session_id, unsigned int* audio_length,
                                 int* synth_status, int* error_code);
MSC_API int QTTSSessionEnd(const char* session_id, const char* hint);

typedef int (*MSPLoginFunction)(const char*, const char*, const char*);
typedef int (*MSPLogoutFunction)(void);
typedef const char* (*QTTSSessionBeginFunction)(const char*, int*);
typedef int (*QTTSTextPutFunction)(const char*, const char*, unsigned int, const char*);
typedef const void* (*QTTSAudioGetFunction)(const char*, unsigned int*, int*, int*);
typedef int (*QTTSSessionEndFunction)(const char*, const char*);

#ifdef __cplusplus
}
#endif
