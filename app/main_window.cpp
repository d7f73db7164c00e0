#include "app/main_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "common/ui/colors.h"
#include "app/config_record.h"
#include "app/log_view.h"
#include "app/macro_editor_window.h"
#include "app/qt_messages.h"
#include "app/secondary_windows.h"
#include "common/ui/text_codec.h"
#include "app/up_down.h"
#include "macros/macro_store.h"
#include "rx/log_file.h"
#include "rx/receiver.h"
#include "rx/stats.h"
#include "serial/serial_link.h"
#include "serial/ui/connection_part.h"
#include "common/ui/controls.h"
#include "tx/history.h"
#include "tx/send_modes.h"

namespace vantrel {

namespace {

// The window's face colour as a background, kept as the value the settings save.
void faceBackground(QWidget* w) { applyBackgroundValue(w, colorvalue::kButtonFace); }

QTimer* makeTimer(QObject* owner, const char* name, int ms, bool running) {
    auto* t = new QTimer(owner);
    t->setObjectName(QString::fromLatin1(name));
    t->setTimerType(ms < 20 ? Qt::PreciseTimer : Qt::CoarseTimer);
    t->setInterval(ms);
    if (running) t->start();
    return t;
}

}  // namespace

TForm1::TForm1(FormServices services, QWidget* parent)
    : QWidget(parent), services_(std::move(services)) {
    // Whatever a test leaves out comes from the real world.
    clock_ = services_.clock ? services_.clock : &systemClock();
    if (services_.messages) {
        messages_ = services_.messages;
    } else {
        ownMessages_ = std::make_unique<QtMessages>(this);
        messages_ = ownMessages_.get();
    }
    if (!services_.makePort) services_.makePort = [] { return makeSystemSerialPort(); };
    if (!services_.listPorts) services_.listPorts = [] { return listSerialPorts(); };
    if (!services_.cursorPos) services_.cursorPos = [] { return QCursor::pos(); };
    if (!services_.chooseCommandFile) {
        // OpenDialog1: any file, starting in the working directory.
        services_.chooseCommandFile = [this] {
            return QFileDialog::getOpenFileName(this, QString(), QDir::currentPath());
        };
    }
    if (!services_.runModal) services_.runModal = [](QDialog& d) { return d.exec(); };
    if (!services_.sleep) services_.sleep = [](int ms) { sleepMs(ms); };

    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(QStringLiteral("Vantrel v1_11"));
    // The condensed cut comes closest to the narrow captions the places were made for.
    QFont face(QStringLiteral("DejaVu Sans"), 8);
    face.setStretch(QFont::SemiCondensed);
    setFont(face);
    resize(943, 749);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        // outer size 959 x 788 with the usual frame
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - 959) / 2, area.y() + (area.height() - 788) / 2);
    }

    createControls();

    RxTimer = makeTimer(this, "RxTimer", 1, true);
    TimerPeriod = makeTimer(this, "TimerPeriod", 1, false);
    CustomFunctions = makeTimer(this, "CustomFunctions", 10, true);
    connect(RxTimer, &QTimer::timeout, this, [this] { receiveTickFromLoop(); });
    connect(TimerPeriod, &QTimer::timeout, this, [this] { TimerPeriodTimer(); });
    connect(CustomFunctions, &QTimer::timeout, this, [this] { CustomFunctionsTimer(); });

    receiver = std::make_unique<Receiver>();
    stats = std::make_unique<Stats>();
    logFile = std::make_unique<LogFile>();
    history = std::make_unique<SentHistory>();
    modes = std::make_unique<SendModes>();
    store = std::make_unique<MacroStore>();
    config = std::make_unique<ConfigRecord>();

    // The other windows exist before FormCreate: its steps and the handlers use them.
    FormEditHelpCmd = new TFormEditHelpCmd(this);
    if (FormEditHelpCmd->objectName().isEmpty())
        FormEditHelpCmd->setObjectName(QStringLiteral("TFormEditHelpCmd"));
    Save = new TSave(this);
    Info = new TInfo();
    OpenPortError = new TOpenPortError();

    connect(BtInfo, &QPushButton::clicked, this, [this] { BtInfoClick(); });

    connect(connection, &ConnectionPart::connected, this, [this] {
        if (SendAsReconn->isChecked()) CheckSendDataAftConnect();
    });
    setupSendHandlers();
    setupLogViewHandlers();
    setupReceiveHandlers();
    setupModeHandlers();
    setupMacroHandlers();
    setupHousekeeping();

    FormCreate();
}

TForm1::~TForm1() {
    // The timers must not tick into a half-destroyed window.
    for (QTimer* t : {RxTimer, TimerPeriod, CustomFunctions}) t->stop();
    // The event filters and helpers reach into this window: they go before the
    // controls' teardown sends them events that would find it half destroyed.
    const QObjectList kids = children();
    for (QObject* kid : kids)
        if (!kid->isWidgetType()) delete kid;
    delete OpenPortError;
    delete Info;
    delete Save;
    delete FormEditHelpCmd;
}

