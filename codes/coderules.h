#pragma once
// ICD code rules shared by every feature: how codes are written and what their
// characters mean. Pure standard C++, no database and no windows.

#include <string>
#include <string_view>
#include <vector>

namespace codes {

// An ICD-10-CM code in the dotted form coders write: a dot after the third
// character when more follow; other text is returned as it is.
//   "S93401A" => "S93.401A"   "M545" => "M54.5"   "A00" => "A00"   "S93.4" => "S93.4"
std::string DottedICD10Code(std::string_view code);

// An ICD-10 code as typed, in the dot-free stored form. Only a dot at byte 4 is
// removed; at most 10 bytes follow it.
//   "S93.401A" => "S93401A"   "M25.5" => "M255"   " A00 " => "A00"   "S934.01" => "S934.01"
std::string NormalizeICD10Code(std::string_view typed);

// An ICD-9 code as typed, in the dotted stored form: longer than 3 bytes without
// a dot at byte 4 gets one after byte 3 (at most 10 bytes follow it). External
// causes (E800-E999) have four characters before their dot, so an E code gets
// its dot after byte 4 instead.
//   "7231" => "723.1"   "723" => "723"   "72" => "72"   "723.1" => "723.1"
//   "E9060" => "E906.0"   "E906.0" => "E906.0"   "E906" => "E906"
std::string NormalizeICD9Code(std::string_view typed);

// The episode of care that the seventh character of an injury code names.
enum class Episode { None, Initial, Subsequent, Sequela };

// A B C: initial encounter (B and C for open fractures); D E F G H J K M N P Q R:
// subsequent encounter (routine or delayed healing, nonunion, malunion, open
// fractures); S: sequela. Any other character, lower case included, names none.
//   'A' => Initial   'C' => Initial   'G' => Subsequent   'S' => Sequela   'X' => None
Episode EpisodeOfSeventh(char seventh);

// Every seventh character of an episode, in the edition's order.
//   Initial => "ABC"   Subsequent => "DEFGHJKMNPQR"   Sequela => "S"   None => ""
std::string_view SeventhCharactersOf(Episode episode);

// The codes an ICD-9-CM translation stands for when it maps to this ICD-10-CM
// code (stored form, no dot). A seven-character code whose seventh character is
// the plain A, D or S stands for all three episodes of its stem; any other code
// (an open fracture's B, a nonunion's K, a shorter code) stands for itself.
//   "S93401A" => {"S93401A", "S93401D", "S93401S"}
//   "S52509B" => {"S52509B"}   "M2551" => {"M2551"}
std::vector<std::string> EpisodeVariants(std::string_view code);

// A code with its seventh character (stored form, no dot): a stem shorter than
// six characters is filled with the placeholder X first, as the tabular's
// 7th-character tables require.
//   ("S93401", 'A') => "S93401A"   ("T1501", 'A') => "T1501XA"   ("W08", 'D') => "W08XXXD"
//   ("S0600", 'A') => "S0600XA"    a stem of seven or more characters => "" (none)
std::string WithSeventhCharacter(std::string_view stem, char seventh);

// The tabular codes a seven-character code may extend, longest first (stored
// form, any case in, upper case out): the first six characters, then without
// each trailing placeholder X. Which of them the tabular holds, and whether its
// 7th-character table has the character, the classification decides.
//   "S93401A" => {"S93401"}   "T1501XA" => {"T1501X", "T1501"}   "W08XXXD" => {"W08XXX", "W08XX", "W08X",
//   "W08"} "S93.401A" => {"S93401"}  "M5450" => {} (not seven characters)
std::vector<std::string> SeventhCharacterStems(std::string_view code);

// Whether a code belongs to the ICD-11 traditional-medicine chapter (SA00 to
// SJ3Z: S followed by a letter A to J, either case) rather than to ICD-10-CM,
// whose codes always have a digit in second place. Both share the code table.
//   "SA00" => true   "sf57" => true   "S93401A" => false   "SZ1" => false   "S" => false
bool IsIcd11Code(std::string_view code);

// A code as coders write it: an ICD-10-CM code of letters and digits with its
// dot; an ICD-11 code, a range or any other text as it is.
//   "S93401A" => "S93.401A"   "SA00" => "SA00"   "A00-A09" => "A00-A09"   "A00" => "A00"
std::string WrittenCode(std::string_view code);

} // namespace codes
