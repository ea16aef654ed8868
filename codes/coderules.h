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

// A code of either classification in the dotted form coders write (stored form
// in, no dot): ICD-10-CM with the dot after the third character, ICD-11 (see
// IsIcd11Code) after the fourth.
//   "S93401A" => "S93.401A"   "SB060" => "SB06.0"   "SA00" => "SA00"   "A00" => "A00"
std::string DottedCode(std::string_view code);

// Whether a text has the shape of an ICD-10-CM code in the stored form: three
// to seven upper-case letters and digits, a letter first and a digit second
// (where an ICD-11 code has a letter, see IsIcd11Code). Only the shape: which
// codes exist, the edition says.
//   "S93401A" => true   "C7A0" => true   "A00" => true   "S93.401A" => false   "s93401a" => false
//   "A0" => false   "S934011A" => false   "SA00" => false   "900" => false
bool IsStoredICD10Code(std::string_view code);

// The same shape in the written form, DottedICD10Code of a stored code: the
// dot after the third character when more follow, and no other dot.
//   "S93.401A" => true   "C7A.0" => true   "A00" => true   "S93401A" => false   "S93." => false
//   "S93.4.1" => false   "s93.4" => false
bool IsWrittenICD10Code(std::string_view code);

// Whether a text has the shape of an ICD-11 chapter 26 code in the stored
// form: four to seven upper-case letters and digits that IsIcd11Code takes for
// the chapter's (the dot of "SA00.0" dropped).
//   "SA00" => true   "SB060" => true   "SJ3Z" => true   "sa00" => false   "SA0" => false
//   "SA00.0" => false   "S930" => false
bool IsStoredIcd11Code(std::string_view code);

// A code's key: the stored form a code of either classification is kept and
// compared under, from the code written with its dot or in any case. Every dot
// is dropped and letters become upper case; nothing else changes (whether the
// result has a code's shape is IsStoredICD10Code's to say).
//   "S93.401A" => "S93401A"   "c7a.0" => "C7A0"   "SB06.0" => "SB060"   "A00" => "A00"
std::string CodeKey(std::string_view code);

// The key a lookup in the coder's guide matches, from a code as a coder types
// it or as the Alphabetic Index writes it: blanks (space, tab, line ends) around
// it dropped, then a trailing "-" (the index's "more characters follow") or
// ".", then CodeKey. A section is looked up by its range (a dash with more
// after it), which keeps its dash and its dots, in upper case, and loses every
// blank.
//   "s93.401a" => "S93401A"   "S93.40-" => "S9340"   "I69." => "I69"   " 19 " => "19"
//   "s90 - s99" => "S90-S99"   "-" => ""
std::string LookupKey(std::string_view written);

// The key of a code typed as a prefix or as a range's bound (the codes a
// question bank asks about): CodeKey of the trimmed text, or "" when anything
// but letters, digits and dots was typed or the key is longer than a code's
// seven characters, so that a mistyped scope is refused rather than matching
// nothing.
//   " s93.4 " => "S934"   "S93.401A" => "S93401A"   "S9#" => ""   "S93 4" => ""   "S934011A" => ""
std::string TypedPrefixKey(std::string_view typed);

// The letters and digits of a code, letters upper case; every other byte is
// dropped (dots, blanks, dashes, every byte of another character). The key of
// a code read from a mapping table of the clinic's database, typed in by hand
// over the years: a blank or a mark left inside it still leaves the code, and
// nothing but letters and digits reaches the statement built from it.
//   "A00.0" => "A000"   "s52.521a" => "S52521A"   " M25.5 \t" => "M255"   "頭A-1" => "A1"   "" => ""
std::string LettersAndDigits(std::string_view code);

// An ICD-10 code as typed into a search box or the tree's code box, in the
// dot-free stored form. Only a dot at byte 4 is removed; at most 10 bytes
// follow it. Unlike CodeKey, letter case and any other dot stay: the result is
// the start of a code matched with LIKE (which ignores case), and a dot where
// no code has one (S934.01) is kept, so the search finds nothing rather than
// codes that were not typed.
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

// Every seventh character that names an episode: SeventhCharactersOf the
// three episodes in turn.
//   => "ABCDEFGHJKMNPQRS"
std::string_view EpisodeSeventhCharacters();

// Whether a seventh character names a plain episode, the first character of
// its episode: initial A, subsequent D, sequela S, without an open fracture's
// or a healing's detail (B, C, E to R). Most codes with a seventh character
// have these three, and a mapping to one of them stands for all three
// (EpisodeVariants).
//   'A' => true   'D' => true   'S' => true   'B' => false   'K' => false   'a' => false
bool IsPlainEpisode(char seventh);

// Whether a code ends in a seventh character that names an episode of care:
// seven characters, the seventh a letter (either case). A digit there is an
// axis of its own (the fetus of an O code, the stage of glaucoma). Any letter
// counts, not only the sixteen of EpisodeSeventhCharacters: a code read from
// a clinic's old database is judged by the letter alone.
//   "S93401A" => true   "S52521K" => true   "t1501xa" => true   "O3101X1" => false   "S9340" => false
bool HasEpisodeSeventh(std::string_view code);

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
// SJ3Z) rather than to ICD-10-CM, whose codes always have a digit in second
// place; both share the code table. In the ICD-11 form the chapter's codes
// have S, a letter A to J other than I (ICD-11 never uses I or O, which read
// as 1 and 0), then a digit; either case, with or without the dot after the
// fourth character. A code's start counts as well (a range's bound "SA0", a
// typed scope "SA"), so a prefix names the classification its codes belong to.
//   "SA00" => true   "sf57" => true   "SB06.0" => true   "SB060" => true   "SA" => true
//   "SA0" => true    "S93401A" => false   "SZ1" => false   "SI00" => false   "SAB" => false
//   "S" => false
bool IsIcd11Code(std::string_view code);

// A code as coders write it: an ICD-10-CM code of letters and digits with its
// dot; an ICD-11 code, a range or any other text as it is.
//   "S93401A" => "S93.401A"   "SA00" => "SA00"   "A00-A09" => "A00-A09"   "A00" => "A00"
std::string WrittenCode(std::string_view code);

} // namespace codes
