#pragma once

/* The C interface of the audio library ("bass.dll") as the program calls it.
 * Header only: the program binds every function by name at run time and uses
 * these declarations for the function types.
 *
 * Booleans are 32-bit ints (0 false). Handles are 32-bit, 0 is no stream.
 * Byte positions and lengths count bytes of the stream's own sample format:
 * frames x channels x bytes per sample, where a sample takes 1 byte for 8-bit
 * sources, 2 for 16-bit, 3 for 24-bit, 4 for 32-bit and float sources and 2
 * for compressed sources. Functions that return a 64-bit or 32-bit count give
 * all bits set (-1) on failure. File names are in the system's own encoding. */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define VOKALIN_BASS_EXPORT __declspec(dllexport)
#else
#define VOKALIN_BASS_EXPORT __attribute__((visibility("default")))
#endif

/* BASS_ChannelIsActive results */
#define BASS_ACTIVE_STOPPED 0
#define BASS_ACTIVE_PLAYING 1
#define BASS_ACTIVE_PAUSED 3

/* BASS_ChannelGetData length value: 256-sample FFT, 128 float magnitudes */
#define BASS_DATA_FFT256 0x80000000u

/* position and length mode: bytes */
#define BASS_POS_BYTE 0

/* called with each piece of a URL stream's download, then with (NULL, 0) */
typedef void (*bass_download_proc)(const void* buffer, uint32_t length, void* user);

/* device -1 is the default output device; freq is the output rate (0: 44100).
 * One device per process; a second call before BASS_Free fails. */
VOKALIN_BASS_EXPORT int BASS_Init(int device, uint32_t freq, uint32_t flags, void* window,
                                  const void* clsid);
/* closes the device and frees every stream */
VOKALIN_BASS_EXPORT int BASS_Free(void);

/* mem != 0: file points at length bytes in memory, offset is the start within
 * them (the bytes are read at once and not kept). mem == 0: file is a file name,
 * its bytes from offset, length bytes (0: to the end of the file). */
VOKALIN_BASS_EXPORT uint32_t BASS_StreamCreateFile(int mem, const void* file, uint64_t offset,
                                                   uint64_t length, uint32_t flags);
/* downloads url from byte offset, then decodes it; proc may be NULL */
VOKALIN_BASS_EXPORT uint32_t BASS_StreamCreateURL(const char* url, uint32_t offset, uint32_t flags,
                                                  bass_download_proc proc, void* user);
VOKALIN_BASS_EXPORT int BASS_StreamFree(uint32_t handle);

/* restart != 0 plays from the start, otherwise from the current position */
VOKALIN_BASS_EXPORT int BASS_ChannelPlay(uint32_t handle, int restart);
VOKALIN_BASS_EXPORT int BASS_ChannelPause(uint32_t handle);
VOKALIN_BASS_EXPORT int BASS_ChannelStop(uint32_t handle);
VOKALIN_BASS_EXPORT uint32_t BASS_ChannelIsActive(uint32_t handle);

VOKALIN_BASS_EXPORT uint64_t BASS_ChannelGetPosition(uint32_t handle, uint32_t mode);
VOKALIN_BASS_EXPORT int BASS_ChannelSetPosition(uint32_t handle, uint64_t position, uint32_t mode);
VOKALIN_BASS_EXPORT uint64_t BASS_ChannelGetLength(uint32_t handle, uint32_t mode);

/* tag type 0: the stream's text tags as "name=value" lines, NULL when it has
 * none; the text lives as long as the stream */
VOKALIN_BASS_EXPORT const char* BASS_ChannelGetTags(uint32_t handle, uint32_t tags);

/* length BASS_DATA_FFT256: writes 128 floats (bins 0..127 of a Hann-windowed
 * 256-frame FFT at the current position) and returns 512 */
VOKALIN_BASS_EXPORT uint32_t BASS_ChannelGetData(uint32_t handle, void* buffer, uint32_t length);

/* master volume 0..1 */
VOKALIN_BASS_EXPORT int BASS_SetVolume(float volume);
VOKALIN_BASS_EXPORT float BASS_GetVolume(void);

/* negative seconds / all-ones bytes on failure */
VOKALIN_BASS_EXPORT double BASS_ChannelBytes2Seconds(uint32_t handle, uint64_t position);
VOKALIN_BASS_EXPORT uint64_t BASS_ChannelSeconds2Bytes(uint32_t handle, double seconds);

#ifdef __cplusplus
}
#endif
