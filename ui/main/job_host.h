#pragma once

#include <string>

namespace vokalin {

// The voice settings as the job reads them before each segment.
struct VoiceSettings {
    int voice = 0;       // index in the voice list
    std::string speed;   // text of the speed box
    std::string pitch;   // text of the pitch box
    std::string volume;  // slider position as decimal text
};

// What the synthesis job and the segment player need from the main window.
// Every function may be called from any thread: reads return the controls'
// current values, changes are posted to the GUI thread.
class JobHost {
  public:
    virtual ~JobHost() = default;
    virtual std::string text() = 0;  // the text to speak (GBK)
    virtual VoiceSettings voice_settings() = 0;
    virtual std::string file_name() = 0;  // the saved file's name, without ".wav"
    virtual void show_status(const std::string& gbk_text) = 0;
    virtual void job_finished() = 0;     // the output file has been written
    virtual void player_finished() = 0;  // playback is over; the buttons come back
};

}  // namespace vokalin
