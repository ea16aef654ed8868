// The running executable's path on Linux: the link the kernel keeps for it
// (symbolic links to the program resolved).
#include <filesystem>

#include "commands.h"

namespace icdtool {

std::string ExecutablePath() {
    std::error_code ec;
    return std::filesystem::read_symlink("/proc/self/exe", ec).string();
}

} // namespace icdtool
