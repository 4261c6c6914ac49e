#pragma once

#include <optional>
#include <string_view>

#include "standins/msc/text_pieces.h"
#include "standins/msc/voices.h"

namespace vokalin::msc_standin {

// What a session's parameter text asks for.
struct SessionSettings {
    const VoiceProfile* voice = nullptr;
    int speed = 50;  // 0-100, 50 normal
    int pitch = 50;
    int volume = 50;
    int speed_increase = 1;  // 1, 2 or 4 times faster
    TextEncoding encoding = TextEncoding::gb18030;
};

// A prosody value: a decimal number clamped to 0-100; 50 when it is empty or
// not a number.
int prosody_value(std::string_view text);

// The value of key in a comma-separated key=value list; nullopt when absent.
std::optional<std::string_view> parameter_value(std::string_view params, std::string_view key);

// Reads the parameter text of a session; 0 or an error code of msc_api.h.
int parse_session_settings(std::string_view params, SessionSettings& settings);

}  // namespace vokalin::msc_standin
