#pragma once

#include <QPixmap>

namespace app {

// The main window's picture sources: the line pictures Ph1 (idle) and Ph2 (connected) and the
// list-bar pictures Pic0 (empty journal slot) and Pic1 (filled item). They are drawn once, so
// the program needs no image files.
enum class LinePicture { Ph1, Ph2 };

QPixmap linePicture(LinePicture which, int size);
QPixmap itemPicture(bool filled, int size);

} // namespace app
