#include "net/text_helpers.h"

#include "net/text_encoding.h"
#include "net/text_search.h"

namespace vokalin {

const std::string& quote_placeholder() {
    static const std::string placeholder = gbk("#引号");
    return placeholder;
}

std::string text_before(std::string_view text, std::string_view marker, long start,
                        bool ignore_case) {
    std::size_t pos = 0;
    if (start < 0) {
        const std::size_t n = static_cast<std::size_t>(-start);
        const std::size_t leave_out = (n == 1 ? 0 : n) + 1;
        if (leave_out >= text.size()) return {};
        pos = find_last_text(text, marker, text.size() - leave_out, ignore_case);
    } else {
        pos = find_text(text, marker, static_cast<std::size_t>(start), ignore_case);
    }
    if (pos == 0) return {};
    return std::string(text.substr(0, pos - 1));
}

std::string text_between(std::string_view text, std::string_view left, std::string_view right,
                         long start, bool ignore_case) {
    const std::string left_marker = replace_all(left, quote_placeholder(), "\"");
    const std::string right_marker = replace_all(right, quote_placeholder(), "\"");
    const std::size_t from = start <= 0 ? 1 : static_cast<std::size_t>(start);
    const std::size_t l = find_text(text, left_marker, from, ignore_case);
    if (l == 0) return {};
    const std::size_t c = l + left_marker.size();
    const std::size_t d = find_text(text, right_marker, c, ignore_case);
    if (d == 0) return {};
    return std::string(text.substr(c - 1, d - c));
}

std::string base64_encode(const Bytes& bytes) {
    static constexpr char ALPHABET[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t left = bytes.size() - i;
        const unsigned b1 = bytes[i];
        const unsigned b2 = left > 1 ? bytes[i + 1] : 0;
        const unsigned b3 = left > 2 ? bytes[i + 2] : 0;
        out.push_back(ALPHABET[b1 >> 2]);
        out.push_back(ALPHABET[((b1 & 0x03) << 4) | (b2 >> 4)]);
        out.push_back(left > 1 ? ALPHABET[((b2 & 0x0F) << 2) | (b3 >> 6)] : '=');
        out.push_back(left > 2 ? ALPHABET[b3 & 0x3F] : '=');
    }
    return out;
}

}  // namespace vokalin
