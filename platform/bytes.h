#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vokalin {

// A counted byte buffer: audio, file contents and HTTP bodies travel as this.
using Bytes = std::vector<std::uint8_t>;

inline Bytes to_bytes(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

inline std::string to_string(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace vokalin
