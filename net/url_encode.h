#pragma once

#include <string>
#include <string_view>

namespace vokalin {

// Percent-encodes every byte ("%" and two upper-case hex digits). With
// keep_unreserved, "-", ".", digits and ASCII letters stay; with as_utf8 the
// GBK text is converted to UTF-8 first.
std::string url_encode(std::string_view text, bool keep_unreserved = false, bool as_utf8 = false);

}  // namespace vokalin
