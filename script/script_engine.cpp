#include "script/script_engine.h"

#include <duktape.h>
#include <pthread.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/platform.h"

namespace vokalin {

struct ScriptEngine::Heap {
    duk_context* context = nullptr;
    std::size_t limit = 0;
    std::size_t used = 0;
    std::chrono::milliseconds time_limit{};
    bool timing = false;
    bool out_of_time = false;
    unsigned checks = 0;
    std::chrono::steady_clock::time_point deadline{};
    std::uintptr_t stack_floor = 0;
    std::string last_error;
};

namespace {

using Heap = ScriptEngine::Heap;

// Each block carries its size in front, so that frees can be counted.
constexpr std::size_t HEADER = alignof(std::max_align_t) > sizeof(std::size_t)
                                   ? alignof(std::max_align_t)
                                   : sizeof(std::size_t);

constexpr char TIMEOUT_MESSAGE[] = "execution timeout";

// Reads the clock on one call in (mask + 1): allocations and native stack
// checks come too often to read it on every one.
bool past_deadline(Heap& heap, unsigned mask) {
    if (!heap.timing) return false;
    if (heap.out_of_time) return true;
    if ((++heap.checks & mask) != 0) return false;
    heap.out_of_time = std::chrono::steady_clock::now() > heap.deadline;
    return heap.out_of_time;
}

std::size_t block_size(void* ptr) {
    std::size_t size = 0;
    std::memcpy(&size, static_cast<char*>(ptr) - HEADER, sizeof size);
    return size;
}

void* heap_alloc(void* udata, duk_size_t size) {
    auto& heap = *static_cast<Heap*>(udata);
    if (size > heap.limit - heap.used || past_deadline(heap, 63)) return nullptr;
    void* raw = std::malloc(HEADER + size);
    if (!raw) return nullptr;
    std::memcpy(raw, &size, sizeof size);
    heap.used += size;
    return static_cast<char*>(raw) + HEADER;
}

void heap_free(void* udata, void* ptr) {
    if (!ptr) return;
    auto& heap = *static_cast<Heap*>(udata);
    heap.used -= block_size(ptr);
    std::free(static_cast<char*>(ptr) - HEADER);
}

void* heap_realloc(void* udata, void* ptr, duk_size_t size) {
    if (!ptr) return heap_alloc(udata, size);
    auto& heap = *static_cast<Heap*>(udata);
    const std::size_t old_size = block_size(ptr);
    if (size > old_size && (size - old_size > heap.limit - heap.used || past_deadline(heap, 63))) {
        return nullptr;
    }
    void* raw = std::realloc(static_cast<char*>(ptr) - HEADER, HEADER + size);
    if (!raw) return nullptr;
    std::memcpy(raw, &size, sizeof size);
    heap.used = heap.used - old_size + size;
    return static_cast<char*>(raw) + HEADER;
}

// Only reached by an error outside a protected call, which this file never makes.
void heap_fatal(void*, const char* message) {
    std::fprintf(stderr, "script engine: %s\n", message ? message : "fatal error");
    std::abort();
}

enum class Conversion { none, text, number, truth };

struct EvalCall {
    const char* code;
    std::size_t length;
    Conversion conversion;
    double number;
    bool truth;
};

bool reads_true(duk_context* ctx, duk_idx_t index) {
    duk_size_t length = 0;
    const char* text = duk_get_lstring(ctx, index, &length);
    if (length == 4) {
        static const char word[] = "true";
        bool same = true;
        for (std::size_t i = 0; i < 4; ++i) {
            const char c = text[i];
            if (c != word[i] && c != word[i] - ('a' - 'A')) same = false;
        }
        if (same) return true;
    }
    duk_dup(ctx, index);
    const double value = duk_to_number(ctx, -1);
    duk_pop(ctx);
    return !std::isnan(value) && value != 0;
}

// Runs inside a protected call: an error thrown by the engine unwinds to
// duk_safe_call, so nothing here may own resources.
duk_ret_t run_eval(duk_context* ctx, void* udata) {
    auto& call = *static_cast<EvalCall*>(udata);
    duk_eval_lstring(ctx, call.code, call.length);
    const duk_int_t type = duk_get_type(ctx, -1);
    switch (call.conversion) {
        case Conversion::none:
            duk_pop(ctx);
            return 0;
        case Conversion::text:
            if (type == DUK_TYPE_UNDEFINED || type == DUK_TYPE_NULL) {
                duk_pop(ctx);
                duk_push_string(ctx, "");
            } else if (type != DUK_TYPE_STRING) {
                duk_to_string(ctx, -1);
            }
            return 1;
        case Conversion::number:
            if (type == DUK_TYPE_NUMBER) {
                call.number = duk_get_number(ctx, -1);
            } else if (type == DUK_TYPE_BOOLEAN) {
                call.number = duk_get_boolean(ctx, -1) ? 1 : 0;
            } else if (type == DUK_TYPE_STRING) {
                const double value = duk_to_number(ctx, -1);
                call.number = std::isnan(value) ? 0 : value;
            }
            duk_pop(ctx);
            return 0;
        case Conversion::truth:
            if (type == DUK_TYPE_BOOLEAN) {
                call.truth = duk_get_boolean(ctx, -1) != 0;
            } else if (type == DUK_TYPE_NUMBER) {
                call.truth = duk_get_number(ctx, -1) != 0;
            } else if (type == DUK_TYPE_STRING) {
                call.truth = reads_true(ctx, -1);
            }
            duk_pop(ctx);
            return 0;
    }
    return 0;
}

struct JsonCall {
    const char* name;
    std::size_t name_length;
    const char* text;
    std::size_t text_length;
    bool stored;
};

duk_ret_t run_json(duk_context* ctx, void* udata) {
    auto& call = *static_cast<JsonCall*>(udata);
    duk_push_lstring(ctx, call.text, call.text_length);
    duk_json_decode(ctx, -1);
    if (duk_get_type(ctx, -1) == DUK_TYPE_STRING) {
        duk_pop(ctx);
        return 0;
    }
    duk_put_global_lstring(ctx, call.name, call.name_length);
    call.stored = true;
    return 0;
}

// The engine's own namespace object offers finalizers and internals that a
// page has no business with.
duk_ret_t remove_engine_namespace(duk_context* ctx, void*) {
    duk_push_global_object(ctx);
    duk_del_prop_string(ctx, -1, "Duktape");
    duk_pop(ctx);
    return 0;
}

// The lowest stack address the engine may reach on this thread, 0 when
// unknown. The engine limits its native recursion by count only; how deep
// that gets in bytes depends on the build and the thread's stack size.
std::uintptr_t stack_floor() {
    thread_local const std::uintptr_t floor = [] {
        pthread_attr_t attr;
        if (pthread_getattr_np(pthread_self(), &attr) != 0) return std::uintptr_t{0};
        void* low = nullptr;
        std::size_t size = 0;
        const bool known = pthread_attr_getstack(&attr, &low, &size) == 0;
        pthread_attr_destroy(&attr);
        if (!known || !low) return std::uintptr_t{0};
        const std::size_t reserve = std::min<std::size_t>(std::size_t{256} << 10, size / 4);
        return reinterpret_cast<std::uintptr_t>(low) + reserve;
    }();
    return floor;
}

class Timing {
  public:
    explicit Timing(Heap& heap) : heap_(heap) {
        heap_.timing = true;
        heap_.out_of_time = false;
        heap_.checks = 0;
        heap_.deadline = std::chrono::steady_clock::now() + heap_.time_limit;
        heap_.stack_floor = stack_floor();
    }
    ~Timing() { heap_.timing = false; }
    Timing(const Timing&) = delete;
    Timing& operator=(const Timing&) = delete;

