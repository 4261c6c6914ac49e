#define PCRE2_CODE_UNIT_WIDTH 8
#include "script/regex_matcher.h"

#include <pcre2.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "net/text_encoding.h"
#include "net/text_helpers.h"
#include "net/text_search.h"
#include "platform/platform.h"

namespace vokalin {

// Bounds that turn a pathological pattern or page into a failed search.
constexpr std::uint32_t MATCH_LIMIT = 5'000'000;
constexpr std::uint32_t DEPTH_LIMIT = 100'000;
constexpr std::uint32_t HEAP_LIMIT_KIB = 64 * 1024;
constexpr auto SEARCH_TIME_LIMIT = std::chrono::seconds(2);

constexpr std::size_t UNSET = static_cast<std::size_t>(-1);

struct RegexMatcher::Expression {
    pcre2_code* code = nullptr;
    std::size_t groups = 0;
    ~Expression() { pcre2_code_free(code); }
};

struct RegexMatcher::Matches {
    std::size_t groups = 0;
    // Per match, (groups + 1) pairs of byte offsets in the GBK subject.
    std::vector<std::size_t> offsets;
    std::size_t count() const { return offsets.size() / ((groups + 1) * 2); }
};

namespace {

template <typename T, void (*Free)(T*)>
struct Owned {
    T* ptr;
    explicit Owned(T* p) : ptr(p) {}
    ~Owned() { Free(ptr); }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
};

using CompileContext = Owned<pcre2_compile_context, pcre2_compile_context_free>;
using MatchContext = Owned<pcre2_match_context, pcre2_match_context_free>;
using MatchData = Owned<pcre2_match_data, pcre2_match_data_free>;

std::shared_ptr<RegexMatcher::Expression> compile(const std::string& utf8_pattern,
                                                  bool case_sensitive, bool multiline) {
    CompileContext context(pcre2_compile_context_create(nullptr));
    if (!context.ptr) return {};
    // "." stops at CR and LF, "^" and "$" see both as line ends.
    pcre2_set_newline(context.ptr, PCRE2_NEWLINE_ANYCRLF);
    pcre2_set_compile_extra_options(context.ptr, PCRE2_EXTRA_ALT_BSUX);
    // ECMAScript meanings: \uXXXX and \xXX, "[^]" matches anything, "$" without
    // multiline only at the very end.
    std::uint32_t options = PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_ALLOW_EMPTY_CLASS |
                            PCRE2_DOLLAR_ENDONLY | PCRE2_NEVER_BACKSLASH_C;
    if (!case_sensitive) options |= PCRE2_CASELESS;
    if (multiline) options |= PCRE2_MULTILINE;
    int error = 0;
    PCRE2_SIZE error_offset = 0;
    pcre2_code* code =
        pcre2_compile(reinterpret_cast<PCRE2_SPTR>(utf8_pattern.data()), utf8_pattern.size(),
                      options, &error, &error_offset, context.ptr);
    if (!code) return {};
    auto expression = std::make_shared<RegexMatcher::Expression>();
    expression->code = code;
    std::uint32_t groups = 0;
    pcre2_pattern_info(code, PCRE2_INFO_CAPTURECOUNT, &groups);
    expression->groups = groups;
    return expression;
}

std::size_t utf8_length_of(char16_t unit) {
    if (unit < 0x80) return 1;
    if (unit < 0x800) return 2;
    return 3;
}

// Maps the sorted UTF-8 offsets in wanted to byte offsets in the GBK text whose
// decoded units are given: one unit per ASCII byte, per character of two bytes,
// and per invalid byte (U+FFFD).
std::vector<std::size_t> gbk_offsets(std::string_view gbk_text, const std::u16string& units,
                                     const std::vector<std::size_t>& wanted) {
    std::vector<std::size_t> result(wanted.size(), gbk_text.size());
    std::size_t utf8_pos = 0;
    std::size_t gbk_pos = 0;
    std::size_t next = 0;
    for (std::size_t k = 0; k <= units.size() && next < wanted.size(); ++k) {
        while (next < wanted.size() && wanted[next] <= utf8_pos) {
            result[next++] = std::min(gbk_pos, gbk_text.size());
        }
        if (k == units.size()) break;
        const char16_t unit = units[k];
        const bool single =
            gbk_pos < gbk_text.size() &&
            (static_cast<unsigned char>(gbk_text[gbk_pos]) < 0x80 || unit == 0xFFFD);
        gbk_pos += single ? 1 : 2;
        utf8_pos += utf8_length_of(unit);
    }
    return result;
}

std::size_t utf8_char_length(std::string_view text, std::size_t pos) {
    std::size_t length = 1;
    while (pos + length < text.size() &&
           (static_cast<unsigned char>(text[pos + length]) & 0xC0) == 0x80) {
        ++length;
    }
    return length;
}

// Runs the search over the UTF-8 subject; offsets in UTF-8, UNSET for groups
// that did not take part. False when a limit was reached.
bool run_search(const RegexMatcher::Expression& expression, std::string_view subject, bool global,
                std::vector<std::size_t>& offsets) {
    MatchContext context(pcre2_match_context_create(nullptr));
    MatchData data(pcre2_match_data_create_from_pattern(expression.code, nullptr));
    if (!context.ptr || !data.ptr) return false;
    pcre2_set_match_limit(context.ptr, MATCH_LIMIT);
    pcre2_set_depth_limit(context.ptr, DEPTH_LIMIT);
    pcre2_set_heap_limit(context.ptr, HEAP_LIMIT_KIB);
    const auto deadline = std::chrono::steady_clock::now() + SEARCH_TIME_LIMIT;
    const std::size_t pairs = expression.groups + 1;
    std::size_t start = 0;
    while (start <= subject.size()) {
        const int rc =
            pcre2_match(expression.code, reinterpret_cast<PCRE2_SPTR>(subject.data()),
                        subject.size(), start, PCRE2_NO_UTF_CHECK, data.ptr, context.ptr);
        if (rc == PCRE2_ERROR_NOMATCH) break;
        if (rc < 0) return false;
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.ptr);
        const std::uint32_t available = pcre2_get_ovector_count(data.ptr);
        for (std::size_t g = 0; g < pairs; ++g) {
            const bool set = g < available && ovector[2 * g] != PCRE2_UNSET &&
                             ovector[2 * g] <= ovector[2 * g + 1];
            offsets.push_back(set ? ovector[2 * g] : UNSET);
            offsets.push_back(set ? ovector[2 * g + 1] : UNSET);
        }
        if (!global) break;
        const std::size_t end = std::max<std::size_t>(ovector[1], start);
        if (end > ovector[0] && end > start) {
            start = end;
        } else {
            // An empty match: go on one character further.
            if (end >= subject.size()) break;
            start = end + utf8_char_length(subject, end);
        }
        if (std::chrono::steady_clock::now() > deadline) return false;
    }
    return true;
}

}  // namespace

