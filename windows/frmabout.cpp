#include "frmabout.h"

#include "apptitle.h"
#include "configstore.h"
#include "environment.h"
#include "services.h"

#include <QApplication>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyle>

namespace windows {

namespace {
const QString SysInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString SysInfoLocationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QString SysInfoProgram = QStringLiteral("MSINFO32.EXE");

// The program the configuration store names, or the empty text.
QString configuredSysInfo(const ConfigStore& store, const ProgramLauncher& launcher, bool& named) {
    QString path;
    named = GetKeyValue(store, HKEY_LOCAL_MACHINE, SysInfoKey, QStringLiteral("PATH"), path);
    if (named)
        return path;
    QString folder;
    if (GetKeyValue(store, HKEY_LOCAL_MACHINE, SysInfoLocationKey, QStringLiteral("MSINFO"),
                    folder)) {
        const QString program = folder + QLatin1Char('/') + SysInfoProgram;
        named = launcher.fileExists(program);
        if (named)
            return program;
    }
    return {};
}

// The maker's word mark: the name in white on the house colour, underlined by a bright bar.
QPixmap makerLogo(QSize size) {
    QPixmap logo(size);
    logo.fill(Qt::transparent);
    QPainter painter(&logo);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1f, 0x3f, 0x7a));
    painter.drawRoundedRect(QRectF(logo.rect()), 6, 6);
    const int bar = qMax(3, size.height() / 10);
    painter.setBrush(QColor(0xf0, 0x8c, 0x1e));
    painter.drawRect(QRect(8, size.height() - 2 * bar, size.width() - 16, bar));
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(size.height() / 2);
    font.setLetterSpacing(QFont::PercentageSpacing, 115);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, size.width(), size.height() - 2 * bar), Qt::AlignCenter,
                     QStringLiteral("VENTOR"));
    return logo;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, int left, int top, int width,
              int height) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    placeTwips(l, left, top, width, height);
    return l;
}
} // namespace

bool QtProgramLauncher::fileExists(const QString& path) const {
    return QFileInfo(path).isFile();
}

bool QtProgramLauncher::start(const QString& path) {
    return !path.isEmpty() && QProcess::startDetached(path, {});
}

QString QtProgramLauncher::findProgram(const QString& name) const {
    return QStandardPaths::findExecutable(name);
}

void StartSysInfo(const ConfigStore& store, ProgramLauncher& launcher, cacheapi::Dialogs& dialogs) {
    bool named = false;
    QString program = configuredSysInfo(store, launcher, named);
    if (!named) {
        for (const QString& known : KnownSysInfoPrograms) {
            program = launcher.findProgram(known);
            if (!program.isEmpty())
                break;
        }
    }
    if (!program.isEmpty() && launcher.start(program))
        return;
    dialogs.message(QStringLiteral("Systeminformationen sind momentan nicht verfügbar"),
                    ApplicationTitle(), cacheapi::Icon::None, cacheapi::Buttons::Ok);
}

frmAbout::frmAbout(cacheapi::Dialogs& dialogs, const ConfigStore& store, ProgramLauncher& launcher,
                   QWidget* parent)
    : QWidget(parent, Qt::Dialog), dialogs_(dialogs), store_(store), launcher_(launcher) {
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Info zu meiner Anwendung"));
    setFixedSize(twipsToPixels(7650), twipsToPixels(3900));

    auto* picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32, 32));
    placeTwips(picIcon, 240, 240, 540, 540);

    label(this, "Producktname", QStringLiteral("Produktname"), 1050, 240, 1500, 285);
    label(this, "Version", QStringLiteral("Version "), 1050, 600, 1500, 285);
    label(this, "Copyright", QStringLiteral("Copyright"), 1050, 960, 1500, 285);
    label(this, "Description", QStringLiteral("Beschreibung"), 1050, 1320, 1500, 285);
    lblTitle = label(this, "lblTitle", {}, 2640, 240, 4770, 285);
    lblVersion = label(this, "lblVersion", {}, 2640, 600, 4770, 285);
    Label5 = label(this, "Label5", QStringLiteral("(C) 2000-2002 VENTOR Softwareentwicklung"), 2640,
                   960, 4770, 285);
    lblDescription = label(this, "lblDescription", QStringLiteral("VENTOR Telefonunterstützung"),
                           2640, 1320, 4770, 285);
    Erstellt =
        label(this, "Erstellt", QStringLiteral("Erstellt am 1.3.2000 Letzte Korrektur 26.03.2002"),
              1050, 1800, 6360, 285);

    auto* logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("picLogo"));
    placeTwips(logo, 240, 2520, 3000, 900);
    logo->setPixmap(makerLogo(logo->size()));

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    placeTwips(line, 240, 2280, 7170, 30);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    placeTwips(cmdOK, 5880, 2520, 1530, 380);
    cmdSysInfo = new QPushButton(QStringLiteral("&Systeminfo..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    placeTwips(cmdSysInfo, 5880, 3060, 1530, 380);

    // What the load fills in.
    setWindowTitle(QStringLiteral("Info zu ") + ApplicationTitle());
    lblVersion->setText(ProgramVersionText());
    lblTitle->setText(ApplicationTitle());

    connect(cmdOK, &QPushButton::clicked, this, &QWidget::close);
    connect(cmdSysInfo, &QPushButton::clicked, this,
            [this] { StartSysInfo(store_, launcher_, dialogs_); });
}

frmAbout* ShowAboutBox(cacheapi::Dialogs& dialogs, QWidget* parent) {
    static QPointer<frmAbout> open;
    static FileConfigStore* store = nullptr;
    static QtProgramLauncher launcher;
    if (!open) {
        // The configuration file is read afresh for every new about box.
        delete store;
        store = new FileConfigStore;
        open = new frmAbout(dialogs, *store, launcher, parent);
    }
    open->show();
    open->raise();
    open->activateWindow();
    return open;
}

} // namespace windows
