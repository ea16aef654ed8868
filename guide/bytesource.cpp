// The bytes of a release file: read as they are, or decompressed with liblzma
// when the file is xz (its first six bytes say so, whatever its name).
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <lzma.h>

#include "guide/importer.h"

namespace guide {

namespace {

constexpr unsigned char XzMagic[6] = {0xFD, '7', 'z', 'X', 'Z', 0x00};
// More than the official files need (their dictionary is 8 MiB), little enough
// that a hostile header cannot make the decoder take the machine's memory.
constexpr std::uint64_t XzMemoryLimit = 256u << 20;

class PlainFile : public ByteSource {
public:
    PlainFile(std::FILE* f, std::string path) : m_file(f), m_path(std::move(path)) {}
    ~PlainFile() override { std::fclose(m_file); }
    std::size_t read(char* buffer, std::size_t size) override {
        const std::size_t n = std::fread(buffer, 1, size, m_file);
        if (n == 0 && std::ferror(m_file))
            throw ImportError(m_path + ": 無法讀取檔案 (cannot be read: " + std::strerror(errno) + ")");
        return n;
    }
    const std::string& path() const { return m_path; }

private:
    std::FILE* m_file;
    std::string m_path;
};

class XzFile : public ByteSource {
public:
    explicit XzFile(std::unique_ptr<PlainFile> file) : m_file(std::move(file)) {
        if (lzma_stream_decoder(&m_stream, XzMemoryLimit, LZMA_CONCATENATED) != LZMA_OK)
            throw ImportError(m_file->path() + ": 無法啟動 xz 解壓縮 (cannot start the xz decoder)");
    }
    ~XzFile() override { lzma_end(&m_stream); }

    std::size_t read(char* buffer, std::size_t size) override {
        if (m_done || size == 0) return 0;
        m_stream.next_out = reinterpret_cast<std::uint8_t*>(buffer);
        m_stream.avail_out = size;
        while (m_stream.avail_out == size) {
            lzma_action action = LZMA_RUN;
            if (m_stream.avail_in == 0 && !m_eof) {
                m_stream.avail_in = m_file->read(m_in, sizeof m_in);
                m_stream.next_in = reinterpret_cast<const std::uint8_t*>(m_in);
                if (m_stream.avail_in == 0) m_eof = true;
            }
            if (m_eof) action = LZMA_FINISH;
            const lzma_ret rc = lzma_code(&m_stream, action);
            if (rc == LZMA_STREAM_END) {
                m_done = true;
                break;
            }
            if (rc != LZMA_OK) fail(rc);
        }
        return size - m_stream.avail_out;
    }

private:
    [[noreturn]] void fail(lzma_ret rc) const {
        const std::string& p = m_file->path();
        switch (rc) {
        case LZMA_BUF_ERROR:
            throw ImportError(p + ": xz 壓縮檔不完整，在結尾之前就中斷了 (truncated xz file)");
        case LZMA_MEMLIMIT_ERROR:
        case LZMA_MEM_ERROR:
            throw ImportError(
                p + ": xz 壓縮檔需要的記憶體太多，不是官方檔案 (the xz file needs too much memory)");
        case LZMA_FORMAT_ERROR:
        case LZMA_OPTIONS_ERROR:
            throw ImportError(p + ": 不是可讀取的 xz 壓縮檔 (not a readable xz file)");
        default:
            throw ImportError(p + ": xz 壓縮檔已損壞 (corrupt xz data, code " + std::to_string(rc) + ")");
        }
    }

    std::unique_ptr<PlainFile> m_file;
    lzma_stream m_stream = LZMA_STREAM_INIT;
    char m_in[1 << 16];
    bool m_eof = false, m_done = false;
};

// The first bytes are read to tell the kind, then given back before the rest.
class Prefixed : public ByteSource {
public:
    Prefixed(std::string head, std::unique_ptr<PlainFile> rest)
        : m_head(std::move(head)), m_rest(std::move(rest)) {}
    std::size_t read(char* buffer, std::size_t size) override {
        if (m_pos < m_head.size()) {
            const std::size_t n = std::min(size, m_head.size() - m_pos);
            std::memcpy(buffer, m_head.data() + m_pos, n);
            m_pos += n;
            return n;
        }
        return m_rest->read(buffer, size);
    }

private:
    std::string m_head;
    std::size_t m_pos = 0;
    std::unique_ptr<PlainFile> m_rest;
};

class Memory : public ByteSource {
public:
    explicit Memory(std::string_view bytes) : m_bytes(bytes) {}
    std::size_t read(char* buffer, std::size_t size) override {
        const std::size_t n = std::min(size, m_bytes.size());
        std::memcpy(buffer, m_bytes.data(), n);
        m_bytes.remove_prefix(n);
        return n;
    }

private:
    std::string_view m_bytes;
};

} // namespace

std::unique_ptr<ByteSource> OpenSource(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        const int err = errno;
        if (err == ENOENT) throw ImportError(path + ": 找不到檔案 (no such file)");
        throw ImportError(path + ": 無法開啟檔案 (cannot be opened: " + std::strerror(err) + ")");
    }
    auto file = std::make_unique<PlainFile>(f, path);
    char head[sizeof XzMagic];
    std::size_t got = 0;
    while (got < sizeof head) {
        const std::size_t n = file->read(head + got, sizeof head - got);
        if (n == 0) break;
        got += n;
    }
    if (got == sizeof head && std::memcmp(head, XzMagic, sizeof head) == 0) {
        std::rewind(f);
        return std::make_unique<XzFile>(std::move(file));
    }
    return std::make_unique<Prefixed>(std::string(head, got), std::move(file));
}

std::unique_ptr<ByteSource> MemorySource(std::string_view bytes) {
    return std::make_unique<Memory>(bytes);
}

} // namespace guide
