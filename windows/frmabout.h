#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;

namespace context {
class Dialogs;
}

namespace windows {

class ConfigStore;

// Starting programs and testing files, as the system-information launcher needs them.
class ProgramLauncher {
public:
    virtual ~ProgramLauncher() = default;
    virtual bool fileExists(const QString& path) const = 0;
    // Starts the program in a window of its own; false when it cannot be started.
    virtual bool start(const QString& path) = 0;
    // The full path of a program found on the search path, or the empty text.
    virtual QString findProgram(const QString& name) const = 0;
};

class QtProgramLauncher : public ProgramLauncher {
public:
    bool fileExists(const QString& path) const override;
    bool start(const QString& path) override;
    QString findProgram(const QString& name) const override;
};

// Which program shows the system information on Linux, in this order:
//  1. the value "PATH" of the configuration store's key "SOFTWARE\Microsoft\Shared Tools\MSINFO",
//     started as it stands;
//  2. the value "MSINFO" of the key "SOFTWARE\Microsoft\Shared Tools Location": a folder, used
//     when it holds the program "MSINFO32.EXE";
//  3. the first of the system-information programs below found on the search path.
// The first two let an administrator name any program in the machine's configuration store
// (see FileConfigStore); without such entries a desktop's usual tool serves.
inline const QStringList KnownSysInfoPrograms = {QStringLiteral("hardinfo2"),
                                                 QStringLiteral("hardinfo")};

// Starts the system-information program, or tells the user that none is available.
void StartSysInfo(const ConfigStore& store, ProgramLauncher& launcher, context::Dialogs& dialogs);

// The about box: title, version, copyright and description, and the system-information button.
// It is shown without waiting; "OK" closes and unloads it.
class frmAbout : public QWidget {
    Q_OBJECT
public:
    frmAbout(context::Dialogs& dialogs, const ConfigStore& store, ProgramLauncher& launcher,
             QWidget* parent = nullptr);

    QLabel* lblTitle;
    QLabel* lblVersion;
    QLabel* Label5; // copyright line
    QLabel* lblDescription;
    QLabel* Erstellt;
    QPushButton* cmdOK;
    QPushButton* cmdSysInfo;

private:
    context::Dialogs& dialogs_;
    const ConfigStore& store_;
    ProgramLauncher& launcher_;
};

// Opens the about box without waiting (the menu entry "Hilfe über ..." and the "Info" button);
// an about box that is open already is brought to the front. The machine's configuration store
// and the real program launcher are used.
frmAbout* ShowAboutBox(context::Dialogs& dialogs, QWidget* parent = nullptr);

} // namespace windows
