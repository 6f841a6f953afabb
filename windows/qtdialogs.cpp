#include "qtdialogs.h"

#include "apptitle.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

namespace windows {

namespace {
QMessageBox::Icon boxIcon(cacheapi::Icon icon) {
    switch (icon) {
    case cacheapi::Icon::Information:
        return QMessageBox::Information;
    case cacheapi::Icon::Exclamation:
        return QMessageBox::Warning;
    case cacheapi::Icon::Critical:
        return QMessageBox::Critical;
    case cacheapi::Icon::Question:
        return QMessageBox::Question;
    case cacheapi::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}
} // namespace

void SetUpMessageBox(QMessageBox& box, const QString& text, const QString& title,
                     cacheapi::Icon icon, cacheapi::Buttons buttons) {
    // The texts separate their lines with CR LF; a label shows a bare line feed.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    box.setTextFormat(Qt::PlainText);
    box.setText(shown);
    box.setWindowTitle(title.isEmpty() ? ApplicationTitle() : title);
    box.setIcon(boxIcon(icon));
    // Button captions are set here: no translation of the toolkit is loaded.
    if (buttons == cacheapi::Buttons::YesNo) {
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

cacheapi::Answer QtDialogs::message(const QString& text, const QString& title, cacheapi::Icon icon,
                                    cacheapi::Buttons buttons) {
    QMessageBox box(QApplication::activeWindow());
    SetUpMessageBox(box, text, title, icon, buttons);
    const int result = box.exec();
    if (buttons == cacheapi::Buttons::Ok)
        return cacheapi::Answer::Ok;
    return result == QMessageBox::Yes ? cacheapi::Answer::Yes : cacheapi::Answer::No;
}

void QtDialogs::normalCursor() {
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

} // namespace windows
