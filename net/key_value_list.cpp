#include "net/key_value_list.h"

#include "net/text_encoding.h"
#include "net/text_helpers.h"
#include "net/text_search.h"
#include "net/url_encode.h"

namespace vokalin {

void KeyValueList::add(std::string_view name, std::string_view value, bool utf8) {
    names_.push_back(utf8 ? to_utf8(name) : std::string(name));
    values_.push_back(utf8 ? to_utf8(value) : std::string(value));
}

void KeyValueList::add_query(std::string_view text, bool utf8) {
    for (const std::string& item : split_on(text, "&")) {
        const std::string name = text_before(item, "=");
        // The value follows the last "=" that is not the item's final byte.
        std::string value;
        if (item.size() > 1) {
            if (const std::size_t eq = find_last_text(item, "=", item.size() - 1)) {
                value = item.substr(eq);
            }
        }
        add(name, value, utf8);
    }
}

std::size_t KeyValueList::index_of(std::string_view name) const {
    for (std::size_t i = 0; i < names_.size(); ++i) {
        if (names_[i] == name) return i;
    }
    return names_.size();
}

std::string KeyValueList::get(std::string_view name) const {
    const std::size_t i = index_of(name);
    return i < values_.size() ? values_[i] : std::string();
}

void KeyValueList::set(std::string_view name, std::string_view value) {
    const std::size_t i = index_of(name);
    if (i < values_.size()) {
        values_[i] = value;
    } else {
        add(name, value);
    }
}

std::string KeyValueList::to_form(bool encode) const {
    std::string out;
    for (std::size_t i = 0; i < names_.size(); ++i) {
        out += encode ? url_encode(names_[i], true) : names_[i];
        out += '=';
        out += encode ? url_encode(values_[i], true) : values_[i];
        out += '&';
    }
    if (!out.empty()) out.pop_back();
    return out;
}

std::string KeyValueList::to_headers(bool encode) const {
    std::string out;
    for (std::size_t i = 0; i < names_.size(); ++i) {
        out += names_[i];
        out += ": ";
        out += encode ? url_encode(values_[i], true) : values_[i];
        out += "\r\n";
    }
    if (!out.empty()) out.resize(out.size() - 2);
    return out;
}

void KeyValueList::get_names(std::vector<std::string>& target) const {
    target = names_;
}

void KeyValueList::get_values(std::vector<std::string>& target) const {
    target = values_;
}

void KeyValueList::clear() {
    names_.clear();
    values_.clear();
}

void KeyValueList::remove(std::string_view name) {
    const std::size_t i = index_of(name);
    if (i == names_.size()) return;
    names_.erase(names_.begin() + static_cast<std::ptrdiff_t>(i));
    values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(i));
}

std::string KeyValueList::to_json() const {
    std::string out = "{";
    for (std::size_t i = 0; i < names_.size(); ++i) {
        out += '"' + names_[i] + "\":\"" + escape_json_text(values_[i]) + "\",";
    }
    strip_affix(out, ",");
    return out + "}";
}

std::string KeyValueList::escape_json_text(std::string_view text) {
    return replace_all(text, "\"", "\\\"");
}

std::string KeyValueList::strip_affix(std::string& text, std::string_view affix) {
    if (!affix.empty()) {
        if (ends_with_text(text, affix)) text.resize(text.size() - affix.size());
        if (starts_with_text(text, affix)) text.erase(0, affix.size());
    }
    return text;
}

}  // namespace vokalin
