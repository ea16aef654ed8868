// Building the guide from small files of the official layout, and refusing
// files that are missing, damaged, truncated or hostile.
#include "guide/importer.h"

#include <filesystem>
#include <functional>

#include "db/connection.h"
#include "db/statement.h"
#include "guidetestsupport.h"

using guidetest::SmallGuide;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

std::string Replace(std::string s, const std::string& from, const std::string& to) {
    const std::size_t at = s.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) s.replace(at, from.size(), to);
    return s;
}

std::string Official(const std::string& name) {
    return std::string(ICD_SOURCE_DIR) + "/data/official/icd10cm/" + name;
}

} // namespace

TEST(GuideImport, smallFilesGiveEveryPartOfTheGuide) {
    SmallGuide s;
    const guide::ImportCounts n = s.build();
    EXPECT_EQ(n.chapters, 2);
    EXPECT_EQ(n.sections, 3);
    EXPECT_EQ(n.diags, 10);
    EXPECT_EQ(n.excludes1, 2);
    EXPECT_EQ(n.excludes2, 4);
    EXPECT_EQ(n.includes, 1);
    EXPECT_EQ(n.codeAlso, 1);
    EXPECT_EQ(n.notes, 1);
    EXPECT_EQ(n.sevenChrDef, 2);
    EXPECT_EQ(n.sevenChrNote, 1);
    EXPECT_EQ(n.extensions, 5);
    EXPECT_EQ(n.seventhTableNotes, 1);
    EXPECT_EQ(n.mainTerms, 4);
    EXPECT_EQ(n.subTerms, 4);
    EXPECT_EQ(n.codes, 4);
    EXPECT_EQ(n.nemod, 3);
    EXPECT_EQ(n.manif, 1);
    EXPECT_EQ(n.see, 2);
    EXPECT_EQ(n.seeAlso, 1);
    EXPECT_EQ(n.orderCodes, 11);
    EXPECT_EQ(n.billable, 4);
    EXPECT_TRUE(n.unresolvedIndexCodes.empty());
    EXPECT_FALSE(std::filesystem::exists(s.path() + ".part"));

    // What the rows hold, as written.
    EXPECT_EQ(testsupport::QueryRows(s.path(),
                                     "SELECT character, text FROM seventh s JOIN node n ON n.id = s.node "
                                     "WHERE n.code = 'S93' ORDER BY seq"),
              "A|initial encounter\n|initial encounter NOS\nD|subsequent encounter\nS|sequela\n");
    EXPECT_EQ(
        testsupport::QueryRows(s.path(), "SELECT display, title, nemod FROM term WHERE code = 'S93.401'"),
        "vein (peripheral) NEC|vein NEC|(peripheral)\n");
    EXPECT_EQ(testsupport::QueryRows(s.path(),
                                     "SELECT text FROM note WHERE kind = 'visualImpairment' ORDER BY seq"),
              "Category of visual impairment | Maximum less than:\n1 | 6/18 | 6/60\n");
    EXPECT_EQ(testsupport::QueryRows(s.path(),
                                     "SELECT code, key, depth FROM node WHERE kind <> 'diag' ORDER BY id"),
              "19|19|0\nS90-S99|S90-S99|1\nT15|T15-T15|1\n7|7|0\nH53-H54|H53-H54|1\n");
    EXPECT_EQ(
        testsupport::QueryRows(s.path(), "SELECT type, title, text FROM intro ORDER BY seq"),
        "title|ICD-10-CM TABULAR LIST|\ninstruction|Excludes1|A type 1 Excludes note is a pure excludes.\n");
    EXPECT_EQ(testsupport::QueryRows(s.path(), "SELECT value FROM guide_info WHERE key = 'format'"), "1\n");
}

TEST(GuideImport, theOfficialFilesAreReadCompressedAsTheyAre) {
    // Only the order file here (small enough to read in a test); the XML
    // files go through the same reader when the build makes the real guide.
    testsupport::TempDir dir;
    db::Connection c;
    c.open(dir.file("g.db"), true);
    c.exec(guide::GuideSchema());
    db::Transaction t(c);
    auto in = guide::OpenSource(Official("icd10cm_order_2023_oct2022.tsv.xz"));
    guide::ImportOrder(*in, "order", c);
    EXPECT_EQ(db::QueryCount(c, "SELECT count(*) FROM code"), 96745);
    EXPECT_EQ(db::QueryCount(c, "SELECT count(*) FROM code WHERE billable = 1"), 73639);
}

