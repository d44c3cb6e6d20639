// Writing a file without ever leaving a partial one: the data goes to a temporary file in
// the same directory, is flushed to disk and renamed over the target. With a backup, the
// old file is first renamed to the name with ".bak" (an older backup is removed).
#pragma once

#include <string>
#include <string_view>

namespace tarn::ide {

bool WriteFileSafely(const std::string& path, std::string_view data, bool backup,
                     std::string& error);
// Reads a whole file; false with the reason in `error`.
bool ReadWholeFile(const std::string& path, std::string& data, std::string& error);
bool FileExists(const std::string& path);
// Creates a directory and its parents.
bool MakeDirectories(const std::string& path, std::string& error);
bool CopyFile(const std::string& from, const std::string& to, std::string& error);

}  // namespace tarn::ide
