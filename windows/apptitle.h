#pragma once

#include <QString>

namespace windows {

// The one title of the program: the about box shows it, and every message box without a title
// of its own carries it. It is the program's name (the executable's base name by default).
QString ApplicationTitle();

// Major, minor and revision of a version such as "1.05.0010" as plain decimals: "1.5.10".
// Missing parts count as 0.
QString VersionText(const QString& version);

// The version text of this build of the program.
QString ProgramVersionText();

} // namespace windows
