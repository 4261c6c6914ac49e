#include "ui/main/main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QSlider>

#include "audio/audio_player.h"
#include "net/text_encoding.h"
#include "platform/platform.h"
#include "speech/msc_binding.h"
#include "speech/speech_engine.h"
#include "ui/main/click_sound.h"
#include "ui/main/message_boxes.h"
#include "ui/main/qt_text.h"
#include "ui/main/status_bar.h"
#include "ui/main/super_button.h"
#include "ui/main/text_checks.h"

namespace vokalin {

void open_document(const std::string& target) {
    platform::shell_open(to_utf8(target), "open");
}

MainWindow::MainWindow(MainWindowContext context, QWidget* parent)
    : QWidget(parent),
      context_(std::move(context)),
      marquee_(context_.marquee_text,
               [this](const std::string& caption) {
                   // Only plain bytes cross threads; the QString is made on the GUI thread.
                   QMetaObject::invokeMethod(
                       this,
                       [this, text = caption] { marquee_label_->setText(qstring_from_text(text)); },
                       Qt::QueuedConnection);
               }),
      pipeline_(context_.speech_engine, context_.player, context_.playback, context_.job_state,
                *this, context_.run_directory) {
    build_controls();
    track_controls();
    connect(play_button_, &QPushButton::clicked, this, &MainWindow::play_save);
    connect(pause_button_, &QPushButton::clicked, this, &MainWindow::pause);
    connect(stop_button_, &QPushButton::clicked, this, &MainWindow::stop);
    connect(folder_button_, &QPushButton::clicked, this, &MainWindow::open_audio_folder);
    connect(site_button_, &QPushButton::clicked, this, &MainWindow::official_site);
    connect(update_button_, &QPushButton::clicked, this, &MainWindow::update_check);
    connect(sound_button_, &QPushButton::clicked, this, &MainWindow::toggle_standard_sound);
    connect(sound_check_, &QCheckBox::clicked, this, &MainWindow::apply_standard_sound);
    connect(status_bar_, &StatusBar::clicked, this, &MainWindow::status_bar_clicked);
}

MainWindow::~MainWindow() {
    // The background threads post to this window: they end before it goes.
    pipeline_.shutdown();
    marquee_.stop();
}

void MainWindow::track_controls() {
    auto update = [this] {
        // The edit box of the original program separates lines with CR LF.
        QString text = text_box_->toPlainText();
        text.replace('\n', "\r\n");
        VoiceSettings settings{voice_list_->currentIndex(), text_from_qstring(speed_box_->text()),
                               text_from_qstring(pitch_box_->text()),
                               std::to_string(volume_slider_->value())};
        std::string converted_text = text_from_qstring(text);
        std::string name = text_from_qstring(file_name_box_->text());
        std::lock_guard lock(controls_mutex_);
        text_ = std::move(converted_text);
        settings_ = std::move(settings);
        file_name_ = std::move(name);
    };
    connect(text_box_, &QPlainTextEdit::textChanged, this, update);
    connect(voice_list_, &QComboBox::currentIndexChanged, this, update);
    connect(speed_box_, &QLineEdit::textChanged, this, update);
    connect(pitch_box_, &QLineEdit::textChanged, this, update);
    connect(volume_slider_, &QSlider::valueChanged, this, update);
    connect(file_name_box_, &QLineEdit::textChanged, this, update);
    update();
}

std::string MainWindow::text() {
    std::lock_guard lock(controls_mutex_);
    return text_;
}

VoiceSettings MainWindow::voice_settings() {
    std::lock_guard lock(controls_mutex_);
    return settings_;
}

std::string MainWindow::file_name() {
    std::lock_guard lock(controls_mutex_);
    return file_name_;
}

void MainWindow::show_status(const std::string& gbk_text) {
    QMetaObject::invokeMethod(
        this, [this, text = gbk_text] { status_bar_->set_part_text(0, qstring_from_text(text)); },
        Qt::QueuedConnection);
}

void MainWindow::job_finished() {
    QMetaObject::invokeMethod(
        this, [this] { folder_button_->setEnabled(true); }, Qt::QueuedConnection);
}

void MainWindow::player_finished() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            play_button_->setEnabled(true);
            voice_group_->setEnabled(true);
            folder_button_->setEnabled(true);
        },
        Qt::QueuedConnection);
}

