#pragma once

// Header lines ("Name: value"), header blocks (lines joined by CR LF) and
// cookie texts (items "name=value" joined by "; ").

#include <string>
#include <string_view>
#include <vector>

namespace vokalin {

// Trimmed text before / after the first ":" of line; empty without ":".
std::string header_name(std::string_view line);
std::string header_value(std::string_view line);

// First byte upper-cased when it is an ASCII lower-case letter.
std::string capitalize_first(std::string_view text);

// Drops lines without ":" and capitalises every dash-separated word of each name.
std::string normalize_header_block(std::string_view block);

// Merges received cookies over the held ones (received win; "=deleted" items
// drop the cookie). Both arguments are trimmed in place; current receives the
// merged text, which is also returned.
std::string merge_cookies(std::string& current, std::string& received);

// Trimmed text before the first "=", or the whole item trimmed.
std::string cookie_name(std::string_view item);

bool has_cookie_name(const std::vector<std::string>& items, std::string_view name);

// The items of text, split on separator, with repeats removed.
std::string unique_items(std::string_view text, std::string_view separator);

// 1-based index of the first element equal to item, or -1.
long find_item(const std::vector<std::string>& items, std::string_view item);

}  // namespace vokalin
