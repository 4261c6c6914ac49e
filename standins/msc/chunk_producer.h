#pragma once

#include <soxr.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "standins/msc/tts_session.h"

namespace vokalin::msc_standin {

// Turns the engine's audio into the session's chunks: resamples it to 16 kHz,
// cuts it into chunks of chunk_samples and hands each one to the session as
// soon as the next one has begun, so that the last chunk carries the end.
class ChunkProducer {
  public:
    ChunkProducer(std::shared_ptr<TtsSession> session, double input_rate, int output_rate,
                  std::size_t chunk_samples);
    ChunkProducer(const ChunkProducer&) = delete;
    ChunkProducer& operator=(const ChunkProducer&) = delete;
    ~ChunkProducer();

    // Scales the speech by gain_percent / 100, saturating.
    void set_gain(int gain_percent) { gain_percent_ = gain_percent; }

    // False once the session no longer wants audio.
    bool add_speech(const std::int16_t* samples, std::size_t count);
    // Drains the resampler at the end of a run of speech.
    void end_speech();
    bool add_silence(std::size_t samples);
    // Hands over what is left and marks the session complete (with error, if any).
    void finish(int error);

    bool ok() const { return resampler_ != nullptr; }

  private:
    void take_resampled(std::size_t count);
    void append(const std::int16_t* samples, std::size_t count);
    void hold_pending();
    void publish();

    std::shared_ptr<TtsSession> session_;
    soxr_t resampler_ = nullptr;
    double ratio_;
    std::size_t chunk_samples_;
    std::vector<std::int16_t> resampled_;
    std::vector<std::int16_t> pending_;  // not yet a full chunk
    std::vector<std::uint8_t> held_;     // complete, handed over with the next one
    bool holding_ = false;
    int gain_percent_ = 100;
};

}  // namespace vokalin::msc_standin