RegexMatcher::RegexMatcher() = default;

RegexMatcher::RegexMatcher(const RegexMatcher& other)
    : regexp_(other.regexp_),
      matches_(other.matches_),
      subject_(other.subject_),
      pattern_(other.pattern_) {}

RegexMatcher::~RegexMatcher() {
    destroy();
}

void RegexMatcher::destroy() {
    regexp_.reset();
    matches_.reset();
    subject_.clear();
}

std::unique_ptr<RegexMatcher> RegexMatcher::copy() const {
    return std::make_unique<RegexMatcher>(*this);
}

bool RegexMatcher::search(std::string_view pattern, std::string_view subject, bool case_sensitive,
                          bool multiline, bool global, bool use_quote_placeholder) {
    regexp_.reset();
    matches_.reset();
    pattern_ = use_quote_placeholder ? replace_all(pattern, quote_placeholder(), "\"")
                                     : std::string(pattern);
    // Texts end at their first zero byte.
    subject_ = std::string(subject.substr(0, subject.find('\0')));

    auto expression = compile(to_utf8(pattern_), case_sensitive, multiline);
    if (!expression) return false;
    regexp_ = expression;

    const std::u16string units = platform::multibyte_to_wide(subject_, platform::CODE_PAGE_GBK);
    const std::string utf8_subject = platform::wide_to_multibyte(units, platform::CODE_PAGE_UTF8);
    std::vector<std::size_t> offsets;
    if (!run_search(*expression, utf8_subject, global, offsets)) return false;

    std::vector<std::size_t> wanted;
    wanted.reserve(offsets.size());
    for (const std::size_t offset : offsets) {
        if (offset != UNSET) wanted.push_back(offset);
    }
    std::sort(wanted.begin(), wanted.end());
    wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
    const std::vector<std::size_t> mapped = gbk_offsets(subject_, units, wanted);

    auto matches = std::make_shared<Matches>();
    matches->groups = expression->groups;
    matches->offsets.reserve(offsets.size());
    for (const std::size_t offset : offsets) {
        if (offset == UNSET) {
            matches->offsets.push_back(UNSET);
            continue;
        }
        const auto at = std::lower_bound(wanted.begin(), wanted.end(), offset) - wanted.begin();
        matches->offsets.push_back(mapped[static_cast<std::size_t>(at)]);
    }
    matches_ = matches;
    return true;
}

