// icdtool build-db: the command line of the database build (dbbuild/): its
// options, --help and the summary, all read from the table of sources.
#include <chrono>
#include <cstdio>
#include <map>

#include "commands.h"
#include "dbbuild/clinicbuild.h"
#include "dbbuild/steps.h"
#include "text/paths.h"

namespace icdtool {

namespace {

// The options of the build as a whole (the sources' own are in Sources()).
const char* kUsageHead =
    "用法 usage: icdtool build-db OUT.mdb --chinese FILE [選項 options]\n"
    "由官方公開檔案建置編碼資料庫（SQLite 格式），完成後才取代輸出檔；任一檔案有誤即停止，\n"
    "顯示「檔名:行號:」且不寫入任何東西。美國的檔案預設用程式附帶的官方檔案。說明見 docs/database.md。\n"
    "Builds the code database (SQLite form) from the official files, atomically; a file in error\n"
    "stops the build with FILE:LINE: and nothing is written. The US files are the project's own\n"
    "official files unless --data or --order names others. See docs/database.md.\n";
const char* kUsageGeneral =
    "  --edition TEXT          the edition's name shown in the main menu (default: ICD-10-CM 2023)\n"
    "  --schema FILE           schema to create (default: the one built into this program)\n"
    "  --data DIR              take the US files from DIR laid out as the project's official files\n"
    "                          (icd10cm/, gem/, icd9cm/, icd11/); the options above override it.\n"
    "                          Without --data and --order: the official files that come with icdtool\n"
    "  --april                 with the official files: the April 2023 update instead of the October 2022\n"
    "                          release\n"
    "  --no-icd9 --no-gem --no-icd11   leave out an input that the official files would add\n"
    "TEST DATA ONLY (never for a clinic's database):\n";

std::string Usage() {
    std::string text = kUsageHead;
    for (const dbbuild::Source& source : dbbuild::Sources())
        for (const dbbuild::SourceOption& option : source.options)
            text += option.help;
    text += kUsageGeneral;
    for (const dbbuild::Source& source : dbbuild::Sources())
        for (const dbbuild::SourceOption& option : source.testOptions)
            text += option.help;
    return text;
}

void PrintSummary(const dbbuild::Options& o, const dbbuild::Counts& n, double seconds) {
    std::fprintf(stderr,
                 "完成，費時 %.1f 秒 (done in %.1f s): ICD-10-CM %ld rows (%ld billable, %ld new in 2023, "
                 "%ld deleted, "
                 "%ld disabled), ICD-11 %ld rows, Chinese names %ld, CM %ld, ICD9 %ld, btbindn %ld\n",
                 seconds, seconds, n.icd10, n.billable, n.newIn2023, n.deleted2023, n.disabled2023, n.icd11,
                 n.chineseNames, n.cm, n.icd9, n.btbindn);
    for (const bool explainsTotals : {true, false})
        for (const dbbuild::Source& source : dbbuild::Sources())
            if (source.summary && source.explainsTotals == explainsTotals) source.summary(o, n);
    if (o.testChineseGlossary || (o.testUsageRanks && o.ranks.empty()))
        std::fprintf(stderr, "注意：此資料庫含測試資料，不可用於臨床 (NOTE: this database holds TEST DATA "
                             "(glossary names / test ranks); not for clinical use.)\n");
}

} // namespace

int BuildDb(const Args& args) {
    dbbuild::Options o;
    std::string data;
    bool april = false, noIcd9 = false, noGem = false, noIcd11 = false;
    // Each source's options, then those of the build as a whole.
    std::map<std::string, std::string*> values = {
        {"--schema", &o.schemaFile}, {"--data", &data}, {"--edition", &o.edition}};
    std::map<std::string, bool*> flags = {
        {"--april", &april}, {"--no-icd9", &noIcd9}, {"--no-gem", &noGem}, {"--no-icd11", &noIcd11}};
    for (const dbbuild::Source& source : dbbuild::Sources())
        for (const auto* list : {&source.options, &source.testOptions})
            for (const dbbuild::SourceOption& option : *list) {
                if (option.value) values[option.name] = &(o.*option.value);
                if (option.flag) flags[option.name] = &(o.*option.flag);
            }
    const std::string usage = Usage();
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= args.size())
                throw dbbuild::Error("選項 " + a + " 缺少值 (option " + a + " needs a value)");
            return args[++i];
        };
        if (a == "--help" || a == "-h") {
            std::fputs(usage.c_str(), stdout);
            return 0;
        } else if (auto f = values.find(a); f != values.end()) {
            *f->second = value();
        } else if (auto g = flags.find(a); g != flags.end()) {
            *g->second = true;
        } else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "icdtool build-db: 不認得的選項 (unknown option) %s\n%s", a.c_str(),
                         usage.c_str());
            return 2;
        } else if (o.out.empty()) {
            o.out = a;
        } else {
            std::fprintf(stderr, "icdtool build-db: 輸出檔只能有一個 (more than one output file given)\n%s",
                         usage.c_str());
            return 2;
        }
    }
    if (o.out.empty()) {
        std::fputs(usage.c_str(), stderr);
        return 2;
    }
    // Without US files named, the project's own official files.
    if (data.empty() && o.order.empty()) {
        data =
            dbbuild::OfficialDataDir(text::Utf8FromPath(text::PathFromUtf8(ExecutablePath()).parent_path()));
        dbbuild::RequireOfficialData(data);
    }
    if (!data.empty())
        dbbuild::PickFromData(o, data, april, noIcd9, noGem, noIcd11);
    else if (april)
        throw dbbuild::Error(
            "--april 須與 --data 一起使用 (--april goes with --data; otherwise give the April file "
            "with --order)");
    std::fprintf(stderr, "建置 (building) %s\n", o.out.c_str());
    auto start = std::chrono::steady_clock::now();
    dbbuild::Counts n = dbbuild::BuildDatabase(o, stderr);
    PrintSummary(o, n, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return 0;
}

} // namespace icdtool
