#pragma once

// GBK decoding and encoding through a table that is filled from iconv once, so
// that invalid input and characters GBK cannot hold cost no more than valid ones.

#include <string>
#include <string_view>

namespace vokalin::platform::detail {

std::u16string decode_gbk(std::string_view bytes);  // invalid bytes become U+FFFD
std::string encode_gbk(std::u16string_view units);  // unencodable characters become "?"

}  // namespace vokalin::platform::detail
