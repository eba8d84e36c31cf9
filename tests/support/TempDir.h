#pragma once

#include <string>

namespace tb::test {

// A fresh directory under TMPDIR (or /tmp), removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    // Path of a relative name inside the directory.
    std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }
    // Creates the file (and its parent folders) with these bytes.
    std::string Write(const std::string& relative, const std::string& bytes) const;
    std::string MakeDir(const std::string& relative) const;

private:
    std::string path_;
};

// A file's bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);

} // namespace tb::test