void MainWindow::on_created() {
    show();
    apply_standard_sound();
    context_.speech_engine.login(context_.app_id);
    context_.marquee_text.set(context_.remote_config.status_text);
    if (!context_.marquee_text.empty()) marquee_.start();
    text_box_->setPlainText(qstring_from_text(context_.remote_config.announcement));
    if (!context_.remote_config.official_site.empty()) {
        site_button_->show();
        update_button_->show();
        status_bar_->set_part_text(
            1, qstring_from_text(gbk("更多发音人请点击官网下载【可以加入配音版本】")));
        site_label_->hide();
    }
}

void MainWindow::play_save() {
    PlaybackState& playback = context_.playback;
    const StreamHandle stream = playback.current_stream;
    if (stream != 0 && playback.paused == 1) {
        context_.player.play(stream);
        context_.player.set_position(stream, playback.paused_position);
        playback.paused = 0;
    } else {
        pipeline_.start_job();
    }
    status_bar_->set_part_text(0, qstring_from_text(gbk("正在工作中请稍后......")));
    play_button_->setEnabled(false);
    voice_group_->setEnabled(false);
}

void MainWindow::pause() {
    PlaybackState& playback = context_.playback;
    play_button_->setEnabled(true);
    const StreamHandle stream = playback.current_stream;
    playback.paused_position = context_.player.get_position(stream);
    context_.player.pause(stream);
    status_bar_->set_part_text(0, qstring_from_text(gbk("暂停播放状态")));
    playback.paused = 1;
}

void MainWindow::stop() {
    pipeline_.stop();
    // A stop from a pause leaves nothing to resume: the next play/save starts afresh.
    context_.playback.paused = 0;
    status_bar_->set_part_text(0, qstring_from_text(gbk("已经停止播放")));
    play_button_->setEnabled(true);
    folder_button_->setEnabled(true);
    voice_group_->setEnabled(true);
}

void MainWindow::open_audio_folder() {
    const std::filesystem::path folder = pipeline_.audio_folder();
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec)) {
        platform::shell_open(folder.string(), "explore");
    } else {
        show_information(gbk("没有音频文件！"), true);
    }
}

void MainWindow::official_site() {
    open_document(context_.remote_config.official_site);
}

void MainWindow::update_check() {
    if (update_available(context_.current_version, context_.remote_config.latest_version)) {
        open_document(context_.remote_config.update_address);
    } else {
        show_information(gbk("当前软件已是最新版本。"), false);
    }
}

void MainWindow::toggle_standard_sound() {
    sound_check_->setChecked(!sound_check_->isChecked());
    apply_standard_sound();
}

void MainWindow::apply_standard_sound() {
    const bool on = sound_check_->isChecked();
    for (SuperButton* b :
         {play_button_, pause_button_, stop_button_, folder_button_, sound_button_}) {
        b->set_standard_sound(on);
    }
}

void MainWindow::status_bar_clicked(int x) {
    // The middle part's text invites a click to the official site.
    if (x > 160 && x < 440 && !context_.remote_config.official_site.empty()) official_site();
}

void MainWindow::show_information(const std::string& text, bool owned) {
    show_message(owned ? this : nullptr, gbk("提示信息"), text);
}

void MainWindow::play_click() {
    if (click_wav_.empty()) click_wav_ = click_sound_wav();
    if (click_stream_ == 0) click_stream_ = context_.player.create_stream({}, click_wav_);
    context_.player.play(click_stream_, 1);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!closed_) {
        closed_ = true;
        marquee_.stop();
        if (const MscBinding* msc = msc_binding()) msc->logout();
    }
    QWidget::closeEvent(event);
}

}  // namespace vokalin
