#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "ui/main/shared_text.h"

namespace vokalin {

// Scrolls the status text leftwards, one step every 188 ms, until the shared
// marquee text becomes empty.
class StatusMarquee {
  public:
    using ShowCaption = std::function<void(const std::string& gbk_caption)>;
    static constexpr std::chrono::milliseconds STEP{188};

    StatusMarquee(SharedText& marquee_text, ShowCaption show,
                  std::chrono::milliseconds step = STEP);
    ~StatusMarquee();
    StatusMarquee(const StatusMarquee&) = delete;
    StatusMarquee& operator=(const StatusMarquee&) = delete;

    void start();
    // Empties the marquee text and ends the thread at its next check.
    void stop();

  private:
    void status_marquee();

    SharedText& marquee_text_;
    ShowCaption show_;
    const std::chrono::milliseconds step_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::thread thread_;
};

}  // namespace vokalin
