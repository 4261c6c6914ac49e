#include "speech/msc_binding.h"

#include "platform/vendor_binding.h"

namespace vokalin {
namespace {

platform::VendorBinding<MscBinding>& vendor() {
    static platform::VendorBinding<MscBinding> instance(MSC_LIBRARY_FILE);
    return instance;
}

}  // namespace

const MscBinding* msc_binding() {
    return vendor().get([](platform::SymbolBinder& bind, MscBinding& b) {
        bind("MSPLogin", b.login);
        bind("MSPLogout", b.logout);
        bind("QTTSSessionBegin", b.session_begin);
        bind("QTTSTextPut", b.text_put);
        bind("QTTSAudioGet", b.audio_get);
        bind("QTTSSessionEnd", b.session_end);
    });
}

std::string msc_load_error() {
    return vendor().error();
}

}  // namespace vokalin
