#pragma once

// Runs a regular expression (ECMAScript syntax: \uXXXX escapes, lazy
// quantifiers, capturing groups) over GBK text and hands out the matches and
// their groups. Indices are 1-based; offsets are 0-based byte offsets in the
// GBK subject. A search that would take too long fails instead of hanging.

#include <memory>
#include <string>
#include <string_view>

namespace vokalin {

class RegexMatcher {
  public:
    RegexMatcher();
    // Shares the compiled expression and the matches; copies the subject.
    RegexMatcher(const RegexMatcher& other);
    RegexMatcher& operator=(const RegexMatcher&) = delete;
    virtual ~RegexMatcher();

    virtual void destroy();
    virtual std::unique_ptr<RegexMatcher> copy() const;
    // True when the pattern compiled and the search ran to its end, whether or
    // not anything matched. "." never matches a line break. With
    // use_quote_placeholder every "#引号" in the pattern stands for a double quote.
    virtual bool search(std::string_view pattern, std::string_view subject,
                        bool case_sensitive = false, bool multiline = true, bool global = true,
                        bool use_quote_placeholder = false);
    virtual void no_operation();
    // The pattern of the last search, after the placeholder substitution.
    virtual std::string pattern_text() const;
    // The subject with the matches replaced; the replacement may refer to
    // $1 ... $99, $& (the match), $` and $' (the text before and after it), $$.
    // Empty when the last search failed or there was none.
    virtual std::string replace_matches(std::string_view replacement) const;
    virtual long match_count() const;
    // A match or group that does not exist gives the empty text and offset -1.
    virtual std::string match_text(long index, long* offset = nullptr) const;
    virtual std::string submatch_text(long index, long group, long* offset = nullptr) const;
    // Number of groups of the first match; 0 when nothing matched.
    virtual long submatch_count() const;

    struct Expression;
    struct Matches;

  private:
    // Start and end byte offsets of group (0: the whole match) of match index
    // (0-based); false when it did not take part.
    bool span_of(long index, long group, std::size_t& start, std::size_t& end) const;
    std::string piece(long index, long group, long* offset) const;

    std::shared_ptr<const Expression> regexp_;
    std::shared_ptr<const Matches> matches_;
    std::string subject_;
    std::string pattern_;
};

// Whether pattern matches text, with the options of a fresh expression: case
// counts, and "^" and "$" stand for the ends of the whole text. For example
// "^[\u4e00-\u9fa5]{1,}$" tells whether text is made of CJK characters only.
bool regex_test(std::string_view pattern, std::string_view text, bool case_sensitive = true,
                bool multiline = false);

}  // namespace vokalin
