#pragma once

// A vendor library's functions, bound by their exported names. The library is
// loaded from the library folder at the first call that can load it (a failed
// attempt is tried again by the next call) and is never unloaded: its own
// threads live until the process ends.

#include <atomic>
#include <mutex>
#include <string>

#include "platform/library_placement.h"
#include "platform/platform.h"

namespace vokalin::platform {

// Looks one function up by name into slot; on failure error names it.
class SymbolBinder {
  public:
    SymbolBinder(void* library, const char* file_name, std::string& error)
        : library_(library), file_name_(file_name), error_(error) {}

    template <class Function>
    SymbolBinder& operator()(const char* name, Function& slot) {
        if (!complete_) return *this;
        slot = reinterpret_cast<Function>(library_symbol(library_, name));
        if (!slot) {
            error_ = std::string(file_name_) + " has no function " + name;
            complete_ = false;
        }
        return *this;
    }
    bool complete() const { return complete_; }

  private:
    void* library_;
    const char* file_name_;
    std::string& error_;
    bool complete_ = true;
};

// Binding is a struct of function pointers; bind_all(SymbolBinder&, Binding&)
// fills it.
template <class Binding>
class VendorBinding {
  public:
    explicit VendorBinding(const char* file_name) : file_name_(file_name) {}

    template <class BindAll>
    const Binding* get(BindAll bind_all) {
        if (const Binding* ready = loaded_.load(std::memory_order_acquire)) return ready;
        std::lock_guard lock(mutex_);
        if (const Binding* ready = loaded_.load(std::memory_order_relaxed)) return ready;
        std::string error;
        void* library = load_vendor_library(file_name_, error);
        if (!library) {
            error_ = error;
            return nullptr;
        }
        Binding b{};
        SymbolBinder binder(library, file_name_, error_);
        bind_all(binder, b);
        if (!binder.complete()) {
            unload_library(library);
            return nullptr;
        }
        binding_ = b;
        error_.clear();
        loaded_.store(&binding_, std::memory_order_release);
        return &binding_;
    }

    // Why the last attempt to load failed; empty once loaded.
    std::string error() {
        std::lock_guard lock(mutex_);
        return error_;
    }

  private:
    const char* file_name_;
    std::mutex mutex_;
    std::atomic<const Binding*> loaded_{nullptr};
    Binding binding_{};
    std::string error_;
};

}  // namespace vokalin::platform
