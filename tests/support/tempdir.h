// A scratch directory for tests that need files on disk: created empty, removed with
// everything in it when the test is done.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace Tramble {

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tramble-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            root = pattern;
        }
    }
    ~TempDir() {
        if (!root.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(root, ignored);
        }
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Empty if the directory could not be made.
    const std::filesystem::path& path() const { return root; }

    // Writes size bytes to name inside the directory (creating its parents) and returns
    // the file's full path.
    std::string write(const std::string& name, const void* bytes, std::size_t size) const {
        const std::filesystem::path file = root / name;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary)
            .write(static_cast<const char*>(bytes), static_cast<std::streamsize>(size));
        return file.string();
    }

private:
    std::filesystem::path root;
};

}  // namespace Tramble
