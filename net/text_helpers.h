#pragma once

// Cutting pieces out of pages, header blocks and documents, and Base64.

#include <string>
#include <string_view>

#include "platform/bytes.h"

namespace vokalin {

// "#引号": inside marker texts it stands for one double quote.
const std::string& quote_placeholder();

// The text before the marker, or empty when the marker is missing. start 0 or
// positive searches forwards from that 1-based position (0 means 1); a negative
// start searches backwards, leaving out trailing bytes (-1: only the last byte).
std::string text_before(std::string_view text, std::string_view marker, long start = 0,
                        bool ignore_case = false);

// The text between the left and the right marker, or empty when either is
// missing. Both markers may contain the quote placeholder.
std::string text_between(std::string_view text, std::string_view left, std::string_view right,
                         long start = 0, bool ignore_case = false);

// Standard Base64 (RFC 4648) on one line.
std::string base64_encode(const Bytes& bytes);

}  // namespace vokalin
