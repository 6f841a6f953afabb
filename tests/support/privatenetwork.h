#pragma once

#include <QString>

namespace line {

// SIP checks and measurements run in a private network namespace that has only loopback, so no
// packet of the SIP stack can leave the machine, with HOME in a temporary directory, so
// nothing is written into the user's home. Call first thing in main(): when the process is not
// yet inside such a namespace it runs itself again under `unshare -n` and does not return.
// Returns an empty text when the process is isolated, otherwise the reason why it is not.
QString enterPrivateNetwork(int argc, char** argv);

} // namespace line
