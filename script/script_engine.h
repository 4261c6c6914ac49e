#pragma once

// A private JavaScript heap (Duktape) without any I/O bindings. Script text and
// text results are UTF-8; callers convert from and to GBK.
//
// Each heap has a memory cap: an allocation beyond it fails, which the engine
// reports as a script error, so the evaluation fails cleanly. Each evaluation
// also has a time limit: once it has run longer, the engine throws an error
// that script cannot get past, the evaluation fails with "execution timeout"
// and the heap is ready for the next one.

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace vokalin {

struct ScriptLimits {
    std::size_t memory_bytes = std::size_t{64} << 20;
    std::chrono::milliseconds time = std::chrono::seconds(10);
};

class ScriptEngine {
  public:
    // Empty when the heap cannot be created.
    static std::shared_ptr<ScriptEngine> create(const ScriptLimits& limits = {});

    ScriptEngine(const ScriptEngine&) = delete;
    ScriptEngine& operator=(const ScriptEngine&) = delete;
    ~ScriptEngine();

    // Runs code in the global scope; false on a script error.
    bool add_code(std::string_view code);

    // Evaluates code and converts its value. A script error gives the empty
    // text, 0 or false. Text: undefined and null give the empty text, other
    // values their script text form. Number: a number as it is, true 1, numeric
    // text its number, anything else 0. Truth: a boolean as it is, a number
    // unless zero, a text that reads as a non-zero number or as "true";
    // everything else false.
    std::string eval_text(std::string_view code);
    double eval_number(std::string_view code);
    bool eval_truth(std::string_view code);

    // Parses json_text with the engine's JSON reader and stores the value in the
    // global variable name. False, and nothing stored, when the text is not JSON
    // or its value is a string.
    bool assign_json(std::string_view name, std::string_view json_text);

    // Bytes the heap holds now.
    std::size_t memory_in_use() const;

    // Message of the error that ended the last evaluation; empty after one
    // that succeeded. "execution timeout" when it ran out of time.
    const std::string& last_error() const;

    struct Heap;

  private:
    explicit ScriptEngine(std::unique_ptr<Heap> heap);

    std::unique_ptr<Heap> heap_;
};

// Text of the engine (CESU-8: characters outside the basic plane as two
// three-byte halves) as well-formed UTF-8; a lone half becomes U+FFFD.
std::string engine_text_to_utf8(std::string_view text);

}  // namespace vokalin
