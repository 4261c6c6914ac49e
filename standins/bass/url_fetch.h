#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "standins/bass/bass_api.h"

namespace vokalin::bass {

// Downloads url from byte offset. std::nullopt on any failure, an HTTP status
// of 400 or more, or a body larger than the stream size limit.
std::optional<std::vector<std::uint8_t>> fetch_url(const std::string& url, std::uint32_t offset,
                                                   bass_download_proc proc, void* user);

}  // namespace vokalin::bass
