#include "speech/wav_container.h"

#include <cstring>

namespace vokalin {
namespace {

void put_u32(Bytes& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void put_u16(Bytes& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put_text(Bytes& out, const char* text) {
    out.insert(out.end(), text, text + std::strlen(text));
}

}  // namespace

Bytes wrap_wav(const Bytes& audio) {
    constexpr std::uint16_t CHANNELS = 1;
    constexpr std::uint32_t SAMPLE_RATE = 16000;
    constexpr std::uint16_t BITS = 16;
    const auto n = static_cast<std::uint32_t>(audio.size());

    Bytes out;
    out.reserve(audio.size() + 44);
    put_text(out, "RIFF");
    put_u32(out, n + 36);
    put_text(out, "WAVEfmt ");
    put_u32(out, 16);
    put_u16(out, 1);
    put_u16(out, CHANNELS);
    put_u32(out, SAMPLE_RATE);
    put_u32(out, CHANNELS * SAMPLE_RATE * BITS / 8);
    put_u16(out, CHANNELS * BITS / 8);
    put_u16(out, BITS);
    put_text(out, "data");
    put_u32(out, n);
    out.insert(out.end(), audio.begin(), audio.end());
    return out;
}

}  // namespace vokalin