void RegexMatcher::no_operation() {}

std::string RegexMatcher::pattern_text() const {
    return pattern_;
}

long RegexMatcher::match_count() const {
    return matches_ ? static_cast<long>(matches_->count()) : 0;
}

long RegexMatcher::submatch_count() const {
    return matches_ && matches_->count() > 0 ? static_cast<long>(matches_->groups) : 0;
}

bool RegexMatcher::span_of(long index, long group, std::size_t& start, std::size_t& end) const {
    if (!matches_ || index < 0 || group < 0) return false;
    const auto i = static_cast<std::size_t>(index);
    const auto g = static_cast<std::size_t>(group);
    if (i >= matches_->count() || g > matches_->groups) return false;
    const std::size_t at = (i * (matches_->groups + 1) + g) * 2;
    start = matches_->offsets[at];
    end = matches_->offsets[at + 1];
    return start != UNSET && start <= end && end <= subject_.size();
}

std::string RegexMatcher::match_text(long index, long* offset) const {
    return piece(index - 1, 0, offset);
}

std::string RegexMatcher::submatch_text(long index, long group, long* offset) const {
    return piece(index - 1, group < 1 ? -1 : group, offset);
}

std::string RegexMatcher::piece(long index, long group, long* offset) const {
    std::size_t start = 0;
    std::size_t end = 0;
    const bool found = span_of(index, group, start, end);
    if (offset) *offset = found ? static_cast<long>(start) : -1;
    return found ? subject_.substr(start, end - start) : std::string();
}

std::string RegexMatcher::replace_matches(std::string_view replacement) const {
    if (!matches_) return {};
    const long groups = static_cast<long>(matches_->groups);
    std::string out;
    std::size_t done = 0;
    for (long i = 0; i < match_count(); ++i) {
        std::size_t start = 0;
        std::size_t end = 0;
        if (!span_of(i, 0, start, end) || start < done) continue;
        out.append(subject_, done, start - done);
        // "$" and digits are never the second byte of a GBK character.
        for (std::size_t k = 0; k < replacement.size(); ++k) {
            const char c = replacement[k];
            const char n = k + 1 < replacement.size() ? replacement[k + 1] : '\0';
            if (c != '$' || n == '\0') {
                out.push_back(c);
                continue;
            }
            if (n == '$') {
                out.push_back('$');
                ++k;
            } else if (n == '&') {
                out.append(subject_, start, end - start);
                ++k;
            } else if (n == '`') {
                out.append(subject_, 0, start);
                ++k;
            } else if (n == '\'') {
                out.append(subject_, end);
                ++k;
            } else if (n >= '0' && n <= '9') {
                long number = n - '0';
                std::size_t used = 1;
                const char d = k + 2 < replacement.size() ? replacement[k + 2] : '\0';
                if (d >= '0' && d <= '9' && number * 10 + (d - '0') >= 1 &&
                    number * 10 + (d - '0') <= groups) {
                    number = number * 10 + (d - '0');
                    used = 2;
                }
                if (number < 1 || number > groups) {
                    out.push_back(c);
                    continue;
                }
                std::size_t group_start = 0;
                std::size_t group_end = 0;
                if (span_of(i, number, group_start, group_end)) {
                    out.append(subject_, group_start, group_end - group_start);
                }
                k += used;
            } else {
                out.push_back(c);
            }
        }
        done = end;
    }
    out.append(subject_, done);
    return out;
}

bool regex_test(std::string_view pattern, std::string_view text, bool case_sensitive,
                bool multiline) {
    RegexMatcher matcher;
    return matcher.search(pattern, text, case_sensitive, multiline, false) &&
           matcher.match_count() > 0;
}

}  // namespace vokalin
