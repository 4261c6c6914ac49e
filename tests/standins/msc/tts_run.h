#pragma once

// Runs one synthesis session through the speech library's C functions.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "standins/msc/msc_api.h"

namespace vokalin::test {

struct TtsRun {
    int begin_error = 0;
    int put_result = 0;
    int error = 0;  // first non-zero error code of QTTSAudioGet
    std::vector<std::uint8_t> audio;
    std::vector<std::size_t> chunk_sizes;
    bool ended = false;  // status 2 was seen
    bool end_came_with_audio = false;
    double first_chunk_seconds = 0;  // after QTTSTextPut
    double end_seconds = 0;
};

inline std::string tts_params(const std::string& voice, const std::string& speed = "50",
                              const std::string& pitch = "50", const std::string& volume = "50",
                              const std::string& encoding = "GB2312",
                              const std::string& speed_increase = "1") {
    return "engine_type=,voice_name=" + voice + ",speed=" + speed + ",volume=" + volume +
           ",pitch=" + pitch + ",tts_res_path=fo|common.jet|0|1024;fo| xiaoyan.jet|0|1024,rdn=," +
           "rcn=,text_encoding=" + encoding + ",sample_rate=,background_sound=,aue=,ttp=," +
           "speed_increase=" + speed_increase + ",effect=";
}

inline TtsRun run_tts(const std::string& params, const std::string& text) {
    using clock = std::chrono::steady_clock;
    TtsRun run;
    const char* id = QTTSSessionBegin(params.c_str(), &run.begin_error);
    if (!id || run.begin_error != 0) return run;
    const std::string session = id;
    const auto start = clock::now();
    run.put_result =
        QTTSTextPut(session.c_str(), text.data(), static_cast<unsigned int>(text.size()), "");
    for (int calls = 0; run.put_result == 0 && calls < 100000; ++calls) {
        unsigned int length = 0;
        int status = 0;
        int error = 0;
        const void* data = QTTSAudioGet(session.c_str(), &length, &status, &error);
        if (data && length > 0) {
            if (run.chunk_sizes.empty())
                run.first_chunk_seconds =
                    std::chrono::duration<double>(clock::now() - start).count();
            const auto* bytes = static_cast<const std::uint8_t*>(data);
            run.audio.insert(run.audio.end(), bytes, bytes + length);
            run.chunk_sizes.push_back(length);
        }
        if (error != 0) {
            run.error = error;
            break;
        }
        if (status == MSC_TTS_AUDIO_END) {
            run.ended = true;
            run.end_came_with_audio = data && length > 0;
            run.end_seconds = std::chrono::duration<double>(clock::now() - start).count();
            break;
        }
    }
    QTTSSessionEnd(session.c_str(), "正常关闭");
    return run;
}

}  // namespace vokalin::test
