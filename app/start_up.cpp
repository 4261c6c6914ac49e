#include "app/start_up.h"

#include <QWidget>

#include "app/embedded_libraries.h"
#include "app/pending_services.h"
#include "audio/bass_binding.h"
#include "net/text_encoding.h"
#include "platform/deployment.h"
#include "platform/platform.h"
#include "ui/main/main_window.h"
#include "ui/main/message_boxes.h"

namespace vokalin {
namespace {

std::unique_ptr<Globals> instance;

}  // namespace

Globals& globals() {
    return *instance;
}

void create_globals() {
    register_embedded_libraries();
    instance = std::make_unique<Globals>();
    // remote_config and download_addresses start empty; the two players and
    // the speech engine place their libraries as they are made.
    instance->player = std::make_unique<AudioPlayer>();
    instance->speech_engine = std::make_unique<SpeechEngine>();
}

std::string library_problems() {
    const Globals& g = globals();
    std::string problems;
    if (!g.speech_engine->placement_error().empty()) {
        problems += g.speech_engine->placement_error() + "\n";
    }
    if (const std::string bass = bass_load_error(); !bass.empty()) problems += bass + "\n";
    return problems;
}

std::unique_ptr<QWidget> start_routine() {
    Globals& g = globals();
    g.directory_space_name = platform::deployment_value(platform::Deployment::SPACE_NAME);
    g.directory_dlmm = cloud_disk_login(g, "");
    if (check_remote_config(g)) return load_update_window(g);
    if (g.quit_requested == 1) return nullptr;

    // Without its libraries the program can show its window but not speak:
    // say why instead of staying silent.
    if (const std::string problems = library_problems(); !problems.empty()) {
        show_message(nullptr, gbk("错误提示"),
                     gbk("语音或音频组件无法使用：") + "\n" + to_gbk(problems));
    }

    auto window = std::make_unique<MainWindow>(MainWindowContext{
        *g.speech_engine, *g.player, g.playback, g.job, g.remote_config, g.current_version,
        g.marquee_text, platform::deployment_value(platform::Deployment::APP_ID),
        platform::run_directory()});
    window->on_created();
    return window;
}

void exit_cleanup() {
    if (!instance) return;
    Globals& g = *instance;
    g.directory_space_name.clear();
    g.directory_dlmm.clear();
    g.current_version.clear();
    g.remote_config = RemoteConfig{};
    g.directory_cookies.clear();
    g.player->destroy();
    g.player.reset();
    for (auto& address : g.download_addresses) address.clear();
    g.speech_engine->destroy();  // logs out of the speech service
    g.speech_engine.reset();
    instance.reset();
}

}  // namespace vokalin
