#include "speech/session_parameters.h"

#include <array>

namespace vokalin {
namespace {

constexpr std::array<const char*, VOICE_COUNT> VOICE_NAMES = {
    "xiaoyan",   "yanping",  "xiaofeng", "jinger",    "donaldduck", "babyxu",
    "nannan",    "xiaomeng", "xiaolin",  "xiaoqian",  "xiaorong",   "xiaokun",
    "xiaoqiang", "xiaomei",  "dalong",   "catherine", "john"};

}  // namespace

std::string voice_name_for_index(std::int32_t index) {
    if (index <= 0) return VOICE_NAMES[0];
    if (index >= VOICE_COUNT) return {};
    return VOICE_NAMES[static_cast<std::size_t>(index)];
}

std::string speed_increase_value(std::int32_t selector) {
    if (selector <= 1) return "1";
    if (selector == 2) return "2";
    if (selector == 3) return "4";
    return {};
}

std::string session_parameter_text(const std::string& voice_name, const SessionOptions& options) {
    const std::string& res_path =
        options.tts_res_path.empty() ? std::string(DEFAULT_TTS_RES_PATH) : options.tts_res_path;
    const std::string& encoding =
        options.text_encoding.empty() ? std::string(DEFAULT_TEXT_ENCODING) : options.text_encoding;
    std::string text;
    text += "engine_type=" + options.engine_type;
    text += ",voice_name=" + voice_name;
    text += ",speed=" + options.speed;
    text += ",volume=" + options.volume;
    text += ",pitch=" + options.pitch;
    text += ",tts_res_path=" + res_path;
    text += ",rdn=" + options.rdn;
    text += ",rcn=" + options.rcn;
    text += ",text_encoding=" + encoding;
    text += ",sample_rate=" + options.sample_rate;
    text += ",background_sound=" + options.background_sound;
    text += ",aue=" + options.aue;
    text += ",ttp=" + options.ttp;
    text += ",speed_increase=" + speed_increase_value(options.speed_increase);
    text += ",effect=" + options.effect;
    return text;
}

}  // namespace vokalin
