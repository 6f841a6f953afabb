// The entry points of the SIP line's module (ventor-sipline.so). The program that loads it
// exports its own symbols, so the module's line classes are the program's.
#include "sipline.h"
#include "sipmodule.h"

extern "C" {

Q_DECL_EXPORT int ventorSipInterface() {
    return line::sipmodule::Interface;
}

Q_DECL_EXPORT line::Line* ventorSipMakeLine(const line::LineConfig& config, QObject* parent) {
    return new line::SipLine(config, parent);
}

Q_DECL_EXPORT void ventorSipSoundDevices(const QString& dataDir,
                                         QList<line::SoundDevice>& devices) {
    devices = line::SipLine::soundDevices(dataDir);
}
}
