#include "Backups.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <tuple>

#include "FileIO.h"

namespace Sumirel {

namespace {

namespace fs = std::filesystem;

fs::path BackupFolder(const fs::path& file) {
    return file.parent_path() / "backup";
}

// The order of a copy's name after "<file name>.": its time, then its number in that
// second (1 for none); nothing for a name that is not a copy.
struct CopyOrder {
    std::string stamp;
    long number = 1;
    bool operator<(const CopyOrder& other) const {
        return std::tie(stamp, number) < std::tie(other.stamp, other.number);
    }
};

bool AllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool ParseCopy(std::string_view rest, CopyOrder& order) {
    // YYYYMMDD-HHMMSS, then optionally -N
    if (rest.size() < 15 || !AllDigits(rest.substr(0, 8)) || rest[8] != '-' ||
        !AllDigits(rest.substr(9, 6))) {
        return false;
    }
    order.stamp = std::string(rest.substr(0, 15));
    order.number = 1;
    if (rest.size() == 15) {
        return true;
    }
    const std::string_view suffix = rest.substr(15);
    if (suffix.size() < 2 || suffix.size() > 10 || suffix[0] != '-' ||
        !AllDigits(suffix.substr(1))) {
        return false;
    }
    order.number = std::stol(std::string(suffix.substr(1)));
    return order.number >= 2;
}

std::vector<std::pair<CopyOrder, fs::path>> Copies(const fs::path& file) {
    std::vector<std::pair<CopyOrder, fs::path>> copies;
    const std::string prefix = file.filename().native() + ".";
    std::error_code ec;
    for (fs::directory_iterator it(BackupFolder(file), ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().native();
        CopyOrder order;
        if (name.starts_with(prefix) &&
            ParseCopy(std::string_view(name).substr(prefix.size()), order)) {
            copies.emplace_back(order, it->path());
        }
    }
    std::sort(copies.begin(), copies.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    return copies;
}

std::string Stamp(std::time_t now) {
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

}  // namespace

void KeepBackup(const std::string& fileName, int keep, std::time_t now) {
    const fs::path file = NativePath(fileName);
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) {
        return;  // nothing to keep yet
    }
    const fs::path folder = BackupFolder(file);
    if (keep > 0) {
        const std::string content = ReadWholeFile(fileName);
        std::error_code ec;
        fs::create_directory(folder, ec);
        if (ec) {
            throw FileError(FileError::Operation::Write, TextFromNativePath(folder), ec.message());
        }
        const std::string base = file.filename().native() + "." + Stamp(now);
        fs::path copy = folder / base;
        for (int n = 2; fs::exists(fs::symlink_status(copy, ec)); ++n) {
            copy = folder / (base + "-" + std::to_string(n));
        }
        WriteFileAtomic(TextFromNativePath(copy), content, info.st_mode & 0777);
    }
    auto copies = Copies(file);
    const std::size_t kept = static_cast<std::size_t>(std::max(keep, 0));
    for (std::size_t i = 0; i + kept < copies.size(); ++i) {
        std::error_code ec;
        fs::remove(copies[i].second, ec);
    }
}

std::vector<std::string> BackupsOf(const std::string& fileName) {
    std::vector<std::string> names;
    for (const auto& [order, path] : Copies(NativePath(fileName))) {
        names.push_back(TextFromNativePath(path));
    }
    return names;
}

}  // namespace Sumirel
