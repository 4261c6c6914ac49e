#include "ui/main/text_checks.h"

#include <charconv>

#include "net/text_search.h"
#include "script/regex_matcher.h"

namespace vokalin {

bool is_all_double_byte(std::string_view t, bool use_pattern) {
    const std::string stripped = replace_all(replace_all(t, " ", ""), "\xA1\xA1", "");
    const std::size_t m = stripped.size();
    if (m <= 1) return false;
    if (use_pattern) return regex_test("^[\\u4e00-\\u9fa5]{1,}$", t);
    // Bytes of t itself are tested, as many as the stripped text has.
    for (std::size_t i = 0; i < m; ++i) {
        if (static_cast<unsigned char>(t[i]) < 0x80) return false;
    }
    return true;
}

std::string marquee_full_text(std::string_view status_text) {
    return std::string(56, ' ') + std::string(status_text);
}

std::vector<std::string> marquee_frames(std::string_view full) {
    std::vector<std::string> frames;
    frames.reserve(full.size());
    std::string current(full);
    for (std::size_t step = 0; step < full.size(); ++step) {
        const bool pair = current.size() >= 2 && is_all_double_byte(current.substr(0, 2));
        current.erase(0, std::min<std::size_t>(pair ? 2 : 1, current.size()));
        frames.push_back(current);
    }
    return frames;
}

float version_number(std::string_view text) {
    // Locale-independent: "3.10" is 3.1 whatever the user's locale says.
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    float number = 0.0f;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), number);
    return result.ec == std::errc() ? number : 0.0f;
}

bool update_available(std::string_view current_version, std::string_view latest_version) {
    return version_number(current_version) < version_number(latest_version);
}

}  // namespace vokalin
