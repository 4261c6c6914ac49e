#pragma once

#include <mutex>
#include <string>

namespace vokalin {

// A text that one thread writes and another reads.
class SharedText {
  public:
    void set(std::string text) {
        std::lock_guard lock(mutex_);
        text_ = std::move(text);
    }
    std::string get() const {
        std::lock_guard lock(mutex_);
        return text_;
    }
    bool empty() const {
        std::lock_guard lock(mutex_);
        return text_.empty();
    }

  private:
    mutable std::mutex mutex_;
    std::string text_;
};

}  // namespace vokalin
