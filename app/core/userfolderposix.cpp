// This user's data folder on POSIX systems, from the environment.
#include <cstdlib>

#include "app/core/startup.h"

namespace app {

std::string UserDataDir() {
    return UserDataDirFrom(PathRules::Posix, [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value ? value : "");
    });
}

} // namespace app
