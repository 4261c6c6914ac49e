#include "standins/bass/url_fetch.h"

#include <curl/curl.h>

#include <mutex>

namespace vokalin::bass {
namespace {

constexpr std::size_t MAX_BODY = std::size_t{512} << 20;

struct Download {
    std::vector<std::uint8_t> body;
    bass_download_proc proc = nullptr;
    void* user = nullptr;
    bool too_large = false;
};

std::size_t on_body(char* data, std::size_t size, std::size_t count, void* user) {
    auto* download = static_cast<Download*>(user);
    const std::size_t n = size * count;
    if (download->body.size() + n > MAX_BODY) {
        download->too_large = true;
        return 0;
    }
    download->body.insert(download->body.end(), data, data + n);
    if (download->proc && n > 0)
        download->proc(data, static_cast<std::uint32_t>(n), download->user);
    return n;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> fetch_url(const std::string& url, std::uint32_t offset,
                                                   bass_download_proc proc, void* user) {
    static std::once_flag curl_ready;
    std::call_once(curl_ready, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

    CURL* curl = curl_easy_init();
    if (!curl) return std::nullopt;
    Download download;
    download.proc = proc;
    download.user = user;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https,ftp");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 15L);
    // give up on a server that stops sending for 30 s
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, 30L);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    if (offset > 0) curl_easy_setopt(curl, CURLOPT_RESUME_FROM_LARGE, curl_off_t{offset});
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, on_body);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &download);
    const CURLcode result = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);
    if (proc) proc(nullptr, 0, user);
    if (result != CURLE_OK || download.too_large) return std::nullopt;
    if (offset > 0 && status == 200) {
        // the server ignored the range and sent everything
        if (download.body.size() <= offset) return std::nullopt;
        download.body.erase(download.body.begin(), download.body.begin() + offset);
    }
    return std::move(download.body);
}

}  // namespace vokalin::bass
