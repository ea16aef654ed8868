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
// Shown when a hand-off finds no window titled "醫師問診作業"; the clipboard
// is left as it was.
inline constexpr const char* ConsultationMissingMessage = "找不到「醫師問診作業」視窗，請先開啟看診程式";

// True when ICD10_FLAG of the code is exactly "Y" (no row: false). Runs
// "SELECT ICD10_FLAG FROM ICD10 WHERE ICD10_NO ='<code>' " on the auxiliary query;
// a quote inside the code is doubled.
bool CheckFinestCode(db::Query& aux, const std::string& code);

// Clipboard and window steps only. When the consultation window is absent
// nothing is touched and the result is false.
bool HandOffCode(Desktop& desktop, const std::string& code);

// HandOffCode, telling the user when the consultation window is absent
// (ConsultationMissingMessage) instead of doing nothing in silence. True when
// the code was handed off.
bool HandOffCodeOrTell(AppContext& ctx, const std::string& code);

// What the hand-off of a window did with its code.
enum class HandOffOutcome {
    NoCode,               // the code was empty: nothing happened
    NotFinest,            // "非最細碼無法使用" was shown
    NoConsultationWindow, // a finest code, but no consultation window: ConsultationMissingMessage was shown
    HandedOff,            // a finest code on the clipboard, the consultation window raised
};

// The whole hand-off of the search and tree windows: an empty code (after
// trimming) does nothing; a code that is not finest shows "非最細碼無法使用"
// (this check comes first, before the window is looked for); otherwise
// HandOffCodeOrTell. Engine errors propagate.
HandOffOutcome HandOffFinestCode(AppContext& ctx, db::Query& aux, const std::string& code);

// Whether the consultation window exists now (windows show their hand-off
// pictures only while it does, looking again at each showing and activation).
bool ConsultationWindowExists(Desktop& desktop);

} // namespace app
