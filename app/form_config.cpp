// The settings that survive a restart: applied at start-up, gathered at close.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

#include <algorithm>

#include "common/ui/colors.h"
#include "app/config_record.h"
#include "app/log_view.h"
#include "app/main_window.h"
#include "serial/ui/connection_part.h"
#include "common/ui/text_codec.h"

namespace vantrel {

namespace {

constexpr int kMinFontSize = 2;
constexpr int kMaxFontSize = 100;
constexpr int kListCount = 100;
constexpr int kDefaultPeriodMs = 1000;

void setFontSize(QWidget* w, int points) {
    QFont f = w->font();
    f.setPointSize(points);
    w->setFont(f);
}

}  // namespace

void TForm1::loadAndApplyConfig() {
    if (!config->load()) {  // absent or unusable: the controls keep their initial state
        if (config->leaveFileAlone)
            messages().info("Файл настроек ConfigTerminal не читается: настройки взяты по умолчанию и не будут "
                            "сохранены",
                            config->unusableReason);
        else if (!config->unusableReason.empty())
            messages().info("Файл настроек ConfigTerminal повреждён: настройки взяты по умолчанию",
                            config->unusableReason);
        return;
    }
    const ConfigImage& c = config->image;

    connection->applySettings(c);  // ticked AutoConnect: the warning shows now
    setRxTimeoutMs(std::max(0, int(c.rxTimeoutMs())));  // also its caption and colour
    FiltrLog->setText(fromCp(c.logFilter()));
    if (c.logFontSize() >= kMinFontSize && c.logFontSize() <= kMaxFontSize) LogFontSize = c.logFontSize();

    for (QWidget* w : std::initializer_list<QWidget*>{MainStrCmd, FastOldCmd, AddStrCmd, OldCmdList, LBTail,
                                                      MainWindow})
        applyColorValue(w, c.backColor(), c.textColor());
    setFontSize(MainWindow, LogFontSize);
    setFontSize(SecondWindow, LogFontSize);

    VisTime->setChecked(c.showTime());
    switch (c.sendModeCode()) {
        case 1: RBManual->setChecked(true); break;
        case 2: RBSel->setChecked(true); break;
        case 3: RBAfterAns->setChecked(true); break;
        case 4: RBPeriod->setChecked(true); break;
        default: break;
    }
    // Selecting an output mode rewrites the packet tail; the stored one is put back below.
    if (c.outputMode() == 1) RBASCII->setChecked(true);
    if (c.outputMode() == 2) RBHEX->setChecked(true);
    if (c.showNames()) RBName->setChecked(true);
    RbData->setChecked(!c.showNames());

    PeriodTX->setText(QString::number(c.periodMs()));
    SendAsReconn->setChecked(c.sendOnConnect());
    MainStrCmd->setText(fromCp(c.commandLine()));
    AddStrCmd->setText(fromCp(c.packetTail()));
    if (!FiltrLog->text().isEmpty()) applyBackgroundValue(FiltrLog, colorvalue::kYellow);

    const int list = c.currentList();
    CurrentList = list >= 1 && list <= kListCount ? list : 1;
}

void TForm1::saveConfig() {
    ConfigImage& c = config->image;
    connection->storeSettings(c);
    c.setRxTimeoutMs(RxTimeoutMs());
    c.setLogFilter(toCp(FiltrLog->text()));
    c.setLogFontSize(LogFontSize);
    c.setBackColor(colorValue(MainStrCmd, true));
    c.setTextColor(colorValue(MainStrCmd, false));
    c.setShowTime(VisTime->isChecked());
    if (RBManual->isChecked())
        c.setSendModeCode(1);
    else if (RBSel->isChecked())
        c.setSendModeCode(2);
    else if (RBAfterAns->isChecked())
        c.setSendModeCode(3);
    else if (RBPeriod->isChecked())
        c.setSendModeCode(4);
    if (RBASCII->isChecked())
        c.setOutputMode(1);
    else if (RBHEX->isChecked())
        c.setOutputMode(2);
    bool ok = false;
    const int period = PeriodTX->text().toInt(&ok);
    c.setPeriodMs(ok ? period : kDefaultPeriodMs);
    c.setSendOnConnect(SendAsReconn->isChecked());
    c.setCommandLine(toCp(MainStrCmd->text()));
    c.setPacketTail(toCp(AddStrCmd->text()));
    c.setShowNames(RBName->isChecked());
    c.setCurrentList(CurrentList);

    if (config->leaveFileAlone) return;  // the user was told at start-up
    const std::string reason = config->save();
    if (!reason.empty()) messages().info("Не удалось сохранить настройки в файл ConfigTerminal", reason);
}

}  // namespace vantrel
