#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vokalin::msc_standin {

enum class TextEncoding { gb18030, utf8, utf16le };

// "GB2312", "GBK", "GB18030" (and "CP936"), "UTF8"/"UTF-8", "unicode"/"UTF-16LE";
// case does not matter. An empty name means GB2312.
std::optional<TextEncoding> encoding_by_name(std::string_view name);

// Decodes text; a byte sequence that is not valid in the encoding becomes a
// blank, a zero character or byte-order mark is dropped.
std::u32string decode_text(std::string_view bytes, TextEncoding encoding);

// A run of text to speak, or a pause of silence_ms milliseconds.
struct TextPiece {
    std::string utf8;
    std::uint32_t silence_ms = 0;
};

inline constexpr std::uint32_t LONGEST_PAUSE_MS = 60'000;
inline constexpr std::uint32_t TOTAL_PAUSE_MS = 600'000;

// Cuts the text at the pause marks "[3秒]", "[500毫秒]" and "[p500]" (the last
// one in milliseconds). A pause is at most LONGEST_PAUSE_MS, all pauses of one
// text together at most TOTAL_PAUSE_MS. Other brackets stay text.
std::vector<TextPiece> split_pause_marks(std::u32string_view text);

}  // namespace vokalin::msc_standin
