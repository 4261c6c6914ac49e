#pragma once

// Deployment values: fixed when the program is built (CMake cache variables
// VOKALIN_<NAME>), each overridable at run time by the environment variable of
// the same name so that tests and offline runs can point the program elsewhere.

#include <string>

namespace vokalin::platform {

enum class Deployment {
    APP_ID,      // speech service application identifier
    SPACE_NAME,  // cloud-disk directory space name
};

std::string deployment_value(Deployment setting);

}  // namespace vokalin::platform
