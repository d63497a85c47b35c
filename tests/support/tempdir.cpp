#include "support/tempdir.h"

#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace tesseltest {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tesseltest.XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void TempDir::write(const std::string& name, const std::string& content) const {
    std::ofstream out(path_ / name, std::ios::binary | std::ios::trunc);
    out << content;
}

std::string TempDir::read(const std::string& name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool TempDir::exists(const std::string& name) const {
    return std::filesystem::exists(path_ / name);
}

WorkingDir::WorkingDir(const std::filesystem::path& dir)
    : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
}

WorkingDir::~WorkingDir() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
}

} // namespace tesseltest
