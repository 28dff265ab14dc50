#pragma once

#include "ui/Dialogs.h"

#include <QTest>

#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

// Answers the program's dialogs from a script and records what they were asked, so that GUI tests
// never wait on a real box.
class ScriptedDialogs : public tg::Dialogs {
public:
    struct Box {
        QWidget* owner;
        tg::Text text;
        std::optional<tg::Text> caption;
        unsigned flags;
    };

    ScriptedDialogs() { tg::setDialogs(this); }
    ~ScriptedDialogs() override { tg::setDialogs(nullptr); }

    std::deque<int> answers; // message boxes; IdOk when empty
    std::deque<std::optional<std::filesystem::path>>
        fileNames;                   // file dialogs; cancelled when empty
    std::deque<bool> printerAnswers; // printer dialog; cancelled when empty

    std::vector<Box> boxes;
    std::function<void(const Box&)> onMessageBox; // called as each box is shown
    std::vector<tg::Text> errors;
    std::vector<FileDialogSpec> openSpecs;
    std::vector<FileDialogSpec> saveSpecs;
    int printerDialogs = 0;

    int messageBox(QWidget* owner, const tg::Text& text, const std::optional<tg::Text>& caption,
                   unsigned flags) override {
        boxes.push_back({owner, text, caption, flags});
        if (onMessageBox)
            onMessageBox(boxes.back());
        return take(answers, int(IdOk));
    }
    // A box without a text fails whichever test led to it.
    void showError(const tg::Text& message) override {
        errors.push_back(message);
        if (message.empty())
            QFAIL("an error box without a text");
    }
    std::optional<std::filesystem::path> getOpenFileName(QWidget*,
                                                         const FileDialogSpec& spec) override {
        openSpecs.push_back(spec);
        return take(fileNames, std::optional<std::filesystem::path>());
    }
    std::optional<std::filesystem::path> getSaveFileName(QWidget*,
                                                         const FileDialogSpec& spec) override {
        saveSpecs.push_back(spec);
        return take(fileNames, std::optional<std::filesystem::path>());
    }
    bool printerSetup(QWidget*, QPrinter&) override {
        ++printerDialogs;
        return take(printerAnswers, false);
    }

private:
    template <typename T, typename D> static T take(std::deque<T>& queue, D fallback) {
        if (queue.empty())
            return fallback;
        T value = queue.front();
        queue.pop_front();
        return value;
    }
};
