#pragma once
// The search with a second chance for Chinese words typed as coders say them.
//
// When the exact search finds no row and the Chinese-name criterion holds a Chinese
// word of two or more characters, the search is run again with each such word
// taken as its characters in order with anything between them, through the
// same statement builder and so the same quoting:
//   "踝扭傷"      => "踝%扭%傷"       (ICD10_CNAME LIKE '%踝%扭%傷%')
//   "左 踝扭傷"   => "左 踝%扭%傷"    (a one-character word stays as it is)
//   "ankle 扭傷"  => "ankle 扭%傷"    (words without Chinese stay as they are)
// The exact statement is always run first and is the one kept when it finds
// rows, or when no word can be split.

#include <string>
#include <string_view>
#include <vector>

#include "search/statement.h"

namespace db {
class Query;
}

namespace search {

// Which form of the search ran, for the window to say so.
struct SearchOutcome {
    bool ran = false;                    // a statement was opened (false: no criterion applied)
    bool characterOrder = false;         // the exact words found nothing; these rows are of the second form
    std::string typed;                   // the Chinese-name criterion's words, one blank between them
    std::vector<std::string> characters; // the characters looked for in order
};

// The Chinese-name criterion's text in the character-order form, and the characters
// it looks for; "" when no word has two or more characters with a Chinese one.
std::string CharacterOrderWords(std::string_view text, std::vector<std::string>* characters = nullptr);

// RunSearch, then, when it opened a statement that found nothing and the
// Chinese-name criterion can be split, the character-order statement in its place.
// Leaves the result query open on the form that ran (its lines are that
// form's statement). Engine errors propagate with the result closed.
SearchOutcome RunSearchWithFallback(const Criteria& criteria, db::Query& result, db::Query& aux);

// The line the window shows above the grid for a character-order result:
//   找不到「踝扭傷」，以下為依序含「踝、扭、傷」的結果
std::string FallbackNote(const SearchOutcome& outcome);

} // namespace search
