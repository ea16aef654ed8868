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
#include "db/replacefile.h"
#include "db/writefailure.h"
#include "text/paths.h"

namespace fs = std::filesystem;

namespace db {

namespace {

// RC4, with which Jet scrambles the header of its files.
void Rc4(const unsigned char* key, std::size_t keyLen, unsigned char* data, std::size_t len) {
    unsigned char s[256];
    for (int i = 0; i < 256; ++i)
        s[i] = static_cast<unsigned char>(i);
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

// The reason in words, then the file it concerns.
std::string Fail(const std::string& jetPath, const std::string& why) {
    return "無法讀取 Jet 資料庫: " + why + "。檔案: " + jetPath;
}

void RemoveDatabaseFiles(const std::string& path) {
    std::error_code ec;
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        fs::remove(text::PathFromUtf8(path + suffix), ec);
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
            for (int i = 0; i < 4; ++i)
                mask[i] = static_cast<unsigned char>(days >> (8 * i));
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
    if (kind == FileKind::Missing) throw Error(Fail(jetPath, "檔案不存在"));
    if (kind != FileKind::Jet3 && kind != FileKind::Jet4)
        throw Error(Fail(jetPath, "不是 Jet (.mdb) 資料庫檔案"));

    std::string header(4096, '\0');
    {
        std::ifstream f(text::PathFromUtf8(jetPath), std::ios::binary);
        if (!f) throw Error(Fail(jetPath, "檔案無法開啟讀取"));
        f.read(header.data(), static_cast<std::streamsize>(header.size()));
        header.resize(static_cast<std::size_t>(f.gcount()));
    }
    if (header.size() < 2048) throw Error(Fail(jetPath, "檔案不完整 (被截斷)"));
    if (JetHasPassword(header))
        throw Error(Fail(jetPath,
                         "檔案設有資料庫密碼，請在 Microsoft Access 中移除密碼 (或改用沒有密碼的副本) "
                         "後再重新開始"));

    const std::string tmp = sqlitePath + ".part";
    RemoveDatabaseFiles(tmp);
    std::string why = CopyJetTables(jetPath, tmp, stallSeconds);
    if (why.empty()) {
        try {
            ReplaceFileDurably(tmp, sqlitePath);
        } catch (const Error& e) {
            why = CannotWriteCopy + ": " + e.what() + "。檔案: " + sqlitePath;
        }
    }
    if (!why.empty()) {
        RemoveDatabaseFiles(tmp);
        // The Jet file was fine but its copy could not be written (a read-only
        // folder, a full disk): say so in the user's words, the detail after.
        if (why.rfind(CannotWriteCopy, 0) == 0 || ClassifyWriteFailure(why) != WriteFailure::Other)
            throw Error(WriteFailureMessage("無法寫入 Jet 資料庫的轉換副本 " + sqlitePath,
                                            "無法轉換 Jet 資料庫 " + jetPath + ": " + why));
        throw Error(Fail(jetPath, why));
    }
}

} // namespace db
