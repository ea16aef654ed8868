#pragma once
// Writing values and names into SQL text. Every value a user typed goes into a
// statement through SqlLiteral, so a quote inside it can never end the literal.
//
//   SqlLiteral("O'Brien")     => 'O''Brien'
//   SqlLiteral("")            => ''
//   SqlLiteral("S934%")       => 'S934%'      (LIKE patterns are built first, then quoted)
//   SqlIdentifier("ICD10")    => "ICD10"
//   SqlIdentifier("a\"b")     => "a""b"

#include <string>
#include <string_view>

namespace db {

// The value between single quotes, each single quote inside it doubled.
std::string SqlLiteral(std::string_view value);

// The name between double quotes, each double quote inside it doubled.
std::string SqlIdentifier(std::string_view name);

} // namespace db
