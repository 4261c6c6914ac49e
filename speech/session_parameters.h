#pragma once

#include <cstdint>
#include <string>

namespace vokalin {

// The optional arguments of a synthesis session, by their names; an empty text
// is an argument left out. Voice is given separately: an index for
// begin_session, a name for speak.
struct SessionOptions {
    std::string engine_type{};
    std::string speed{};
    std::string volume{};
    std::string pitch{};
    std::string tts_res_path{};  // empty: DEFAULT_TTS_RES_PATH
    std::string rdn{};
    std::string rcn{};
    std::string text_encoding{};  // empty: "GB2312"
    std::string sample_rate{};
    std::string background_sound{};
    std::string aue{};
    std::string ttp{};
    std::int32_t speed_increase = 0;  // selector, see speed_increase_value
    std::string effect{};
};

inline constexpr const char* DEFAULT_TTS_RES_PATH = "fo|common.jet|0|1024;fo| xiaoyan.jet|0|1024";
inline constexpr const char* DEFAULT_TEXT_ENCODING = "GB2312";
inline constexpr std::int32_t VOICE_COUNT = 17;

// Voice name of a position in the voice list: 0 or less "xiaoyan", 1 "yanping",
// ... 16 "john"; 17 or more the empty text.
std::string voice_name_for_index(std::int32_t index);

// 1 or less "1", 2 "2", 3 "4", 4 or more the empty text.
std::string speed_increase_value(std::int32_t selector);

// The session's parameter text: every key in its fixed order, each followed by
// its value as it stands (no quoting), empty values included.
std::string session_parameter_text(const std::string& voice_name, const SessionOptions& options);

}  // namespace vokalin
