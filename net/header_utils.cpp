#include "net/header_utils.h"

#include <unordered_set>

#include "net/text_search.h"

namespace vokalin {
namespace {

constexpr std::string_view CRLF = "\r\n";
constexpr std::string_view COOKIE_SEPARATOR = "; ";
constexpr std::string_view DELETED_MARK = "=deleted";

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

// Trims text in place and adds a space after a final ";" so the last item splits off.
void tidy_cookie_text(std::string& text) {
    text = trim_blanks(text);
    if (!text.empty() && text.back() == ';') text.push_back(' ');
}

}  // namespace

std::string header_name(std::string_view line) {
    const std::size_t colon = find_text(line, ":");
    return colon ? trim_blanks(line.substr(0, colon - 1)) : std::string();
}

std::string header_value(std::string_view line) {
    const std::size_t colon = find_text(line, ":");
    return colon ? trim_blanks(line.substr(colon)) : std::string();
}

std::string capitalize_first(std::string_view text) {
    std::string out(text);
    if (!out.empty()) out[0] = upper(out[0]);
    return out;
}

std::string normalize_header_block(std::string_view block) {
    std::string out;
    for (std::string& line : split_on(block, CRLF)) {
        const std::size_t colon = find_text(line, ":");
        if (colon == 0) continue;
        for (std::size_t i = 0; i + 1 < colon; ++i) {
            if (i == 0 || line[i - 1] == '-') line[i] = upper(line[i]);
        }
        out += line;
        out += CRLF;
    }
    if (!out.empty()) out.resize(out.size() - CRLF.size());
    return out;
}

std::string merge_cookies(std::string& current, std::string& received) {
    tidy_cookie_text(current);
    tidy_cookie_text(received);

    // The names test runs against the growing list, as has_cookie_name would,
    // through a set so long cookie texts stay linear.
    std::vector<std::string> merged = split_on(received, COOKIE_SEPARATOR);
    std::unordered_set<std::string> names;
    for (const std::string& item : merged) names.insert(cookie_name(item));
    for (std::string& item : split_on(current, COOKIE_SEPARATOR)) {
        if (names.insert(cookie_name(item)).second) merged.push_back(std::move(item));
    }

    std::string text;
    for (const std::string& item : merged) {
        if (ends_with_text(item, DELETED_MARK)) continue;
        text += item;
        text += COOKIE_SEPARATOR;
    }
    if (text.size() >= COOKIE_SEPARATOR.size()) text.resize(text.size() - COOKIE_SEPARATOR.size());

    current = unique_items(text, COOKIE_SEPARATOR);
    return current;
}

std::string cookie_name(std::string_view item) {
    const std::size_t eq = find_text(item, "=");
    return trim_blanks(eq ? item.substr(0, eq - 1) : item);
}

bool has_cookie_name(const std::vector<std::string>& items, std::string_view name) {
    for (const std::string& item : items) {
        if (cookie_name(item) == name) return true;
    }
    return false;
}

std::string unique_items(std::string_view text, std::string_view separator) {
    // A set instead of a linear find_item keeps long texts linear.
    std::unordered_set<std::string> seen;
    std::string out;
    for (std::string& item : split_on(text, separator)) {
        if (seen.contains(item)) continue;
        out += item;
        out += separator;
        seen.insert(std::move(item));
    }
    if (out.size() >= separator.size()) out.resize(out.size() - separator.size());
    return out;
}

long find_item(const std::vector<std::string>& items, std::string_view item) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i] == item) return static_cast<long>(i) + 1;
    }
    return -1;
}

}  // namespace vokalin
