#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace qor::test {

// A scratch folder of its own, removed with the test.
struct TempDir {
    std::filesystem::path path;
    TempDir()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "qortest.XXXXXX").string();
        path = ::mkdtemp(tmpl.data());
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string operator/(const std::string& name) const { return (path / name).string(); }
};

}  // namespace qor::test
