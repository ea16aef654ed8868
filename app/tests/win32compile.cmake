# Compiles the Windows desktop (and the wide-text helper it uses) with the
# MinGW-w64 cross compiler and links it into a small program, so that the file
# keeps building although no Windows machine builds it here. Skips (exit code
# 77) when the compiler is absent.
find_program(MINGW_CXX NAMES x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-g++)
if(NOT MINGW_CXX)
  message("SKIP: the MinGW-w64 cross compiler (Debian package g++-mingw-w64-x86-64-posix) is not installed")
  cmake_language(EXIT 77)
endif()
set(probe "${OUTPUT_DIR}/win32desktop_probe.cpp")
file(WRITE "${probe}" [=[
#include "app/platform/platformdesktop.h"
int main() {
    auto desktop = app::CreatePlatformDesktop();
    auto w = desktop->findTopLevelWindow("\xe9\x86\xab\xe5\xb8\xab\xe5\x95\x8f\xe8\xa8\xba\xe4\xbd\x9c\xe6\xa5\xad");
    if (w) { desktop->setClipboardText("|ICD10|A000"); desktop->bringToFront(*w); desktop->restore(*w); }
    return 0;
}
]=])
execute_process(
  COMMAND "${MINGW_CXX}" -std=c++20 -Wall -Wextra -Wpedantic -Werror -I "${SOURCE_DIR}"
          "${SOURCE_DIR}/app/platform/win32desktop.cpp" "${SOURCE_DIR}/text/widewin32.cpp" "${probe}"
          -o "${OUTPUT_DIR}/win32desktop_probe.exe"
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the Windows desktop does not build with ${MINGW_CXX}:\n${out}${err}")
endif()
message("the Windows desktop builds and links with ${MINGW_CXX}")
