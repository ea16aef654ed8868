// icdtool build-guide: the coder's guide from the official tabular and index XML.
#include <chrono>
#include <cstdio>
#include <map>

#include "dbbuild/clinicbuild.h"
#include "commands.h"
#include "guide/importer.h"
#include "text/paths.h"

namespace icdtool {

namespace {

const char* kGuideUsage =
    "用法 usage: icdtool build-guide OUT.db [--data DIR] [--tabular FILE] [--index FILE] [--order FILE]\n"
    "由官方的 ICD-10-CM 類目表（Tabular List）與索引（Alphabetic Index）XML 建立編碼指引資料庫：各代碼的\n"
    "註記、第 7 碼表與索引。先寫入暫存檔，完成後才取代 OUT.db；任何檔案有誤就顯示「檔名:行號:」，\n"
    "不寫入任何東西，舊的編碼指引保持原狀。說明見 docs/guide.md。\n"
    "Builds the coder's guide (SQLite) from the official tabular and index XML and the order file,\n"
    "atomically; a file in error stops the build with FILE:LINE: and nothing is written.\n"
    "Files may be plain or xz-compressed. XML with a DOCTYPE or entity declarations is refused.\n"
    "  --data DIR       take the files from DIR laid out as data/official (default: the official files that\n"
    "                   come with the program)\n"
    "  --tabular FILE   the Tabular List XML (icd10cm_tabular_2023.xml[.xz])\n"
    "  --index FILE     the Alphabetic Index XML (icd10cm_index_2023.xml[.xz])\n"
    "  --order FILE     the order file of the same edition (icd10cm_order_2023_oct2022.tsv[.xz]): which\n"
    "                   codes exist with their 7th characters, and which are billable\n";

} // namespace

int BuildGuide(const Args& args) {
    std::string out,
        data =
            dbbuild::OfficialDataDir(text::Utf8FromPath(text::PathFromUtf8(ExecutablePath()).parent_path()));
    guide::ImportSources given;
    const std::map<std::string, std::string*> options = {{"--data", &data},
                                                         {"--tabular", &given.tabular},
                                                         {"--index", &given.index},
                                                         {"--order", &given.order}};
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kGuideUsage, stdout);
            return 0;
        }
        if (auto o = options.find(a); o != options.end()) {
            if (i + 1 >= args.size()) {
                std::fprintf(stderr, "icdtool build-guide: 選項 %s 缺少值 (option needs a value)\n%s",
                             a.c_str(), kGuideUsage);
                return 2;
            }
            *o->second = args[++i];
        } else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "icdtool build-guide: 不認得的選項 (unknown option) %s\n%s", a.c_str(),
                         kGuideUsage);
            return 2;
        } else if (out.empty()) {
            out = a;
        } else {
            std::fprintf(stderr,
                         "icdtool build-guide: 輸出檔只能有一個 (more than one output file given)\n%s",
                         kGuideUsage);
            return 2;
        }
    }
    if (out.empty()) {
        std::fputs(kGuideUsage, stderr);
        return 2;
    }
    guide::ImportSources sources = guide::OfficialSources(data);
    for (auto [slot, value] :
         {std::pair(&sources.tabular, given.tabular), std::pair(&sources.index, given.index),
          std::pair(&sources.order, given.order)})
        if (!value.empty()) *slot = value;
    std::fprintf(stderr, "建置編碼指引 (building the guide) %s\n", out.c_str());
    const auto start = std::chrono::steady_clock::now();
    const guide::ImportCounts n = guide::BuildGuide(out, sources, stderr);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fprintf(
        stderr,
        "完成，費時 %.1f 秒 (done in %.1f s)\n"
        "  類目表 tabular: %ld chapters, %ld sections, %ld codes; notes: includes %ld, inclusionTerm %ld, "
        "excludes1 %ld, excludes2 %ld, codeFirst %ld, useAdditionalCode %ld, codeAlso %ld, notes %ld "
        "(%ld note lines); sevenChrDef %ld (%ld characters, %ld notes inside), sevenChrNote %ld\n"
        "  索引 index: %ld main terms, %ld sub-terms; code %ld, see %ld, seeAlso %ld, nemod %ld, manif %ld, "
        "subcat %ld, seecat %ld\n"
        "  順序檔 order file: %ld codes (%ld billable)\n",
        s, s, n.chapters, n.sections, n.diags, n.includes, n.inclusionTerm, n.excludes1, n.excludes2,
        n.codeFirst, n.useAdditionalCode, n.codeAlso, n.notes, n.noteRows, n.sevenChrDef, n.extensions,
        n.seventhTableNotes, n.sevenChrNote, n.mainTerms, n.subTerms, n.codes, n.see, n.seeAlso, n.nemod,
        n.manif, n.subcat, n.seecat, n.orderCodes, n.billable);
    for (const std::string& c : n.unresolvedIndexCodes)
        std::fprintf(
            stderr,
            "注意：索引中的代碼在類目表找不到（發行檔本身的錯誤）(an index code the tabular lacks): %s\n",
            c.c_str());
    return 0;
}

} // namespace icdtool
