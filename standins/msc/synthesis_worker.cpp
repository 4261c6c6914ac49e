#include "standins/msc/synthesis_worker.h"

#include <espeak-ng/speak_lib.h>

#include <algorithm>

#include "standins/msc/chunk_producer.h"
#include "standins/msc/msc_api.h"

namespace vokalin::msc_standin {
namespace {

constexpr int ENGINE_BUFFER_MS = 100;

thread_local ChunkProducer* current_producer = nullptr;

int on_engine_audio(short* samples, int count, espeak_EVENT*) {
    if (!current_producer) return 1;
    if (samples && count > 0 &&
        !current_producer->add_speech(samples, static_cast<std::size_t>(count)))
        return 1;
    return 0;
}

// Maps 0..50..100 onto low..middle..high, piece by piece linearly.
int scale(int value, int low, int middle, int high) {
    if (value <= 50) return low + (middle - low) * value / 50;
    return middle + (high - middle) * (value - 50) / 50;
}

int engine_rate(const SessionSettings& settings) {
    const int rate = scale(settings.speed, espeakRATE_MINIMUM, espeakRATE_NORMAL, 370);
    return std::min(rate * settings.speed_increase, espeakRATE_MAXIMUM);
}

int engine_pitch(const SessionSettings& settings) {
    return scale(settings.pitch, 0, settings.voice->pitch_base, 100);
}

// Gain in 1/100: volume 50 leaves the engine's level as it is. Applied to the
// samples rather than through the engine, which glides from the level of the
// previous text.
int volume_gain(const SessionSettings& settings) {
    return scale(settings.volume, 0, 100, 200);
}

}  // namespace

SynthesisWorker::~SynthesisWorker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        for (const Job& job : jobs_) job.session->cancelled = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void SynthesisWorker::submit(std::shared_ptr<TtsSession> session, std::vector<TextPiece> pieces) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back({std::move(session), std::move(pieces)});
        if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
    }
    wake_.notify_one();
}

void SynthesisWorker::run() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (jobs_.empty()) break;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        synthesize(job);
    }
    // No espeak_Terminate: espeak-ng 1.51 can hang in it after an earlier
    // initialisation in the same process.
}

bool SynthesisWorker::ensure_engine() {
    if (!engine_tried_) {
        engine_tried_ = true;
        const int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, ENGINE_BUFFER_MS, nullptr,
                                           espeakINITIALIZE_DONT_EXIT);
        if (rate > 0) {
            engine_rate_ = rate;
            espeak_SetSynthCallback(on_engine_audio);
        }
    }
    return engine_rate_ > 0;
}

void SynthesisWorker::synthesize(const Job& job) {
    TtsSession& session = *job.session;
    if (session.cancelled) {
        ChunkProducer(job.session, OUTPUT_RATE, OUTPUT_RATE, CHUNK_SAMPLES).finish(0);
        return;
    }
    if (!ensure_engine()) {
        ChunkProducer(job.session, OUTPUT_RATE, OUTPUT_RATE, CHUNK_SAMPLES)
            .finish(MSC_ERROR_ENGINE);
        return;
    }
    ChunkProducer producer(job.session, engine_rate_, OUTPUT_RATE, CHUNK_SAMPLES);
    producer.set_gain(volume_gain(session.settings));
    const SessionSettings& settings = session.settings;
    int error = producer.ok() ? MSC_OK : MSC_ERROR_ENGINE;
    if (error == MSC_OK && loaded_voice_ != settings.voice->espeak_voice) {
        loaded_voice_.clear();
        if (espeak_SetVoiceByName(settings.voice->espeak_voice) == EE_OK)
            loaded_voice_ = settings.voice->espeak_voice;
        else
            error = MSC_ERROR_ENGINE;
    }
    if (error == MSC_OK) {
        espeak_SetParameter(espeakRATE, engine_rate(settings), 0);
        espeak_SetParameter(espeakPITCH, engine_pitch(settings), 0);
        espeak_SetParameter(espeakRANGE, settings.voice->pitch_range, 0);
        espeak_SetParameter(espeakVOLUME, 100, 0);
    }
    current_producer = &producer;
    for (const TextPiece& piece : job.pieces) {
        if (error != MSC_OK || session.cancelled) break;
        if (piece.silence_ms > 0) {
            producer.add_silence(static_cast<std::size_t>(piece.silence_ms) * OUTPUT_RATE / 1000);
            continue;
        }
        const espeak_ERROR result =
            espeak_Synth(piece.utf8.c_str(), piece.utf8.size() + 1, 0, POS_CHARACTER, 0,
                         espeakCHARS_UTF8 | espeakENDPAUSE, nullptr, nullptr);
        if (result != EE_OK && !session.cancelled) error = MSC_ERROR_ENGINE;
        producer.end_speech();
    }
    current_producer = nullptr;
    producer.finish(error);
}

}  // namespace vokalin::msc_standin
