#pragma once

#include <string>
#include <vector>

namespace fw::test {

// A fresh folder under the system's temporary folder, removed with its contents.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // Writes a file in the folder and returns its path.
    std::string write(const std::string& name, const std::vector<unsigned char>& bytes) const;
    std::string write(const std::string& name, const std::string& text) const;

private:
    std::string path_;
};

std::vector<unsigned char> read_file(const std::string& path);

}  // namespace fw::test
