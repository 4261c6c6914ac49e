#pragma once

// Control functions of the recording fake audio library (fake_bass.cpp), looked
// up by name in the loaded library like the real functions.

#include <cstdint>

extern "C" {
using fake_bass_calls_fn = const char* (*)();  // one call per line
using fake_bass_reset_fn = void (*)();
// the next spectrum requests deliver values (128 floats) and return result
using fake_bass_set_spectrum_fn = void (*)(const float* values, std::uint32_t result);
using fake_bass_set_tags_fn = void (*)(const char* tags);
}
