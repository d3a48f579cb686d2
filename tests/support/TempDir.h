#pragma once
// A fresh temporary folder for one test, removed with everything in it afterwards.

#include <filesystem>
#include <string>
#include <string_view>

namespace SumirelTest {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // The full path of `name` inside the folder, as a byte string.
    std::string File(std::string_view name) const;
    // Writes `bytes` to `name` inside the folder and returns its full path.
    std::string Write(std::string_view name, std::string_view bytes) const;

private:
    std::filesystem::path path_;
};

// The bytes of a file, or "<missing>" when it cannot be read.
std::string ReadBytes(const std::string& path);

// Shift-JIS bytes of a UTF-8 text, for writing readable Japanese in tests.
std::string Sjis(std::string_view utf8);
inline std::string Sjis(std::u8string_view utf8) {
    return Sjis(std::string_view(reinterpret_cast<const char*>(utf8.data()), utf8.size()));
}

}  // namespace SumirelTest