// Each bad input is refused with a message in Traditional Chinese that names
// the file (and the line where there is one); nothing is written and the old
// guide stays as it was.
TEST(GuideImport, badInputIsRefusedAndTheOldGuideIsKept) {
    struct Case {
        const char* what;
        std::function<void(SmallGuide&)> spoil;
        std::string file;    // the file the message must name
        std::string message; // a part of the message
    };
    const std::string tabular = guidetest::SmallTabular;
    const std::string index = guidetest::SmallIndex;
    const std::string bomb = R"(<?xml version="1.0"?>
<!DOCTYPE lolz [<!ENTITY lol "lol"><!ENTITY lol2 "&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;">
<!ENTITY lol3 "&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;">]>
<ICD10CM.tabular><chapter><name>&lol3;</name></chapter></ICD10CM.tabular>)";
    const std::vector<Case> cases = {
        {"truncated XML",
         [&](SmallGuide& s) { WriteFile(s.dir.file("tabular.xml"), tabular.substr(0, 1500)); },
         "tabular.xml:", "XML 檔不完整"},
        {"external entity",
         [&](SmallGuide& s) {
             WriteFile(
                 s.dir.file("index.xml"),
                 Replace(Replace(index, "<ICD10CM.index>",
                                 "<!DOCTYPE ICD10CM.index [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>\n"
                                 "<ICD10CM.index>"),
                         "<title>acute</title>", "<title>&x;</title>"));
         },
         "index.xml:2:", "DOCTYPE"},
        {"external DTD",
         [&](SmallGuide& s) {
             WriteFile(
                 s.dir.file("tabular.xml"),
                 Replace(
                     tabular, "<ICD10CM.tabular>",
                     "<!DOCTYPE ICD10CM.tabular SYSTEM \"http://example.org/t.dtd\">\n<ICD10CM.tabular>"));
         },
         "tabular.xml:2:", "DOCTYPE"},
        {"entity bomb", [&](SmallGuide& s) { WriteFile(s.dir.file("tabular.xml"), bomb); },
         "tabular.xml:2:", "DOCTYPE"},
        {"undeclared entity",
         [&](SmallGuide& s) {
             WriteFile(s.dir.file("tabular.xml"), Replace(tabular, "<name>S93.1</name>", "<name>&x;</name>"));
         },
         "tabular.xml:", "未宣告"},
        {"missing file", [&](SmallGuide& s) { std::filesystem::remove(s.dir.file("index.xml")); },
         "index.xml", "找不到檔案"},
        {"empty file", [&](SmallGuide& s) { WriteFile(s.dir.file("index.xml"), ""); }, "index.xml",
         "檔案是空的"},
        {"index given for the tabular", [&](SmallGuide& s) { WriteFile(s.dir.file("tabular.xml"), index); },
         "tabular.xml:2:", "這不是 ICD-10-CM 類目表"},
        {"not XML at all",
         [&](SmallGuide& s) { WriteFile(s.dir.file("tabular.xml"), std::string(5000, '\x01')); },
         "tabular.xml:1:", "XML"},
        {"a code that is no code",
         [&](SmallGuide& s) {
             WriteFile(s.dir.file("tabular.xml"),
                       Replace(tabular, "<name>S93.1</name>", "<name>S93 1</name>"));
         },
         "tabular.xml:", "不是 ICD-10-CM 代碼"},
        {"a code twice",
         [&](SmallGuide& s) {
             WriteFile(s.dir.file("tabular.xml"),
                       Replace(tabular, "<name>S93.1</name>", "<name>S93.4</name>"));
         },
         "tabular.xml:", "重複出現"},
        {"a term at the wrong level",
         [&](SmallGuide& s) {
             WriteFile(s.dir.file("index.xml"), Replace(index, "<term level=\"2\">", "<term level=\"3\">"));
         },
         "index.xml:29:", "level"},
        {"tabular and index of different years",
         [&](SmallGuide& s) {
             WriteFile(s.dir.file("index.xml"), Replace(index, "<version>2023", "<version>2024"));
         },
         "tabular.xml", "不是同一版"},
        {"a bad order line",
         [&](SmallGuide& s) {
             WriteFile(s.dir.file("order.tsv"),
                       std::string(guidetest::SmallOrder) + "00012\tH541\t2\tx\ty\n");
         },
         "order.tsv:13:", "最細碼旗標"},
        {"an order file without its columns",
         [&](SmallGuide& s) { WriteFile(s.dir.file("order.tsv"), "a\tb\nc\td\n"); },
         "order.tsv:1:", "這不是順序檔"},
        {"truncated xz",
         [&](SmallGuide& s) {
             const std::string xz = ReadFile(Official("icd10cm_index_2023.xml.xz"));
             WriteFile(s.dir.file("index.xml"), xz.substr(0, xz.size() / 2));
         },
         "index.xml", "xz 壓縮檔不完整"},
        {"corrupt xz",
         [&](SmallGuide& s) {
             std::string xz = ReadFile(Official("icd10cm_tabular_2023.xml.xz"));
             for (std::size_t i = 1000; i < 1100; ++i)
                 xz[i] = static_cast<char>(xz[i] ^ 0x5A);
             WriteFile(s.dir.file("tabular.xml"), xz);
         },
         "tabular.xml", "xz 壓縮檔"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SmallGuide s;
        WriteFile(s.path(), "the old guide");
        c.spoil(s);
        try {
            s.build();
            ADD_FAILURE() << "accepted";
        } catch (const guide::ImportError& e) {
            const std::string m = e.what();
            EXPECT_NE(m.find(c.file), std::string::npos) << m;
            EXPECT_NE(m.find(c.message), std::string::npos) << m;
        }
        EXPECT_EQ(ReadFile(s.path()), "the old guide");
        EXPECT_FALSE(std::filesystem::exists(s.path() + ".part"));
    }
}

TEST(GuideImport, aFolderThatCannotBeWrittenFailsWithNothingLeft) {
    SmallGuide s;
    const std::string out = s.dir.file("no such folder/guide.db");
    EXPECT_THROW(guide::BuildGuide(out, s.sources(), nullptr), std::exception);
    EXPECT_FALSE(std::filesystem::exists(s.dir.file("no such folder")));
}
