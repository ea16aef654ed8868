#pragma once
// The coder's guide file: its name beside the program, its schema and the
// kinds of instructional notes it holds.
//
// The guide is an SQLite file of its own (icd10cm_guide_2023.db), built from
// the official tabular and index XML by `icdtool build-guide`, shipped beside
// the program and opened read-only. It is independent of the code database:
// the sample, a database built from the NHI files and a clinic's Jet file all
// get the same guide.
//
//   GuidePathIn("/opt/icd")  => "/opt/icd/icd10cm_guide_2023.db"
//   GuidePathIn("")          => "/icd10cm_guide_2023.db"
// (On Windows the separator is a backslash: D:\App => D:\App\icd10cm_guide_2023.db.)

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace guide {

inline constexpr const char* GuideFileName = "icd10cm_guide_2023.db";

// The guide's format; a file of another format is refused with a message.
inline constexpr const char* GuideFormat = "1";

// The guide file in the program's folder (the platform's separator, as the code
// database's path beside it is written).
std::string GuidePathIn(const std::string& exeDir);

// The tables of the guide (run on an empty file by the importer).
const char* GuideSchema();

// The instructional notes of the tabular, in the order a coder reads them.
// Each has its name in the XML and in the guide (the element name) and the
// Traditional Chinese heading the program shows above it.
enum class NoteKind {
    Includes,          // includes           包含
    InclusionTerm,     // inclusionTerm      包含詞
    Excludes1,         // excludes1          排除一：不可同時編碼
    Excludes2,         // excludes2          排除二：可同時編碼
    CodeFirst,         // codeFirst          先編碼
    UseAdditionalCode, // useAdditionalCode  另加編碼
    CodeAlso,          // codeAlso           併編碼
    Notes,             // notes              註
    VisualImpairment,  // visualImpairment   視覺障礙分類表 (the table under H54)
};

// Every kind, in the order above.
const std::vector<NoteKind>& NoteKinds();
std::string_view NoteKindName(NoteKind kind);
std::string_view NoteKindHeading(NoteKind kind);
// The kind of an element name; none for other names ("sevenChrNote", "diag").
std::optional<NoteKind> NoteKindOf(std::string_view name);

} // namespace guide
