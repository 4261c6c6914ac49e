#include "net/text_encoding.h"

#include <algorithm>

#include "net/text_search.h"

namespace vokalin {
namespace {

// The text up to its first zero byte, as a zero-terminated text would be read.
std::string_view up_to_zero(std::string_view text) {
    const auto zero = text.find('\0');
    return zero == std::string_view::npos ? text : text.substr(0, zero);
}

std::u16string_view units_up_to_zero(const Bytes& wide, std::u16string& storage) {
    storage.clear();
    for (std::size_t i = 0; i + 1 < wide.size(); i += 2) {
        const auto unit = static_cast<char16_t>(wide[i] | (wide[i + 1] << 8));
        if (unit == 0) break;
        storage.push_back(unit);
    }
    return storage;
}

std::string gbk_from_units(std::u16string_view units) {
    return platform::wide_to_multibyte(units, platform::CODE_PAGE_GBK);
}

}  // namespace

std::string gbk(std::string_view utf8_literal) {
    return to_gbk(utf8_literal);
}

Bytes to_wide(std::string_view text, int code_page) {
    const std::u16string units = platform::multibyte_to_wide(up_to_zero(text), code_page);
    Bytes wide;
    wide.reserve(units.size() * 2 + 2);
    for (char16_t unit : units) {
        wide.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        wide.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    wide.push_back(0);
    wide.push_back(0);
    return wide;
}

std::string from_wide(const Bytes& wide, int code_page) {
    std::u16string storage;
    return platform::wide_to_multibyte(units_up_to_zero(wide, storage), code_page);
}

std::string to_gbk(std::string_view utf8_text) {
    return gbk_from_units(
        platform::multibyte_to_wide(up_to_zero(utf8_text), platform::CODE_PAGE_UTF8));
}

std::string to_utf8(std::string_view gbk_text) {
    return platform::wide_to_multibyte(
        platform::multibyte_to_wide(up_to_zero(gbk_text), platform::CODE_PAGE_GBK),
        platform::CODE_PAGE_UTF8);
}

std::string utf8_to_text(const Bytes& body) {
    const std::string_view bytes(reinterpret_cast<const char*>(body.data()), body.size());
    return to_gbk(bytes);
}

Bytes convert_charset(const Bytes& bytes, std::string from, std::string to,
                      std::optional<std::size_t> start_offset) {
    if (from.empty()) from = "UTF-8";
    if (to.empty()) to = "GBK";
    std::string_view input(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    // A byte-order mark is read as such, not as text.
    if ((ascii_lower(from) == "utf-8" || ascii_lower(from) == "utf8") &&
        input.substr(0, 3) == "\xEF\xBB\xBF") {
        input.remove_prefix(3);
    }
    const auto decoded = platform::decode_charset(input, from);
    if (!decoded) return {};
    const std::string text = gbk_from_units(*decoded);
    const auto encoded =
        platform::encode_charset(platform::multibyte_to_wide(text, platform::CODE_PAGE_GBK), to);
    if (!encoded) return {};
    const std::size_t offset = std::min(start_offset.value_or(0), encoded->size());
    return Bytes(encoded->begin() + static_cast<std::ptrdiff_t>(offset), encoded->end());
}

}  // namespace vokalin
