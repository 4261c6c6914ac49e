#include "speech/wav_container.h"

#include <gtest/gtest.h>

#include <cstring>

namespace vokalin {
namespace {

std::uint32_t u32_at(const Bytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::uint16_t u16_at(const Bytes& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

TEST(WrapWav, HeaderFieldsForSeveralSizes) {
    for (std::size_t n : {0u, 1u, 3u, 32000u}) {
        Bytes audio(n);
        for (std::size_t i = 0; i < n; ++i) audio[i] = static_cast<std::uint8_t>(i * 7);
        const Bytes wav = wrap_wav(audio);
        ASSERT_EQ(wav.size(), n + 44) << n;  // no pad byte after odd data
        EXPECT_EQ(std::memcmp(wav.data(), "RIFF", 4), 0);
        EXPECT_EQ(u32_at(wav, 4), n + 36);
        EXPECT_EQ(std::memcmp(wav.data() + 8, "WAVEfmt ", 8), 0);
        EXPECT_EQ(u32_at(wav, 16), 16u);
        EXPECT_EQ(u16_at(wav, 20), 1);
        EXPECT_EQ(u16_at(wav, 22), 1);
        EXPECT_EQ(u32_at(wav, 24), 16000u);
        EXPECT_EQ(u32_at(wav, 28), 32000u);
        EXPECT_EQ(u16_at(wav, 32), 2);
        EXPECT_EQ(u16_at(wav, 34), 16);
        EXPECT_EQ(std::memcmp(wav.data() + 36, "data", 4), 0);
        EXPECT_EQ(u32_at(wav, 40), n);
        EXPECT_TRUE(std::equal(audio.begin(), audio.end(), wav.begin() + 44));
    }
}

TEST(WrapWav, ConcatenatedSegmentsGetOneHeader) {
    const Bytes a(10, 1), b(20, 2);
    Bytes whole = a;
    whole.insert(whole.end(), b.begin(), b.end());
    const Bytes wav = wrap_wav(whole);
    EXPECT_EQ(wav.size(), 74u);
    EXPECT_EQ(u32_at(wav, 40), 30u);
    EXPECT_NE(wav, [&] {
        Bytes two = wrap_wav(a);
        const Bytes wb = wrap_wav(b);
        two.insert(two.end(), wb.begin(), wb.end());
        return two;
    }());
}

}  // namespace
}  // namespace vokalin
