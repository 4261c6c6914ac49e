// Parses a 100 KB answer and reads five members through JsonObject, next to
// the same work done directly with the engine's JSON.parse on a fresh heap.
// Prints the median time of each and their ratio.

#include <duktape.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "script/json_object.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string answer() {
    std::string text = R"({"zt":1,"dom":"https://download.example","url":"?AbCdEf0123456789",)"
                       R"("inf":"file.exe","list":[)";
    for (int i = 0; text.size() < 100 * 1024; ++i) {
        if (i) text += ',';
        text += R"({"id":)" + std::to_string(i) + R"(,"name":"entry )" + std::to_string(i) +
                R"(","size":")" + std::to_string(i * 37) + R"( KB","ok":true})";
    }
    text += R"(],"meta":{"count":"many"}})";
    return text;
}

const char* const MEMBERS[] = {"dom", "url", "inf", "meta.count", "list[100].name"};

std::size_t through_json_object(const std::string& text) {
    vokalin::JsonObject json;
    json.parse(text);
    std::size_t total = 0;
    for (const char* member : MEMBERS) total += json.get_text(member).size();
    return total;
}

std::size_t through_engine(const std::string& text) {
    duk_context* ctx = duk_create_heap_default();
    duk_push_lstring(ctx, text.data(), text.size());
    duk_json_decode(ctx, -1);
    std::size_t total = 0;
    const auto read = [&](const char* name) {
        duk_get_prop_string(ctx, -1, name);
        total += duk_get_length(ctx, -1);
        duk_pop(ctx);
    };
    read("dom");
    read("url");
    read("inf");
    duk_get_prop_string(ctx, -1, "meta");
    read("count");
    duk_pop(ctx);
    duk_get_prop_string(ctx, -1, "list");
    duk_get_prop_index(ctx, -1, 100);
    read("name");
    duk_pop_2(ctx);
    duk_destroy_heap(ctx);
    return total;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <typename F>
double time_once(F&& work, std::size_t& check) {
    const auto started = Clock::now();
    check += work();
    return std::chrono::duration<double, std::micro>(Clock::now() - started).count();
}

}  // namespace

int main() {
    const std::string text = answer();
    const int rounds = 41;
    std::vector<double> object_times, engine_times;
    std::size_t object_check = 0, engine_check = 0;
    for (int i = 0; i < rounds; ++i) {
        object_times.push_back(time_once([&] { return through_json_object(text); }, object_check));
        engine_times.push_back(time_once([&] { return through_engine(text); }, engine_check));
    }
    if (object_check != engine_check) {
        std::fprintf(stderr, "results differ: %zu vs %zu\n", object_check, engine_check);
        return 1;
    }
    const double object_us = median(object_times);
    const double engine_us = median(engine_times);
    std::printf("answer: %zu bytes, five members, median of %d rounds\n", text.size(), rounds);
    std::printf("JsonObject parse + 5 reads:       %9.1f us\n", object_us);
    std::printf("engine JSON.parse + 5 reads:      %9.1f us\n", engine_us);
    std::printf("ratio JsonObject / engine:        %9.2f\n", object_us / engine_us);
    return 0;
}
