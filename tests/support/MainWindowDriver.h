#pragma once

#include "app/Unit1.h"
#include "commands/ViewCatalogue.h"
#include "platform/Process.h"
#include "ui/OutputPane.h"
#include "ui/QtText.h"
#include "ui/TextPane.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

namespace tg::test {

// A command that has already written all its output and ended.
class FinishedChild : public platform::ChildProcess {
public:
    explicit FinishedChild(Text output) : output_(std::move(output)) {}
    Event wait(int) override { return Event::Ended; }
    bool read(Text&) override { return false; }
    void drain(Text& out) override {
        out += output_;
        output_.clear();
    }
    bool hasEnded() override { return true; }
    std::optional<int> exitCode() override { return 0; }
    void terminate() override {}

private:
    Text output_;
};

// The real main window, driven as a user drives it: its actions and controls are found by their
// object names, and its state is read through its public getters.
class MainWindowDriver {
public:
    explicit MainWindowDriver(MainFormEnvironment environment = {}) {
        // Runs start the environment's command unless runWith has scripted the next output.
        environment.startChild =
            [this, start = std::move(environment.startChild)](
                const Text& line, bool isNT,
                const platform::WakeSignal& wake) -> std::unique_ptr<platform::ChildProcess> {
            if (nextOutput_) {
                auto child = std::make_unique<FinishedChild>(std::move(*nextOutput_));
                nextOutput_.reset();
                return child;
            }
            return start ? start(line, isNT, wake) : platform::startChildProcess(line, isNT, wake);
        };
        form_ = std::make_unique<TMainForm>(environment);
    }
    MainWindowDriver(const MainWindowDriver&) = delete;
    MainWindowDriver& operator=(const MainWindowDriver&) = delete;

    TMainForm& form() { return *form_; }
    TMainForm* operator->() { return form_.get(); }

    // The control or action of that name; a missing one ends the test program.
    template <typename T = QWidget> T* control(const char* name) const {
        T* found = form_->findChild<T*>(QLatin1String(name));
        if (!found)
            qFatal("The main window has no %s named %s", T::staticMetaObject.className(), name);
        return found;
    }
    QAction* action(const char* name) const { return control<QAction>(name); }
    void trigger(const char* name) { action(name)->trigger(); }

    // Replaces the box's text with text typed key by key. An editable combo box takes it whole:
    // its completion would finish a typed prefix of one of its items.
    void type(const char* name, const QString& text) {
        if (auto* combo = form_->findChild<QComboBox*>(QLatin1String(name))) {
            combo->setEditText(text);
            return;
        }
        auto* edit = control<QLineEdit>(name);
        edit->clear();
        // Keys for what a keyboard types; the rest arrives as an input method commits it.
        if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; }))
            QTest::keyClicks(edit, text);
        else
            edit->insert(text);
    }

    int viewIndex(const char* label) const {
        const auto& labels = form_->getViewLabels();
        return static_cast<int>(std::find(labels.begin(), labels.end(), Text(label)) -
                                labels.begin());
    }
    // Chooses the view from the Tools menu, which works in tab and tree view alike.
    void select(const char* label) {
        trigger(QStringLiteral("ViewMenu%1").arg(viewIndex(label)).toLatin1().constData());
    }
    void pressRun() { control<QPushButton>("Button_Update")->click(); }
    // A run of the view whose command writes output and ends; a view that needs a target gets one.
    void runWith(const char* label, const Text& output) {
        select(label);
        if (slotInfo(slotOfView(viewIndex(label), form_->getIsNT())).targetRequired &&
            control<QLineEdit>("Edit_target")->text().isEmpty())
            type("Edit_target", QStringLiteral("host"));
        runAsIs(output);
    }
    // A run of the current view with its inputs as they stand, whose command writes output.
    void runAsIs(const Text& output) {
        nextOutput_ = output;
        pressRun();
    }

    Text paneText() const { return control<OutputPane>("RichEdit_Output")->text(); }
    Text helpText() const { return control<TextPane>("RichEdit_Commandhelp")->text(); }
    QString statusText() const { return control<QLabel>("StatusPanel")->text(); }
    // The captions of the recent-file entries the File menu shows, newest first.
    std::vector<Text> historyCaptions() const {
        std::vector<Text> captions;
        for (int i = 1; i <= 5; ++i) {
            QAction* entry = action(QStringLiteral("History%1").arg(i).toLatin1().constData());
            if (entry->isVisible())
                captions.push_back(fromQString(entry->text()));
        }
        return captions;
    }

private:
    std::optional<Text> nextOutput_;
    std::unique_ptr<TMainForm> form_;
};

} // namespace tg::test
