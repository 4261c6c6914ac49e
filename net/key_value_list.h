#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vokalin {

// An ordered list of name/value pairs, rendered as a form body, a header block
// or a flat JSON object. Names may repeat; lookups use the first entry whose
// name matches byte for byte. Copying a list copies its texts.
class KeyValueList {
  public:
    // Appends the pair; with utf8 both texts are converted to UTF-8 first.
    void add(std::string_view name, std::string_view value, bool utf8 = false);
    // Adds the items of an "a=1&b=2" text.
    void add_query(std::string_view text, bool utf8 = false);
    std::string get(std::string_view name) const;
    void set(std::string_view name, std::string_view value);
    std::string to_form(bool encode = false) const;
    std::string to_headers(bool encode = false) const;
    void get_names(std::vector<std::string>& target) const;
    void get_values(std::vector<std::string>& target) const;
    void clear();
    void remove(std::string_view name);
    std::string to_json() const;
    static std::string escape_json_text(std::string_view text);
    // Removes one affix from the end, then one from the start; stored back into text.
    static std::string strip_affix(std::string& text, std::string_view affix);

    std::size_t size() const { return names_.size(); }

  private:
    std::size_t index_of(std::string_view name) const;  // names_.size() when absent

    std::vector<std::string> names_;
    std::vector<std::string> values_;
};

}  // namespace vokalin