void TForm1::FormCreate() {
    // 1. statistics
    BTClrStatClick();

    // 2. the history arrows
    Str1->setText(QStringLiteral("\u2193"));
    Str2->setText(QStringLiteral("\u2193"));
    Design.Str1L = Str1->x();
    Design.Str2L = Str2->x();

    // 3.
    faceBackground(FiltrLog);

    // 4. (StaticText3 keeps its first caption until the first update)
    receiver->RxLen = 0;
    receiver->LastRxTime = 0;
    modes->FileCmdIndex = 0;
    modes->LastPeriodSend.reset();
    setRxTimeoutMs(0);
    TxBytes = 0;
    receiver->RxBytes = 0;

    // 5.
    LogFontSize = MainWindow->font().pointSize();
    modes->PeriodTickMark = false;

    // 6.-7.
    MainWindow->clear();
    for (QWidget* w : std::initializer_list<QWidget*>{MainWindow, MainStrCmd, AddStrCmd, FastOldCmd})
        faceBackground(w);

    // 8. the geometry the layout rule starts from
    Design.W0 = width();
    Design.H0 = height();
    Design.Panel1W = Panel1->width();
    Design.MainStrCmdW = MainStrCmd->width();
    Design.FiltrLogW = FiltrLog->width();
    Design.STLogW = STLog->width();
    Design.STListNameW = STListName->width();
    Design.ListNameEDTW = ListNameEDT->width();
    Design.CBListsW = CBLists->width();
    Design.StaticText3W = StaticText3->width();
    Design.AddStrCmdL = AddStrCmd->x();
    Design.SriftTextL = SriftText->x();
    Design.SriftL = Srift->x();
    Design.SendStartL = SendStart->x();
    Design.LPlusL = LPlus->x();
    Design.SaveFL = SaveF->x();
    Design.StartStopL = StartStop->x();
    Design.StartLogL = StartLog->x();
    Design.BTLogL = BTLog->x();
    Design.BTPalitraL = BTPalitra->x();
    Design.BtInfoL = BtInfo->x();
    Design.ListIncL = ListInc->x();
    Design.ListDecL = ListDec->x();
    Design.DelListL = DelList->x();
    Design.EditAllCmdL = EditAllCmd->x();
    Design.OldCommandsBTL = OldCommandsBT->x();
    Design.ButtonReadFileL = ButtonReadFile->x();
    Design.ButtonSendL = ButtonSend->x();
    Design.RBNameL = RBName->x();
    Design.RbDataL = RbData->x();
    Design.PStatsRightGap = LogPanel->width() - PStats->x();
    Design.MainWindowH = MainWindow->height();
    Design.LogPanelTop = LogPanel->y();
    Design.MainPanelTop = MainPanel->y();

    // 9.
    faceBackground(LBTail);
    faceBackground(CBLists);
    CloseRefused = false;

    // 10.
    SendBusy = false;
    receiver->RxBusy = false;

    // 11. MacroButtons, MacroFields and HelpLabels were filled as the controls were made.

    // 12.
    connection->focusConnectButton();

    // 13.
    modes->HistoryListShown = false;
    modes->FileCmdMode = false;
    logFile->LogFileCreated = false;
    logFile->LogActive = false;

    // 14.
    TimeOutAns->setText(QStringLiteral("TimeRX: %1").arg(RxTimeoutMs()));

    // 15.
    for (int i = 1; i <= 12; ++i) {
        Design.HelpLabelL[i - 1] = HelpLabels[i - 1]->x();
        setTag(HelpLabels[i - 1], i);
    }

    LoadMacroStore();   // 16.
    loadHistory();      // 17.

    // 18. the port list, without its messages
    connection->ScanPorts(true);

    OutHelpHelp();       // 19.
    CurrentList = 1;     // 20.
    loadAndApplyConfig();  // 21.
    ReadListCmd(CurrentList);  // 22.

    // 23. the macro grid: geometry, numbers, then the handlers
    for (int k = 1; k <= 48; ++k) {
        QPushButton* b = MacroButtons[k - 1];
        Design.MacroW[k - 1] = b->width();
        Design.MacroL[k - 1] = b->x();
        setTag(b, k);
        setTag(MacroFields[k - 1], k);
    }
    wireMacroControls();

    // 24.
    if (LogFontSize < 2 || LogFontSize > 100) LogFontSize = MainWindow->font().pointSize();
    SriftText->setText(QString::number(LogFontSize));

    // no control may get a negative width or height
    setMinimumSize(minimumLayoutWidth(Design), minimumLayoutHeight(Design));
    ArrangedSize = size();
}

void TForm1::FormClose(bool& accept) {
    if (CloseRefused) {
        accept = false;
        CloseRefused = false;
        return;
    }
    saveHistory();
    closeLogFile();
    saveConfig();
    CloseRefused = false;
}

void TForm1::closeEvent(QCloseEvent* event) {
    // Unsaved editor-mode edits would be lost: TSave offers to keep them.
    if (MacrosChanged && tag(EditAllCmd) != 0 && !askSaveMacrosOnClose()) CloseRefused = true;
    bool accept = true;
    FormClose(accept);
    if (accept) {
        event->accept();
    } else {
        event->ignore();
    }
}

void TForm1::BtInfoClick() { runModal(*Info); }
void TForm1::ShowPortError() { runModal(*OpenPortError); }

int TForm1::runModal(QDialog& dialog) { return services_.runModal(dialog); }
void TForm1::sleep(int ms) { services_.sleep(ms); }
QPoint TForm1::cursorPos() const { return services_.cursorPos(); }

SerialLink& TForm1::link() const { return connection->link(); }
bool TForm1::PortOpen() const { return connection->PortOpen(); }

}  // namespace vantrel
