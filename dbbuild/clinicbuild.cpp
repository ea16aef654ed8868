// The clinic's build: its NHI files with the project's official US files.
#include "dbbuild/clinicbuild.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "text/paths.h"
#include "text/textfile.h"

namespace fs = std::filesystem;

namespace dbbuild {

std::string OfficialDataDir(const std::string& exeDir) {
    const fs::path dir = text::PathFromUtf8(exeDir);
    // The build folder's programs use the files in the source tree; an
    // installed copy of them (anywhere else) never does.
    std::error_code ec;
    if (fs::equivalent(dir, text::PathFromUtf8(ICD_BUILD_RUNTIME_DIR), ec)) return ICD_SOURCE_OFFICIAL_DIR;
    return text::Utf8FromPath((dir / text::PathFromUtf8(ICD_INSTALLED_OFFICIAL_DIR)).lexically_normal());
}

void RequireOfficialData(const std::string& dir) {
    std::error_code ec;
    if (!fs::is_directory(text::PathFromUtf8(dir) / "icd10cm", ec))
        throw Error("找不到程式附帶的美國官方檔案（應在 " + dir +
                    "）；請以 --data 指定官方檔案所在的資料夾，或以 --order 指定順序檔");
}

std::string CheckNhiFile(NhiFile kind, const std::string& path) {
    if (std::string problem = CheckNhiFileHeader(kind, path); !problem.empty()) return problem;
    std::ifstream in(text::PathFromUtf8(path), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const text::DecodedText decoded = text::DecodeTextFile(bytes.str());
    if (decoded.fault) return "第 " + std::to_string(decoded.fault.line) + " 行：" + decoded.fault.what;
    return {};
}

Options ClinicOptions(const ClinicFiles& files, const std::string& officialDir, const std::string& out) {
    Options o;
    o.out = out;
    o.chinese = files.chinese;
    o.nhiIcd9Map = files.icd9Map;
    o.marks2014 = files.map2014;
    PickFromData(o, officialDir, false, false, false, false);
    return o;
}

Counts BuildClinicDatabase(const ClinicFiles& files, const std::string& officialDir, const std::string& out,
                           const ProgressCallback& progress) {
    if (files.chinese.empty()) throw Error("沒有指定" + NhiFileTitle(NhiFile::ChineseEdition));
    RequireOfficialData(officialDir);
    const fs::path folder = text::PathFromUtf8(out).parent_path();
    std::error_code ec;
    if (!folder.empty() && !fs::is_directory(folder, ec)) {
        fs::create_directories(folder, ec);
        if (ec) throw Error("無法建立資料夾 " + text::Utf8FromPath(folder) + "：" + ec.message());
    }
    return BuildDatabase(ClinicOptions(files, officialDir, out), nullptr, progress);
}

} // namespace dbbuild
