// Synthesizes one 300-character Chinese text through SpeechEngine (the speech
// library in its own folder, as the program loads it) and through espeak-ng
// called directly, and prints the ratio of the two times.

#include <espeak-ng/speak_lib.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "net/text_encoding.h"
#include "platform/library_placement.h"
#include "speech/speech_engine.h"

namespace {

using clock_type = std::chrono::steady_clock;
constexpr int ROUNDS = 5;

std::vector<short>* direct_sink = nullptr;

int collect(short* samples, int count, espeak_EVENT*) {
    if (samples && count > 0 && direct_sink)
        direct_sink->insert(direct_sink->end(), samples, samples + count);
    return 0;
}

// The first n characters of a UTF-8 text.
std::string first_characters(const std::string& utf8, std::size_t n) {
    std::size_t i = 0;
    for (std::size_t count = 0; i < utf8.size() && count < n; ++count) {
        ++i;
        while (i < utf8.size() && (static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80) ++i;
    }
    return utf8.substr(0, i);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main() {
    std::string text;
    while (text.size() < 3000)
        text +=
            "春天来了，公园里的花都开了，孩子们在草地上放风筝，老人们坐在长椅上聊天。"
            "今天天气很好，我们一起去湖边散步，看看远处的山和天上的白云。"
            "学习语言需要耐心，每天读一点书，写一点字，慢慢就会进步。";
    const std::string utf8 = first_characters(text, 300);

    // espeak-ng directly, with the voice and prosody of xiaoyan at 50/50/50.
    std::vector<double> direct_ms;
    std::size_t direct_samples = 0;
    if (espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 100, nullptr, espeakINITIALIZE_DONT_EXIT) <=
        0) {
        std::fprintf(stderr, "espeak-ng cannot start\n");
        return 1;
    }
    espeak_SetSynthCallback(collect);
    espeak_SetVoiceByName("cmn-latn-pinyin+f2");
    espeak_SetParameter(espeakRATE, espeakRATE_NORMAL, 0);
    espeak_SetParameter(espeakPITCH, 55, 0);
    espeak_SetParameter(espeakRANGE, 55, 0);
    for (int round = 0; round <= ROUNDS; ++round) {
        std::vector<short> samples;
        direct_sink = &samples;
        const auto start = clock_type::now();
        espeak_Synth(utf8.c_str(), utf8.size() + 1, 0, POS_CHARACTER, 0,
                     espeakCHARS_UTF8 | espeakENDPAUSE, nullptr, nullptr);
        const double ms =
            std::chrono::duration<double, std::milli>(clock_type::now() - start).count();
        if (round > 0) direct_ms.push_back(ms);  // round 0 warms up
        direct_samples = samples.size();
    }
    direct_sink = nullptr;
    espeak_Terminate();

    // The same text through SpeechEngine and the speech library.
    std::string pattern =
        (std::filesystem::temp_directory_path() / "vokalin-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return 1;
    const std::filesystem::path folder = pattern;
    std::filesystem::copy_file(VOKALIN_MSC_LIBRARY, folder / "msc.dll");
    std::filesystem::permissions(folder / "msc.dll", std::filesystem::perms::owner_all);
    vokalin::platform::set_library_directory(folder);

    std::vector<double> engine_ms;
    std::size_t engine_bytes = 0;
    {
        vokalin::SpeechEngine engine;
        if (engine.login("a3c71d2e") != 0) {
            std::fprintf(stderr, "speech library cannot be used\n");
            return 1;
        }
        const std::string gbk_text = vokalin::to_gbk(utf8);
        for (int round = 0; round <= ROUNDS; ++round) {
            const auto start = clock_type::now();
            const std::string session =
                engine.begin_session(0, {.speed = "50", .volume = "50", .pitch = "50"});
            const vokalin::Bytes audio = engine.synthesize(session, gbk_text);
            engine.end_session(session);
            const double ms =
                std::chrono::duration<double, std::milli>(clock_type::now() - start).count();
            if (round > 0) engine_ms.push_back(ms);
            engine_bytes = audio.size();
        }
        engine.destroy();
    }
    std::filesystem::remove_all(folder);

    const double direct = median(direct_ms);
    const double through_engine = median(engine_ms);
    std::printf("300 characters, median of %d rounds\n", ROUNDS);
    std::printf("espeak-ng direct : %8.1f ms  (%.1f s of audio at 22050 Hz)\n", direct,
                static_cast<double>(direct_samples) / 22050);
    std::printf("SpeechEngine     : %8.1f ms  (%.1f s of audio at 16000 Hz)\n", through_engine,
                static_cast<double>(engine_bytes) / 32000);
    std::printf("ratio SpeechEngine / direct: %.2f\n", through_engine / direct);
    return 0;
}
