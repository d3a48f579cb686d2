#pragma once
// A Reporter that records what the engine would have shown.

#include <string>
#include <vector>

#include "diary/Reporter.h"

namespace SumirelTest {

class RecordingReporter : public Sumirel::Reporter {
public:
    void ShowError(const std::string& message) override { errors.push_back(message); }
    void ShowEngineMessage(const std::string& message) override {
        engineMessages.push_back(message);
    }

    std::vector<std::string> errors;
    std::vector<std::string> engineMessages;
};

}  // namespace SumirelTest
