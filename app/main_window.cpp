#include "app/main_window.h"

#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "app/automation.h"
#include "app/config_record.h"
#include "app/qt_messages.h"
#include "app/secondary_windows.h"
#include "macros/ui/macro_panel.h"
#include "rx/ui/receive_part.h"
#include "serial/serial_link.h"
#include "serial/ui/connection_part.h"
#include "tx/ui/command_part.h"
#include "tx/ui/modes_part.h"

namespace vantrel {

TForm1::TForm1(FormServices services, QWidget* parent)
    : QWidget(parent), services_(std::move(services)), config_(std::make_unique<ConfigRecord>()) {
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

    CustomFunctions = new QTimer(this);
    CustomFunctions->setObjectName(QStringLiteral("CustomFunctions"));
    CustomFunctions->setTimerType(Qt::PreciseTimer);
    CustomFunctions->setInterval(kHousekeepingMs);
    CustomFunctions->start();
    connect(CustomFunctions, &QTimer::timeout, this, &TForm1::CustomFunctionsTimer);

    // The other windows exist before the start-up steps: they and the handlers use them.
    Save = new TSave(this);
    Info = std::make_unique<TInfo>();
    OpenPortError = std::make_unique<TOpenPortError>();

    wireParts();
    setupHousekeeping();
    FormCreate();
}

// The parts are children of this window and go with it; their timers stop
// before the controls they act on are taken down.
TForm1::~TForm1() {
    for (QTimer* t : findChildren<QTimer*>()) t->stop();
}

void TForm1::wireParts() {
    connect(BtInfo, &QPushButton::clicked, this, [this] { services_.runModal(*Info); });
    connect(connection_, &ConnectionPart::connected, receive_, &ReceivePart::portOpened);
    connect(connection_, &ConnectionPart::closed, receive_, &ReceivePart::portClosed);
    connect(connection_, &ConnectionPart::connected, modes_, &ModesPart::sendOnConnect);
    connect(modes_, &ModesPart::periodChoiceChanged, this, &TForm1::housekeepingSoon);
    connect(receive_, &ReceivePart::packetShown, modes_, &ModesPart::packetShown);
    connect(receive_, &ReceivePart::outputModeChosen, command_, &CommandPart::setTailForMode);
    connect(receive_, &ReceivePart::coloursChosen, this, [this](std::uint32_t background, std::uint32_t text) {
        command_->applyColours(background, text);
        modes_->applyColours(background, text);
    });
    connect(receive_, &ReceivePart::tickedFromLoop, this, &TForm1::takeHousekeepingAlong);
    connect(command_, &CommandPart::historyRecorded, modes_, &ModesPart::historyRecorded);
    connect(command_, &CommandPart::historyRead, modes_, &ModesPart::showHistory);
    // The output queue: a queued packet starts going at once, the count follows the port, and a
    // send held behind it goes from the event loop (never inside the send that emptied the queue).
    connect(command_, &CommandPart::outputQueued, connection_, &ConnectionPart::drainOutput);
    connect(connection_, &ConnectionPart::outputWritten, command_, &CommandPart::countWritten);
    connect(connection_, &ConnectionPart::outputDrained, modes_, &ModesPart::outputDrained, Qt::QueuedConnection);
    connect(modes_, &ModesPart::fileOpened, macros_, &MacroPanel::showFileName);
    connect(modes_, &ModesPart::fileClosed, macros_, &MacroPanel::showLists);
    connect(macros_, &MacroPanel::macroChosen, modes_, &ModesPart::commandChosen);
    connect(macros_, &MacroPanel::editorModeChanged, this, [this](bool on) {
        receive_->setLogStatusVisible(!on);
        modes_->setFileButtonVisible(!on);
    });
}

void TForm1::FormCreate() {
    // 1., 4., 6., 10., 13. the receiving side: statistics, packet clock, time-out, the view
    receive_->resetForStart();
    // 2., 7., 9., 10. the command line: the history arrows, colours, busy mark
    command_->resetForStart();
    // 4., 5., 13. the sending modes
    modes_->resetForStart();

    // 8. the geometry the layout rule starts from
    takeDesign();

    // 12.
    connection_->focusConnectButton();

    macros_->LoadMacroStore();          // 16.
    command_->loadHistory();            // 17.
    connection_->ScanPorts(true);       // 18. the port list, without its messages
    OutHelpHelp();                      // 19.
    macros_->setCurrentList(1);         // 20.
    loadAndApplyConfig();               // 21.
    macros_->ReadListCmd(macros_->currentList());  // 22.
    macros_->wireGrid();                // 23.
    receive_->showFontSize();           // 24.

    // no control may get a negative width or height
    setMinimumSize(minimumLayoutWidth(Design), minimumLayoutHeight(Design));
    ArrangedSize = size();
}

bool TForm1::confirmClose() {
    return macros_->confirmClose([this] {
        services_.runModal(*Save);
        // A prompt closed without a button (the window manager, a signal) means "Нет".
        switch (Save->answer()) {
            case TSave::Answer::Yes: return MacroPanel::CloseAnswer::Save;
            case TSave::Answer::Cancel: return MacroPanel::CloseAnswer::Cancel;
            default: return MacroPanel::CloseAnswer::Discard;
        }
    });
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (!confirmClose()) {
        event->ignore();
        return;
    }
    command_->saveHistory();
    receive_->closeLogFile();
    saveConfig();
    event->accept();
}

// A control of this window by its name (the macro editor, a window of its
// own, has fields named like the macro fields).
QWidget* TForm1::named(const QString& name) const {
    // The controls live as long as the window: each name is looked up once,
    // not on every resize.
    if (QWidget* known = namedCache_.value(name)) return known;
    for (QWidget* w : findChildren<QWidget*>(name)) {
        if (w->window() != this) continue;
        namedCache_.insert(name, w);
        return w;
    }
    return nullptr;
}

}  // namespace vantrel
