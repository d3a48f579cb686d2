#pragma once
// A generated workspace for measuring a rebuild: a diary of a given number of entries (about
// 400 bytes each, Shift-JIS text over several contents lines), a template with two blocks and
// two target files holding all four kinds of single-entry section.
//
// The page and the target files exist once per engine, in the sub-folders "fast" and
// "reference", so the two engines can be measured and their outputs compared.

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "diary/Reporter.h"
#include "settings/Settings.h"

namespace SumirelBench {

struct Outputs {
    std::string pageFile;
    std::vector<std::string> targetFiles;
};

struct Workspace {
    std::filesystem::path folder;
    std::string templateFile;
    std::string diaryFile;
    Outputs fast;
    Outputs reference;
    Sumirel::LenAddStrings addStrings{"", "<BR>"};
    std::size_t diaryBytes = 0;
};

// Writes a new workspace into the (existing, empty) folder.
Workspace MakeWorkspace(const std::filesystem::path& folder, int entries);

// The workspace MakeWorkspace left in the folder, without writing anything.
Workspace OpenWorkspace(const std::filesystem::path& folder);

// A fresh folder under the system's temporary folder.
std::filesystem::path NewTempFolder(const std::string& prefix);

// A reporter that keeps the first error; a rebuild that reports anything is a broken benchmark.
class QuietReporter : public Sumirel::Reporter {
public:
    void ShowError(const std::string& message) override { Remember(message); }
    void ShowEngineMessage(const std::string& message) override { Remember(message); }
    const std::string& FirstMessage() const { return first_; }
    bool Reported() const { return reported_; }

private:
    void Remember(const std::string& message) {
        if (!reported_) {
            first_ = message;
            reported_ = true;
        }
    }
    std::string first_;
    bool reported_ = false;
};

// One rebuild as the Rebuild command does it: the page, then the target files. True when
// neither reported a damaged template or diary.
bool RebuildFast(const Workspace& w, Sumirel::Reporter& reporter);
bool RebuildReference(const Workspace& w, Sumirel::Reporter& reporter);

}  // namespace SumirelBench
