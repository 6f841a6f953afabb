#pragma once

#include "line.h"
#include "lineconfig.h"

#include <QList>
#include <QString>

#include <memory>

namespace line {

// A device of the sound system by the name the line's settings take.
struct SoundDevice {
    QString id;
    bool playback = false;
    bool capture = false;
};

// The SIP line and its SIP stack (some two hundred shared libraries) live in a module of their
// own, ventor-sipline.so, loaded the first time a SIP line is made or the sound devices are
// listed: a program on the simulated line never loads them.
namespace sipmodule {

// Raised whenever the module's entry points change; a module of another version is refused.
inline constexpr int Interface = 1;

// The module's file, empty when none is installed.
QString path();
// Loads the module once for the run; false with the reason in German when it cannot be loaded.
bool load(QString* why = nullptr);

} // namespace sipmodule

// The SIP line from the module; without the module, a line that cannot call and says why.
std::unique_ptr<Line> makeSipLine(const LineConfig& config, QObject* parent = nullptr);
// The sound system's devices as the SIP stack sees them; empty without the module or without a
// sound server.
QList<SoundDevice> sipSoundDevices(const QString& dataDir);

} // namespace line

// The module's entry points, found by name when it is loaded.
extern "C" {
using VentorSipInterface = int (*)();
using VentorSipMakeLine = line::Line* (*)(const line::LineConfig& config, QObject* parent);
using VentorSipSoundDevices = void (*)(const QString& dataDir, QList<line::SoundDevice>& devices);
}
