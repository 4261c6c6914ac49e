#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "net/text_encoding.h"
#include "standins/msc/msc_api.h"
#include "tests/standins/msc/tts_run.h"

namespace vokalin {
namespace {

TEST(MscStandinThreads, SessionsOnSeveralThreadsAtOnceEachGetTheirOwnAudio) {
    ASSERT_EQ(MSPLogin("", "", "appid=a3c71d2e"), 0);
    const std::vector<std::string> voices = {"xiaoyan", "john", "dalong", "nannan"};
    const std::string text = gbk("你好，世界");
    std::vector<std::size_t> alone;
    for (const std::string& voice : voices)
        alone.push_back(test::run_tts(test::tts_params(voice), text).audio.size());

    std::vector<std::vector<std::size_t>> together(voices.size());
    std::atomic<int> abandoned_ok{0};
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < voices.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 3; ++round) {
                together[t].push_back(
                    test::run_tts(test::tts_params(voices[t]), text).audio.size());
                // A session ended while its text is still being spoken.
                int error = 0;
                const char* id = QTTSSessionBegin(test::tts_params(voices[t]).c_str(), &error);
                if (!id) continue;
                const std::string session = id;
                QTTSTextPut(session.c_str(), text.data(), static_cast<unsigned>(text.size()), "");
                if (QTTSSessionEnd(session.c_str(), "") == 0) ++abandoned_ok;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(abandoned_ok, 12);
    for (std::size_t t = 0; t < voices.size(); ++t) {
        ASSERT_EQ(together[t].size(), 3u);
        for (const std::size_t size : together[t])
            EXPECT_NEAR(static_cast<double>(size), static_cast<double>(alone[t]),
                        0.005 * static_cast<double>(alone[t]))
                << voices[t];
    }
}

}  // namespace
}  // namespace vokalin
