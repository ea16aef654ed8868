#include "db/jetimport.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "db/databasefile.h"
#include "db/error.h"
#include "db/jetreader.h"
#include "text/paths.h"

namespace fs = std::filesystem;

namespace db {

namespace {

// RC4, with which Jet scrambles the header of its files.
void Rc4(const unsigned char* key, std::size_t keyLen, unsigned char* data, std::size_t len) {
    unsigned char s[256];
    for (int i = 0; i < 256; ++i) s[i] = static_cast<unsigned char>(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[static_cast<std::size_t>(i) % keyLen]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    for (std::size_t n = 0, i = 0, j = 0; n < len; ++n) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        data[n] ^= s[(s[i] + s[j]) & 0xFF];
    }
}

std::string Fail(const std::string& jetPath, const std::string& why) {
    return "cannot read the Jet database " + jetPath + ": " + why;
}

void RemoveDatabaseFiles(const std::string& path) {
    std::error_code ec;
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) fs::remove(text::PathFromUtf8(path + suffix), ec);
}

} // namespace

bool JetHasPassword(const std::string& header) {
    if (header.size() < 0x18 + 128) return false;
    std::vector<unsigned char> h(header.begin(), header.end());
    const bool jet3 = h[0x14] == 0;
    static const unsigned char key[4] = {0xC7, 0xDA, 0x39, 0x6B};
    Rc4(key, 4, h.data() + 0x18, jet3 ? 126 : 128);
    const std::size_t len = jet3 ? 20 : 40;
    unsigned char mask[4] = {0, 0, 0, 0};
    if (!jet3) {
        // Jet 4 also mixes the password with the whole days of the creation date.
        double created = 0;
        std::memcpy(&created, h.data() + 0x72, sizeof created);
        if (std::isfinite(created) && std::fabs(created) < 2147483647.0) {
            auto days = static_cast<std::uint32_t>(static_cast<std::int32_t>(created));
            for (int i = 0; i < 4; ++i) mask[i] = static_cast<unsigned char>(days >> (8 * i));
        }
    }
    for (std::size_t i = 0; i < len; ++i)
        if ((h[0x42 + i] ^ mask[i % 4]) != 0) return true;
    return false;
}

void ConvertJetToSqlite(const std::string& jetPath, const std::string& sqlitePath) {
    ConvertJetToSqlite(jetPath, sqlitePath, 20);
}

void ConvertJetToSqlite(const std::string& jetPath, const std::string& sqlitePath, int stallSeconds) {
    const FileKind kind = DetectFileKind(jetPath);
    if (kind == FileKind::Missing) throw Error(Fail(jetPath, "the file does not exist"));
    if (kind != FileKind::Jet3 && kind != FileKind::Jet4)
        throw Error(Fail(jetPath, "it is not a Jet (.mdb) database file"));

    std::string header(4096, '\0');
    {
        std::ifstream f(text::PathFromUtf8(jetPath), std::ios::binary);
        if (!f) throw Error(Fail(jetPath, "the file cannot be opened for reading"));
        f.read(header.data(), static_cast<std::streamsize>(header.size()));
        header.resize(static_cast<std::size_t>(f.gcount()));
    }
    if (header.size() < 2048) throw Error(Fail(jetPath, "the file is cut short"));
    if (JetHasPassword(header))
        throw Error(Fail(jetPath, "it is protected by a database password; remove the password in Microsoft "
                                  "Access (or give the program a copy without one) and start again"));

    const std::string tmp = sqlitePath + ".part";
    RemoveDatabaseFiles(tmp);
    std::string why = CopyJetTables(jetPath, tmp, stallSeconds);
    if (why.empty()) {
        std::error_code ec;
        fs::rename(text::PathFromUtf8(tmp), text::PathFromUtf8(sqlitePath), ec);
        if (ec) why = "cannot write the converted copy " + sqlitePath + ": " + ec.message();
    }
    if (!why.empty()) {
        RemoveDatabaseFiles(tmp);
        // The Jet file was fine but its copy could not be written (a read-only folder, a full disk).
        if (why.rfind("cannot write", 0) == 0) throw Error("cannot convert the Jet database " + jetPath + ": " + why);
        throw Error(Fail(jetPath, why));
    }
}

} // namespace db
