// The sources of build-db, one row each: options, help, BUILDINFO and summary
// lines; and the steps of the build in their order.
#include <cstdio>

#include "dbbuild/steps.h"

namespace dbbuild {

namespace {

using Info = std::function<void(const char*, const std::string&)>;

std::string CountsOf(const std::map<std::string, long>& values) {
    std::string s;
    for (const auto& [value, n] : values)
        s += (s.empty() ? "" : "、") + (value.empty() ? std::string("（空白）") : value) + " " +
             std::to_string(n);
    return s.empty() ? "（無）" : s;
}

// The order files of the edition and of the year before: the codes and their
// 2023 marks (ImportCodes), which the 2014 map gives instead when it is there.
Source EditionOrderFiles() {
    Source s;
    s.options = {
        {"--order", &Options::order, nullptr,
         "  --order FILE            本版 ICD-10-CM 順序檔 (CMS FY2023 order file, .txt/.tsv, may be .xz)\n"},
        {"--previous-order", &Options::previousOrder, nullptr,
         "  --previous-order FILE   前一年順序檔，供 2023 新增/刪除/停用標記 (previous year's order file; "
         "the "
         "default marks)\n"}};
    s.buildInfo = [](const Options& o, const Info& info) {
        info("order", FileName(o.order));
        if (!o.marks2014.empty()) {
            info("marks", "2014: " + FileName(o.marks2014));
            if (!o.order2014.empty()) info("order_2014", FileName(o.order2014));
        } else {
            info("previous_order", FileName(o.previousOrder));
        }
    };
    return s;
}

// The NHI Chinese edition (ImportChineseNames).
Source ChineseEdition() {
    Source s;
    s.options = {
        {"--chinese", &Options::chinese, nullptr,
         "  --chinese FILE          健保署 ICD-10-CM/PCS 2023 中文版 CSV（資料集 177507）: ICD10_CNAME, "
         "USE cross-check\n"}};
    s.testOptions = {
        {"--test-chinese-glossary", nullptr, &Options::testChineseGlossary,
         "  --test-chinese-glossary codes without an official Chinese name get one made from the "
         "English\n"
         "                          title with a small glossary of ours (NOT official names)\n"}};
    s.buildInfo = [](const Options& o, const Info& info) {
        if (!o.chinese.empty()) info("chinese_names", FileName(o.chinese));
        if (o.testChineseGlossary)
            info("chinese_names_test", "TEST DATA: names without an official Chinese name were made from the "
                                       "English title with a small glossary; they are not official names");
    };
    s.summary = [](const Options& o, const Counts& counts) {
        if (o.chinese.empty()) return;
        const ChineseEditionCounts& n = counts.chinese;
        std::fprintf(
            stderr,
            "中文版：名稱含「?」%ld 個（照原樣保留）、相容漢字已正規化 %ld 個、USE 與順序檔不一致 %ld 個"
            "（以順序檔為準）、PCS 代碼 %ld 列略過、順序檔沒有的 CM 代碼 %ld 個\n"
            "  (names with \"?\" %ld kept as given, names normalised %ld, USE disagreements %ld, the order "
            "file decides; PCS rows skipped %ld; CM codes not in the order file %ld)\n",
            n.questionNames, n.composedNames, n.useDisagreements, n.nhiPcsRows, n.nhiNotInEdition,
            n.questionNames, n.composedNames, n.useDisagreements, n.nhiPcsRows, n.nhiNotInEdition);
        for (const auto& e : n.useExamples)
            std::fprintf(stderr, "  USE: %s\n", e.c_str());
        std::fprintf(stderr,
                     "  檔案本身的修訂紀錄（只計數，不寫入）：狀態 %s；有修訂日期 %ld 列 "
                     "(revisions of the file itself, counted, not stored)\n",
                     CountsOf(n.revisions).c_str(), n.revisionDates);
    };
    return s;
}

// The NHI ICD-9-CM map (ImportNhiIcd9Map).
Source NhiIcd9Map() {
    Source s;
    s.options = {
        {"--nhi-icd9-map", &Options::nhiIcd9Map, nullptr,
         "  --nhi-icd9-map FILE     健保署 ICD-9-CM 2001 與 ICD-10-CM 2023 對照 CSV（資料集 177509）: CM "
         "and ICD9\n"
         "                          (Chinese name in ICD9_NAME, English in ICD9_NAME2); replaces --gem "
         "and --icd9\n"}};
    s.buildInfo = [](const Options& o, const Info& info) {
        if (!o.nhiIcd9Map.empty()) info("cm", FileName(o.nhiIcd9Map));
    };
    s.summary = [](const Options& o, const Counts& n) {
        if (!o.nhiIcd9Map.empty())
            std::fprintf(stderr, "ICD-9 對照：處置碼（PCS）%ld 列略過 (procedure rows skipped: %ld)\n",
                         n.icd9Map.procedureRows, n.icd9Map.procedureRows);
    };
    return s;
}

// The NHI 2014 map: the 2023 marks against the 2014 edition (read by
// ImportCodes; its BUILDINFO goes with the order files, whose marks it
// replaces).
Source NhiMap2014() {
    Source s;
    s.options = {
        {"--marks-2014", &Options::marks2014, nullptr,
         "  --marks-2014 FILE       健保署 ICD-10-CM 2014 與 2023 對照 CSV（資料集 177508）: 2023 marks "
         "against the\n"
         "                          2014 edition instead of the previous year (D deleted, Y new)\n"},
        {"--order-2014", &Options::order2014, nullptr,
         "  --order-2014 FILE       with --marks-2014: the 2014 order file, which adds the X (disabled) "
         "marks\n"}};
    s.summary = [](const Options& o, const Counts& n) {
        if (!o.marks2014.empty())
            std::fprintf(stderr, "2014 對照：2014代碼狀態 %s；2023代碼狀態 %s%s\n",
                         CountsOf(n.map2014.status2014).c_str(), CountsOf(n.map2014.status2023).c_str(),
                         o.order2014.empty()
                             ? "；未給 2014 順序檔，沒有 X 標記 (no 2014 order file: no X marks)"
                             : "");
    };
    return s;
}

// The US GEM (ImportGem).
Source Gem() {
    Source s;
    s.options = {
        {"--gem", &Options::gem, nullptr,
         "  --gem FILE              US GEM ICD-9-CM -> ICD-10-CM (.tsv) into CM; a header stands for its "
         "billable codes\n"}};
    s.buildInfo = [](const Options& o, const Info& info) {
        if (!o.gem.empty()) info("cm", FileName(o.gem));
    };
    s.summary = [](const Options& o, const Counts& n) {
        if (!o.gem.empty())
            std::fprintf(stderr,
                         "GEM：%ld 列對到 2023 年版的非最細碼，改以其下 %ld 個最細碼列入 CM "
                         "(GEM rows mapped to a header: %ld, replaced by %ld billable codes)\n",
                         n.gem.cmHeaderRows, n.gem.cmHeaderCodes, n.gem.cmHeaderRows, n.gem.cmHeaderCodes);
    };
    s.explainsTotals = true; // the CM rows of the first line
    return s;
}

// The CMS ICD-9-CM titles (ImportIcd9Titles).
Source Icd9Titles() {
    Source s;
    s.options = {
        {"--icd9", &Options::icd9, nullptr,
         "  --icd9 FILE             ICD-9-CM titles (code, long_description, short_description) into "
         "ICD9\n"},
        {"--icd9-tabular", &Options::icd9Tabular, nullptr,
         "  --icd9-tabular FILE     ICD-9-CM tabular titles, for the category titles\n"}};
    return s;
}

// The ICD-11 chapter 26 list (ImportIcd11).
Source Icd11() {
    Source s;
    s.options = {
        {"--icd11", &Options::icd11, nullptr,
         "  --icd11 FILE            ICD-11 chapter 26 list (code, title_en, title_zh_tw) into ICD10\n"}};
    s.buildInfo = [](const Options& o, const Info& info) {
        if (!o.icd11.empty()) info("icd11", FileName(o.icd11));
    };
    return s;
}

// The usage ranks (ImportRanks).
Source Ranks() {
    Source s;
    s.options = {{"--ranks", &Options::ranks, nullptr,
                  "  --ranks FILE            usage ranks (IND_CODE, IND_INFECT_CODE) into btbindn\n"}};
    s.testOptions = {{"--test-usage-ranks", nullptr, &Options::testUsageRanks,
                      "  --test-usage-ranks      when no --ranks: 1000 ICD-9-CM codes ranked in a fixed "
                      "pseudo-random\n"
                      "                          order (NOT real statistics)\n"}};
    s.buildInfo = [](const Options& o, const Info& info) {
        if (!o.ranks.empty()) info("btbindn", FileName(o.ranks));
        if (o.ranks.empty() && o.testUsageRanks)
            info("btbindn", "TEST DATA: 1000 ICD-9-CM codes in a fixed pseudo-random order, not statistics");
    };
    return s;
}

} // namespace

const std::vector<Source>& Sources() {
    static const std::vector<Source> sources = {
        EditionOrderFiles(), ChineseEdition(), NhiIcd9Map(), NhiMap2014(), Gem(),
        Icd9Titles(),        Icd11(),          Ranks()};
    return sources;
}

const std::vector<StepRow>& BuildSteps() {
    static const std::vector<StepRow> steps = {{ImportCodes, "讀取 ICD-10-CM 代碼與 2023 年版標記"},
                                               {ImportChineseNames, "讀取中文名稱"},
                                               {ImportIcd11, "讀取 ICD-11 傳統醫學章"},
                                               {WriteCodes, "寫入代碼"},
                                               {ImportGem, "寫入 ICD-9-CM 對照（GEM）"},
                                               {ImportNhiIcd9Map, "寫入 ICD-9-CM 對照（健保署）"},
                                               {ImportIcd9Titles, "寫入 ICD-9-CM 名稱"},
                                               {ImportRanks, "寫入使用排名"},
                                               {WriteBuildInfo, "寫入建置資訊"}};
    return steps;
}

} // namespace dbbuild
