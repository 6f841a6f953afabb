#include "qtdialogs.h"

#include "apptitle.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

namespace windows {

namespace {
QMessageBox::Icon boxIcon(context::Icon icon) {
    switch (icon) {
    case context::Icon::Information:
        return QMessageBox::Information;
    case context::Icon::Exclamation:
        return QMessageBox::Warning;
    case context::Icon::Critical:
        return QMessageBox::Critical;
    case context::Icon::Question:
        return QMessageBox::Question;
    case context::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}
} // namespace

void SetUpMessageBox(QMessageBox& box, const QString& text, const QString& title,
                     context::Icon icon, context::Buttons buttons) {
    // The texts separate their lines with CR LF; a label shows a bare line feed.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    box.setTextFormat(Qt::PlainText);
    box.setText(shown);
    box.setWindowTitle(title.isEmpty() ? ApplicationTitle() : title);
    box.setIcon(boxIcon(icon));
    // Button captions are set here: no translation of the toolkit is loaded.
    if (buttons == context::Buttons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.button(QMessageBox::Yes)->setText(QStringLiteral("&Ja"));
        box.button(QMessageBox::No)->setText(QStringLiteral("&Nein"));
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
        box.setDefaultButton(QMessageBox::Ok);
    }
}

context::Answer QtDialogs::message(const QString& text, const QString& title, context::Icon icon,
                                   context::Buttons buttons) {
    QMessageBox box(QApplication::activeWindow());
    SetUpMessageBox(box, text, title, icon, buttons);
    const int result = box.exec();
    if (buttons == context::Buttons::Ok)
        return context::Answer::Ok;
    return result == QMessageBox::Yes ? context::Answer::Yes : context::Answer::No;
}

void QtDialogs::normalCursor() {
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

} // namespace windows
