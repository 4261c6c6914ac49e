#pragma once

#include <string>

#include "standins/bass/bass_api.h"

namespace vokalin {

// The audio library's functions, bound by their exported names.
struct BassBinding {
    decltype(&BASS_Init) init;
    decltype(&BASS_Free) free;
    decltype(&BASS_StreamCreateFile) stream_create_file;
    decltype(&BASS_StreamCreateURL) stream_create_url;
    decltype(&BASS_ChannelPlay) channel_play;
    decltype(&BASS_ChannelPause) channel_pause;
    decltype(&BASS_ChannelStop) channel_stop;
    decltype(&BASS_ChannelGetPosition) channel_get_position;
    decltype(&BASS_ChannelSetPosition) channel_set_position;
    decltype(&BASS_ChannelGetLength) channel_get_length;
    decltype(&BASS_ChannelGetTags) channel_get_tags;
    decltype(&BASS_ChannelIsActive) channel_is_active;
    decltype(&BASS_StreamFree) stream_free;
    decltype(&BASS_ChannelGetData) channel_get_data;
    decltype(&BASS_SetVolume) set_volume;
    decltype(&BASS_GetVolume) get_volume;
    decltype(&BASS_ChannelBytes2Seconds) channel_bytes_to_seconds;
    decltype(&BASS_ChannelSeconds2Bytes) channel_seconds_to_bytes;
};

inline constexpr const char* BASS_LIBRARY_FILE = "bass.dll";

// Loads "bass.dll" from the library folder at the first call and binds every
// function. nullptr while the library cannot be loaded or lacks a function; a
// later call tries again, so the library is loaded by the first call that can.
const BassBinding* bass_binding();

// Why the last attempt to load the library failed; empty once it is loaded.
std::string bass_load_error();

}  // namespace vokalin
