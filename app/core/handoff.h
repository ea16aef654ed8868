#pragma once
// Handing a finest code to the clinic's consultation program: the clipboard gets
// "|ICD10|" followed by the code, and the window titled "醫師問診作業" is brought
// to the front and restored.

#include <string>

#include "app/core/appcontext.h"

namespace db {
class Query;
}

namespace app {

inline constexpr const char* HandOffPrefix = "|ICD10|";
inline constexpr const char* NotFinestMessage = "非最細碼無法使用";

// True when ICD10_FLAG of the code is exactly "Y" (no row: false). Runs
// "SELECT ICD10_FLAG FROM ICD10 WHERE ICD10_NO ='<code>' " on the auxiliary query;
// a quote inside the code is doubled.
bool CheckFinestCode(db::Query& aux, const std::string& code);

// Clipboard and window steps only. When the consultation window is absent,
// nothing happens.
void HandOffCode(Desktop& desktop, const std::string& code);

// What the hand-off of a window did with its code.
enum class HandOffOutcome {
    NoCode,    // the code was empty: nothing happened
    NotFinest, // "非最細碼無法使用" was shown
    HandedOff, // a finest code: HandOffCode ran (which does nothing without the consultation window)
};

// The whole hand-off of the search and tree windows: an empty code (after
// trimming) does nothing; a code that is not finest shows "非最細碼無法使用";
// otherwise HandOffCode. Engine errors propagate.
HandOffOutcome HandOffFinestCode(AppContext& ctx, db::Query& aux, const std::string& code);

// Whether the consultation window exists now (windows hide their hand-off
// pictures at creation when it does not).
bool ConsultationWindowExists(Desktop& desktop);

} // namespace app
