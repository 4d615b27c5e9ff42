#pragma once

#include <string>

namespace fw {

class Environment;

// The folder separator of this platform.
constexpr char kPathSeparator = '/';

bool file_exists(const std::string& path);
// Deletes a file; false when it could not be deleted.
bool delete_file(const std::string& path);
// The full path of the running program file.
std::string own_executable_path();
// The temporary folder: TEMP when set, else TMPDIR, else /tmp (without a trailing separator).
std::string temp_folder(const Environment& env);
// The folder of a path: cut before the last separator, no trailing separator unless it is the root.
std::string folder_of(const std::string& path);

}  // namespace fw
