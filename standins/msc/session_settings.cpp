#include "standins/msc/session_settings.h"

#include <charconv>
#include <cmath>
#include <string>

#include "standins/msc/msc_api.h"

namespace vokalin::msc_standin {
namespace {

std::string_view trim_blanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

}  // namespace

int prosody_value(std::string_view text) {
    text = trim_blanks(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return 50;
    double value = 0;
    const auto [end, ec] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (end != text.data() + text.size()) return 50;
    if (ec == std::errc::result_out_of_range) return text.front() == '-' ? 0 : 100;
    if (ec != std::errc{} || !std::isfinite(value)) return 50;
    if (value <= 0) return 0;
    if (value >= 100) return 100;
    return static_cast<int>(std::lround(value));
}

std::optional<std::string_view> parameter_value(std::string_view params, std::string_view key) {
    while (!params.empty()) {
        const std::size_t comma = params.find(',');
        std::string_view item = params.substr(0, comma);
        params = comma == std::string_view::npos ? std::string_view{} : params.substr(comma + 1);
        const std::size_t equals = item.find('=');
        if (equals == std::string_view::npos) continue;
        if (trim_blanks(item.substr(0, equals)) == key) return trim_blanks(item.substr(equals + 1));
    }
    return std::nullopt;
}

int parse_session_settings(std::string_view params, SessionSettings& settings) {
    settings = SessionSettings{};
    settings.voice = find_voice(parameter_value(params, "voice_name").value_or(""));
    if (!settings.voice) return MSC_ERROR_UNKNOWN_VOICE;
    const auto encoding = encoding_by_name(parameter_value(params, "text_encoding").value_or(""));
    if (!encoding) return MSC_ERROR_UNKNOWN_ENCODING;
    settings.encoding = *encoding;
    settings.speed = prosody_value(parameter_value(params, "speed").value_or(""));
    settings.pitch = prosody_value(parameter_value(params, "pitch").value_or(""));
    settings.volume = prosody_value(parameter_value(params, "volume").value_or(""));
    const std::string_view increase = parameter_value(params, "speed_increase").value_or("");
    settings.speed_increase = increase == "2" ? 2 : increase == "4" ? 4 : 1;
    return MSC_OK;
}

}  // namespace vokalin::msc_standin
