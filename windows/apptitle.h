#pragma once

#include <QString>

namespace windows {

// The one title of the program: the about box shows it, and every message box without a title
// of its own carries it.
QString ApplicationTitle();

// Name and version of the running program, set once at its start. Window captions stay exactly
// as each window sets them.
void NameTheProgram();

// Major, minor and revision of a version such as "1.05.0010" as plain decimals: "1.5.10".
// Missing parts count as 0.
QString VersionText(const QString& version);

// The version text of this build of the program.
QString ProgramVersionText();

} // namespace windows
