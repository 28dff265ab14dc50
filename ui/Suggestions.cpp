#include "ui/Suggestions.h"

#include "ui/QtText.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStringListModel>

namespace tg {

Suggestions::Suggestions(QLineEdit* edit, bool downKeyShowsAll)
    : QObject(edit), edit_(edit), model_(new QStringListModel(this)),
      completer_(new QCompleter(model_, this)) {
    completer_->setObjectName(edit->objectName() + QStringLiteral("Suggestions"));
    completer_->setCompletionMode(QCompleter::PopupCompletion);
    completer_->setCaseSensitivity(Qt::CaseInsensitive);
    completer_->setModelSorting(QCompleter::UnsortedModel);
    completer_->setMaxVisibleItems(10);
    // The list is a window of its own and would not take the edit's font.
    completer_->popup()->setFont(edit->font());
    // An editable combo box's edit comes with a completer over the combo's items, which the edit
    // deletes as this one takes its place; the combo keeps its list and its own Down key.
    edit->setCompleter(completer_);
    // Filters installed later see the events first: this one before the completer's own.
    completer_->popup()->installEventFilter(this);
    if (downKeyShowsAll)
        edit->installEventFilter(this);
}

void Suggestions::setValues(const std::vector<Text>& values) {
    QStringList shown;
    shown.reserve(static_cast<qsizetype>(values.size()));
    for (const Text& value : values)
        shown << toQString(value);
    if (shown != model_->stringList())
        model_->setStringList(shown);
}

bool Suggestions::eventFilter(QObject* watched, QEvent* event) {
    QAbstractItemView* popup = completer_->popup();
    if (watched == popup && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (enter && (key->modifiers() & ~Qt::KeypadModifier) == 0) {
            // The completer would take the Enter for itself, and a typed value that is also a
            // suggestion would never run. The chosen row goes into the edit, and the Enter on to
            // it, as though the list were not open.
            if (const QModelIndex row = popup->currentIndex(); row.isValid())
                edit_->setText(row.data(completer_->completionRole()).toString());
            popup->hide();
            QKeyEvent forwarded(QEvent::KeyPress, key->key(), key->modifiers(), key->text());
            QCoreApplication::sendEvent(edit_, &forwarded);
            return true;
        }
    }
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool down = key->key() == Qt::Key_Down &&
                          (key->modifiers() & ~(Qt::AltModifier | Qt::KeypadModifier)) == 0;
        if (down && model_->rowCount() > 0 && !completer_->popup()->isVisible()) {
            // The values that begin with what is typed; all of them when none does.
            completer_->setCompletionPrefix(edit_->text());
            if (completer_->completionCount() == 0)
                completer_->setCompletionPrefix(QString());
            completer_->complete();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tg
