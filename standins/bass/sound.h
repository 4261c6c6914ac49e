#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vokalin::bass {

// A decoded sound: interleaved float samples plus what positions are counted in.
struct Sound {
    int channels = 0;
    int rate = 0;
    int bytes_per_sample = 2;  // of the source format; positions count these
    std::vector<float> samples;
    std::string tags;  // "name=value" lines, empty when the source has none

    std::size_t frames() const { return samples.size() / static_cast<std::size_t>(channels); }
    std::uint64_t bytes_per_frame() const {
        return static_cast<std::uint64_t>(channels) * static_cast<std::uint64_t>(bytes_per_sample);
    }
};

// Decodes any format libsndfile reads. std::nullopt for data it cannot read.
std::optional<Sound> decode_sound(std::span<const std::uint8_t> bytes);

}  // namespace vokalin::bass
