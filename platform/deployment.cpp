#include "platform/deployment.h"

#include <cstdlib>

namespace vokalin::platform {
namespace {

struct Entry {
    const char* environment;
    const char* built_in;
};

Entry entry(Deployment setting) {
    switch (setting) {
        case Deployment::APP_ID:
            return {"VOKALIN_APP_ID", VOKALIN_DEFAULT_APP_ID};
        case Deployment::SPACE_NAME:
            return {"VOKALIN_SPACE_NAME", VOKALIN_DEFAULT_SPACE_NAME};
    }
    return {"", ""};
}

}  // namespace

std::string deployment_value(Deployment setting) {
    const Entry e = entry(setting);
    if (const char* value = std::getenv(e.environment)) return value;
    return e.built_in;
}

}  // namespace vokalin::platform
