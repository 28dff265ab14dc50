#pragma once

#include "documents/Compare.h"
#include "text/Text.h"

#include <QWidget>

#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QCheckBox;
class QLabel;
class QListWidget;
class QTableView;

namespace tg {

class CompareModel;

// The comparison of two documents in a window of its own: the views with their marks, the
// selected view's two texts side by side, the next and the previous change, the two toggles and
// the exports. It keeps both documents' texts, so the main window may change or close meanwhile.
class TCompareForm : public QWidget {
    Q_OBJECT
public:
    explicit TCompareForm(QWidget* parent = nullptr);
    ~TCompareForm() override;

    // One side: the sections of a document and the name it is shown by.
    void setOld(DocumentSections sections, const QString& name);
    void setNew(DocumentSections sections, const QString& name);
    // Reads a document file into a side; the error is left to the caller.
    void chooseOld(const std::filesystem::path& file);
    void chooseNew(const std::filesystem::path& file);

    const Comparison* comparison() const { return comparison_.get(); }
    int currentViewRow() const;
    void selectViewRow(int row);
    // The side-by-side row that is current, -1 when none.
    int currentRow() const;

    void nextChange();
    void previousChange();
    void setIgnoreNumbers(bool on);
    void setIgnoreSpace(bool on);

    // The exports, asking for the file's name; and writing to a name given.
    void exportText();
    void exportHtml();
    void writeText(const std::filesystem::path& file) const;
    void writeHtml(const std::filesystem::path& file) const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void fitColumns();
    void compare();
    void showView();
    void stepChange(int direction);
    void askFile(bool old);
    void updateStatus();

    QString oldName_, newName_;
    std::unique_ptr<Comparison> comparison_;
    CompareOptions options_;

    QLabel* Label_old = nullptr;
    QLabel* Label_new = nullptr;
    QCheckBox* CheckBox_ignoreNumbers = nullptr;
    QCheckBox* CheckBox_ignoreSpace = nullptr;
    QListWidget* ListBox_views = nullptr;
    QTableView* Grid_diff = nullptr;
    CompareModel* model_ = nullptr;
    QLabel* Label_status = nullptr;
    QAction* NextChange1 = nullptr;
    QAction* PrevChange1 = nullptr;
};

} // namespace tg
