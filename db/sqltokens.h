#pragma once
// A statement's text as tokens, for the names index's reading of a statement
// (namescondition.h, namesform.h). The reading takes a plain subset of the
// engine's SQL and refuses the rest, so that whatever it cannot follow is sent
// to the engine as written:
//
//   SELECT ICD10_NO FROM ICD10 WHERE ICD10_CNAME LIKE '%it''s%'
//   => Word SELECT, Word ICD10_NO, Word FROM, Word ICD10, Word WHERE,
//      Word ICD10_CNAME, Word LIKE, String "%it's%"
//   "ICD10_NO" >= 'C60'     => QuotedWord ICD10_NO, Symbol >=, String C60
//   len(ICD10_NO)=3         => Word len, Symbol (, Word ICD10_NO, Symbol ), Symbol =, Number
//   refused: a comment (-- or /*), a parameter (?1, :name), a blob (x'00'),
//            a bracketed name ([x]), a second statement (;), an unterminated
//            quote, a NUL
//
// Each token keeps where it stands in the text, so that a part of the
// statement can be sent on exactly as it was written.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace db::detail {

enum class TokenKind { Word, QuotedWord, String, Number, Symbol };

struct Token {
    TokenKind kind;
    std::size_t begin, end; // bytes of the statement
    std::string value;      // a word or symbol as written; a string's or quoted name's text with
                            // doubled quotes undone; empty for a number
};

// Splits the statement into tokens; false for anything this reading does not
// take (see above).
bool Tokenize(std::string_view sql, std::vector<Token>& out);

// A word that is the keyword, in any case of its ASCII letters.
bool IsKeyword(const Token& t, std::string_view keyword);
bool IsSymbol(const Token& t, std::string_view symbol);
// A word that gives a condition or a column list a shape this reading does not
// follow (SELECT, BETWEEN, CASE, EXISTS, JOIN, DISTINCT, ...).
bool Unfollowed(const Token& t);

} // namespace db::detail
