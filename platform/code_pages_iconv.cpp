// Code-page conversion over iconv (glibc). UTF-8 is decoded and encoded here
// directly so that invalid input is replaced the way a desktop decoder does it,
// instead of stopping the conversion.

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "platform/gbk_table.h"
#include "platform/platform.h"

namespace vokalin::platform {
namespace {

constexpr char16_t REPLACEMENT = 0xFFFD;

void append_code_point(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
}

// Decodes UTF-8; each maximal invalid subsequence becomes one U+FFFD.
std::u16string decode_utf8(std::string_view in) {
    std::u16string out;
    out.reserve(in.size());
    const auto* p = reinterpret_cast<const unsigned char*>(in.data());
    const size_t n = in.size();
    size_t i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            out.push_back(b);
            ++i;
            continue;
        }
        int extra = 0;
        char32_t cp = 0;
        unsigned char lo = 0x80, hi = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            extra = 1;
            cp = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            extra = 2;
            cp = b & 0x0F;
            if (b == 0xE0) lo = 0xA0;
            if (b == 0xED) hi = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            extra = 3;
            cp = b & 0x07;
            if (b == 0xF0) lo = 0x90;
            if (b == 0xF4) hi = 0x8F;
        } else {
            out.push_back(REPLACEMENT);
            ++i;
            continue;
        }
        size_t j = i + 1;
        bool ok = true;
        for (int k = 0; k < extra; ++k, ++j) {
            const unsigned char c = j < n ? p[j] : 0;
            const unsigned char min = k == 0 ? lo : 0x80;
            const unsigned char max = k == 0 ? hi : 0xBF;
            if (j >= n || c < min || c > max) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (c & 0x3F);
        }
        if (!ok) {
            out.push_back(REPLACEMENT);
            i = j;  // the valid prefix is consumed as one replacement
            continue;
        }
        append_code_point(out, cp);
        i = j;
    }
    return out;
}

std::string encode_utf8(std::u16string_view in) {
    std::string out;
    out.reserve(in.size() * 3);
    for (size_t i = 0; i < in.size(); ++i) {
        char32_t cp = in[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 &&
            in[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = REPLACEMENT;
        }
        append_utf8(out, cp);
    }
    return out;
}

std::string upper_name(std::string name) {
    for (auto& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

bool is_utf8_name(const std::string& name) {
    const std::string upper = upper_name(name);
    return upper == "UTF-8" || upper == "UTF8";
}

bool is_gbk_name(const std::string& name) {
    const std::string upper = upper_name(name);
    return upper == "GBK" || upper == "CP936" || upper == "GB2312";
}

class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts everything; on a sequence that cannot be converted, skips
    // skip_bytes of input (four for a surrogate pair when utf16_input) and
    // appends the replacement bytes instead.
    std::string run(const char* data, size_t size, size_t skip_bytes, std::string_view replacement,
                    bool utf16_input = false) {
        std::string out;
        out.resize(size * 2 + 16);
        char* in_ptr = const_cast<char*>(data);
        size_t in_left = size;
        size_t used = 0;
        while (in_left > 0) {
            char* out_ptr = out.data() + used;
            size_t out_left = out.size() - used;
            const size_t rc = iconv(cd_, &in_ptr, &in_left, &out_ptr, &out_left);
            used = out.size() - out_left;
            if (rc != static_cast<size_t>(-1)) break;
            if (errno == E2BIG) {
                out.resize(out.size() * 2);
                continue;
            }
            // EILSEQ or EINVAL (truncated input at the end)
            size_t skip = std::min(skip_bytes, in_left);
            if (utf16_input && in_left >= 4) {
                const auto* u = reinterpret_cast<const unsigned char*>(in_ptr);
                if ((u[1] & 0xFC) == 0xD8 && (u[3] & 0xFC) == 0xDC) skip = 4;
            }
            in_ptr += skip;
            in_left -= skip;
            if (out.size() - used < replacement.size()) out.resize(out.size() * 2 + 16);
            std::memcpy(out.data() + used, replacement.data(), replacement.size());
            used += replacement.size();
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        // Flush any shift state.
        for (;;) {
            char* out_ptr = out.data() + used;
            size_t out_left = out.size() - used;
            const size_t rc = iconv(cd_, nullptr, nullptr, &out_ptr, &out_left);
            used = out.size() - out_left;
            if (rc == static_cast<size_t>(-1) && errno == E2BIG) {
                out.resize(out.size() * 2);
                continue;
            }
            break;
        }
        out.resize(used);
        return out;
    }

  private:
    iconv_t cd_;
};

const char* charset_for(int code_page) {
    switch (code_page) {
        case CODE_PAGE_ANSI:
        case CODE_PAGE_GBK:
            return "GBK";
        case CODE_PAGE_UTF8:
            return "UTF-8";
        default:
            return nullptr;
    }
}

std::u16string units_from_le(const std::string& le) {
    std::u16string out(le.size() / 2, u'\0');
    for (size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(le[2 * i]) |
                                       (static_cast<unsigned char>(le[2 * i + 1]) << 8));
    }
    return out;
}

std::string units_to_le(std::u16string_view units) {
    std::string le(units.size() * 2, '\0');
    for (size_t i = 0; i < units.size(); ++i) {
        le[2 * i] = static_cast<char>(units[i] & 0xFF);
        le[2 * i + 1] = static_cast<char>(units[i] >> 8);
    }
    return le;
}

}  // namespace

void append_utf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::optional<std::u16string> decode_charset(std::string_view bytes, const std::string& charset) {
    if (is_utf8_name(charset)) return decode_utf8(bytes);
    if (is_gbk_name(charset)) return detail::decode_gbk(bytes);
    Converter conv("UTF-16LE", charset.c_str());
    if (!conv.ok()) return std::nullopt;
    // "\xFD\xFF" is U+FFFD in little-endian order; a bad byte is skipped alone.
    return units_from_le(conv.run(bytes.data(), bytes.size(), 1, std::string_view("\xFD\xFF", 2)));
}

std::optional<std::string> encode_charset(std::u16string_view units, const std::string& charset) {
    if (is_utf8_name(charset)) return encode_utf8(units);
    if (is_gbk_name(charset)) return detail::encode_gbk(units);
    Converter conv(charset.c_str(), "UTF-16LE");
    if (!conv.ok()) return std::nullopt;
    const std::string le = units_to_le(units);
    return conv.run(le.data(), le.size(), 2, "?", true);
}

std::u16string multibyte_to_wide(std::string_view bytes, int code_page) {
    const char* charset = charset_for(code_page);
    if (!charset) return {};
    return decode_charset(bytes, charset).value_or(std::u16string{});
}

std::string wide_to_multibyte(std::u16string_view units, int code_page) {
    const char* charset = charset_for(code_page);
    if (!charset) return {};
    return encode_charset(units, charset).value_or(std::string{});
}

}  // namespace vokalin::platform
