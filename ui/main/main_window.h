#pragma once

#include <QWidget>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

#include "config/remote_config.h"
#include "platform/bytes.h"
#include "ui/main/job_host.h"
#include "ui/main/playback_state.h"
#include "ui/main/shared_text.h"
#include "ui/main/status_marquee.h"
#include "ui/main/synthesis_pipeline.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QSlider;

namespace vokalin {

class AudioPlayer;
class SpeechEngine;
class StatusBar;
class SuperButton;

// The process-wide state the main window works with.
struct MainWindowContext {
    SpeechEngine& speech_engine;
    AudioPlayer& player;
    PlaybackState& playback;
    JobState& job_state;
    const RemoteConfig& remote_config;
    const std::string& current_version;
    SharedText& marquee_text;
    std::string app_id;
    std::filesystem::path run_directory;
};

// Hands a URL or a file (GBK text) to the desktop with the verb "open".
void open_document(const std::string& target);

// The working window: the text, the voice settings and the play/save, pause,
// stop and audio-folder buttons.
class MainWindow : public QWidget, public JobHost {
    Q_OBJECT

  public:
    explicit MainWindow(MainWindowContext context, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The creation handler: shows the window, logs in, starts the marquee.
    void on_created();

    // Button handlers.
    void play_save();
    void pause();
    void stop();
    void open_audio_folder();
    void official_site();
    void update_check();
    void toggle_standard_sound();
    void apply_standard_sound();
    void status_bar_clicked(int x);

    SynthesisPipeline& pipeline() { return pipeline_; }

    // JobHost: safe from any thread.
    std::string text() override;
    VoiceSettings voice_settings() override;
    std::string file_name() override;
    void show_status(const std::string& gbk_text) override;
    void job_finished() override;
    void player_finished() override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void build_controls();
    void track_controls();
    void play_click();
    void show_information(const std::string& text, bool owned);
    template <typename T>
    T* make(const char* utf8_name, QWidget* parent);

    MainWindowContext context_;

    QPlainTextEdit* text_box_ = nullptr;    // 编辑框1
    QComboBox* voice_list_ = nullptr;       // 组合框1
    QLineEdit* speed_box_ = nullptr;        // 编辑框_语速
    QLineEdit* pitch_box_ = nullptr;        // 编辑框_语调
    QSlider* volume_slider_ = nullptr;      // 滑块条1
    QGroupBox* voice_group_ = nullptr;      // 分组框1
    QLineEdit* file_name_box_ = nullptr;    // 编辑框2
    SuperButton* play_button_ = nullptr;    // 超级按钮1
    SuperButton* pause_button_ = nullptr;   // 超级按钮2
    SuperButton* stop_button_ = nullptr;    // 超级按钮3
    SuperButton* folder_button_ = nullptr;  // 超级按钮4
    SuperButton* sound_button_ = nullptr;   // 超级按钮6
    SuperButton* site_button_ = nullptr;    // 超级按钮5
    SuperButton* update_button_ = nullptr;  // 超级按钮7
    QCheckBox* sound_check_ = nullptr;      // 选择框2
    QLabel* marquee_label_ = nullptr;       // 标签9
    QLabel* site_label_ = nullptr;          // 标签5
    StatusBar* status_bar_ = nullptr;       // 状态条1

    // Control values as the background threads read them.
    std::mutex controls_mutex_;
    std::string text_;
    VoiceSettings settings_;
    std::string file_name_;

    Bytes click_wav_;
    StreamHandle click_stream_ = 0;

    StatusMarquee marquee_;
    SynthesisPipeline pipeline_;
    bool closed_ = false;
};

}  // namespace vokalin
