// Find in the output: the find bar under the output pane, over the views of the document.
#include "app/Unit1.h"

#include "ui/FindBar.h"
#include "ui/OutputPane.h"
#include "ui/QtText.h"

namespace {

// The views as Find goes through them: their texts as the pane would show them.
class DocumentViews : public tg::FindViews {
public:
    explicit DocumentViews(TMainForm& form) : form_(form) {}

    int findViewCount() const override { return int(form_.getViewText().size()); }
    int findCurrentView() const override { return form_.getCurrentView(); }
    QString findViewText(int view) const override {
        return tg::toDisplayString(form_.getViewText()[size_t(view)]);
    }
    void findShowView(int view) override { form_.selectView(view); }

private:
    TMainForm& form_;
};

} // namespace

void TMainForm::createFindBar(QWidget* parent) {
    findViews = std::make_unique<DocumentViews>(*this);
    Panel_find = new tg::FindBar(RichEdit_Output, findViews.get(), parent);
    Panel_find->setObjectName(QStringLiteral("Panel_find"));
    Panel_find->hide();
    connect(Panel_find, &tg::FindBar::closed, this,
            [this] { RichEdit_Output->setFocus(Qt::OtherFocusReason); });
}

void TMainForm::EditFind1Execute() {
    Panel_find->open();
}
