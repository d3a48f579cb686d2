#pragma once
// Stands in for every message box and file dialog: answers from a script, records what the
// windows would have shown.

#include <QStringList>
#include <QUrl>
#include <deque>

#include "platform/widgets/UserDialogs.h"

namespace SumirelTest {

class FakeDialogs : public Sumirel::UserDialogs {
public:
    FakeDialogs() { Sumirel::SetDialogs(this); }
    ~FakeDialogs() override { Sumirel::SetDialogs(nullptr); }

    bool AskYesNo(QWidget*, const QString& caption, const QString& text) override {
        shown << "ask[" + caption + "]:" + text;
        if (answers.empty()) {
            shown << "unexpected question";
            return false;
        }
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    SaveAnswer AskSaveDiscardCancel(QWidget*, const QString& caption,
                                    const QString& text) override {
        shown << "ask3[" + caption + "]:" + text;
        if (saveAnswers.empty()) {
            shown << "unexpected question";
            return SaveAnswer::Cancel;
        }
        const SaveAnswer answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    }
    void ShowMessage(QWidget*, const QString& title, const QString& text) override {
        shown << "message[" + title + "]:" + text;
    }
    void ShowError(QWidget*, const QString& caption, const QString& text) override {
        shown << "error[" + caption + "]:" + text;
    }
    QStringList OpenFiles(QWidget*, const OpenRequest& request) override {
        requests.push_back(request);
        return chosenFiles;
    }
    void OpenExternal(const QUrl& url) override { opened << url; }

    std::deque<bool> answers;
    std::deque<SaveAnswer> saveAnswers;
    QStringList shown;
    QStringList chosenFiles;
    std::vector<OpenRequest> requests;
    QList<QUrl> opened;
};

}  // namespace SumirelTest
