#include "app/embedded_libraries.h"

#include <cstdint>
#include <span>

#include "platform/library_placement.h"

// The two libraries are built first; their files are copied next to this
// source's object and pulled into the executable's read-only data as they are.
#define VOKALIN_EMBED(symbol, file)                 \
    __asm__(                                        \
        ".section .rodata\n"                        \
        ".balign 16\n"                              \
        ".global " #symbol "_begin\n" #symbol       \
        "_begin:\n"                                 \
        ".incbin \"" file                           \
        "\"\n"                                      \
        ".global " #symbol "_end\n" #symbol         \
        "_end:\n"                                   \
        ".previous\n");                             \
    extern "C" const std::uint8_t symbol##_begin[]; \
    extern "C" const std::uint8_t symbol##_end[];

VOKALIN_EMBED(vokalin_bass_image, VOKALIN_BASS_IMAGE)
VOKALIN_EMBED(vokalin_msc_image, VOKALIN_MSC_IMAGE)

namespace vokalin {

void register_embedded_libraries() {
    platform::register_library_image(
        "bass.dll",
        std::span<const std::uint8_t>(vokalin_bass_image_begin, vokalin_bass_image_end));
    platform::register_library_image(
        "msc.dll", std::span<const std::uint8_t>(vokalin_msc_image_begin, vokalin_msc_image_end));
}

}  // namespace vokalin
