#pragma once

// One JSON value read and changed by path. The value lives in a global variable
// of a private script engine; every operation composes a short script and
// evaluates it there. Paths are member-access expressions relative to the root
// ("", "name", "a.b", "list[2].name", "['with blank']"). Texts are GBK.
//
// Operations never throw: a failed evaluation gives false, the empty text or 0.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "script/script_engine.h"

namespace vokalin {

class JsonObject {
  public:
    // Value-type codes of value_type.
    static constexpr int TYPE_UNKNOWN = -1;
    static constexpr int TYPE_NONE = 0;  // undefined or null
    static constexpr int TYPE_BOOLEAN = 1;
    static constexpr int TYPE_NUMBER = 2;
    static constexpr int TYPE_OBJECT = 4;
    static constexpr int TYPE_ARRAY = 5;
    static constexpr int TYPE_STRING = 6;

    JsonObject();
    explicit JsonObject(const ScriptLimits& limits);
    JsonObject(const JsonObject& other);  // shares the engine
    JsonObject& operator=(const JsonObject&) = delete;
    virtual ~JsonObject();

    virtual void destroy();
    virtual std::unique_ptr<JsonObject> copy() const;
    virtual void initialize();
    virtual bool parse(std::string_view text);
    virtual bool clear();
    virtual std::string to_json();
    virtual bool set_value(std::string_view path, std::string_view value,
                           bool value_is_json = false);
    virtual bool set_expression(std::string_view path, std::string_view expression);
    // True when the path names a value that is neither undefined nor null;
    // path becomes the full expression.
    virtual bool resolve_path(std::string& path);
    virtual int value_type(std::string_view path);
    virtual std::string get_text(std::string_view path, bool as_json = false);
    virtual long member_names(std::vector<std::string>& names, std::string_view path = {});
    virtual long element_count(std::string_view path = {});
    virtual JsonObject get_object(std::string_view path = {});
    // Note the order: value before path.
    virtual bool append(std::string_view value, std::string_view path = {},
                        bool value_is_json = false);
    virtual JsonObject get_element_object(long index, std::string_view path = {});
    virtual std::string get_element_text(long index, std::string_view path = {},
                                         bool as_json = false);
    virtual bool set_element(long index, std::string_view path, std::string_view value,
                             bool value_is_json = false);
    virtual bool remove_element(long index, std::string_view path = {});
    virtual bool remove_member(std::string_view path);
    virtual bool set_number(std::string_view path, double number);
    virtual double get_number(std::string_view path);
    virtual std::string get_json(std::string_view path = {});
    // The engine itself, for callers that run scripts of their own (UTF-8).
    virtual std::shared_ptr<ScriptEngine> script_engine() const;

    const std::string& root_name() const { return root_name_; }

  private:
    bool parse_engine_text(const std::string& source);
    std::string resolved(std::string_view path);
    std::string eval_text(const std::string& code);
    bool eval_truth(const std::string& code);
    double eval_number(const std::string& code);
    JsonObject object_from(const std::string& json_code);

    std::string root_name_;
    std::shared_ptr<ScriptEngine> engine_;
    ScriptLimits limits_;
};

}  // namespace vokalin