  private:
    Heap& heap_;
};

// The message of the error on top of the stack. Runs while the evaluation is
// still timed: the error's own conversion to text is script as well.
std::string error_message(Heap& heap) {
    if (heap.out_of_time) return TIMEOUT_MESSAGE;
    duk_size_t length = 0;
    const char* text = duk_safe_to_lstring(heap.context, -1, &length);
    if (heap.out_of_time) return TIMEOUT_MESSAGE;
    return text ? engine_text_to_utf8(std::string_view(text, length)) : std::string();
}

// Runs function under the time limit; false, and the error kept, on a script error.
bool timed_call(Heap& heap, duk_safe_call_function function, void* udata) {
    Timing timing(heap);
    if (duk_safe_call(heap.context, function, udata, 0, 1) == DUK_EXEC_SUCCESS) {
        heap.last_error.clear();
        return true;
    }
    heap.last_error = error_message(heap);
    return false;
}

bool eval_in(Heap& heap, EvalCall& call, std::string* text) {
    duk_context* ctx = heap.context;
    const duk_idx_t top = duk_get_top(ctx);
    const bool ok = timed_call(heap, run_eval, &call);
    if (ok && text) {
        duk_size_t length = 0;
        const char* bytes = duk_get_lstring(ctx, -1, &length);
        if (bytes) *text = engine_text_to_utf8(std::string_view(bytes, length));
    }
    duk_set_top(ctx, top);
    return ok;
}

// The surrogate half encoded at text[i] (three bytes ED A0..BF xx), or 0.
char32_t surrogate_at(std::string_view text, std::size_t i) {
    if (i + 2 >= text.size()) return 0;
    const auto b0 = static_cast<unsigned char>(text[i]);
    const auto b1 = static_cast<unsigned char>(text[i + 1]);
    const auto b2 = static_cast<unsigned char>(text[i + 2]);
    if (b0 != 0xED || b1 < 0xA0 || b1 > 0xBF || (b2 & 0xC0) != 0x80) return 0;
    return 0xD000 | ((b1 & 0x3F) << 6) | (b2 & 0x3F);
}

}  // namespace

std::string engine_text_to_utf8(std::string_view text) {
    if (text.find('\xED') == std::string_view::npos) return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const char32_t high = surrogate_at(text, i);
        if (high == 0) {
            out.push_back(text[i]);
            ++i;
            continue;
        }
        const char32_t low = surrogate_at(text, i + 3);
        if (high <= 0xDBFF && low >= 0xDC00) {
            platform::append_utf8(out, 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00));
            i += 6;
        } else {
            platform::append_utf8(out, 0xFFFD);
            i += 3;
        }
    }
    return out;
}

