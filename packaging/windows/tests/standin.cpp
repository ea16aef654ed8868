// A stand-in for the program in the installer check: it says it ran and
// lists the font families that Windows programs see with Big5 (Traditional
// Chinese) glyphs, so the check also shows which Chinese fonts Wine offers.
#include <windows.h>

#include <cstdio>
#include <set>
#include <string>

namespace {

int CALLBACK CollectFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM faces) {
    char utf8[LF_FACESIZE * 4];
    if (WideCharToMultiByte(CP_UTF8, 0, font->lfFaceName, -1, utf8, sizeof utf8, nullptr, nullptr) > 0)
        reinterpret_cast<std::set<std::string>*>(faces)->insert(utf8);
    return 1;
}

} // namespace

int main() {
    std::puts("icd10tcm stand-in ran");
    std::set<std::string> faces;
    LOGFONTW wanted{};
    wanted.lfCharSet = CHINESEBIG5_CHARSET;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(screen, &wanted, CollectFace, reinterpret_cast<LPARAM>(&faces), 0);
    ReleaseDC(nullptr, screen);
    for (const std::string& face : faces)
        if (face[0] != '@') std::printf("Big5 font: %s\n", face.c_str());
    return 0;
}
