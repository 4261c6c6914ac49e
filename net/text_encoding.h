#pragma once

// Conversions between the program's own text (GBK) and UTF-16 / UTF-8.
//
// GBK literals: source files are UTF-8, so a Chinese literal is always written
// as gbk("缓存"). That is the one way to obtain GBK text from a source literal.

#include <optional>
#include <string>
#include <string_view>

#include "platform/bytes.h"
#include "platform/platform.h"

namespace vokalin {

// GBK text of a UTF-8 source literal.
std::string gbk(std::string_view utf8_literal);

// Reads the zero-terminated multibyte text in code_page and returns UTF-16LE
// units followed by one zero unit.
Bytes to_wide(std::string_view text, int code_page = platform::CODE_PAGE_UTF8);

// Converts the UTF-16LE units up to the first zero unit into code_page;
// characters it cannot hold become "?".
std::string from_wide(const Bytes& wide, int code_page = platform::CODE_PAGE_ANSI);

// Text whose bytes are UTF-8 (as received from the web) to GBK.
std::string to_gbk(std::string_view utf8_text);

// GBK text to a text whose bytes are UTF-8.
std::string to_utf8(std::string_view gbk_text);

// A UTF-8 response body as GBK text; a zero byte in the body ends the text.
std::string utf8_to_text(const Bytes& body);

// Re-encodes bytes by charset name (empty names mean "UTF-8" and "GBK"); the
// text passes through GBK on its way. The result starts at start_offset when
// given. Unknown charsets give an empty byte set.
Bytes convert_charset(const Bytes& bytes, std::string from = "UTF-8", std::string to = "GBK",
                      std::optional<std::size_t> start_offset = std::nullopt);

}  // namespace vokalin
