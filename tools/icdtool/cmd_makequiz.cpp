#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>

#include "commands.h"
#include "db/connection.h"
#include "db/databasefile.h"
#include "guide/guidefile.h"
#include "guide/reader.h"
#include "quiz/bankmaker.h"
#include "quizguide.h"
#include "text/paths.h"

namespace fs = std::filesystem;

namespace icdtool {

namespace {

constexpr int kMaxCount = 1000; // the quiz records at most 1000 answers

// The usage, with the kinds between its two parts.
const char* const kUsage = "usage: icdtool make-quiz DB OUT.txt [--count N] [--codes CODES] [--kinds LIST] "
                           "[--seed S] [--guide FILE]\n"
                           "  從代碼資料庫出選擇題,寫成測驗題庫檔(Big5、CR LF),測驗視窗可直接讀取。\n"
                           "  --count N     題數,1 到 1000(預設 20)\n"
                           "  --codes CODES 出題範圍:前綴(S93)、範圍(S00-T88),或以逗號分隔數個(預設全部)\n"
                           "  --kinds LIST  題型,以逗號分隔(預設全部):\n";
const char* const kUsageEnd =
    "  --seed S      亂數種子(0 到 4294967295);同樣的命令與種子寫出同樣的檔案\n"
    "  每題之後寫一行說明(E:),引自代碼資料庫或編碼指引,測驗報告與練習模式會顯示。\n";

// The kinds as the table of question kinds lists them: name and title, the
// kinds of the coder's guide marked.
std::string KindLines() {
    std::size_t width = 0;
    for (const quiz::KindInfo& k : quiz::Kinds())
        width = std::max(width, k.name.size() + 1);
    std::string lines;
    for (const quiz::KindInfo& k : quiz::Kinds()) {
        std::string name(k.name);
        name.resize(width, ' ');
        lines += "                " + name + std::string(k.title) + (k.needsGuide ? "(編碼指引)" : "") + "\n";
    }
    return lines;
}

int Usage(const std::string& problem = {}) {
    if (!problem.empty()) std::fprintf(stderr, "icdtool make-quiz: %s\n", problem.c_str());
    std::fprintf(stderr, "%s%s%s", kUsage, KindLines().c_str(), kUsageEnd);
    return 2;
}

// A whole decimal number within [low, high], or -1.
long long NumberIn(const std::string& s, long long low, long long high) {
    if (s.empty() || s.size() > 12 || s.find_first_not_of("0123456789") != std::string::npos) return -1;
    const long long n = std::stoll(s);
    return n >= low && n <= high ? n : -1;
}

fs::path Utf8Path(const std::string& s) {
    return fs::path(std::u8string(s.begin(), s.end()));
}

// Writes the file whole or not at all: a temporary file beside it, renamed when complete.
void WriteAtomically(const std::string& path, const std::string& bytes) {
    const fs::path out = Utf8Path(path);
    fs::path temp = out;
    temp += ".tmp";
    {
        std::ofstream file(temp, std::ios::binary | std::ios::trunc);
        if (!file)
            throw std::runtime_error("無法寫入題庫檔 " + path + "(無法建立暫存檔 " + temp.string() + ")");
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!file.flush()) {
            std::error_code ec;
            fs::remove(temp, ec);
            throw std::runtime_error("無法寫入題庫檔 " + path + "(寫入失敗，磁碟可能已滿)");
        }
    }
    std::error_code ec;
    fs::rename(temp, out, ec);
    if (ec) {
        fs::remove(temp, ec);
        throw std::runtime_error("無法寫入題庫檔 " + path + "(" + ec.message() + ")");
    }
}

} // namespace

