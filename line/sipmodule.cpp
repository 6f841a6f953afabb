#include "sipmodule.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

namespace line {

namespace {

const QString ModuleFile = QStringLiteral("ventor-sipline.so");

struct Module {
    bool tried = false;
    QString file; // the file last tried
    QString error;
    VentorSipMakeLine makeLine = nullptr;
    VentorSipSoundDevices soundDevices = nullptr;
};

Module& module() {
    static Module m;
    return m;
}

// VENTOR_SIP_MODULE_DIR names the one folder to take the module from.
QStringList moduleDirs() {
    if (qEnvironmentVariableIsSet("VENTOR_SIP_MODULE_DIR"))
        return {qEnvironmentVariable("VENTOR_SIP_MODULE_DIR")};
    QStringList dirs;
    if (QCoreApplication::instance())
        dirs << QCoreApplication::applicationDirPath() + QStringLiteral("/../") +
                    QStringLiteral(VENTOR_MODULE_SUBDIR);
#ifdef VENTOR_BUILD_MODULE_DIR
    dirs << QStringLiteral(VENTOR_BUILD_MODULE_DIR);
#endif
    return dirs;
}

// A line on which nothing can be done: the SIP line was chosen, but its module is missing.
class UnavailableSipLine : public Line {
public:
    UnavailableSipLine(QString why, QObject* parent) : Line(parent), why_(std::move(why)) {}

    void setTextSetting(const QString&) override {}
    void setDevice(int) override {}
    int device() const override { return 0; }
    int deviceCount() const override { return 1; }
    QString deviceName(int) const override { return QStringLiteral("SIP"); }
    void open() override {}
    bool isOpen() const override { return false; }
    void drop() override {}
    void setNumber(const QString&) override {}
    void makeCall() override {
        emit callRefused(QStringLiteral("Der Anruf kann nicht gewählt werden: ") + readinessText() +
                         QLatin1Char('.'));
    }
    void hold() override {}
    void unhold() override {}
    int callerIdFlags() const override { return 0; }
    QString callerNumber() const override { return {}; }
    QString identifiedNumber() const override { return {}; }
    QString callNumber() const override { return {}; }
    int callOrigin() const override { return 0; }
    Readiness readiness() const override { return Readiness::Failed; }
    QString readinessText() const override {
        return QStringLiteral("SIP-Leitung nicht verfügbar: ") + why_;
    }

private:
    QString why_;
};

} // namespace

namespace sipmodule {

QString path() {
    for (const QString& dir : moduleDirs()) {
        if (dir.isEmpty())
            continue;
        const QFileInfo file(QDir(dir).filePath(ModuleFile));
        if (file.isFile())
            return file.canonicalFilePath();
    }
    return {};
}

bool load(QString* why) {
    Module& m = module();
    const QString file = path();
    if (!m.tried || file != m.file) {
        m = Module();
        m.tried = true;
        m.file = file;
        if (file.isEmpty()) {
            m.error = QStringLiteral("Das Modul %1 ist nicht installiert").arg(ModuleFile);
        } else {
            // Never unloaded: the SIP stack keeps threads and handlers of its own.
            QLibrary library(file);
            library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
            const auto interface =
                reinterpret_cast<VentorSipInterface>(library.resolve("ventorSipInterface"));
            m.makeLine = reinterpret_cast<VentorSipMakeLine>(library.resolve("ventorSipMakeLine"));
            m.soundDevices =
                reinterpret_cast<VentorSipSoundDevices>(library.resolve("ventorSipSoundDevices"));
            if (!interface || !m.makeLine || !m.soundDevices)
                m.error = QStringLiteral("Das Modul %1 kann nicht geladen werden (%2)")
                              .arg(file, library.errorString());
            else if (interface() != Interface)
                m.error = QStringLiteral("Das Modul %1 gehört zu einer anderen Programmversion")
                              .arg(file);
            if (!m.error.isEmpty())
                m.makeLine = nullptr;
        }
    }
    if (why)
        *why = m.error;
    return m.makeLine != nullptr;
}

} // namespace sipmodule

std::unique_ptr<Line> makeSipLine(const LineConfig& config, QObject* parent) {
    QString why;
    if (!sipmodule::load(&why))
        return std::make_unique<UnavailableSipLine>(why, parent);
    return std::unique_ptr<Line>(module().makeLine(config, parent));
}

QList<SoundDevice> sipSoundDevices(const QString& dataDir) {
    QList<SoundDevice> devices;
    if (sipmodule::load())
        module().soundDevices(dataDir, devices);
    return devices;
}

} // namespace line
