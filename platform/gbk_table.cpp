#include "platform/gbk_table.h"

#include <iconv.h>

#include <array>
#include <memory>

namespace vokalin::platform::detail {
namespace {

constexpr char16_t REPLACEMENT = 0xFFFD;

struct GbkTable {
    // to_unicode[(lead - 0x81) * 192 + (trail - 0x40)], 0 when unmapped
    std::array<char16_t, 126 * 192> to_unicode{};
    // from_unicode[code unit], 0 when GBK has no such character
    std::array<std::uint16_t, 65536> from_unicode{};

    GbkTable() {
        iconv_t cd = iconv_open("UTF-16LE", "GBK");
        if (cd == reinterpret_cast<iconv_t>(-1)) return;
        for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
            for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
                if (trail == 0x7F) continue;
                char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                unsigned char out[4] = {};
                char* in_ptr = in;
                char* out_ptr = reinterpret_cast<char*>(out);
                size_t in_left = 2, out_left = 4;
                iconv(cd, nullptr, nullptr, nullptr, nullptr);
                if (iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) == static_cast<size_t>(-1) ||
                    out_left != 2) {
                    continue;
                }
                const auto unit = static_cast<char16_t>(out[0] | (out[1] << 8));
                to_unicode[(lead - 0x81) * 192 + (trail - 0x40)] = unit;
                if (from_unicode[unit] == 0) {
                    from_unicode[unit] = static_cast<std::uint16_t>((lead << 8) | trail);
                }
            }
        }
        iconv_close(cd);
    }
};

const GbkTable& table() {
    static const auto instance = std::make_unique<GbkTable>();
    return *instance;
}

}  // namespace

std::u16string decode_gbk(std::string_view bytes) {
    const GbkTable& t = table();
    std::u16string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            out.push_back(lead);
            ++i;
            continue;
        }
        if (lead >= 0x81 && lead <= 0xFE && i + 1 < bytes.size()) {
            const auto trail = static_cast<unsigned char>(bytes[i + 1]);
            if (trail >= 0x40 && trail <= 0xFE) {
                const char16_t unit = t.to_unicode[(lead - 0x81) * 192 + (trail - 0x40)];
                if (unit != 0) {
                    out.push_back(unit);
                    i += 2;
                    continue;
                }
            }
        }
        out.push_back(REPLACEMENT);
        ++i;
    }
    return out;
}

std::string encode_gbk(std::u16string_view units) {
    const GbkTable& t = table();
    std::string out;
    out.reserve(units.size() * 2);
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t unit = units[i];
        if (unit < 0x80) {
            out.push_back(static_cast<char>(unit));
            continue;
        }
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            ++i;  // a character outside the basic plane: GBK holds none of them
            out.push_back('?');
            continue;
        }
        const std::uint16_t code = t.from_unicode[unit];
        if (code == 0) {
            out.push_back('?');
        } else {
            out.push_back(static_cast<char>(code >> 8));
            out.push_back(static_cast<char>(code & 0xFF));
        }
    }
    return out;
}

}  // namespace vokalin::platform::detail
