// build-db: the Taiwan NHI open-data files (Chinese edition of ICD-10-CM 2023,
// ICD-9-CM 2001 to ICD-10-CM 2023 map, ICD-10-CM 2014 to 2023 map), each read
// by its exact header.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>

#include "dbbuild/clinicbuild.h"
#include "dbbuild/steps.h"
#include "codes/coderules.h"
#include "db/statement.h"
#include "text/paths.h"
#include "text/text.h"
#include "text/textfile.h"

namespace dbbuild {

namespace {

const std::vector<std::string> kChineseHeader = {"2023年版ICD-10-CM/PCS", "USE",  "ICD-10-CM/PCS英文名稱",
                                                 "ICD-10-CM/PCS中文名稱", "狀態", "修訂日期"};
const std::vector<std::string> kIcd9MapHeader = {"2001年版ICD-9-CM",
                                                 "ICD-9-CM英文名稱",
                                                 "ICD-9-CM中文名稱",
                                                 "2023年版ICD-10-CM/PCS",
                                                 "2023年版ICD-10-CM/PCS英文名稱",
                                                 "2023年版ICD-10-CM/PCS中文名稱",
                                                 "對應情形",
                                                 "異動情形",
                                                 "修訂日期"};
const std::vector<std::string> kMap2014Header = {"2014年版ICD-10-CM/PCS",
                                                 "2014年版ICD-10-CM/PCS_英文名稱",
                                                 "2014年版ICD-10-CM/PCS_中文名稱",
                                                 "2023年版ICD-10-CM/PCS",
                                                 "2023年版ICD-10-CM/PCS_英文名稱",
                                                 "2023年版ICD-10-CM/PCS_中文名稱",
                                                 "2014代碼狀態",
                                                 "2023代碼狀態",
                                                 "修訂日期"};

std::string Joined(const std::vector<std::string>& fields) {
    std::string s;
    for (const auto& f : fields)
        s += (s.empty() ? "" : ",") + f;
    return s;
}

// The first line of a file as text, at most 64 KB of it; "" for an empty file.
std::string FirstLine(std::ifstream& in) {
    std::string head(std::size_t{64} * 1024, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    head.erase(
        0, std::min(head.size(), head.find_first_not_of("\r\n"))); // blank lines, as the reader skips them
    if (const std::size_t end = head.find_first_of("\r\n"); end != std::string::npos) head.resize(end);
    return head;
}

// A Chinese name as stored: blanks trimmed, compatibility ideographs composed.
std::string ChineseName(const std::string& raw, long& composed) {
    std::string name = text::Trim(raw);
    std::string c = ComposeCompatibilityIdeographs(name);
    if (c != name) ++composed;
    return c;
}

// A CM code of an NHI file, undotted; "" for a PCS code. Stops at anything else.
std::string CmCodeOf(const CsvFile& f, const CsvFile::Row& row, const std::string& column) {
    const std::string code = text::Trim(f.get(row, column));
    switch (KindOfNhiCode(code)) {
    case CodeKind::Cm:
        return codes::CodeKey(code);
    case CodeKind::Pcs:
        return {};
    case CodeKind::Invalid:
        break;
    }
    f.fail(row,
           "「" + code + "」不是 ICD-10-CM/PCS 代碼 (column " + column + ": not an ICD-10-CM or PCS code)");
}

struct NhiFileInfo {
    const char* title;
    const char* english;
    const std::vector<std::string>& header;
};

const NhiFileInfo& InfoOf(NhiFile kind) {
    static const NhiFileInfo chinese{"健保署 2023年版 ICD-10-CM/PCS 中文版（資料集 177507）",
                                     "the NHI Chinese edition of ICD-10-CM/PCS 2023, open data 177507",
                                     kChineseHeader};
    static const NhiFileInfo icd9{
        "健保署 2001年版 ICD-9-CM 與 2023年版 ICD-10-CM/PCS 對應檔（資料集 177509）",
        "the NHI ICD-9-CM to ICD-10-CM/PCS 2023 map, open data 177509", kIcd9MapHeader};
    static const NhiFileInfo map2014{"健保署 2014年版與 2023年版 ICD-10-CM/PCS 對應檔（資料集 177508）",
                                     "the NHI ICD-10-CM/PCS 2014 to 2023 map, open data 177508",
                                     kMap2014Header};
    switch (kind) {
    case NhiFile::Icd9Map:
        return icd9;
    case NhiFile::Map2014:
        return map2014;
    case NhiFile::ChineseEdition:
        break;
    }
    return chinese;
}

} // namespace

std::string NhiFileTitle(NhiFile kind) {
    return InfoOf(kind).title;
}

const std::vector<std::string>& NhiFileHeader(NhiFile kind) {
    return InfoOf(kind).header;
}

std::string CheckNhiFileHeader(NhiFile kind, const std::string& path) {
    const NhiFileInfo& info = InfoOf(kind);
    const std::string wanted = std::string("，應為") + info.title;
    const std::string english = std::string("; expected ") + info.english;
    std::ifstream in(text::PathFromUtf8(path), std::ios::binary);
    if (!in) return "無法開啟檔案" + wanted + " (cannot be opened: " + std::strerror(errno) + english + ")";
    const std::string head = FirstLine(in);
    if (head.empty()) return "檔案是空的" + wanted + " (the file is empty" + english + ")";
    const text::DecodedText decoded = text::DecodeTextFile(head);
    if (decoded.fault) return "第 1 行：" + decoded.fault.what;
    std::vector<std::string> found;
    for (const auto& row : ParseCsv(decoded.utf8))
        for (const auto& field : row)
            found.push_back(text::Trim(field));
    if (found == info.header) return {};
    for (NhiFile other : {NhiFile::ChineseEdition, NhiFile::Icd9Map, NhiFile::Map2014})
        if (found == NhiFileHeader(other))
            return "這是" + NhiFileTitle(other) + wanted + " (this is " + InfoOf(other).english + english +
                   ")";
    return "標題列不對，這不是所需的檔案" + wanted + "。標題列應為「" + Joined(info.header) + "」，此檔為「" +
           Joined(found) + "」 (the header differs" + english + ": " + Joined(info.header) +
           "; found: " + Joined(found) + ")";
}

CodeKind KindOfNhiCode(const std::string& code) {
    if (codes::IsWrittenICD10Code(text::Upper(code))) return CodeKind::Cm;
    if (code.size() == 7 &&
        std::all_of(code.begin(), code.end(), [](unsigned char c) { return std::isalnum(c); }))
        return CodeKind::Pcs;
    return CodeKind::Invalid;
}

void ImportChineseNames(Build& b) {
    ChineseEditionCounts& n = b.counts.chinese;
    std::unordered_map<std::string, std::string> names;
    if (!b.options.chinese.empty()) {
        b.progress.step("Chinese names " + FileName(b.options.chinese));
        CsvFile f(b.options.chinese, kChineseHeader);
        for (const auto& row : f.rows()) {
            const std::string use = text::Trim(f.get(row, "USE"));
            if (use != "0" && use != "1")
                f.fail(row, "USE 應為 0 或 1，卻是「" + use + "」(USE must be 0 or 1)");
            if (const std::string s = text::Trim(f.get(row, "狀態")); !s.empty()) ++n.revisions[s];
            if (!text::Trim(f.get(row, "修訂日期")).empty()) ++n.revisionDates;
            const std::string code = CmCodeOf(f, row, kChineseHeader[0]);
            if (code.empty()) {
                ++n.nhiPcsRows;
                continue;
            }
            std::string name = ChineseName(f.get(row, "ICD-10-CM/PCS中文名稱"), n.composedNames);
            // A character lost at the source shows as "?" (or its full-width form).
            if (name.find('?') != std::string::npos || name.find("？") != std::string::npos)
                ++n.questionNames;
            if (!names.emplace(code, name).second)
                f.fail(row, "代碼 " + code + " 重複出現 (the code appears twice)");
            auto known = b.billable.find(code);
            if (known == b.billable.end()) {
                ++n.nhiNotInEdition;
            } else if (known->second != (use == "1")) {
                ++n.useDisagreements;
                if (n.useExamples.size() < 5)
                    n.useExamples.push_back(FileName(f.path()) + ":" + std::to_string(row.line) + ": " +
                                            code + " USE=" + use);
            }
        }
        b.progress.done(static_cast<long>(names.size()), "names");
    }
    for (auto& r : b.codeRows) {
        if (auto it = names.find(r[0]); it != names.end()) {
            ++b.counts.chineseNames;
            r[1] = it->second;
        } else if (r[1].empty() && b.options.testChineseGlossary) {
            r[1] = TestChineseName(r[0], r[2]);
        }
    }
}

Map2014 ReadMap2014(const std::string& path, Map2014Counts& counts) {
    CsvFile f(path, kMap2014Header);
    Map2014 m;
    long composed = 0;
    for (const auto& row : f.rows()) {
        ++counts.status2014[text::Trim(f.get(row, "2014代碼狀態"))];
        ++counts.status2023[text::Trim(f.get(row, "2023代碼狀態"))];
        if (text::Trim(f.get(row, kMap2014Header[0])).empty()) continue; // a code new in 2023
        const std::string code = CmCodeOf(f, row, kMap2014Header[0]);
        if (code.empty()) continue; // PCS
        m.codes2014.emplace(code, std::make_pair(ChineseName(f.get(row, kMap2014Header[2]), composed),
                                                 text::Trim(f.get(row, kMap2014Header[1]))));
        if (const std::string to = text::Trim(f.get(row, kMap2014Header[3])); !to.empty())
            CmCodeOf(f, row, kMap2014Header[3]); // checked only: the 2023 codes come from the order file
    }
    return m;
}

void ImportNhiIcd9Map(Build& b) {
    const std::string& path = b.options.nhiIcd9Map;
    if (path.empty()) return;
    b.progress.step("CM, ICD9: " + FileName(path));
    CsvFile f(path, kIcd9MapHeader);
    db::Statement addPair(b.conn, "INSERT INTO CM (ICD9_NO, ICD10_NO) VALUES (?1, ?2)");
    db::Statement addName(b.conn, "INSERT INTO ICD9 (ICD9_NO, ICD9_NAME, ICD9_NAME2) VALUES (?1, ?2, ?3)");
    std::set<std::pair<std::string, std::string>> pairs;
    std::set<std::string> icd9;
    long composed = 0;
    for (const auto& row : f.rows()) {
        std::string nine = text::Upper(text::Trim(f.get(row, kIcd9MapHeader[0])));
        if (nine.empty()) f.fail(row, "沒有 ICD-9-CM 代碼 (no ICD-9-CM code)");
        if (nine.find('.') == std::string::npos) nine = codes::NormalizeICD9Code(nine);
        const std::string tenRaw = text::Trim(f.get(row, kIcd9MapHeader[3]));
        const std::string ten = tenRaw.empty() ? std::string() : CmCodeOf(f, row, kIcd9MapHeader[3]);
        // A procedure (ICD-9-CM volume 3, two digits before the dot, mapped to
        // PCS) has no place in the diagnosis tables.
        const bool procedure = nine.size() > 2 && nine[2] == '.';
        if (procedure || (!tenRaw.empty() && ten.empty())) {
            ++b.counts.icd9Map.procedureRows;
            continue;
        }
        if (icd9.insert(nine).second)
            addName.run({nine, ChineseName(f.get(row, kIcd9MapHeader[2]), composed),
                         text::Trim(f.get(row, kIcd9MapHeader[1]))});
        if (!ten.empty() && pairs.emplace(nine, codes::DottedICD10Code(ten)).second)
            addPair.run({nine, codes::DottedICD10Code(ten)});
    }
    b.progress.done(static_cast<long>(pairs.size()), "pairs");
}

} // namespace dbbuild
