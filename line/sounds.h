#pragma once

#include <QString>
#include <QStringList>

namespace line {

// The ring tones shipped with the program, by the names the settings window shows.
QStringList ringToneNames();
// The file of a shipped ring tone by name; a name that is a path to a file gives that file;
// empty or unknown names give the first shipped tone. Empty when none is installed.
QString ringToneFile(const QString& name);
// What the caller hears while the other side rings.
QString ringBackFile();

} // namespace line
