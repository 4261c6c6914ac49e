#include "net/text_search.h"

namespace vokalin {
namespace {

unsigned char fold(unsigned char c, bool ignore_case) {
    return ignore_case && c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c;
}

bool matches_at(std::string_view text, std::size_t index, std::string_view needle,
                bool ignore_case) {
    if (needle.size() > text.size() - index) return false;
    for (std::size_t k = 0; k < needle.size(); ++k) {
        if (fold(static_cast<unsigned char>(text[index + k]), ignore_case) !=
            fold(static_cast<unsigned char>(needle[k]), ignore_case)) {
            return false;
        }
    }
    return true;
}

constexpr char FULL_WIDTH_BLANK[] = "\xA1\xA1";

}  // namespace

std::size_t char_length(std::string_view text, std::size_t index) {
    if (index + 1 < text.size() && static_cast<unsigned char>(text[index]) >= 0x80) return 2;
    return 1;
}

std::size_t find_text(std::string_view text, std::string_view needle, std::size_t start,
                      bool ignore_case) {
    if (needle.empty()) return 0;
    for (std::size_t i = start == 0 ? 0 : start - 1; i < text.size(); i += char_length(text, i)) {
        if (matches_at(text, i, needle, ignore_case)) return i + 1;
    }
    return 0;
}

std::size_t find_last_text(std::string_view text, std::string_view needle, std::size_t limit,
                           bool ignore_case) {
    if (needle.empty() || limit < needle.size()) return 0;
    std::size_t found = 0;
    for (std::size_t i = 0; i + needle.size() <= limit && i < text.size();
         i += char_length(text, i)) {
        if (matches_at(text, i, needle, ignore_case)) found = i + 1;
    }
    return found;
}

bool contains_text(std::string_view text, std::string_view needle, bool ignore_case) {
    return find_text(text, needle, 1, ignore_case) != 0;
}

std::string replace_all(std::string_view text, std::string_view needle,
                        std::string_view replacement, bool ignore_case) {
    std::string out;
    std::size_t from = 0;  // 0-based index of the first byte not yet copied
    while (std::size_t pos = find_text(text, needle, from + 1, ignore_case)) {
        out.append(text.substr(from, pos - 1 - from));
        out.append(replacement);
        from = pos - 1 + needle.size();
    }
    out.append(text.substr(from));
    return out;
}

std::vector<std::string> split_on(std::string_view text, std::string_view separator) {
    std::vector<std::string> items;
    if (text.empty()) return items;
    if (separator.empty()) {
        items.emplace_back(text);
        return items;
    }
    std::size_t from = 0;
    while (std::size_t pos = find_text(text, separator, from + 1)) {
        items.emplace_back(text.substr(from, pos - 1 - from));
        from = pos - 1 + separator.size();
    }
    if (from < text.size()) items.emplace_back(text.substr(from));
    return items;
}

std::string trim_blanks(std::string_view text) {
    // Walk whole characters so that a blank is never taken out of the middle of one.
    std::size_t begin = text.size();
    std::size_t end = 0;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t len = char_length(text, i);
        const bool blank =
            (len == 1 && text[i] == ' ') || (len == 2 && text.substr(i, 2) == FULL_WIDTH_BLANK);
        if (!blank) {
            if (begin == text.size()) begin = i;
            end = i + len;
        }
        i += len;
    }
    if (begin >= end) return {};
    return std::string(text.substr(begin, end - begin));
}

bool starts_with_text(std::string_view text, std::string_view prefix, bool ignore_case) {
    return text.size() >= prefix.size() && matches_at(text, 0, prefix, ignore_case);
}

bool ends_with_text(std::string_view text, std::string_view suffix, bool ignore_case) {
    return text.size() >= suffix.size() &&
           matches_at(text, text.size() - suffix.size(), suffix, ignore_case);
}

std::string ascii_lower(std::string_view text) {
    std::string out(text);
    for (auto& c : out) c = static_cast<char>(fold(static_cast<unsigned char>(c), true));
    return out;
}

}  // namespace vokalin
