// How long after the play/save click the first sound reaches the audio device,
// for a 2000-character Chinese text, next to a direct espeak-ng synthesis of a
// first segment alone, measured in the same run.
//
//   build/default/bench/ui/first_audio_bench [runs]

#include <espeak-ng/speak_lib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "audio/audio_player.h"
#include "net/text_encoding.h"
#include "platform/library_placement.h"
#include "speech/speech_engine.h"
#include "ui/main/main_window.h"
#include "ui/main/qt_text.h"

namespace fs = std::filesystem;
using namespace vokalin;

namespace {

std::string chinese_text(int characters) {
    const std::string sentence = gbk("今天天气很好，我们一起去公园散步。");
    std::string text;
    while (static_cast<int>(text.size()) < characters * 2) text += sentence;
    return text.substr(0, static_cast<std::size_t>(characters) * 2);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int on_samples(short*, int, espeak_EVENT*) {
    return 0;
}

// Seconds for espeak-ng to synthesize one first segment (300 characters).
// Runs in a child process: the speech library uses the same espeak-ng.
double direct_espeak_once() {
    static bool ready = [] {
        espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 500, nullptr, 0);
        espeak_SetSynthCallback(on_samples);
        return espeak_SetVoiceByName("cmn-latn-pinyin") == EE_OK ||
               espeak_SetVoiceByName("cmn") == EE_OK;
    }();
    (void)ready;
    const std::string utf8 = to_utf8(chinese_text(300));
    const auto start = std::chrono::steady_clock::now();
    espeak_Synth(utf8.c_str(), utf8.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr,
                 nullptr);
    espeak_Synchronize();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::vector<double> direct_espeak_seconds(int runs) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        for (int i = 0; i < runs; ++i) {
            const double seconds = direct_espeak_once();
            if (write(fds[1], &seconds, sizeof seconds) != sizeof seconds) break;
        }
        _exit(0);
    }
    close(fds[1]);
    std::vector<double> times;
    double seconds = 0;
    while (read(fds[0], &seconds, sizeof seconds) == sizeof seconds) times.push_back(seconds);
    close(fds[0]);
    waitpid(child, nullptr, 0);
    return times;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::vector<double> direct = direct_espeak_seconds(runs);
    if (direct.empty()) return 1;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    QApplication app(argc, argv);

    platform::set_library_directory(VOKALIN_STANDIN_DIR);
    AudioPlayer player;
    SpeechEngine speech_engine;
    PlaybackState playback;
    JobState job_state;
    RemoteConfig remote_config;
    const std::string current_version = "3.00";
    SharedText marquee_text;
    const fs::path run_dir =
        fs::temp_directory_path() / ("vokalin-bench-" + std::to_string(getpid()));

    std::vector<double> program;
    for (int run = 0; run < runs; ++run) {
        fs::remove_all(run_dir);
        fs::create_directories(run_dir);
        {
            MainWindow window(MainWindowContext{speech_engine, player, playback, job_state,
                                                remote_config, current_version, marquee_text,
                                                "a3c71d2e", run_dir});
            window.on_created();
            window.findChild<QPlainTextEdit*>(QString::fromUtf8("编辑框1"))
                ->setPlainText(qstring_from_text(chinese_text(2000)));
            auto* play = window.findChild<QPushButton*>(QString::fromUtf8("超级按钮1"));
            QElapsedTimer clock;
            clock.start();
            play->click();
            while (true) {
                const StreamHandle s = playback.current_stream;
                if (s != 0 && player.get_position(s) > 0) break;
                QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            }
            program.push_back(clock.nsecsElapsed() / 1e9);
            window.stop();
            window.pipeline().shutdown();
        }
    }
    fs::remove_all(run_dir);
    std::printf(
        "click to first sample at the device (2000 characters): median %.3f s over %d runs\n",
        median(program), runs);
    std::printf("direct espeak-ng, first segment alone (300 characters): median %.3f s\n",
                median(direct));
    std::printf("ratio program / direct: %.2f\n", median(program) / median(direct));
    return 0;
}
