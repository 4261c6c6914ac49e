#include "standins/msc/chunk_producer.h"

#include <algorithm>

namespace vokalin::msc_standin {

ChunkProducer::ChunkProducer(std::shared_ptr<TtsSession> session, double input_rate,
                             int output_rate, std::size_t chunk_samples)
    : session_(std::move(session)),
      ratio_(static_cast<double>(output_rate) / input_rate),
      chunk_samples_(chunk_samples) {
    const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    soxr_error_t error = nullptr;
    resampler_ = soxr_create(input_rate, output_rate, 1, &error, &io, &quality, nullptr);
    if (error) resampler_ = nullptr;
    pending_.reserve(chunk_samples_);
}

ChunkProducer::~ChunkProducer() {
    if (resampler_) soxr_delete(resampler_);
}

bool ChunkProducer::add_speech(const std::int16_t* samples, std::size_t count) {
    if (session_->cancelled) return false;
    if (!resampler_) return false;
    std::size_t offset = 0;
    while (offset < count) {
        const std::size_t in_left = count - offset;
        resampled_.resize(static_cast<std::size_t>(static_cast<double>(in_left) * ratio_) + 256);
        std::size_t used = 0;
        std::size_t made = 0;
        if (soxr_process(resampler_, samples + offset, in_left, &used, resampled_.data(),
                         resampled_.size(), &made))
            return false;
        take_resampled(made);
        offset += used;
        if (used == 0 && made == 0) break;
    }
    return !session_->cancelled;
}

void ChunkProducer::end_speech() {
    if (!resampler_) return;
    resampled_.resize(4096);
    for (;;) {
        std::size_t made = 0;
        if (soxr_process(resampler_, nullptr, 0, nullptr, resampled_.data(), resampled_.size(),
                         &made) ||
            made == 0)
            break;
        take_resampled(made);
    }
    soxr_clear(resampler_);
}

bool ChunkProducer::add_silence(std::size_t samples) {
    const std::vector<std::int16_t> zeros(std::min(samples, chunk_samples_), 0);
    while (samples > 0 && !session_->cancelled) {
        const std::size_t n = std::min(samples, zeros.size());
        append(zeros.data(), n);
        samples -= n;
    }
    return !session_->cancelled;
}

void ChunkProducer::finish(int error) {
    if (!pending_.empty()) hold_pending();
    std::lock_guard lock(session_->mutex);
    if (holding_ && error == 0) session_->chunks.push_back(std::move(held_));
    holding_ = false;
    if (error != 0 && session_->error == 0) session_->error = error;
    session_->all_produced = true;
    session_->changed.notify_all();
}

void ChunkProducer::take_resampled(std::size_t count) {
    if (gain_percent_ != 100) {
        for (std::size_t i = 0; i < count; ++i) {
            const int scaled = resampled_[i] * gain_percent_ / 100;
            resampled_[i] = static_cast<std::int16_t>(std::clamp(scaled, -32768, 32767));
        }
    }
    append(resampled_.data(), count);
}

void ChunkProducer::append(const std::int16_t* samples, std::size_t count) {
    while (count > 0) {
        const std::size_t n = std::min(count, chunk_samples_ - pending_.size());
        pending_.insert(pending_.end(), samples, samples + n);
        samples += n;
        count -= n;
        if (pending_.size() == chunk_samples_) hold_pending();
    }
}

void ChunkProducer::hold_pending() {
    if (holding_) publish();
    held_.resize(pending_.size() * 2);
    for (std::size_t i = 0; i < pending_.size(); ++i) {
        const auto sample = static_cast<std::uint16_t>(pending_[i]);
        held_[2 * i] = static_cast<std::uint8_t>(sample & 0xFF);
        held_[2 * i + 1] = static_cast<std::uint8_t>(sample >> 8);
    }
    holding_ = true;
    pending_.clear();
}

void ChunkProducer::publish() {
    std::lock_guard lock(session_->mutex);
    session_->chunks.push_back(std::move(held_));
    held_.clear();
    holding_ = false;
    session_->changed.notify_all();
}

}  // namespace vokalin::msc_standin
