#pragma once

#include <string>

#include "standins/msc/msc_api.h"

namespace vokalin {

// The speech SDK's functions, bound by their exported names.
struct MscBinding {
    MSPLoginFunction login;
    MSPLogoutFunction logout;
    QTTSSessionBeginFunction session_begin;
    QTTSTextPutFunction text_put;
    QTTSAudioGetFunction audio_get;
    QTTSSessionEndFunction session_end;
};

inline constexpr const char* MSC_LIBRARY_FILE = "msc.dll";

// Result of a call that could not be made because the SDK is not loaded.
inline constexpr int MSC_LIBRARY_UNAVAILABLE = -1;

// Loads "msc.dll" from the library folder at the first call and binds every
// function. nullptr while the library cannot be loaded or lacks a function; a
// later call tries again, so the library is loaded by the first call that can.
const MscBinding* msc_binding();

// Why the last attempt to load the library failed; empty once it is loaded.
std::string msc_load_error();

}  // namespace vokalin
