#pragma once
// The clinic's full code database from the Taiwan NHI files it downloads, with
// the project's own official US files for everything else: what the program's
// build window and `icdtool build-db OUT --chinese FILE` share. The build runs
// the importers of the database build (build.h) on its own connection, so a
// window runs it on a thread of its own.
//
//   dbbuild::ClinicFiles files;
//   files.chinese = "/home/clinic/下載/177507.csv";
//   const std::string problem = dbbuild::CheckNhiFileHeader(dbbuild::NhiFile::ChineseEdition, files.chinese);
//   if (!problem.empty()) ...show it beside the file...
//   dbbuild::BuildClinicDatabase(files, dbbuild::OfficialDataDir(exeDir), target,
//                                [&](const dbbuild::BuildStep& s) { ...show s...; return !cancelled; });

#include <string>
#include <vector>

#include "dbbuild/build.h"

namespace dbbuild {

// The NHI open-data files a clinic brings.
enum class NhiFile {
    ChineseEdition, // 2023年版ICD-10-CM/PCS中文版, open data 177507: the Chinese names (required)
    Icd9Map,        // ICD-9-CM 2001 to ICD-10-CM/PCS 2023 map, open data 177509 (optional)
    Map2014,        // ICD-10-CM/PCS 2014 to 2023 map, open data 177508 (optional)
};

// The file as a coder knows it, in Traditional Chinese with its data set number:
//   ChineseEdition => "健保署 2023年版 ICD-10-CM/PCS 中文版（資料集 177507）"
std::string NhiFileTitle(NhiFile kind);

// The header line the file has, column by column.
const std::vector<std::string>& NhiFileHeader(NhiFile kind);

// Checks the first line of the file at path (UTF-8 path) against the header of
// its kind, reading no further. Returns "" when it is that file; otherwise what
// is wrong, in Traditional Chinese with the English in parentheses: the file
// cannot be opened, is empty, is not text, or is another file (named when it is
// one of the other NHI files), with the header that was expected.
std::string CheckNhiFileHeader(NhiFile kind, const std::string& path);

// CheckNhiFileHeader, then the whole file's bytes as text in its encoding, as
// the build will read them: "" when both are right; otherwise what is wrong,
// for bytes that are not text with their line ("第 120 行：第 5 個位元組起不是
// UTF-8 文字（B6 C3），…"). A window checks a file picked with it, so that a
// damaged download is named before anything is built.
std::string CheckNhiFile(NhiFile kind, const std::string& path);

// The files of a clinic's build (UTF-8 paths).
struct ClinicFiles {
    std::string chinese; // the Chinese edition, required
    std::string icd9Map; // "" = none: CM and ICD9 from the US GEM and ICD-9-CM titles (English)
    std::string map2014; // "" = none: the 2023 marks against the 2022 order file
};

// The folder of the project's official US files for a program or tool whose
// executable is in exeDir: run from the build folder, the source's
// data/official; installed, the installed share folder
// (<prefix>/share/icd10tcm/official beside <prefix>/lib/icd10tcm). The folder
// may be missing; RequireOfficialData says so.
std::string OfficialDataDir(const std::string& exeDir);

// Throws Error when dir holds no official files, saying in Traditional Chinese
// where they were looked for and how to name them instead (--data, --order).
void RequireOfficialData(const std::string& dir);

// Builds the code database at out from the clinic's files and the official
// files in officialDir, through the importers of build-db: the same checks
// (every file in error stops the build with "FILE:LINE: what", in Traditional
// Chinese), the same tables. The folder of out is made when missing; the new
// database is written beside out (out + ".part") and replaces out durably only
// when complete, so an error, a cancel, a kill, a full disk or a read-only
// folder leaves out as it was. progress (may be empty) is called on this thread
// at each stage and step; returning false cancels (Cancelled is thrown).
// Throws Error (Cancelled on a cancel); db::Error may come through from the
// engine (a full disk), with its own text.
Counts BuildClinicDatabase(const ClinicFiles& files, const std::string& officialDir, const std::string& out,
                           const ProgressCallback& progress);

// The options of that build, as `icdtool build-db` takes them.
Options ClinicOptions(const ClinicFiles& files, const std::string& officialDir, const std::string& out);

} // namespace dbbuild
