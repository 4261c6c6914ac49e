#include "script/json_object.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "net/text_encoding.h"
#include "net/text_search.h"

namespace vokalin {
namespace {

// get__count, get__name_All, get__extend, then the JSON support: the engine's
// own JSON stays in place; the guard only covers an engine without one.
constexpr std::string_view PRELUDE =
    R"(function get__count(c){var obj=Object.prototype.toString.call(c);if(obj=='[object Array]'){return c.length}else{return 0}})"
    R"(function get__name_All(a){var obj=Object.prototype.toString.call(a);if(obj=='[object Object]'){var ary=new Array();for(var key in a){if(typeof a[key]!=='function'){ary.push(key)}}return ary.join('\r\n')}else{return''}})"
    R"(function get__extend(target,source){if(Object.prototype.toString.call(target)=='[object Array]'){for(var i=0;i<source.length;i++){target.push(source[i])}return target}else{var str_obj;for(var obj in source){str_obj=typeof target[obj];if(str_obj=='string'||str_obj=='boolean'||str_obj=='undefined'){target[obj]=source[obj]}else if(str_obj=='number'){target=target.concat(source)}else if(str_obj=='object'){target[obj]=get__extend(target[obj],source[obj])}}return target}})"
    R"(if(typeof JSON!=='object'){JSON={}})"
    R"((function(){'use strict';)"
    R"(if(!Object.prototype.toJSONString){Object.prototype.toJSONString=function(filter){return JSON.stringify(this,filter)};Object.prototype.parseJSON=function(filter){return JSON.parse(this,filter)}})"
    R"(}());)";

// Turns the placeholder character back into a backslash.
constexpr std::string_view UNMARK = R"(.replace(str_reg, '\\'))";

std::string u8(std::string_view gbk_text) {
    return to_utf8(gbk_text);
}

std::string number_text(double number) {
    if (std::isnan(number)) return "NaN";
    if (std::isinf(number)) return number < 0 ? "-Infinity" : "Infinity";
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
    return std::string(buffer, result.ptr);
}

long truncated(double number) {
    if (!std::isfinite(number)) return 0;
    if (number >= static_cast<double>(std::numeric_limits<long>::max())) {
        return std::numeric_limits<long>::max();
    }
    if (number <= static_cast<double>(std::numeric_limits<long>::min())) {
        return std::numeric_limits<long>::min();
    }
    return static_cast<long>(number);
}

// A plain text as the body of a single-quoted script string. Works on UTF-8,
// where a backslash or quote byte is always a character of its own.
std::string escaped(std::string_view utf8_text) {
    std::string out;
    out.reserve(utf8_text.size() + 8);
    for (const char c : utf8_text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\'':
                out += "\\'";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}

std::string wrapped(std::string_view value, bool value_is_json) {
    return value_is_json ? u8(value) : "'" + u8(value) + "'";
}

}  // namespace

JsonObject::JsonObject() : JsonObject(ScriptLimits{}) {}

JsonObject::JsonObject(const ScriptLimits& limits) : root_name_("da"), limits_(limits) {
    initialize();
}

JsonObject::JsonObject(const JsonObject& other)
    : root_name_(other.root_name_), engine_(other.engine_), limits_(other.limits_) {}

JsonObject::~JsonObject() {
    destroy();
}

void JsonObject::destroy() {
    engine_.reset();
    root_name_.clear();
}

std::unique_ptr<JsonObject> JsonObject::copy() const {
    return std::make_unique<JsonObject>(*this);
}

void JsonObject::initialize() {
    engine_ = ScriptEngine::create(limits_);
    if (!engine_) return;
    engine_->add_code(PRELUDE);
    engine_->add_code(
        "var " + root_name_ +
        " = {}, str_Code = String.fromCharCode(9216), str_reg = new RegExp(str_Code, 'g')");
}

bool JsonObject::parse(std::string_view text) {
    return parse_engine_text(u8(text));
}

bool JsonObject::parse_engine_text(const std::string& source) {
    engine_.reset();
    initialize();
    if (!engine_) return false;
    engine_->add_code("var " + root_name_ + " = null");
    // A JSON text is read by the engine's JSON reader: the same value as the
    // script evaluation gives, without the compiler's limits on literal size.
    // Everything else, a top-level JSON string included, is evaluated as script.
    if (!engine_->assign_json(root_name_, source)) {
        engine_->add_code("var " + root_name_ + " = eval(" + source + ")");
    }
    return eval_truth(root_name_ + " != null");
}

bool JsonObject::clear() {
    return eval_truth(root_name_ + " = {}");
}

std::string JsonObject::to_json() {
    return eval_text("JSON.stringify(" + root_name_ + ")" + std::string(UNMARK));
}

bool JsonObject::set_value(std::string_view path, std::string_view value, bool value_is_json) {
    std::string full(path);
    const bool exists = resolve_path(full);
    const std::string p = u8(full);
    if (value_is_json) {
        if (exists) {
            const std::string source = value.empty() ? std::string("{}") : u8(value);
            return eval_truth(p + " = get__extend(" + p + ", " + source + ")");
        }
        return eval_truth(p + " = eval(" + u8(value) + ")");
    }
    return eval_truth(p + " = '" + escaped(u8(value)) + R"('.replace(/\\/g, str_Code))");
}

bool JsonObject::set_expression(std::string_view path, std::string_view expression) {
    return eval_truth(u8(resolved(path)) + " = eval(" + u8(expression) + ")");
}

bool JsonObject::resolve_path(std::string& path) {
    if (starts_with_text(path, root_name_) && eval_truth(u8(path) + " != null")) return true;
    if (path.empty()) {
        path = root_name_;
    } else if (path.front() == '[') {
        path = root_name_ + path;
    } else {
        path = root_name_ + "." + path;
    }
    return eval_truth(u8(path) + " != null");
}

int JsonObject::value_type(std::string_view path) {
    const std::string p = u8(resolved(path));
    if (eval_truth(p + " == null")) return TYPE_NONE;
    const std::string type = eval_text("Object.prototype.toString.call(" + p + ")");
    if (type == "[object Boolean]") return TYPE_BOOLEAN;
    if (type == "[object Number]") return TYPE_NUMBER;
    if (type == "[object Object]") return TYPE_OBJECT;
    if (type == "[object Array]") return TYPE_ARRAY;
    if (type == "[object String]") return TYPE_STRING;
    return TYPE_UNKNOWN;
}

std::string JsonObject::get_text(std::string_view path, bool as_json) {
    const std::string p = u8(resolved(path));
    if (as_json) return eval_text("JSON.stringify(" + p + ")" + std::string(UNMARK));
    return eval_text(p + ".toString()" + std::string(UNMARK));
}

long JsonObject::member_names(std::vector<std::string>& names, std::string_view path) {
    const std::string text = eval_text("get__name_All(" + u8(resolved(path)) + ")");
    names = split_on(text, "\r\n");
    return static_cast<long>(names.size());
}

long JsonObject::element_count(std::string_view path) {
    return truncated(eval_number("get__count(" + u8(resolved(path)) + ")"));
}

JsonObject JsonObject::get_object(std::string_view path) {
    return object_from("JSON.stringify(" + u8(resolved(path)) + ")" + std::string(UNMARK));
}

bool JsonObject::append(std::string_view value, std::string_view path, bool value_is_json) {
    const std::string p = u8(resolved(path));
    return eval_truth("if (Object.prototype.toString.call(" + p + ") != '[object Array]') { " + p +
                      " = new Array() } " + p + ".push(" + wrapped(value, value_is_json) + ")");
}

JsonObject JsonObject::get_element_object(long index, std::string_view path) {
    return object_from("JSON.stringify(" + u8(resolved(path)) + "[" + std::to_string(index) + "])" +
                       std::string(UNMARK));
}

std::string JsonObject::get_element_text(long index, std::string_view path, bool as_json) {
    const std::string element = u8(resolved(path)) + "[" + std::to_string(index) + "]";
    if (as_json) return eval_text("JSON.stringify(" + element + ")" + std::string(UNMARK));
    return eval_text(element + std::string(UNMARK));
}

bool JsonObject::set_element(long index, std::string_view path, std::string_view value,
                             bool value_is_json) {
    return eval_truth(u8(resolved(path)) + "[" + std::to_string(index) +
                      "] = " + wrapped(value, value_is_json));
}

bool JsonObject::remove_element(long index, std::string_view path) {
    return eval_truth(u8(resolved(path)) + ".splice(" + std::to_string(index) + ", 1)");
}

bool JsonObject::remove_member(std::string_view path) {
    return eval_truth("delete " + u8(resolved(path)));
}

bool JsonObject::set_number(std::string_view path, double number) {
    return eval_truth(u8(resolved(path)) + " = " + number_text(number));
}

double JsonObject::get_number(std::string_view path) {
    return eval_number(u8(resolved(path)));
}

std::string JsonObject::get_json(std::string_view path) {
    return eval_text("JSON.stringify(" + u8(resolved(path)) + ")" + std::string(UNMARK));
}

std::shared_ptr<ScriptEngine> JsonObject::script_engine() const {
    return engine_;
}

std::string JsonObject::resolved(std::string_view path) {
    std::string full(path);
    resolve_path(full);
    return full;
}

std::string JsonObject::eval_text(const std::string& code) {
    return engine_ ? to_gbk(engine_->eval_text(code)) : std::string();
}

bool JsonObject::eval_truth(const std::string& code) {
    return engine_ && engine_->eval_truth(code);
}

double JsonObject::eval_number(const std::string& code) {
    return engine_ ? engine_->eval_number(code) : 0;
}

// The value's JSON text goes to the new object as it comes from this engine,
// without a detour through GBK that would lose characters GBK cannot hold.
JsonObject JsonObject::object_from(const std::string& json_code) {
    const std::string text = engine_ ? engine_->eval_text(json_code) : std::string();
    JsonObject result(limits_);
    result.parse_engine_text(text);
    return result;
}

}  // namespace vokalin
