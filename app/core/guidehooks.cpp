#include "app/core/guidehooks.h"

#include "app/core/appcontext.h"

namespace app {

void FollowCode(AppContext& ctx, const std::string& code) {
    if (ctx.guide) ctx.guide->codeSelected(code);
}

void ShowCodeNotes(AppContext& ctx, const std::string& code) {
    if (ctx.guide) ctx.guide->showNotes(code);
}

void ShowAlphabeticIndex(AppContext& ctx) {
    if (ctx.guide) ctx.guide->showIndex();
}

} // namespace app
