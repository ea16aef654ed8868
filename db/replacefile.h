#pragma once
// Puts a newly written file in the place of another, so that after a crash or a
// power cut the place holds either the whole old file or the whole new one.

#include <string>

namespace db {

// Flushes `from` to the disk, renames it to `to` (replacing what was there) and
// flushes the folder, so that the rename itself survives a power cut. Throws
// db::Error with the system's message; `to` is untouched then.
void ReplaceFileDurably(const std::string& from, const std::string& to);

} // namespace db