int MakeQuiz(const Args& args) {
    std::vector<std::string> files;
    quiz::MakerOptions options;
    bool seeded = false;
    std::string codes, kinds, guidePath;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") return Usage();
        if (a.rfind("--", 0) != 0) {
            files.push_back(a);
            continue;
        }
        if (i + 1 >= args.size()) return Usage("選項 " + a + " 後面缺少值(missing value)");
        const std::string& value = args[++i];
        if (a == "--count") {
            const long long n = NumberIn(value, 1, kMaxCount);
            if (n < 0) return Usage("題數必須是 1 到 1000 的整數(--count " + value + ")");
            options.count = static_cast<int>(n);
        } else if (a == "--codes") {
            auto scope = quiz::ParseCodeScope(value);
            if (!scope)
                return Usage("出題範圍無法辨識,請寫前綴(S93)或範圍(S00-T88),以逗號分隔(--codes " + value +
                             ")");
            options.codes = *scope;
            codes = value;
        } else if (a == "--kinds") {
            auto parsed = quiz::ParseKinds(value);
            if (!parsed) return Usage("題型無法辨識(--kinds " + value + ")");
            options.kinds = *parsed;
            kinds = value;
        } else if (a == "--guide") {
            guidePath = value;
        } else if (a == "--seed") {
            const long long n = NumberIn(value, 0, 4294967295LL);
            if (n < 0) return Usage("亂數種子必須是 0 到 4294967295 的整數(--seed " + value + ")");
            options.seed = static_cast<std::uint32_t>(n);
            seeded = true;
        } else {
            return Usage("不認得的選項 " + a);
        }
    }
    if (files.size() != 2) return Usage("需要資料庫檔與輸出檔兩個路徑");
    if (!seeded) {
        // A fresh seed each run; the summary prints it so the bank can be made again.
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        options.seed =
            static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::microseconds>(now).count());
    }
    // The bank's remark line: the options, so a teacher sees how it was made.
    options.commandLine = "icdtool make-quiz --count " + std::to_string(options.count) +
                          (codes.empty() ? "" : " --codes " + codes) +
                          (kinds.empty() ? "" : " --kinds " + kinds) + " --seed " +
                          std::to_string(options.seed);

    std::vector<quiz::CodeRow> rows;
    try {
        db::Connection connection;
        connection.open(db::PrepareDatabaseFile(files[0]));
        rows = quiz::ReadCodeRows(connection);
    } catch (const std::exception& e) {
        throw std::runtime_error("無法讀取代碼資料庫 " + files[0] + "(" + e.what() + ")");
    }

    // The coder's guide: one named with --guide must open; the one beside the
    // tool may be missing, and then only the kinds that need it ask nothing.
    const bool guideNamed = !guidePath.empty();
    if (!guideNamed)
        guidePath =
            guide::GuidePathIn(text::Utf8FromPath(text::PathFromUtf8(ExecutablePath()).parent_path()));
    guide::Guide guideFile;
    const std::string guideProblem = guideFile.open(guidePath);
    if (!guideProblem.empty() && guideNamed) throw std::runtime_error(guideProblem);
    std::optional<QuizGuide> facts;
    if (guideProblem.empty()) {
        facts.emplace(guideFile);
        options.guide = &*facts;
        options.commandLine += " --guide " + fs::path(Utf8Path(guidePath)).filename().string();
    }
    const std::string guideLine =
        guideProblem.empty() ? "編碼指引:" + guidePath : "編碼指引:未使用(" + guideProblem + ")";

    const quiz::MadeBank bank = quiz::MakeQuestionBank(rows, options);
    if (bank.questions.empty()) {
        for (const std::string& line : quiz::SummaryLines(bank, options, files[1]))
            if (line.rfind("已寫入", 0) != 0) std::fprintf(stderr, "%s\n", line.c_str());
        std::fprintf(stderr, "%s\n", guideLine.c_str());
        std::fprintf(stderr, "icdtool make-quiz: 範圍內沒有可出題的代碼,未寫入 %s\n", files[1].c_str());
        return 1;
    }
    WriteAtomically(files[1], bank.bytes);
    for (const std::string& line : quiz::SummaryLines(bank, options, files[1])) {
        const bool warning = line.rfind("注意", 0) == 0;
        std::fprintf(warning ? stderr : stdout, "%s\n", line.c_str());
    }
    std::printf("%s\n", guideLine.c_str());
    return 0;
}

} // namespace icdtool
