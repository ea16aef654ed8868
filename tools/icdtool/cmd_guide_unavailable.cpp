// icdtool build-guide where the guide importer is not built (no expat or
// liblzma for the platform, as in the Windows cross build): it says so.
#include <cstdio>

#include "commands.h"

namespace icdtool {

int BuildGuide(const Args&) {
    std::fputs(
        "icdtool build-guide: 這個版本的 icdtool 不含建立編碼指引的功能（建置時沒有 expat 與 liblzma）；"
        "請用 Linux 版建立，或直接使用隨程式附上的 icd10cm_guide_2023.db\n",
        stderr);
    return 1;
}

} // namespace icdtool
