#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vokalin {

// Draws the length of the next segment (in characters, 200 to 400).
using SegmentLengthSource = std::function<int()>;

// A uniform draw from 200 to 400 inclusive.
SegmentLengthSource random_segment_lengths();

// Cuts the GBK text of the main edit box into the segments that are synthesized
// one after another. Blanks and CR LF pairs are removed first; a cleaned text of
// at most 700 bytes is one segment. Longer texts become segments of 200 to 400
// characters, and a last shorter one that ends with the pause mark "[3秒]".
void split_text(const std::string& text, std::vector<std::string>& segments,
                const SegmentLengthSource& next_length = random_segment_lengths());

}  // namespace vokalin
