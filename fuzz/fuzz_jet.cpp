// Fuzzes the Jet (.mdb) conversion with damaged copies of the Jet test files of
// the shared reference data. The input says how to damage one of them, so the
// corpus holds only small recipes, never the files themselves:
//   byte 0      which file (modulo the number of files)
//   byte 1      bit 0: cut the file at the first offset; bit 1: offsets fall in
//               the first 64 KB (the header, the catalogue, the first tables)
//   then groups of 5 bytes: a 4-byte little-endian offset (modulo the size) and
//               a byte written there.
// The damaged copy goes through the guarded conversion. It must end within its
// stall limit with a copy that the engine finds sound or with db::Error, leave
// no partial file, and never change the Jet file.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "db/connection.h"
#include "db/error.h"
#include "db/jetimport.h"
#include "db/query.h"

#ifndef ICD_SHARED_DATA
#error "ICD_SHARED_DATA must name the folder of the shared reference data"
#endif

#include "fuzzcheck.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

// The Jet test files, smallest first (without them every input is a no-op).
const std::vector<std::string>& JetFiles() {
    static const std::vector<std::string> files = [] {
        std::vector<std::pair<std::uintmax_t, fs::path>> found;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(fs::path(ICD_SHARED_DATA) / "mdb", ec))
            if (e.path().extension() == ".mdb" && e.file_size() <= 512 * 1024)
                found.emplace_back(e.file_size(), e.path());
        std::sort(found.begin(), found.end());
        std::vector<std::string> out;
        for (const auto& [size, path] : found)
            out.push_back(ReadAll(path));
        return out;
    }();
    return files;
}

// A folder of this process's own for one run, removed after it.
fs::path WorkDir() {
    fs::path d = fs::temp_directory_path() / ("icd_fuzz_jet_" + std::to_string(::getpid()));
    fs::create_directories(d);
    return d;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto& files = JetFiles();
    if (files.empty() || size < 2) return 0;
    std::string bytes = files[data[0] % files.size()];
    const bool cut = data[1] & 1;
    const std::size_t span = (data[1] & 2) ? std::min<std::size_t>(bytes.size(), 64 * 1024) : bytes.size();
    for (std::size_t i = 2; i + 5 <= size; i += 5) {
        std::uint32_t offset = 0;
        std::memcpy(&offset, data + i, 4);
        offset %= static_cast<std::uint32_t>(span);
        if (cut && i == 2) {
            bytes.resize(offset);
            if (bytes.empty()) break;
            continue;
        }
        if (offset < bytes.size()) bytes[offset] = static_cast<char>(data[i + 4]);
    }

    const fs::path dir = WorkDir();
    const fs::path jet = dir / "icd10_2023.mdb";
    const fs::path copy = dir / "icd10_2023.sqlite";
    {
        std::ofstream out(jet, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    std::error_code ec;
    fs::remove(copy, ec);
    bool converted = false;
    try {
        db::ConvertJetToSqlite(jet.string(), copy.string(), 5);
        converted = true;
    } catch (const db::Error& e) {
        CHECK(std::strlen(e.what()) > 0);
    }
    // Never a partial file; a copy only when the conversion succeeded, and a sound one.
    CHECK(!fs::exists(copy.string() + ".part"));
    CHECK(fs::exists(copy) == converted);
    if (converted) {
        db::Connection c;
        c.open(copy.string());
        db::Query q(c);
        q.setText("PRAGMA integrity_check");
        q.open();
        CHECK(q.value(0) == "ok");
    }
    // The Jet file is only ever read.
    CHECK(ReadAll(jet) == bytes);
    fs::remove_all(dir, ec);
    return 0;
}
