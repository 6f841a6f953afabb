#pragma once

#include "context.h"

class QMessageBox;

namespace windows {

// The program's message boxes: the icon and buttons asked for, the application title when the
// caller gives no title, lines as the program wrote them.
class QtDialogs : public context::Dialogs {
public:
    context::Answer message(const QString& text, const QString& title, context::Icon icon,
                            context::Buttons buttons) override;
    void normalCursor() override;
};

// The box QtDialogs shows, for callers that need the window itself.
void SetUpMessageBox(QMessageBox& box, const QString& text, const QString& title,
                     context::Icon icon, context::Buttons buttons);

} // namespace windows
