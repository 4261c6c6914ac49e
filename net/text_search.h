#pragma once

// Searching, splitting and trimming of the program's GBK text. Every search
// steps over a double-byte character as a whole: a byte with its high bit set
// is taken together with the byte after it, so a match never begins on the
// second byte of a character. Positions are 1-based; 0 means "not found".
// An empty needle is never found.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vokalin {

// Length in bytes of the character that begins at text[index] (1 or 2; 1 for
// a lone lead byte at the very end).
std::size_t char_length(std::string_view text, std::size_t index);

// First occurrence of needle at a character start, at or after the 1-based
// position start (0 counts as 1).
std::size_t find_text(std::string_view text, std::string_view needle, std::size_t start = 1,
                      bool ignore_case = false);

// Last occurrence of needle at a character start that lies wholly within the
// first limit bytes of text.
std::size_t find_last_text(std::string_view text, std::string_view needle, std::size_t limit,
                           bool ignore_case = false);

bool contains_text(std::string_view text, std::string_view needle, bool ignore_case = false);

// Every occurrence of needle replaced by replacement (searching at character starts).
std::string replace_all(std::string_view text, std::string_view needle,
                        std::string_view replacement, bool ignore_case = false);

// Cuts text at every occurrence of separator, from the left. An empty text gives
// no items; consecutive separators and a separator at the start give empty items;
// a separator at the very end gives no empty last item.
std::vector<std::string> split_on(std::string_view text, std::string_view separator);

// Removes ASCII blanks and full-width blanks (0xA1 0xA1) from both ends; tabs,
// CR and LF stay.
std::string trim_blanks(std::string_view text);

bool starts_with_text(std::string_view text, std::string_view prefix, bool ignore_case = false);
bool ends_with_text(std::string_view text, std::string_view suffix, bool ignore_case = false);

// ASCII-only case mapping; every other byte stays.
std::string ascii_lower(std::string_view text);

}  // namespace vokalin
