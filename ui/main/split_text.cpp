#include "ui/main/split_text.h"

#include <random>

#include "net/text_encoding.h"
#include "net/text_search.h"

namespace vokalin {
namespace {

constexpr std::size_t SINGLE_SEGMENT_LIMIT = 700;

std::string cleaned(const std::string& text) {
    std::string no_blanks;
    no_blanks.reserve(text.size());
    for (char c : text) {
        if (c != ' ') no_blanks.push_back(c);
    }
    return replace_all(no_blanks, "\r\n", "");
}

}  // namespace

SegmentLengthSource random_segment_lengths() {
    auto engine = std::make_shared<std::mt19937>(std::random_device{}());
    return [engine] { return std::uniform_int_distribution<int>(200, 400)(*engine); };
}

void split_text(const std::string& text, std::vector<std::string>& segments,
                const SegmentLengthSource& next_length) {
    segments.clear();
    const std::string clean = cleaned(text);
    if (clean.size() <= SINGLE_SEGMENT_LIMIT) {
        segments.push_back(clean);
        return;
    }
    int target = next_length();
    std::string buffer;
    int units = 0;
    // One unit is one character: a byte of 0x80 or above takes the byte after it
    // with it, whatever that byte is, so GBK characters with a low second byte
    // stay whole.
    for (std::size_t i = 0; i < clean.size();) {
        const std::size_t len = char_length(clean, i);
        buffer.append(clean, i, len);
        i += len;
        if (++units == target) {
            segments.push_back(std::move(buffer));
            buffer.clear();
            units = 0;
            target = next_length();
        }
    }
    if (units > 0) segments.push_back(buffer + gbk("[3秒]"));
}

}  // namespace vokalin
