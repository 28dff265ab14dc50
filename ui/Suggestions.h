#pragma once

#include "text/Text.h"

#include <QObject>

#include <vector>

class QCompleter;
class QLineEdit;
class QStringListModel;

namespace tg {

// Offers a line edit's earlier values while it is typed into, in the order given (newest first),
// and all of them on the Down key when asked to.
class Suggestions : public QObject {
    Q_OBJECT
public:
    Suggestions(QLineEdit* edit, bool downKeyShowsAll);

    void setValues(const std::vector<Text>& values);
    QCompleter* completer() const { return completer_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* edit_;
    QStringListModel* model_;
    QCompleter* completer_;
};

} // namespace tg
