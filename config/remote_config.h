#pragma once

#include <string>

namespace vokalin {

// The remote configuration document's fields, in the document's order.
struct RemoteConfig {
    std::string software_name;
    std::string official_site;
    std::string tutorial_url;
    std::string latest_version;
    std::string update_method;
    std::string update_notes;
    std::string about_text;
    std::string update_address;
    std::string node_address;
    std::string announcement;
    std::string status_text;
    std::string fetch_code;
    std::string cookies;
    std::string picture_url_1;
    std::string picture_url_2;
};

}  // namespace vokalin
