// The Windows desktop: the consultation window is found by its exact title
// (FindWindowW), brought to the foreground and restored (ShowWindow SW_RESTORE);
// the clipboard receives Unicode text. Needs nothing but <windows.h>.
#include <windows.h>

#include <string>

#include "app/platform/platformdesktop.h"
#include "text/wide.h"

namespace app {

namespace {

HWND Handle(Desktop::WindowId window) {
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(window));
}

class Win32Desktop : public Desktop {
public:
    std::optional<WindowId> findTopLevelWindow(const std::string& title) override {
        HWND w = FindWindowW(nullptr, text::WideFromUtf8(title).c_str());
        if (!w) return std::nullopt;
        return static_cast<WindowId>(reinterpret_cast<UINT_PTR>(w));
    }

    void setClipboardText(const std::string& text) override {
        const std::wstring wide = text::WideFromUtf8(text);
        const SIZE_T bytes = (wide.size() + 1) * sizeof(wchar_t);
        // Another program may hold the clipboard for a moment.
        bool opened = false;
        for (int attempt = 0; attempt < 10 && !opened; ++attempt) {
            opened = OpenClipboard(nullptr) != 0;
            if (!opened) Sleep(20);
        }
        if (!opened) return;
        EmptyClipboard();
        if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
            if (void* p = GlobalLock(memory)) {
                CopyMemory(p, wide.c_str(), bytes);
                GlobalUnlock(memory);
                if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
            } else {
                GlobalFree(memory);
            }
        }
        CloseClipboard();
    }

    void bringToFront(WindowId window) override { SetForegroundWindow(Handle(window)); }

    void restore(WindowId window) override { ShowWindow(Handle(window), SW_RESTORE); }
};

} // namespace

std::unique_ptr<Desktop> CreatePlatformDesktop() {
    return std::make_unique<Win32Desktop>();
}

} // namespace app
