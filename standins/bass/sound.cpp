#include "standins/bass/sound.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vokalin::bass {
namespace {

constexpr int MAX_CHANNELS = 64;
constexpr int MAX_RATE = 1'000'000;
constexpr std::size_t MAX_SAMPLES = std::size_t{1} << 28;

struct MemoryFile {
    std::span<const std::uint8_t> bytes;
    sf_count_t position = 0;
};

sf_count_t memory_length(void* user) {
    return static_cast<sf_count_t>(static_cast<MemoryFile*>(user)->bytes.size());
}

sf_count_t memory_seek(sf_count_t offset, int whence, void* user) {
    auto* file = static_cast<MemoryFile*>(user);
    const auto size = static_cast<sf_count_t>(file->bytes.size());
    sf_count_t base = 0;
    if (whence == SEEK_CUR) base = file->position;
    if (whence == SEEK_END) base = size;
    const sf_count_t target = base + offset;
    if (target < 0 || target > size) return -1;
    file->position = target;
    return target;
}

sf_count_t memory_read(void* out, sf_count_t count, void* user) {
    auto* file = static_cast<MemoryFile*>(user);
    const auto size = static_cast<sf_count_t>(file->bytes.size());
    const sf_count_t n = std::clamp<sf_count_t>(count, 0, size - file->position);
    if (n > 0) std::memcpy(out, file->bytes.data() + file->position, static_cast<std::size_t>(n));
    file->position += n;
    return n;
}

sf_count_t memory_write(const void*, sf_count_t, void*) {
    return 0;
}

sf_count_t memory_tell(void* user) {
    return static_cast<MemoryFile*>(user)->position;
}

int source_bytes_per_sample(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8:
            return 1;
        case SF_FORMAT_PCM_24:
            return 3;
        case SF_FORMAT_PCM_32:
        case SF_FORMAT_FLOAT:
        case SF_FORMAT_DOUBLE:
            return 4;
        default:
            return 2;
    }
}

std::string read_tags(SNDFILE* file) {
    static constexpr struct {
        int id;
        const char* name;
    } names[] = {{SF_STR_TITLE, "title"},       {SF_STR_ARTIST, "artist"},
                 {SF_STR_ALBUM, "album"},       {SF_STR_DATE, "date"},
                 {SF_STR_COMMENT, "comment"},   {SF_STR_GENRE, "genre"},
                 {SF_STR_TRACKNUMBER, "track"}, {SF_STR_COPYRIGHT, "copyright"},
                 {SF_STR_SOFTWARE, "software"}, {SF_STR_LICENSE, "license"}};
    std::string tags;
    for (const auto& entry : names) {
        const char* value = sf_get_string(file, entry.id);
        if (!value || !*value) continue;
        if (!tags.empty()) tags += '\n';
        tags += entry.name;
        tags += '=';
        tags += value;
    }
    return tags;
}

}  // namespace

std::optional<Sound> decode_sound(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return std::nullopt;
    MemoryFile source{bytes, 0};
    SF_VIRTUAL_IO io{memory_length, memory_seek, memory_read, memory_write, memory_tell};
    SF_INFO info{};
    SNDFILE* file = sf_open_virtual(&io, SFM_READ, &info, &source);
    if (!file) return std::nullopt;
    if (info.channels < 1 || info.channels > MAX_CHANNELS || info.samplerate < 1 ||
        info.samplerate > MAX_RATE) {
        sf_close(file);
        return std::nullopt;
    }
    Sound sound;
    sound.channels = info.channels;
    sound.rate = info.samplerate;
    sound.bytes_per_sample = source_bytes_per_sample(info.format);
    sound.tags = read_tags(file);

    // The frame count in a header may lie (truncated or padded files): read what is there.
    constexpr sf_count_t CHUNK_FRAMES = 4096;
    std::vector<float> chunk(static_cast<std::size_t>(CHUNK_FRAMES * info.channels));
    for (;;) {
        const sf_count_t got = sf_readf_float(file, chunk.data(), CHUNK_FRAMES);
        if (got <= 0) break;
        const auto count = static_cast<std::size_t>(got) * static_cast<std::size_t>(info.channels);
        if (sound.samples.size() + count > MAX_SAMPLES) {
            sf_close(file);
            return std::nullopt;
        }
        for (std::size_t i = 0; i < count; ++i) {
            if (!std::isfinite(chunk[i])) chunk[i] = 0.0f;  // float files may hold anything
        }
        sound.samples.insert(sound.samples.end(), chunk.begin(),
                             chunk.begin() + static_cast<std::ptrdiff_t>(count));
    }
    sf_close(file);
    return sound;
}

}  // namespace vokalin::bass
