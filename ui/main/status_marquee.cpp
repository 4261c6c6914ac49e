#include "ui/main/status_marquee.h"

#include "ui/main/text_checks.h"

namespace vokalin {

StatusMarquee::StatusMarquee(SharedText& marquee_text, ShowCaption show,
                             std::chrono::milliseconds step)
    : marquee_text_(marquee_text), show_(std::move(show)), step_(step) {}

StatusMarquee::~StatusMarquee() {
    stop();
}

void StatusMarquee::start() {
    if (!thread_.joinable()) thread_ = std::thread(&StatusMarquee::status_marquee, this);
}

void StatusMarquee::stop() {
    {
        std::lock_guard lock(mutex_);
        marquee_text_.set({});
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void StatusMarquee::status_marquee() {
    const std::string full = marquee_full_text(marquee_text_.get());
    show_(full);
    while (!marquee_text_.empty()) {
        for (const std::string& caption : marquee_frames(full)) {
            show_(caption);
            std::unique_lock lock(mutex_);
            if (wake_.wait_for(lock, step_, [this] { return marquee_text_.empty(); })) return;
        }
    }
}

}  // namespace vokalin
