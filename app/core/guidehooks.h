#pragma once
// The coder's guide as the working windows reach it, without knowing its
// windows: the notes panel (編碼指引) that follows the code selected in a grid,
// a tree, the chooser or the index, and the Alphabetic Index window (索引查詢).
// The program gives the real ones (AppContext::guide); a context without them,
// as in tests that do not look at them, makes every call do nothing.

#include <string>

namespace app {

struct AppContext;

class GuideHooks {
public:
    virtual ~GuideHooks() = default;
    // The code selected in a window is now this one ("" for none). Called at
    // every move of a selection, so it must return at once: the panel, when
    // shown, follows it a moment later.
    virtual void codeSelected(const std::string& code) = 0;
    // F1: shows the notes panel with this code (its last code when empty).
    virtual void showNotes(const std::string& code) = 0;
    // Shows the Alphabetic Index window.
    virtual void showIndex() = 0;
};

// The same calls on a context's hooks, doing nothing when it has none.
void FollowCode(AppContext& ctx, const std::string& code);
void ShowCodeNotes(AppContext& ctx, const std::string& code);
void ShowAlphabeticIndex(AppContext& ctx);

} // namespace app
