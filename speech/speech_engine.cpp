#include "speech/speech_engine.h"

#include <algorithm>
#include <climits>
#include <thread>

#include "net/text_encoding.h"
#include "platform/library_placement.h"
#include "speech/message_box.h"
#include "speech/msc_binding.h"
#include "speech/wav_container.h"

namespace vokalin {
namespace {

constexpr int AUDIO_END = 2;
constexpr std::chrono::milliseconds SPEAK_POLL{1000};

void show_quota_message() {
    show_message_box(gbk("错误提示"), gbk("软件今天的服务量已经使用完，请明天在使用。") + "\r\n" +
                                          gbk("或者去官网下载没有限制版本使用。"));
}

}  // namespace

SpeechEngine::SpeechEngine() : SpeechEngine(std::make_unique<AudioPlayer>()) {}

SpeechEngine::SpeechEngine(std::unique_ptr<AudioPlayer> voice_player)
    : voice_player_(std::move(voice_player)) {
    construct();
}

SpeechEngine::SpeechEngine(CopyTag, std::unique_ptr<AudioPlayer> voice_player)
    : voice_player_(std::move(voice_player)) {}

SpeechEngine::~SpeechEngine() = default;

void SpeechEngine::construct() {
    // The write may fail (another instance holds the file); start-up goes on.
    platform::place_library(MSC_LIBRARY_FILE, /*replace=*/true, placement_error_);
    if (voice_player_) voice_player_->init();
}

void SpeechEngine::destroy() {
    if (const MscBinding* sdk = msc_binding()) sdk->logout();
    if (voice_player_) {
        voice_player_->destroy();
        voice_player_.reset();
    }
}

std::unique_ptr<SpeechEngine> SpeechEngine::copy() const {
    return std::unique_ptr<SpeechEngine>(
        new SpeechEngine(CopyTag{}, voice_player_ ? voice_player_->copy() : nullptr));
}

std::int32_t SpeechEngine::login(const std::string& app_id) {
    const MscBinding* sdk = msc_binding();
    if (!sdk) return MSC_LIBRARY_UNAVAILABLE;
    const std::string params = "appid=" + app_id;
    return sdk->login("", "", params.c_str());
}

std::string SpeechEngine::begin_with_voice_name(const std::string& voice_name,
                                                const SessionOptions& options) {
    const MscBinding* sdk = msc_binding();
    if (!sdk) return {};
    const std::string params = session_parameter_text(voice_name, options);
    int error = 0;
    const char* id = sdk->session_begin(params.c_str(), &error);
    if (!id || !*id || error != 0) return {};
    return id;
}

std::string SpeechEngine::begin_session(std::int32_t voice, const SessionOptions& options) {
    return begin_with_voice_name(voice_name_for_index(voice), options);
}

void SpeechEngine::speak(const std::string& text, const std::string& voice_name,
                         const SessionOptions& options) {
    const std::string session =
        begin_with_voice_name(voice_name.empty() ? "xiaoyan" : voice_name, options);
    if (session.empty()) return;
    const Bytes audio = synthesize(session, text);
    if (audio.empty()) {
        end_session(session);  // not left open in the service
        return;
    }
    const Bytes wav = wrap_wav(audio);
    if (voice_player_) {
        const StreamHandle stream = voice_player_->create_stream({}, wav, {}, 0);
        voice_player_->play(stream);
        // A stream that never stops (paused by someone else, a broken device)
        // is given up a little after the audio would have ended.
        const auto limit = static_cast<long>(audio.size() / 32000) + 5;
        for (long waited = 0; voice_player_->is_active(stream) != 0 && waited < limit; ++waited)
            std::this_thread::sleep_for(SPEAK_POLL);
        voice_player_->free_stream(stream);
    }
    end_session(session);
}

Bytes SpeechEngine::synthesize(const std::string& session_id, const std::string& text) {
    Bytes audio;
    const MscBinding* sdk = msc_binding();
    if (!sdk) return audio;
    const std::string copy = text;
    const auto length = static_cast<unsigned int>(std::min<std::size_t>(copy.size(), UINT_MAX));
    if (sdk->text_put(session_id.c_str(), copy.c_str(), length, "") != 0) return audio;
    using clock = std::chrono::steady_clock;
    auto last_progress = clock::now();
    int status = 0;
    while (status != AUDIO_END) {
        unsigned int chunk_length = 0;
        int error = 0;
        const void* chunk = sdk->audio_get(session_id.c_str(), &chunk_length, &status, &error);
        if (chunk && chunk_length != 0) {
            const auto* bytes = static_cast<const std::uint8_t*>(chunk);
            audio.insert(audio.end(), bytes, bytes + chunk_length);
            last_progress = clock::now();
        }
        if (error != 0) {
            show_quota_message();
            break;
        }
        // A library that never ends the text, or never stops talking, must
        // not hold the caller forever.
        if (clock::now() - last_progress > stall_limit_ || audio.size() > AUDIO_LIMIT) break;
    }
    return audio;
}

std::int32_t SpeechEngine::end_session(const std::string& session_id) {
    if (session_id.empty()) return 0;
    const MscBinding* sdk = msc_binding();
    if (!sdk) return MSC_LIBRARY_UNAVAILABLE;
    return sdk->session_end(session_id.c_str(), gbk("正常关闭").c_str());
}

Bytes SpeechEngine::wrap_wav(const Bytes& audio) const {
    return vokalin::wrap_wav(audio);
}

}  // namespace vokalin
