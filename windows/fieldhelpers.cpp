#include "fieldhelpers.h"

#include <QEvent>
#include <QLineEdit>
#include <QTimer>

namespace windows {

namespace {
class SelectAllFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusIn) {
            auto* field = static_cast<QLineEdit*>(watched);
            SelectAllText(field, true);
            // A click places the cursor after the focus arrived; select again once it has.
            QTimer::singleShot(0, field, [field] {
                if (field->hasFocus())
                    SelectAllText(field, true);
            });
        }
        return QObject::eventFilter(watched, event);
    }
};

class UpperCaseFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusOut) {
            auto* field = static_cast<QLineEdit*>(watched);
            const QString upper = field->text().toUpper();
            if (upper != field->text())
                field->setText(upper);
        }
        return QObject::eventFilter(watched, event);
    }
};
} // namespace

void SelectAllText(QLineEdit* field, bool leaveFocus) {
    field->setSelection(0, int(field->text().size()));
    if (!leaveFocus)
        field->setFocus();
}

void SelectAllOnFocus(QLineEdit* field) {
    field->installEventFilter(new SelectAllFilter(field));
}

void UpperCaseOnFocusOut(QLineEdit* field) {
    field->installEventFilter(new UpperCaseFilter(field));
}

} // namespace windows
