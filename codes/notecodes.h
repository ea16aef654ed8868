#pragma once
// The codes an instructional note names in its text, and whether a code falls
// under one of them. Pure text rules, no database.
//
// A code in a note is a letter, a digit and a letter or digit, then optionally a
// dot and up to four letters or digits, standing as a word of its own; a
// trailing "-" or ".-" (more characters follow) and a trailing "." are part of
// it. Two codes joined by "-" (blanks around it allowed) are a range. Words
// that only look like codes are found too ("vitamin B12"): whoever resolves the
// references against the classification keeps only those that exist.
//
//   "sprain of ankle (S93.1-)"              => S93.1-           first "S931"
//   "low back pain (M54.5-), sciatica (M54.3)" => M54.5-, M54.3
//   "Merkel cell carcinoma (C7A.0-)"        => C7A.0-           first "C7A0"
//   "birth trauma (P10-P15)"                => P10-P15          first "P10", last "P15"
//   "vertebral fracture (S12.0--S12.3-)"    => S12.0--S12.3-    first "S120", last "S123"
//   "helminthiasis (B65.0 -B83.9)"          => B65.0 -B83.9     first "B650", last "B839"
//   "(I69. with final characters -23)"      => I69.             first "I69"
//   "G6PD deficiency", "(D75.A)"            => only D75.A: G6PD is one word
//
// A reference covers a code when the code is the named one or lies under it
// (begins with it), or, for a range, when the code's leading characters fall
// between the two ends: P10-P15 covers P12.1 but not P16; I05.2-I05.9 covers
// I05.8 and I05.81; S93.1- covers S93.101A. Codes are compared without dots and
// without regard to case.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace codes {

struct CodeReference {
    std::size_t begin = 0;  // where the reference starts in the text (bytes)
    std::size_t length = 0; // its length in the text, dashes and dots included
    std::string first;      // the code (the first of a range), stored form: "S931"
    std::string last;       // the last of a range; equal to first for one code

    bool isRange() const { return first != last; }
    bool operator==(const CodeReference&) const = default;
};

// Every code reference in the text, in the order they appear.
std::vector<CodeReference> FindCodeReferences(std::string_view text);

// Whether a code (dotted or not, any case) is covered by the reference.
//   ({S931}, "S93.101A") => true   ({P10..P15}, "P12.1") => true   ({P10..P15}, "P16") => false
//   ({M545}, "M54.50") => true     ({M545}, "M54") => false        ({I052..I059}, "I05.81") => true
bool ReferenceCovers(const CodeReference& reference, std::string_view code);

} // namespace codes
