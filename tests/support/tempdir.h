#pragma once

#include <filesystem>
#include <string>

namespace tesseltest {

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

    void write(const std::string& name, const std::string& content) const;
    std::string read(const std::string& name) const; // "" when missing
    bool exists(const std::string& name) const;

private:
    std::filesystem::path path_;
};

// Makes a directory the working directory for its lifetime (the services
// read and write every file relative to it).
class WorkingDir {
public:
    explicit WorkingDir(const std::filesystem::path& dir);
    ~WorkingDir();
    WorkingDir(const WorkingDir&) = delete;
    WorkingDir& operator=(const WorkingDir&) = delete;

private:
    std::filesystem::path previous_;
};

} // namespace tesseltest
