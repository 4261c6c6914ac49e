#include "script/json_object.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <chrono>
#include <string>
#include <vector>

#include "net/text_encoding.h"

namespace vokalin {
namespace {

using namespace std::chrono_literals;

const std::string FIXTURE =
    R"({"s":"text","n":1.5,"t":true,"f":false,"o":{"x":1},"arr":[1,"b",3],"nul":null,"num_text":"12"})";

class JsonFixture : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(json.parse(FIXTURE)); }
    JsonObject json;
};

struct ParseCase {
    const char* name;
    std::string text;
    bool expected;
};

class Parse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(Parse, ResultTellsWhetherTheRootIsSet) {
    JsonObject json;
    EXPECT_EQ(json.parse(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Parse,
    ::testing::Values(ParseCase{"empty", "", false}, ParseCase{"zero", "0", true},
                      ParseCase{"false", "false", true}, ParseCase{"empty_array", "[]", true},
                      ParseCase{"null", "null", false}, ParseCase{"object", R"({"a":1})", true},
                      ParseCase{"string_not_script", R"("abc")", false},
                      ParseCase{"string_that_is_script", R"("1+2")", true},
                      ParseCase{"single_quotes", "{'a':'b'}", true},
                      ParseCase{"unquoted_names", "{a:1, b:[2]}", true},
                      ParseCase{"truncated", R"({"a":)", false},
                      ParseCase{"trailing_garbage", R"({"a":1} x)", false},
                      ParseCase{"comment_swallows_paren", R"({"a":1} // c)", false}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

TEST(JsonObject, FailedParseLeavesNothingToRead) {
    JsonObject json;
    ASSERT_TRUE(json.parse(R"({"a":"x"})"));
    EXPECT_FALSE(json.parse(""));
    EXPECT_EQ(json.get_text("a"), "");
    EXPECT_EQ(json.get_text(""), "");
    EXPECT_FALSE(json.parse(R"({"a":)"));
    EXPECT_EQ(json.value_type(""), JsonObject::TYPE_NONE);
    EXPECT_EQ(json.to_json(), "null");
}

TEST(JsonObject, ParseStartsFromAFreshEngine) {
    JsonObject json;
    ASSERT_TRUE(json.parse(R"({"a":"1"})"));
    ASSERT_TRUE(json.script_engine()->add_code("var leftover = 5"));
    ASSERT_TRUE(json.parse(R"({"b":"2"})"));
    EXPECT_EQ(json.get_text("a"), "");
    EXPECT_EQ(json.get_text("b"), "2");
    EXPECT_EQ(json.script_engine()->eval_text("typeof leftover"), "undefined");
}

struct TextCase {
    const char* path;
    bool as_json;
    std::string expected;
};

class GetText : public JsonFixture, public ::testing::WithParamInterface<TextCase> {};

TEST_P(GetText, ReadsByPath) {
    EXPECT_EQ(json.get_text(GetParam().path, GetParam().as_json), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GetText,
    ::testing::Values(TextCase{"s", false, "text"}, TextCase{"n", false, "1.5"},
                      TextCase{"t", false, "true"}, TextCase{"f", false, "false"},
                      TextCase{"o", false, "[object Object]"}, TextCase{"arr", false, "1,b,3"},
                      TextCase{"missing", false, ""}, TextCase{"missing.child", false, ""},
                      TextCase{"nul", false, ""}, TextCase{"o.x", false, "1"},
                      TextCase{"['s']", false, "text"}, TextCase{"arr[1]", false, "b"},
                      TextCase{"da.s", false, "text"}, TextCase{"o", true, R"({"x":1})"},
                      TextCase{"arr", true, R"([1,"b",3])"}, TextCase{"s", true, R"("text")"},
                      TextCase{"nul", true, "null"}, TextCase{"missing", true, ""}));

struct TypeCase {
    const char* path;
    int expected;
};

class ValueType : public JsonFixture, public ::testing::WithParamInterface<TypeCase> {};

TEST_P(ValueType, MapsTheClassName) {
    EXPECT_EQ(json.value_type(GetParam().path), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ValueType,
                         ::testing::Values(TypeCase{"", JsonObject::TYPE_OBJECT},
                                           TypeCase{"s", JsonObject::TYPE_STRING},
                                           TypeCase{"n", JsonObject::TYPE_NUMBER},
                                           TypeCase{"t", JsonObject::TYPE_BOOLEAN},
                                           TypeCase{"o", JsonObject::TYPE_OBJECT},
                                           TypeCase{"arr", JsonObject::TYPE_ARRAY},
                                           TypeCase{"nul", JsonObject::TYPE_NONE},
                                           TypeCase{"missing", JsonObject::TYPE_NONE},
                                           TypeCase{"missing.child", JsonObject::TYPE_UNKNOWN}));

TEST_F(JsonFixture, ElementCountOnlyCountsArrays) {
    EXPECT_EQ(json.element_count("arr"), 3);
    EXPECT_EQ(json.element_count("o"), 0);
    EXPECT_EQ(json.element_count("s"), 0);
    EXPECT_EQ(json.element_count("missing"), 0);
    EXPECT_EQ(json.element_count("missing.child"), 0);
}

TEST_F(JsonFixture, MemberNamesInOrderAndOnlyOfObjects) {
    std::vector<std::string> names{"stale"};
    EXPECT_EQ(json.member_names(names), 8);
    EXPECT_EQ(names, (std::vector<std::string>{"s", "n", "t", "f", "o", "arr", "nul", "num_text"}));
    names = {"stale"};
    EXPECT_EQ(json.member_names(names, "arr"), 0);
    EXPECT_TRUE(names.empty());
    names = {"stale"};
    EXPECT_EQ(json.member_names(names, "s"), 0);
    EXPECT_TRUE(names.empty());
}

TEST_F(JsonFixture, ElementText) {
    EXPECT_EQ(json.get_element_text(1, "arr"), "b");
    // The plain form needs a string element.
    EXPECT_EQ(json.get_element_text(0, "arr"), "");
    EXPECT_EQ(json.get_element_text(0, "arr", true), "1");
    EXPECT_EQ(json.get_element_text(1, "arr", true), R"("b")");
    EXPECT_EQ(json.get_element_text(7, "arr", true), "");
}

TEST_F(JsonFixture, Numbers) {
    EXPECT_EQ(json.get_number("n"), 1.5);
    EXPECT_EQ(json.get_number("num_text"), 12);
    EXPECT_EQ(json.get_number("s"), 0);
    EXPECT_EQ(json.get_number("missing.child"), 0);
    EXPECT_TRUE(json.set_number("n", -2.25));
    EXPECT_EQ(json.get_number("n"), -2.25);
    EXPECT_EQ(json.get_text("n"), "-2.25");
    // The truth value is that of the assigned number.
    EXPECT_FALSE(json.set_number("zero", 0));
    EXPECT_EQ(json.value_type("zero"), JsonObject::TYPE_NUMBER);
    EXPECT_TRUE(json.set_number("big", 1e300));
    EXPECT_EQ(json.get_number("big"), 1e300);
    EXPECT_TRUE(json.set_number("tiny", 0.1));
    EXPECT_EQ(json.get_number("tiny"), 0.1);
}

TEST(JsonObject, PlainTextKeepsBackslashesRawInJson) {
    JsonObject json;
    // Storing a plain text is a string assignment: its truth value is that of the text.
    EXPECT_FALSE(json.set_value("a", "x\\y"));
    EXPECT_EQ(json.to_json(), R"({"a":"x\y"})");
    EXPECT_EQ(json.get_text("a"), "x\\y");
    EXPECT_EQ(json.get_json("a"), R"("x\y")");
}

TEST(JsonObject, PlainTextSurvivesQuotesAndLineBreaks) {
    JsonObject json;
    const std::string tricky = "it's \"quoted\"\r\nnext ' line \\n";
    json.set_value("q", tricky);
    EXPECT_EQ(json.get_text("q"), tricky);
    EXPECT_EQ(json.value_type("q"), JsonObject::TYPE_STRING);
    EXPECT_TRUE(json.set_value("one", "1"));
    EXPECT_TRUE(json.set_value("word", "true"));
}

TEST(JsonObject, PlainTextCannotEscapeItsQuotesThroughBrokenGbk) {
    JsonObject json;
    // A lead byte without its second byte in front of a quote.
    const std::string value = "\x81'; var injected = 1; '";
    json.set_value("v", value);
    EXPECT_EQ(json.script_engine()->eval_text("typeof injected"), "undefined");
    EXPECT_EQ(json.get_text("v"), "?'; var injected = 1; '");
}

TEST(JsonObject, ChineseTextRoundTrips) {
    JsonObject json;
    ASSERT_TRUE(json.parse(gbk(R"({"名称":"语音合成","list":["甲","乙"]})")));
    EXPECT_EQ(json.get_text(gbk("名称")), gbk("语音合成"));
    EXPECT_EQ(json.get_text(gbk("['名称']")), gbk("语音合成"));
    EXPECT_EQ(json.get_element_text(1, "list"), gbk("乙"));
    json.set_value(gbk("新"), gbk("值\\"));
    EXPECT_EQ(json.get_text(gbk("新")), gbk("值\\"));
    std::vector<std::string> names;
    EXPECT_EQ(json.member_names(names), 3);
    EXPECT_EQ(names[0], gbk("名称"));
}

TEST(JsonObject, JsonValueMergesIntoExistingObject) {
    JsonObject json;
    ASSERT_TRUE(json.parse(R"({"s":"old","b":true,"o":{"x":"1","y":"keep"},"arr":[1]})"));
    json.set_value("", R"({"s":"new","b":false,"o":{"x":"2","z":"3"},"add":5})", true);
    EXPECT_EQ(json.to_json(),
              R"({"s":"new","b":false,"o":{"x":"2","y":"keep","z":"3"},"arr":[1],"add":5})");
    json.set_value("arr", "[2,3]", true);
    EXPECT_EQ(json.get_json("arr"), "[1,2,3]");
    // A missing member takes the value as it is.
    json.set_value("fresh", R"({"k":[true]})", true);
    EXPECT_EQ(json.get_json("fresh"), R"({"k":[true]})");
    // An empty JSON value merges nothing into an existing member.
    json.set_value("o", "", true);
    EXPECT_EQ(json.get_json("o"), R"({"x":"2","y":"keep","z":"3"})");
}

TEST(JsonObject, MergeOverANumberMemberFailsAfterEarlierMembers) {
    JsonObject json;
    ASSERT_TRUE(json.parse(R"({"a":"1","n":5})"));
    EXPECT_FALSE(json.set_value("", R"({"a":"2","n":6})", true));
    EXPECT_EQ(json.get_text("a"), "2");
    EXPECT_EQ(json.get_number("n"), 5);
}

TEST(JsonObject, ArraysGrowAndShrink) {
    JsonObject json;
    EXPECT_TRUE(json.append("x", "list"));
    EXPECT_TRUE(json.append(R"({"k":1})", "list", true));
    EXPECT_TRUE(json.append("7", "list", true));
    EXPECT_EQ(json.get_json("list"), R"(["x",{"k":1},7])");
    EXPECT_EQ(json.element_count("list"), 3);
    // Plain values are only wrapped in quotes: one of their own breaks the script.
    EXPECT_FALSE(json.append("it's", "list"));
    EXPECT_EQ(json.element_count("list"), 3);
    json.set_element(2, "list", "y");
    EXPECT_EQ(json.get_element_text(2, "list"), "y");
    json.remove_element(0, "list");
    EXPECT_EQ(json.get_json("list"), R"([{"k":1},"y"])");
    // A member that is not an array becomes one.
    ASSERT_TRUE(json.set_number("n", 3));
    EXPECT_TRUE(json.append("z", "n"));
    EXPECT_EQ(json.get_json("n"), R"(["z"])");
}

TEST(JsonObject, RemoveMemberAndClear) {
    JsonObject json;
    ASSERT_TRUE(json.parse(R"({"a":1,"b":{"c":2}})"));
    EXPECT_TRUE(json.remove_member("b.c"));
    EXPECT_EQ(json.to_json(), R"({"a":1,"b":{}})");
    EXPECT_TRUE(json.remove_member("a"));
    EXPECT_EQ(json.value_type("a"), JsonObject::TYPE_NONE);
    json.clear();
    EXPECT_EQ(json.to_json(), "{}");
}

TEST(JsonObject, SetExpressionEvaluatesTheExpression) {
    JsonObject json;
    EXPECT_TRUE(json.set_expression("e", "1+2"));
    EXPECT_EQ(json.get_number("e"), 3);
    EXPECT_FALSE(json.set_expression("bad", "1+"));
    EXPECT_EQ(json.value_type("bad"), JsonObject::TYPE_NONE);
}

struct PathCase {
    std::string path;
    std::string resolved;
    bool exists;
};

class ResolvePath : public JsonFixture, public ::testing::WithParamInterface<PathCase> {};

TEST_P(ResolvePath, PrefixesTheRoot) {
    std::string path = GetParam().path;
    EXPECT_EQ(json.resolve_path(path), GetParam().exists);
    EXPECT_EQ(path, GetParam().resolved);
}

INSTANTIATE_TEST_SUITE_P(Cases, ResolvePath,
                         ::testing::Values(PathCase{"", "da", true}, PathCase{"s", "da.s", true},
                                           PathCase{"['s']", "da['s']", true},
                                           PathCase{"o.x", "da.o.x", true},
                                           PathCase{"nul", "da.nul", false},
                                           PathCase{"da.s", "da.s", true},
                                           PathCase{"da.missing", "da.da.missing", false},
                                           PathCase{"data", "da.data", false}));

TEST(JsonObject, GetObjectIsIndependent) {
    JsonObject json;
    ASSERT_TRUE(json.parse(R"({"o":{"x":"1"},"list":[{"k":"a"},{"k":"b"}]})"));
    JsonObject sub = json.get_object("o");
    EXPECT_EQ(sub.get_text("x"), "1");
    sub.set_value("x", "changed");
    EXPECT_EQ(json.get_text("o.x"), "1");
    json.set_value("o.x", "again");
    EXPECT_EQ(sub.get_text("x"), "changed");
    JsonObject element = json.get_element_object(1, "list");
    EXPECT_EQ(element.get_text("k"), "b");
    EXPECT_NE(element.script_engine(), json.script_engine());
    // A missing member gives an object without a root value.
    JsonObject none = json.get_object("missing");
    EXPECT_EQ(none.value_type(""), JsonObject::TYPE_NONE);
}

TEST(JsonObject, GetObjectTurnsStoredBackslashesIntoEscapes) {
    JsonObject json;
    json.set_value("o.p", "\\u0041");  // fails: o is missing
    json.set_value("o", "{}", true);
    json.set_value("o.p", "\\u0041");
    EXPECT_EQ(json.get_text("o.p"), "\\u0041");
    EXPECT_EQ(json.get_object("o").get_text("p"), "A");
}

TEST(JsonObject, GetObjectKeepsCharactersGbkCannotHold) {
    JsonObject json;
    ASSERT_TRUE(json.parse(R"({"o":{"e":"\ud83d\ude00"}})"));
    JsonObject sub = json.get_object("o");
    EXPECT_EQ(sub.script_engine()->eval_text("da.e"), "\xF0\x9F\x98\x80");
}

TEST(JsonObject, CopySharesTheEngine) {
    JsonObject json;
    ASSERT_TRUE(json.parse(R"({"a":"1"})"));
    auto copy = json.copy();
    EXPECT_EQ(copy->script_engine(), json.script_engine());
    EXPECT_EQ(copy->root_name(), "da");
    copy->set_value("a", "2");
    EXPECT_EQ(json.get_text("a"), "2");
    json.destroy();
    EXPECT_EQ(json.script_engine(), nullptr);
    EXPECT_EQ(json.get_text("a"), "");
    EXPECT_EQ(copy->get_text("a"), "2");
}

TEST(JsonObject, EngineHasNoNamespaceOfItsOwn) {
    JsonObject json;
    EXPECT_EQ(json.script_engine()->eval_text("typeof Duktape"), "undefined");
    EXPECT_EQ(json.script_engine()->eval_text("typeof JSON.parse"), "function");
    EXPECT_EQ(json.script_engine()->eval_text("typeof get__extend"), "function");
    EXPECT_EQ(json.script_engine()->eval_number("str_Code.charCodeAt(0)"), 9216);
}

std::string large_answer(int& count) {
    // Many distinct values, more than one script literal may hold.
    std::string text = R"({"items":[)";
    for (count = 0; text.size() < (1u << 20); ++count) {
        if (count) text += ',';
        const std::string n = std::to_string(count);
        text += R"({"id":)" + n + R"(,"name":"item )" + n + R"(","v":)" + n + ".5}";
    }
    text += R"(],"tail":{"content":"end"}})";
    return text;
}

TEST(JsonObject, ReadsAMegabyteAnswer) {
    int count = 0;
    const std::string text = large_answer(count);
    ASSERT_GE(text.size(), 1u << 20);
    JsonObject json;
    ASSERT_TRUE(json.parse(text));
    EXPECT_EQ(json.element_count("items"), count);
    const std::string last = "items[" + std::to_string(count - 1) + "]";
    EXPECT_EQ(json.get_text(last + ".name"), "item " + std::to_string(count - 1));
    EXPECT_EQ(json.get_number(last + ".v"), count - 1 + 0.5);
    EXPECT_EQ(json.get_text("tail.content"), "end");
    EXPECT_EQ(json.to_json(), text);
}

TEST(JsonObject, BrokenTextInsideStrings) {
    JsonObject json;
    // A lone GBK lead byte and a byte that starts nothing.
    ASSERT_TRUE(
        json.parse("{\"a\":\"\x81\",\"b\":\"\xFF"
                   "x\",\"c\":\"ok\"}"));
    EXPECT_EQ(json.get_text("a"), "?");
    EXPECT_EQ(json.get_text("b"), "?x");
    EXPECT_EQ(json.get_text("c"), "ok");
    // A UTF-8 answer handed over without conversion still gives its ASCII members.
    ASSERT_TRUE(
        json.parse("{\"dom\":\"https://h.example\",\"inf\":\"\xE4\xB8\xAD\xE6\x96\x87"
                   "\xC3\",\"url\":\"?f=1\"}"));
    EXPECT_EQ(json.get_text("dom"), "https://h.example");
    EXPECT_EQ(json.get_text("url"), "?f=1");
    // Halves of characters outside the basic plane coming out of the engine.
    ASSERT_TRUE(json.parse(R"({"lone":"\ud800x","pair":"\ud83d\ude00","nul":"a\u0000b"})"));
    EXPECT_EQ(json.get_text("lone"), "?x");
    EXPECT_EQ(json.get_text("pair"), "?");
    EXPECT_EQ(json.get_text("nul"), "a");
}

TEST(JsonObject, EndlessAllocationFailsCleanly) {
    const auto started = std::chrono::steady_clock::now();
    JsonObject json;
    EXPECT_FALSE(json.parse("(function(){var s='x';for(;;){s=s+s}})()"));
    EXPECT_FALSE(json.parse(
        "(function(){var a=[],s=new Array(65537).join('x');for(;;){a.push(s+a.length)}})()"));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 8s);
    // The object stays usable.
    ASSERT_TRUE(json.parse(R"({"a":"ok"})"));
    EXPECT_EQ(json.get_text("a"), "ok");
}

TEST(JsonObject, EndlessSmallAllocationsFailCleanly) {
    ScriptLimits limits;
    limits.memory_bytes = 8u << 20;
    JsonObject json(limits);
    EXPECT_FALSE(json.parse("(function(){var a=[];for(;;){a.push({n:a.length})}})()"));
    EXPECT_FALSE(json.parse("var keep=[];for(;;){keep.push([keep.length])}"));
    ASSERT_TRUE(json.parse("[1,2]"));
    EXPECT_EQ(json.element_count(), 2);
}

TEST(JsonObject, MemoryCapHoldsWithinOneHeap) {
    ScriptLimits limits;
    limits.memory_bytes = 4u << 20;
    JsonObject json(limits);
    ASSERT_TRUE(json.parse(R"({"a":"ok"})"));
    EXPECT_FALSE(json.set_expression("big", "new Array(1000000).join('xxxxxxxx')"));
    EXPECT_LE(json.script_engine()->memory_in_use(), limits.memory_bytes);
    EXPECT_EQ(json.get_text("a"), "ok");
}

TEST(JsonObject, AllocatingLoopEndsAtTheTimeLimit) {
    ScriptLimits limits;
    limits.time = 200ms;
    JsonObject json(limits);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(json.parse("(function(){for(var i=0;;i++){var s='k'+i}})()"));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
    ASSERT_TRUE(json.parse("[1]"));
    EXPECT_EQ(json.element_count(), 1);
}

constexpr auto SHORT_LIMIT = 300ms;

ScriptLimits short_time() {
    ScriptLimits limits;
    limits.time = SHORT_LIMIT;
    return limits;
}

// Scripts that would run forever without allocating much.
struct RunawayCase {
    const char* name;
    std::string statements;
};

class Runaway : public ::testing::TestWithParam<RunawayCase> {
  protected:
    // Runs one operation and checks that the time limit, not anything
    // earlier, ended it.
    template <typename Operation>
    void expect_time_out(Operation operation) {
        const auto started = std::chrono::steady_clock::now();
        EXPECT_FALSE(operation());
        const auto took = std::chrono::steady_clock::now() - started;
        EXPECT_GE(took, SHORT_LIMIT);
        EXPECT_LT(took, 1s);
    }
};

TEST_P(Runaway, ParseEndsAtTheTimeLimit) {
    JsonObject json(short_time());
    // A JSON string as the answer: parse runs its text as script.
    expect_time_out([&] { return json.parse("\"" + GetParam().statements + "\""); });
    // The heap that ran out of time goes on working.
    json.set_value("", R"({"a":"ok"})", true);
    EXPECT_EQ(json.get_text("a"), "ok");
}

TEST_P(Runaway, OtherEvaluationsEndAtTheTimeLimit) {
    JsonObject json(short_time());
    ASSERT_TRUE(json.parse(R"({"keep":"x"})"));
    const auto engine = json.script_engine();
    expect_time_out([&] { return engine->add_code(GetParam().statements); });
    EXPECT_EQ(engine->last_error(), "execution timeout");
    expect_time_out(
        [&] { return json.set_expression("b", "(function(){" + GetParam().statements + "})()"); });
    EXPECT_EQ(engine->last_error(), "execution timeout");
    EXPECT_EQ(json.get_text("keep"), "x");
    EXPECT_EQ(engine->last_error(), "");
    EXPECT_TRUE(json.set_number("n", 3));
    EXPECT_EQ(json.get_number("n"), 3);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Runaway,
    ::testing::Values(
        RunawayCase{"while_true", "while(true){}"},
        RunawayCase{"tail_recursion", "function f(n){return f(n+1)} f(0)"},
        RunawayCase{"counting_loop", "for(var i=0;;i++){}"},
        RunawayCase{"regex_backtracking", "/^(?:a+)+$/.test(new Array(40).join('a')+'!')"},
        RunawayCase{"regex_with_groups", "/^(a+)+$/.test(new Array(40).join('a')+'!')"},
        RunawayCase{"catches_the_timeout", "for(;;){try{for(;;){}}catch(e){}}"},
        RunawayCase{"native_loop", "var a=[];a.length=2147483647;a.indexOf(1)"}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

TEST(JsonObject, TimeLimitCountsPerEvaluation) {
    JsonObject json(short_time());
    ASSERT_TRUE(json.parse("{}"));
    const std::string busy = "(function(){var t=Date.now();while(Date.now()-t<200){}return 1})()";
    EXPECT_TRUE(json.set_expression("first", busy));
    EXPECT_TRUE(json.set_expression("second", busy));
    EXPECT_EQ(json.get_number("second"), 1);
}

TEST(JsonObject, WithoutAnEngineEverythingFails) {
    ScriptLimits limits;
    limits.memory_bytes = 1024;  // too little for any heap
    JsonObject json(limits);
    EXPECT_EQ(json.script_engine(), nullptr);
    EXPECT_FALSE(json.parse(R"({"a":"1"})"));
    EXPECT_EQ(json.get_text("a"), "");
    EXPECT_EQ(json.to_json(), "");
    EXPECT_EQ(json.get_number("a"), 0);
    EXPECT_FALSE(json.set_number("a", 5));
    EXPECT_FALSE(json.append("x"));
    EXPECT_EQ(json.value_type("a"), JsonObject::TYPE_UNKNOWN);
    std::vector<std::string> names{"stale"};
    EXPECT_EQ(json.member_names(names), 0);
    EXPECT_TRUE(names.empty());
    std::string path = "a";
    EXPECT_FALSE(json.resolve_path(path));
    EXPECT_EQ(path, "da.a");
    EXPECT_EQ(json.get_object("a").script_engine(), nullptr);
}

TEST(JsonObject, RunawayRecursionFailsCleanly) {
    JsonObject json;
    EXPECT_FALSE(json.parse("(function f(){return 1+f()})()"));
    EXPECT_FALSE(json.parse("(function f(n){return [n].map(f)})(0)"));
    ASSERT_TRUE(json.parse("{}"));
}

// The engine's own limit on native recursion counts levels, not bytes.
TEST(JsonObject, RunawayRecursionOnASmallStackFailsCleanly) {
    struct Run {
        bool parsed = true;
        bool usable = false;
    } run;
    const auto body = [](void* data) -> void* {
        auto& result = *static_cast<Run*>(data);
        JsonObject json;
        result.parsed = json.parse("(function f(n){return [n].map(f)})(0)");
        result.usable = json.parse("[1]") && json.element_count() == 1;
        return nullptr;
    };
    pthread_attr_t attr;
    ASSERT_EQ(pthread_attr_init(&attr), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&attr, std::size_t{512} << 10), 0);
    pthread_t thread;
    const int created = pthread_create(&thread, &attr, body, &run);
    pthread_attr_destroy(&attr);
    ASSERT_EQ(created, 0);
    pthread_join(thread, nullptr);
    EXPECT_FALSE(run.parsed);
    EXPECT_TRUE(run.usable);
}

TEST(JsonObject, DeepNestingFailsCleanly) {
    JsonObject json;
    EXPECT_FALSE(json.parse(std::string(100000, '[') + std::string(100000, ']')));
    EXPECT_TRUE(json.parse(std::string(500, '[') + std::string(500, ']')));
}

struct TruthCase {
    const char* code;
    bool expected;
};

class Truth : public ::testing::TestWithParam<TruthCase> {};

TEST_P(Truth, ConvertsTheValue) {
    auto engine = ScriptEngine::create();
    ASSERT_TRUE(engine);
    EXPECT_EQ(engine->eval_truth(GetParam().code), GetParam().expected) << GetParam().code;
}

INSTANTIATE_TEST_SUITE_P(Cases, Truth,
                         ::testing::Values(TruthCase{"true", true}, TruthCase{"false", false},
                                           TruthCase{"0", false}, TruthCase{"-2", true},
                                           TruthCase{"'1'", true}, TruthCase{"' 3 '", true},
                                           TruthCase{"'0'", false}, TruthCase{"'true'", true},
                                           TruthCase{"'TRUE'", true}, TruthCase{"'yes'", false},
                                           TruthCase{"''", false}, TruthCase{"null", false},
                                           TruthCase{"undefined", false}, TruthCase{"({})", false},
                                           TruthCase{"1 +", false}, TruthCase{"throw 1", false}));

TEST(ScriptEngine, NumberAndTextConversions) {
    auto engine = ScriptEngine::create();
    ASSERT_TRUE(engine);
    EXPECT_EQ(engine->eval_number("'12.5'"), 12.5);
    EXPECT_EQ(engine->eval_number("'abc'"), 0);
    EXPECT_EQ(engine->eval_number("true"), 1);
    EXPECT_EQ(engine->eval_number("({})"), 0);
    EXPECT_EQ(engine->eval_number("oops("), 0);
    EXPECT_EQ(engine->eval_text("1.5"), "1.5");
    EXPECT_EQ(engine->eval_text("null"), "");
    EXPECT_EQ(engine->eval_text("[1,2]"), "1,2");
    EXPECT_EQ(engine->eval_text("({toString:function(){throw 1}})"), "");
}

TEST(ScriptEngine, EngineTextBecomesUtf8) {
    EXPECT_EQ(engine_text_to_utf8("a\xED\xA0\xBD\xED\xB8\x80z"), "a\xF0\x9F\x98\x80z");
    EXPECT_EQ(engine_text_to_utf8("\xED\xA0\xBD"), "\xEF\xBF\xBD");
    EXPECT_EQ(engine_text_to_utf8("\xED\xB8\x80\xED\xA0\xBD"), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(engine_text_to_utf8("\xED\x9F\xBF"), "\xED\x9F\xBF");
    EXPECT_EQ(engine_text_to_utf8("\xED"), "\xED");
}

}  // namespace
}  // namespace vokalin
