#pragma once
// A dial-up facility that only records what it was asked, lists the entries a test gives it
// and connects when the test says so.

#include <QStringList>
#include <string>
#include <vector>

#include "platform/qt/DialUp.h"

namespace SumirelTest {

class FakeDialUp : public Sumirel::DialUp {
public:
    std::vector<std::string> Entries() override {
        ++listed;
        return entries;
    }
    void Connect() override {
        calls << "connect " + QString::fromStdString(EntryName);
        if (failToStart) {
            throw Sumirel::DialUpError("cannot dial");
        }
    }
    void DisConnect() override { calls << "disconnect"; }
    void ReportConnected() { emit Connected(); }

    std::vector<std::string> entries;
    int listed = 0;  // how often the entries were asked for
    bool failToStart = false;
    QStringList calls;
};

}  // namespace SumirelTest
