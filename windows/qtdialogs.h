#pragma once

#include "environment.h"

class QMessageBox;

namespace windows {

// The program's message boxes: the icon and buttons asked for, the application title when the
// caller gives no title, lines as the program wrote them.
class QtDialogs : public cacheapi::Dialogs {
public:
    cacheapi::Answer message(const QString& text, const QString& title, cacheapi::Icon icon,
                             cacheapi::Buttons buttons) override;
    void normalCursor() override;
};

// The box QtDialogs shows, for callers that need the window itself.
void SetUpMessageBox(QMessageBox& box, const QString& text, const QString& title,
                     cacheapi::Icon icon, cacheapi::Buttons buttons);

} // namespace windows
