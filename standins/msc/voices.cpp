#include "standins/msc/voices.h"

#include <algorithm>
#include <array>

namespace vokalin::msc_standin {
namespace {

// Debian's espeak-ng voice "cmn" reads the tone digits of its own pinyin aloud
// as English numbers; "cmn-latn-pinyin" speaks Mandarin.
constexpr std::array<VoiceProfile, 17> VOICES{{
    {"xiaoyan", "cmn-latn-pinyin+f2", 55, 55},         // Mandarin, female
    {"yanping", "cmn-latn-pinyin+f4", 62, 65},         // Taiwanese Mandarin, female
    {"xiaofeng", "cmn-latn-pinyin+m3", 45, 50},        // Mandarin, male
    {"jinger", "cmn-latn-pinyin+f5", 70, 60},          // Taiwanese Mandarin, young female
    {"donaldduck", "cmn-latn-pinyin+Tweaky", 88, 95},  // cartoon
    {"babyxu", "cmn-latn-pinyin+Annie", 85, 70},       // child
    {"nannan", "cmn-latn-pinyin+f3", 92, 75},          // child
    {"xiaomeng", "cmn-latn-pinyin+linda", 58, 55},     // Mandarin, female
    {"xiaolin", "cmn-latn-pinyin+steph", 60, 60},      // Taiwanese Mandarin, female
    {"xiaoqian", "cmn-latn-pinyin+aunty", 52, 62},     // north-eastern, female
    {"xiaorong", "cmn-latn-pinyin+belinda", 57, 68},   // Sichuan, female
    {"xiaokun", "cmn-latn-pinyin+m2", 42, 55},         // Henan, male
    {"xiaoqiang", "cmn-latn-pinyin+m4", 38, 60},       // Hunan, male
    {"xiaomei", "yue+f2", 58, 55},                     // Cantonese, female
    {"dalong", "yue+m3", 42, 50},                      // Cantonese, male
    {"catherine", "en-us+f2", 55, 55},                 // American English, female
    {"john", "en-us+m1", 45, 50},                      // American English, male
}};

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::span<const VoiceProfile> all_voices() {
    return VOICES;
}

const VoiceProfile* find_voice(std::string_view name) {
    for (const VoiceProfile& voice : VOICES) {
        if (voice.name.size() == name.size() &&
            std::equal(name.begin(), name.end(), voice.name.begin(),
                       [](char a, char b) { return lower(a) == b; }))
            return &voice;
    }
    return nullptr;
}

}  // namespace vokalin::msc_standin
