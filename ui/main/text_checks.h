#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vokalin {

// True when t, blanks aside, is at least two bytes long and every byte of t is
// 0x80 or above. With use_pattern, whether t consists of CJK ideographs only.
bool is_all_double_byte(std::string_view t, bool use_pattern = false);

// The captions of one marquee cycle over full (56 blanks and the status text):
// one step per byte of full, a double-byte character leaving in one step, and an
// empty caption for each step left over once the text has scrolled out.
std::vector<std::string> marquee_frames(std::string_view full);

// 56 blanks followed by the status text.
std::string marquee_full_text(std::string_view status_text);

// The number of a version text, 0 when it is not a number.
float version_number(std::string_view text);

// True when the published version is newer than the running one.
bool update_available(std::string_view current_version, std::string_view latest_version);

}  // namespace vokalin
