#pragma once
// Building the coder's guide from the official files: the Tabular List XML,
// the Alphabetic Index XML and the edition's order file (each plain or
// xz-compressed, told apart by the file's first bytes).
//
// The XML is read with expat as a stream, never loading external entities and
// refusing any document type declaration (so no entity can be declared, let
// alone expanded: no entity bombs). A file that is missing, damaged, truncated,
// of the wrong kind or hostile is refused with an ImportError in Traditional
// Chinese naming the file and, where there is one, the line:
//   ".../icd10cm_tabular_2023.xml:120: XML 檔不完整：在文件結束之前就中斷了 (unclosed token)"
// The guide is written to a temporary file beside the output and put in its
// place durably only when complete: on any error nothing is written and an old
// guide at that place stays as it was.

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace db {
class Connection;
}

namespace guide {

class ImportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct ImportSources {
    std::string tabular; // icd10cm_tabular_2023.xml(.xz)
    std::string index;   // icd10cm_index_2023.xml(.xz)
    std::string order;   // icd10cm_order_2023_oct2022.tsv(.xz)
};

// The official files in a folder laid out as data/official: DIR/icd10cm/...
ImportSources OfficialSources(const std::string& dataDir);

// What the guide holds, each counted from the guide as written.
struct ImportCounts {
    long chapters = 0, sections = 0, diags = 0;
    // Elements (blocks) of each kind of note, and the <note> rows in them.
    long includes = 0, inclusionTerm = 0, excludes1 = 0, excludes2 = 0, codeFirst = 0, useAdditionalCode = 0,
         codeAlso = 0, notes = 0, noteRows = 0;
    long sevenChrDef = 0, sevenChrNote = 0, extensions = 0, seventhTableNotes = 0;
    long mainTerms = 0, subTerms = 0, codes = 0, see = 0, seeAlso = 0, nemod = 0, manif = 0, subcat = 0,
         seecat = 0;
    long orderCodes = 0, billable = 0;
    // Codes the index names that no tabular code stands for (see
    // Guide::unresolvedIndexCodes): reported, not fatal.
    std::vector<std::string> unresolvedIndexCodes;
};

// The counts of a guide as written (the same as BuildGuide gives).
ImportCounts CountGuide(db::Connection& guide);

// Builds the guide at out from the sources; progress lines go to progress
// (may be null). Throws ImportError (bad input) or db::Error (writing failed).
ImportCounts BuildGuide(const std::string& out, const ImportSources& sources, std::FILE* progress);

// A stream of bytes the XML and order readers take.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Up to size bytes into buffer; 0 at the end. Throws ImportError.
    virtual std::size_t read(char* buffer, std::size_t size) = 0;
};

// The file at path, decompressed when it is xz (by its first bytes). Throws
// ImportError when it cannot be opened.
std::unique_ptr<ByteSource> OpenSource(const std::string& path);
// Bytes held in memory (tests, the fuzzer); they must outlive the source.
std::unique_ptr<ByteSource> MemorySource(std::string_view bytes);

// The pieces of the build, for tests and the fuzzer: each reads one file into
// a connection that holds the guide's schema (inside the caller's
// transaction). name is the file's name in messages.
void ImportTabular(ByteSource& in, const std::string& name, db::Connection& guide);
void ImportIndex(ByteSource& in, const std::string& name, db::Connection& guide);
void ImportOrder(ByteSource& in, const std::string& name, db::Connection& guide);

} // namespace guide
