#pragma once

#include "serverlink.h"

namespace cacheapi {

// Step texts reported when a step of the login fails on the server.
inline const QString StepStaffRecord =
    QStringLiteral("Anmeldung mit nicht existierendem Personalcode");
inline const QString StepDepartment = QStringLiteral("Abteilungsermittlung");
inline const QString StepStaffBase = QStringLiteral("PersBasis Nummern");
inline const QString StepAnnounce = QStringLiteral("Firma Filiale Personal Setzen");

// Logs the user in against the staff record; true when logged in. `programCommandLine` is the
// program's own command line, taken when the state holds none yet.
bool LoginUser(ServerLink& link, const QString& programCommandLine);

// After a login that failed, or connection data saved while logged in: the link works again for
// the identity of the last successful login (none before the first one).
void ResumeLastLogin(ServerLink& link);

// Writes the login and server settings from the two windows' fields to the settings store.
void Sichern(ServerLink& link);

// The announcement command of a connection: company and branch unquoted, the user quoted.
QString AnnouncementCommand(const QString& firma, const QString& filiale, const QString& user);

} // namespace cacheapi
