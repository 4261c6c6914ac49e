#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "audio/audio_player.h"
#include "platform/bytes.h"
#include "speech/session_parameters.h"

namespace vokalin {

// The program's class over the speech SDK ("msc.dll"): login, synthesis
// sessions that turn GBK text into raw 16-bit mono PCM at 16000 Hz, and a
// one-call speak that plays the result through its own AudioPlayer.
//
// Construction places the SDK in the private temporary folder (replacing any
// earlier copy), makes that the library folder and opens the audio device
// through voice_player. The SDK is loaded at its first call; while it cannot
// be loaded every call fails (0/empty results, MSC_LIBRARY_UNAVAILABLE codes).
class SpeechEngine {
  public:
    // How long synthesize waits for the SDK to deliver anything before it
    // gives up on the text.
    static constexpr std::chrono::milliseconds DEFAULT_STALL_LIMIT{30'000};
    // Speech beyond this much audio is not collected (about 70 minutes).
    static constexpr std::size_t AUDIO_LIMIT = std::size_t{128} << 20;

    SpeechEngine();
    // The same construction step with the given player (tests pass their own).
    explicit SpeechEngine(std::unique_ptr<AudioPlayer> voice_player);
    SpeechEngine(const SpeechEngine&) = delete;
    SpeechEngine& operator=(const SpeechEngine&) = delete;
    virtual ~SpeechEngine();

    // Logs out (result ignored), then destroys and releases voice_player.
    virtual void destroy();
    // A new engine with an independent copy of voice_player; nothing is placed
    // or initialised again.
    virtual std::unique_ptr<SpeechEngine> copy() const;
    // MSPLogin with "appid=" app_id; the SDK's result code unchanged.
    virtual std::int32_t login(const std::string& app_id = {});
    // The session identifier, or the empty text when no session was begun.
    virtual std::string begin_session(std::int32_t voice = 0, const SessionOptions& options = {});
    // Synthesizes text with the voice name (empty: "xiaoyan") and plays it to
    // its end through voice_player.
    virtual void speak(const std::string& text, const std::string& voice_name = {},
                       const SessionOptions& options = {});
    // All audio of the session; on an SDK error the quota message is shown
    // once and the audio received before it is returned.
    virtual Bytes synthesize(const std::string& session_id, const std::string& text);
    // QTTSSessionEnd's result; 0 without any call when session_id is empty.
    virtual std::int32_t end_session(const std::string& session_id);
    virtual Bytes wrap_wav(const Bytes& audio) const;

    AudioPlayer* voice_player() const { return voice_player_.get(); }
    // Why the construction step could not place the SDK; empty when it could.
    const std::string& placement_error() const { return placement_error_; }

    void set_stall_limit(std::chrono::milliseconds limit) { stall_limit_ = limit; }

  private:
    struct CopyTag {};
    SpeechEngine(CopyTag, std::unique_ptr<AudioPlayer> voice_player);
    void construct();
    std::string begin_with_voice_name(const std::string& voice_name, const SessionOptions& options);

    std::unique_ptr<AudioPlayer> voice_player_;
    std::string placement_error_;
    std::chrono::milliseconds stall_limit_ = DEFAULT_STALL_LIMIT;
};

}  // namespace vokalin
