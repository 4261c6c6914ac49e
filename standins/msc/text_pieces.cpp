#include "standins/msc/text_pieces.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cmath>

namespace vokalin::msc_standin {
namespace {

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool same_name(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lower(x) == lower(y); });
}

const char* iconv_name(TextEncoding encoding) {
    switch (encoding) {
        case TextEncoding::gb18030:
            return "GB18030";
        case TextEncoding::utf8:
            return "UTF-8";
        case TextEncoding::utf16le:
            return "UTF-16LE";
    }
    return "UTF-8";
}

std::size_t unit_size(TextEncoding encoding) {
    return encoding == TextEncoding::utf16le ? 2 : 1;
}

void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

bool is_digit(char32_t c) {
    return c >= U'0' && c <= U'9';
}

// Reads "[p500]", "[3秒]", "[1.5秒]" or "[500毫秒]" at text[at]; the pause in
// milliseconds and the length of the mark, or nothing.
std::optional<std::pair<double, std::size_t>> pause_mark_at(std::u32string_view text,
                                                            std::size_t at) {
    if (text[at] != U'[') return std::nullopt;
    std::size_t i = at + 1;
    const bool milliseconds_prefix = i < text.size() && (text[i] == U'p' || text[i] == U'P');
    if (milliseconds_prefix) ++i;
    const std::size_t number_start = i;
    double value = 0;
    while (i < text.size() && is_digit(text[i]) && i - number_start < 9) {
        value = value * 10 + static_cast<double>(text[i] - U'0');
        ++i;
    }
    if (i == number_start) return std::nullopt;
    if (!milliseconds_prefix && i < text.size() && text[i] == U'.') {
        ++i;
        double scale = 0.1;
        for (int digits = 0; i < text.size() && is_digit(text[i]) && digits < 6; ++i, ++digits) {
            value += scale * static_cast<double>(text[i] - U'0');
            scale /= 10;
        }
    }
    double ms = value;
    if (!milliseconds_prefix) {
        if (i < text.size() && text[i] == U'秒') {
            ms = value * 1000;
            ++i;
        } else if (i + 1 < text.size() && text[i] == U'毫' && text[i + 1] == U'秒') {
            i += 2;
        } else {
            return std::nullopt;
        }
    }
    if (i >= text.size() || text[i] != U']') return std::nullopt;
    return std::make_pair(ms, i + 1 - at);
}

}  // namespace

std::optional<TextEncoding> encoding_by_name(std::string_view name) {
    for (std::string_view gb : {"", "GB2312", "GBK", "GB18030", "CP936"})
        if (same_name(name, gb)) return TextEncoding::gb18030;
    for (std::string_view utf8 : {"UTF8", "UTF-8"})
        if (same_name(name, utf8)) return TextEncoding::utf8;
    for (std::string_view wide : {"unicode", "UTF-16LE", "UTF16LE"})
        if (same_name(name, wide)) return TextEncoding::utf16le;
    return std::nullopt;
}

std::u32string decode_text(std::string_view bytes, TextEncoding encoding) {
    std::u32string out;
    iconv_t cd = iconv_open("UTF-32LE", iconv_name(encoding));
    if (cd == reinterpret_cast<iconv_t>(-1)) return out;
    const std::size_t unit = unit_size(encoding);
    char* in = const_cast<char*>(bytes.data());
    std::size_t in_left = bytes.size() - bytes.size() % unit;
    std::vector<char> buffer(4096);
    auto take = [&](const char* end) {
        for (const char* p = buffer.data(); p + 4 <= end; p += 4) {
            const auto b = reinterpret_cast<const unsigned char*>(p);
            const char32_t c =
                b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<char32_t>(b[3]) << 24);
            if (c != 0 && c != 0xFEFF) out.push_back(c);
        }
    };
    while (in_left > 0) {
        char* o = buffer.data();
        std::size_t o_left = buffer.size();
        const std::size_t r = iconv(cd, &in, &in_left, &o, &o_left);
        take(o);
        if (r == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG) continue;
            // invalid or truncated sequence: one unit becomes a blank
            out.push_back(U' ');
            const std::size_t skip = std::min(unit, in_left);
            in += skip;
            in_left -= skip;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

std::vector<TextPiece> split_pause_marks(std::u32string_view text) {
    std::vector<TextPiece> pieces;
    std::uint32_t total_pause = 0;
    std::string current;
    auto flush_text = [&] {
        if (!current.empty()) pieces.push_back({std::move(current), 0});
        current.clear();
    };
    for (std::size_t i = 0; i < text.size();) {
        if (const auto mark = pause_mark_at(text, i)) {
            flush_text();
            const double wanted = std::min(mark->first, static_cast<double>(LONGEST_PAUSE_MS));
            const auto ms = std::min(static_cast<std::uint32_t>(std::lround(wanted)),
                                     TOTAL_PAUSE_MS - total_pause);
            total_pause += ms;
            if (ms > 0) pieces.push_back({{}, ms});
            i += mark->second;
            continue;
        }
        append_utf8(current, text[i]);
        ++i;
    }
    flush_text();
    return pieces;
}

}  // namespace vokalin::msc_standin
