// build-db: the ICD-9-CM tables from the US files: CM from the GEM, ICD9 from
// the CMS titles, btbindn from a ranks file.
#include <algorithm>
#include <cstdint>
#include <set>

#include "dbbuild/steps.h"
#include "codes/coderules.h"
#include "db/statement.h"
#include "text/text.h"

namespace dbbuild {

namespace {

// The billable codes of the edition under a header, in code order.
std::vector<std::string> BillableUnder(const std::vector<std::string>& sortedBillable,
                                       const std::string& header) {
    std::vector<std::string> out;
    for (auto it = std::lower_bound(sortedBillable.begin(), sortedBillable.end(), header);
         it != sortedBillable.end() && it->compare(0, header.size(), header) == 0; ++it)
        out.push_back(*it);
    return out;
}

} // namespace

void ImportGem(Build& b) {
    if (b.options.gem.empty()) return;
    b.progress.step("CM: " + FileName(b.options.gem));
    TsvReader in(b.options.gem, {"icd9cm_code", "icd10cm_code"});
    const bool dotted = in.has("icd9cm_code_dotted") && in.has("icd10cm_code_dotted");
    std::vector<std::string> billable;
    for (const auto& r : b.edition)
        if (r.billable) billable.push_back(r.code);
    std::sort(billable.begin(), billable.end());
    db::Statement add(b.conn, "INSERT INTO CM (ICD9_NO, ICD10_NO) VALUES (?1, ?2)");
    std::set<std::pair<std::string, std::string>> seen;
    auto addPair = [&](const std::string& nine, const std::string& ten) {
        if (seen.emplace(nine, ten).second) add.run({nine, ten});
    };
    while (in.next()) {
        std::string nine = text::Trim(in.get(dotted ? "icd9cm_code_dotted" : "icd9cm_code"));
        std::string ten = text::Trim(in.get(dotted ? "icd10cm_code_dotted" : "icd10cm_code"));
        if (nine == "NoDx" || ten == "NoDx") continue; // no equivalent
        if (nine.empty() || ten.empty()) in.reader().fail("a code is missing");
        if (!dotted) nine = codes::NormalizeICD9Code(nine);
        const std::string plain = codes::CodeKey(ten);
        // The GEM predates the edition: a code that has since become a header
        // stands for the billable codes under it (724.2 -> M54.5 -> M54.50,
        // M54.51, M54.59), so that a translation ends in usable codes.
        auto known = b.billable.find(plain);
        if (known != b.billable.end() && !known->second) {
            auto under = BillableUnder(billable, plain);
            if (!under.empty()) {
                ++b.counts.gem.cmHeaderRows;
                for (const auto& code : under) {
                    addPair(nine, codes::DottedICD10Code(code));
                    ++b.counts.gem.cmHeaderCodes;
                }
                continue;
            }
        }
        addPair(nine, codes::DottedICD10Code(plain));
    }
    b.progress.done(static_cast<long>(seen.size()), "pairs");
}

void ImportIcd9Titles(Build& b) {
    const Options& o = b.options;
    if (o.icd9.empty() && o.icd9Tabular.empty()) return;
    b.progress.step("ICD9: ICD-9-CM titles");
    db::Statement add(b.conn, "INSERT INTO ICD9 (ICD9_NO, ICD9_NAME, ICD9_NAME2) VALUES (?1, ?2, ?3)");
    std::set<std::string> codes;
    if (!o.icd9.empty()) {
        TsvReader in(o.icd9, {"code", "long_description", "short_description"});
        const bool dotted = in.has("code_dotted");
        while (in.next()) {
            std::string code =
                text::Trim(dotted ? in.get("code_dotted") : codes::NormalizeICD9Code(in.get("code")));
            if (code.empty()) in.reader().fail("no code");
            if (!codes.insert(code).second) in.reader().fail("code " + code + " appears twice");
            add.run({code, text::Trim(in.get("long_description")), text::Trim(in.get("short_description"))});
        }
    }
    if (!o.icd9Tabular.empty()) {
        // Categories and subcategories that head codes have no entry in the
        // list of codes; their tabular title serves as both names.
        TsvReader in(o.icd9Tabular, {"level", "code_or_range", "title"});
        while (in.next()) {
            const std::string level = in.get("level");
            if (level != "category" && level != "subcategory" && level != "code") continue;
            std::string code = text::Trim(in.get("code_or_range"));
            if (code.empty() || code.find('-') != std::string::npos) in.reader().fail("not a code: " + code);
            if (!codes.insert(code).second) continue;
            std::string title = text::Trim(in.get("title"));
            add.run({code, title, title});
        }
    }
    b.progress.done(static_cast<long>(codes.size()), "codes");
}

namespace {

void ReadRanks(Build& b) {
    const std::string& path = b.options.ranks;
    b.progress.step("btbindn: usage ranks " + FileName(path));
    TsvReader in(path, {});
    const char* codeCol = in.has("IND_CODE") ? "IND_CODE" : "code";
    const char* rankCol = in.has("IND_INFECT_CODE") ? "IND_INFECT_CODE" : "rank";
    if (!in.has(codeCol) || !in.has(rankCol))
        throw Error(path + ":1: the header must name the code (IND_CODE or code) and the rank "
                           "(IND_INFECT_CODE or rank)");
    db::Statement add(b.conn, "INSERT INTO btbindn (IND_CODE, IND_INFECT_CODE) VALUES (?1, ?2)");
    long n = 0;
    while (in.next()) {
        std::string rank = text::Trim(in.get(rankCol));
        if (rank.empty() || rank.size() > 5 ||
            !std::all_of(rank.begin(), rank.end(), [](char ch) { return ch >= '0' && ch <= '9'; }))
            in.reader().fail("the rank must be a number of up to 5 digits, found \"" + rank + "\"");
        rank.insert(0, 5 - rank.size(), '0');
        add.run({text::Trim(in.get(codeCol)), rank});
        ++n;
    }
    b.progress.done(n, "codes");
}

// TEST DATA ONLY: 1,000 ICD-9-CM codes of the CM table in a fixed
// pseudo-random order, ranked 00001 to 01000.
void MakeTestRanks(Build& b) {
    b.progress.step("btbindn: TEST usage ranks (not real statistics)");
    std::vector<std::string> pool;
    db::Statement all(b.conn, "SELECT DISTINCT ICD9_NO FROM CM ORDER BY ICD9_NO");
    while (all.step())
        pool.push_back(all.column(0));
    if (pool.size() < 1000) throw Error("--test-usage-ranks needs at least 1000 ICD-9-CM codes in CM");
    std::uint64_t state = 20230101;
    for (std::size_t i = pool.size() - 1; i > 0; --i) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        std::swap(pool[i], pool[(state >> 33) % (i + 1)]);
    }
    db::Statement add(b.conn, "INSERT INTO btbindn (IND_CODE, IND_INFECT_CODE) VALUES (?1, ?2)");
    for (int i = 0; i < 1000; ++i) {
        char rank[8];
        std::snprintf(rank, sizeof rank, "%05d", i + 1);
        add.run({pool[static_cast<std::size_t>(i)], rank});
    }
    b.progress.done(1000, "codes");
}

} // namespace

void ImportRanks(Build& b) {
    if (!b.options.ranks.empty())
        ReadRanks(b);
    else if (b.options.testUsageRanks)
        MakeTestRanks(b);
}

} // namespace dbbuild
