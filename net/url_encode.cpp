#include "net/url_encode.h"

#include "net/text_encoding.h"

namespace vokalin {

std::string url_encode(std::string_view text, bool keep_unreserved, bool as_utf8) {
    static constexpr char HEX[] = "0123456789ABCDEF";
    const std::string bytes = as_utf8 ? to_utf8(text) : std::string(text);
    std::string out;
    out.reserve(bytes.size() * 3);
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        const bool unreserved = c == '-' || c == '.' || (c >= '0' && c <= '9') ||
                                (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (keep_unreserved && unreserved) {
            out.push_back(ch);
        } else {
            out.push_back('%');
            out.push_back(HEX[c >> 4]);
            out.push_back(HEX[c & 0x0F]);
        }
    }
    return out;
}

}  // namespace vokalin
