#pragma once

#include "platform/bytes.h"

namespace vokalin {

// A short button click (25 ms) as a WAV image.
Bytes click_sound_wav();

}  // namespace vokalin
