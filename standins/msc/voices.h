#pragma once

#include <span>
#include <string_view>

namespace vokalin::msc_standin {

// One voice of the library: the espeak-ng voice (language and variant) and the
// espeak-ng base pitch and pitch range (0-100) it speaks with at pitch 50.
struct VoiceProfile {
    std::string_view name;
    const char* espeak_voice;
    int pitch_base;
    int pitch_range;
};

std::span<const VoiceProfile> all_voices();

// The voice of that name (case is ignored), or nullptr.
const VoiceProfile* find_voice(std::string_view name);

}  // namespace vokalin::msc_standin
