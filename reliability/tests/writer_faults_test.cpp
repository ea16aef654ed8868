// Each writer run with too little room on the disk and on a folder it may not
// write: the run ends with a status other than 0 and a message in Chinese that
// says what failed and what to do; nothing half-written is left and the old
// database is intact.
//
// Too little room is made two ways: a file-size limit on the writer's process
// (writes beyond it fail as they do on a full disk), and, where the test may
// mount file systems, a small file system of its own that really fills up.
// The read-only folder is a read-only mount of the folder where the test may
// mount, otherwise a folder without write permission for a writer that has
// given up the superuser's rights.
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cstdlib>
#include <iostream>

#include <gtest/gtest.h>

#include "reliability/tests/childprocess.h"
#include "reliability/tests/writers.h"

namespace fs = std::filesystem;
using namespace reliability;

namespace {

struct WriterCase {
    std::string name;
    std::function<void(const fs::path&)> prepare; // the old state in the folder
    std::function<std::vector<std::string>(const fs::path&)> command;
    std::string database = DatabaseName; // the file whose content must stay as it was
    std::string message;                 // what the writer says failed
};

std::vector<WriterCase> Writers() {
    std::vector<WriterCase> w = {
        {"icdtool rank", PutUnrankedSample, RankCommand, DatabaseName, "建立篩選排名失敗"},
        {"ranking button", PutUnrankedSample, RankButtonCommand, DatabaseName, "建立篩選排名失敗"},
        {"icdtool build-db",
         [](const fs::path& d) {
             PutUnrankedSample(d);
             WriteOrderFiles(d, 3000);
         },
         BuildDbCommand, DatabaseName, "建立代碼資料庫失敗"},
        {"icdtool build-db from the NHI file",
         [](const fs::path& d) {
             PutUnrankedSample(d);
             WriteClinicFiles(d, 3000);
         },
         ClinicBuildCommand, DatabaseName, "建立代碼資料庫失敗"},
        {"icdtool run-sql", PutUnrankedSample, RunSqlCommand, DatabaseName, "以 SQL 檔建立資料庫失敗"},
    };
    const std::string jet = SharedJetFile("jackcess_testV2000.mdb");
    if (!jet.empty())
        w.push_back({"Jet conversion at start-up",
                     [jet](const fs::path& d) { fs::copy_file(jet, d / DatabaseName); }, StartCommand,
                     "icd10_2023.sqlite", "無法寫入 Jet 資料庫的轉換副本"});
    return w;
}

std::string ContentOf(const fs::path& file) {
    return fs::exists(file) ? FingerprintOf(file.string()) : "(none)";
}

// The checks every failed write must pass.
void ExpectCleanFailure(const WriterCase& w, const ChildOutcome& run, const fs::path& dir,
                        const std::vector<std::string>& filesBefore, const std::string& contentBefore,
                        const std::string& why) {
    EXPECT_FALSE(run.ok()) << "the run reported success";
    if (std::getenv("ICD_SHOW_MESSAGES")) std::cout << w.name << ": " << run.output << std::endl;
    EXPECT_TRUE(run.exited) << "the run ended on signal " << run.signal;
    EXPECT_NE(run.output.find(w.message), std::string::npos) << run.output;
    EXPECT_NE(run.output.find(why), std::string::npos) << run.output;
    EXPECT_EQ(FilesIn(dir), filesBefore) << "a file was left behind or removed";
    EXPECT_EQ(ContentOf(dir / w.database), contentBefore);
    if (fs::exists(dir / w.database)) {
        EXPECT_EQ(IntegrityOf((dir / w.database).string()), "ok");
    }
}

const std::string DiskFullAdvice = "磁碟空間不足。請騰出磁碟空間後再試一次";
const std::string ReadOnlyAdvice = "資料庫或它所在的資料夾是唯讀的";

// A small file system mounted on dir while the object lives ("" when the
// system does not let the test mount one).
class SmallFileSystem {
public:
    SmallFileSystem(const fs::path& dir, std::uintmax_t bytes) : m_dir(dir) {
        const std::string options = "size=" + std::to_string(bytes);
        m_mounted = ::mount("tmpfs", dir.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~SmallFileSystem() {
        if (m_mounted) ::umount2(m_dir.c_str(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }

private:
    fs::path m_dir;
    bool m_mounted = false;
};

} // namespace

TEST(WriterFaults, fileSizeLimit_eachWriterSaysTheDiskIsFull_andKeepsTheOldDatabase) {
    for (const WriterCase& w : Writers()) {
        SCOPED_TRACE(w.name);
        testsupport::TempDir dir, logs;
        w.prepare(dir.path());
        const auto files = FilesIn(dir.path());
        const std::string before = ContentOf(dir.path() / w.database);
        // Room for 16 KB beyond the start of any file: the journal, the new
        // database or the converted copy soon need more.
        const ChildOutcome run = RunChild(w.command(dir.path()), logs.file("run.log"), [] {
            ::signal(SIGXFSZ, SIG_IGN); // a refused write, as on a full disk, not the end of the process
            const rlimit limit{16384, 16384};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
        ExpectCleanFailure(w, run, dir.path(), files, before, DiskFullAdvice);
    }
}

TEST(WriterFaults, smallFileSystemFillingUp_eachWriterSaysTheDiskIsFull_andKeepsTheOldDatabase) {
    for (const WriterCase& w : Writers()) {
        SCOPED_TRACE(w.name);
        testsupport::TempDir staging, logs;
        w.prepare(staging.path());
        std::uintmax_t size = 0;
        for (const auto& e : fs::directory_iterator(staging.path()))
            size += e.file_size();
        testsupport::TempDir dir;
        // What the folder holds now and two pages more.
        SmallFileSystem small(dir.path(), size + 8 * 1024);
        if (!small.mounted()) GTEST_SKIP() << "this system does not let the test mount a small file system";
        for (const auto& e : fs::directory_iterator(staging.path()))
            fs::copy_file(e.path(), dir.path() / e.path().filename());
        const auto files = FilesIn(dir.path());
        const std::string before = ContentOf(dir.path() / w.database);
        const ChildOutcome run = RunChild(w.command(dir.path()), logs.file("run.log"));
        ExpectCleanFailure(w, run, dir.path(), files, before, DiskFullAdvice);
    }
}

TEST(WriterFaults, readOnlyFolder_eachWriterSaysItCannotWrite_andKeepsTheOldDatabase) {
    for (const WriterCase& w : Writers()) {
        SCOPED_TRACE(w.name);
        testsupport::TempDir dir, logs;
        w.prepare(dir.path());
        const auto files = FilesIn(dir.path());
        const std::string before = ContentOf(dir.path() / w.database);
        ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
        bool readOnlyMount = false;
        if (::geteuid() == 0 &&
            ::mount(dir.path().c_str(), dir.path().c_str(), nullptr, MS_BIND, nullptr) == 0) {
            readOnlyMount =
                ::mount(nullptr, dir.path().c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
            if (!readOnlyMount) ::umount2(dir.path().c_str(), MNT_DETACH);
        }
        std::function<void()> inChild;
        if (::geteuid() == 0 && !readOnlyMount) {
            // The superuser writes through permissions: the writer gives them up.
            ::chmod(logs.path().c_str(), 0777);
            inChild = [] {
                if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(126);
            };
        }
        const ChildOutcome run = RunChild(w.command(dir.path()), logs.file("run.log"), inChild);
        if (readOnlyMount) ::umount2(dir.path().c_str(), MNT_DETACH);
        ::chmod(dir.path().c_str(), 0755);
        if (run.exited && run.status == 126) GTEST_SKIP() << "cannot give up the superuser's rights here";
        if (run.exited && run.status == 127 && inChild)
            GTEST_SKIP() << "the writer cannot be started without the superuser's rights from this folder";
        ExpectCleanFailure(w, run, dir.path(), files, before, ReadOnlyAdvice);
    }
}