ScriptEngine::ScriptEngine(std::unique_ptr<Heap> heap) : heap_(std::move(heap)) {}

ScriptEngine::~ScriptEngine() {
    duk_destroy_heap(heap_->context);
}

std::shared_ptr<ScriptEngine> ScriptEngine::create(const ScriptLimits& limits) {
    auto heap = std::make_unique<Heap>();
    heap->limit = limits.memory_bytes;
    heap->time_limit = limits.time;
    heap->context = duk_create_heap(heap_alloc, heap_realloc, heap_free, heap.get(), heap_fatal);
    if (!heap->context) return {};
    if (duk_safe_call(heap->context, remove_engine_namespace, nullptr, 0, 1) != DUK_EXEC_SUCCESS) {
        duk_destroy_heap(heap->context);
        return {};
    }
    duk_set_top(heap->context, 0);
    return std::shared_ptr<ScriptEngine>(new ScriptEngine(std::move(heap)));
}

bool ScriptEngine::add_code(std::string_view code) {
    EvalCall call{code.data(), code.size(), Conversion::none, 0, false};
    return eval_in(*heap_, call, nullptr);
}

std::string ScriptEngine::eval_text(std::string_view code) {
    EvalCall call{code.data(), code.size(), Conversion::text, 0, false};
    std::string text;
    if (!eval_in(*heap_, call, &text)) return {};
    return text;
}

double ScriptEngine::eval_number(std::string_view code) {
    EvalCall call{code.data(), code.size(), Conversion::number, 0, false};
    return eval_in(*heap_, call, nullptr) ? call.number : 0;
}

bool ScriptEngine::eval_truth(std::string_view code) {
    EvalCall call{code.data(), code.size(), Conversion::truth, 0, false};
    return eval_in(*heap_, call, nullptr) && call.truth;
}

bool ScriptEngine::assign_json(std::string_view name, std::string_view json_text) {
    JsonCall call{name.data(), name.size(), json_text.data(), json_text.size(), false};
    duk_context* ctx = heap_->context;
    const duk_idx_t top = duk_get_top(ctx);
    const bool ok = timed_call(*heap_, run_json, &call);
    duk_set_top(ctx, top);
    return ok && call.stored;
}

std::size_t ScriptEngine::memory_in_use() const {
    return heap_->used;
}

const std::string& ScriptEngine::last_error() const {
    return heap_->last_error;
}

}  // namespace vokalin

// Called by the engine after every so many instructions (the build's
// configuration header declares both). The heap's user data is null for heaps
// made elsewhere with the engine's default allocator.
extern "C" int vokalin_script_out_of_time(void* heap_udata) {
    return heap_udata && vokalin::past_deadline(*static_cast<vokalin::Heap*>(heap_udata), 0);
}

// Called on every native recursion: calls, the compiler, JSON and the regular
// expression matcher, which runs no instructions the count above would see.
// Non-zero makes the engine throw; it fails a stack that runs low as well.
extern "C" int vokalin_script_native_check(void* heap_udata) {
    if (!heap_udata) return 0;
    auto& heap = *static_cast<vokalin::Heap*>(heap_udata);
    if (!heap.timing) return 0;
    const auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    if (here < heap.stack_floor) return 1;
    return vokalin::past_deadline(heap, 255);
}
