#pragma once

#include "platform/bytes.h"

namespace vokalin {

// The image of a RIFF/WAVE file: a 44-byte header declaring 16-bit mono PCM at
// 16000 samples per second, followed by the audio bytes unchanged.
Bytes wrap_wav(const Bytes& audio);

}  // namespace vokalin
