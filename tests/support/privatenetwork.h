#pragma once

#include <QString>

namespace line {

// Runs the process again under `unshare -n` (only loopback, HOME temporary) unless it is inside
// already; call first in main(). Returns why it is not isolated, empty when it is.
QString enterPrivateNetwork(int argc, char** argv);

} // namespace line
