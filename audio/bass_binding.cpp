#include "audio/bass_binding.h"

#include "platform/vendor_binding.h"

namespace vokalin {
namespace {

platform::VendorBinding<BassBinding>& vendor() {
    static platform::VendorBinding<BassBinding> instance(BASS_LIBRARY_FILE);
    return instance;
}

}  // namespace

const BassBinding* bass_binding() {
    return vendor().get([](platform::SymbolBinder& bind, BassBinding& b) {
        bind("BASS_Init", b.init);
        bind("BASS_Free", b.free);
        bind("BASS_StreamCreateFile", b.stream_create_file);
        bind("BASS_StreamCreateURL", b.stream_create_url);
        bind("BASS_ChannelPlay", b.channel_play);
        bind("BASS_ChannelPause", b.channel_pause);
        bind("BASS_ChannelStop", b.channel_stop);
        bind("BASS_ChannelGetPosition", b.channel_get_position);
        bind("BASS_ChannelSetPosition", b.channel_set_position);
        bind("BASS_ChannelGetLength", b.channel_get_length);
        bind("BASS_ChannelGetTags", b.channel_get_tags);
        bind("BASS_ChannelIsActive", b.channel_is_active);
        bind("BASS_StreamFree", b.stream_free);
        bind("BASS_ChannelGetData", b.channel_get_data);
        bind("BASS_SetVolume", b.set_volume);
        bind("BASS_GetVolume", b.get_volume);
        bind("BASS_ChannelBytes2Seconds", b.channel_bytes_to_seconds);
        bind("BASS_ChannelSeconds2Bytes", b.channel_seconds_to_bytes);
    });
}

std::string bass_load_error() {
    return vendor().error();
}

}  // namespace vokalin
