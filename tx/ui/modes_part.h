#pragma once
// The sending modes ("Ручная", "При выборе", "После ответа", "Период, мс:"),
// the periodic sender `TimerPeriod`, command files ("Из файла", "Отправить
// из файла", the file list `OldCmdList`) and "Отправить при соединении".
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tx/send_modes.h"

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class QRadioButton;
class QTimer;
class QWidget;

namespace vantrel {

class Clock;
class CommandPart;
class ConfigImage;
class DropList;
class EventLineEdit;
class Messages;
class SerialLink;

class ModesPart : public QObject {
    Q_OBJECT
public:
    struct Services {
        Clock* clock = nullptr;
        Messages* messages = nullptr;
        SerialLink* link = nullptr;
        CommandPart* command = nullptr;
        std::function<QString()> chooseCommandFile;  // empty answer: cancelled
    };

    // The mode box in the log bar.
    ModesPart(QWidget* logBar, Services services, QObject* parent);
    ~ModesPart() override;
    // "Из файла", "Отправить из файла" and the file list in the macro panel.
    void placeFileButton(QWidget* panel);
    void placeSendStart(QWidget* panel);
    void placeFileList(QWidget* panel);

    bool fileCmdMode() const;
    // A macro or a file line chosen: sent at once in "При выборе", else put into the command line.
    void commandChosen(const std::string& text);
    // After every connection, when "Отправить при соединении" is ticked.
    void sendOnConnect();
    // A received packet has been shown (or filtered out): the after-answer mode may send.
    void packetShown(bool logWriteFailed);
    // The output queue emptied: a send the answer released while a packet
    // was still going out goes now (or is forgotten when the rest was dropped).
    void outputDrained(bool delivered);
    void showHistory(const std::vector<std::string>& texts);
    void historyRecorded();
    // Housekeeping: a cyclic file in the period mode keeps its timer running.
    void keepPeriodArmed();
    // The housekeeping re-arms the periodic sender: it must keep its short pace.
    bool periodArmedByHousekeeping() const;
    void setFileButtonVisible(bool visible);
    void applyColours(std::uint32_t background, std::uint32_t text);
    void applySettings(const ConfigImage& c);
    void applyPeriodSettings(const ConfigImage& c);
    void storeSettings(ConfigImage& c) const;
    void resetForStart();

    // The file-sending state, for checks from outside.
    SendModes& state() const { return *modes_; }
    bool PeriodTXKeyPress(QChar ch);  // true: the typed character is refused
    void StartSendCommands();
    void TimerPeriodTimer();

signals:
    // A command file was opened (its path, and where "Из файла" stands) or closed.
    void fileOpened(const QString& path, int fileButtonLeft);
    void fileClosed();
    // The period mode or the cyclic file was switched: the housekeeping re-arms the sender.
    void periodChoiceChanged();

private:
    void ButtonReadFileClick();
    void OldCmdListClick();
    void RBManualClick();
    void RBSelClick();
    void RBAfterAnsClick();
    void RBPeriodClick();
    void sendNextFileLineAfterAnswer();
    void answerReleased(AnswerAction action);
    void SendPortData(const std::string& text);

    Services services_;
    std::unique_ptr<SendModes> modes_;
    QTimer* TimerPeriod = nullptr;  // 1 ms
    AnswerAction heldAnswer_ = AnswerAction::Nothing;  // a send waiting for the output queue to empty

    QFrame* InputMode = nullptr;
    QLabel* Label1 = nullptr;
    QRadioButton* RBManual = nullptr;
    QRadioButton* RBAfterAns = nullptr;
    QRadioButton* RBSel = nullptr;
    QRadioButton* RBPeriod = nullptr;
    EventLineEdit* PeriodTX = nullptr;
    QCheckBox* SendAsReconn = nullptr;
    QCheckBox* CiklSend = nullptr;
    QPushButton* ButtonReadFile = nullptr;
    QPushButton* SendStart = nullptr;
    DropList* OldCmdList = nullptr;
};

}  // namespace vantrel
