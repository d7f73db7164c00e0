// Sending through the real main window to a pseudo-terminal playing the device.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QCheckBox>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include <functional>
#include <memory>

#include "rx/ui/log_view.h"
#include "app/main_window.h"
#include "serial/serial_link.h"
#include "support/fakes.h"
#include "tools/pty_device.h"
#include "tx/history.h"

using namespace vantrel;

namespace {

// The lines shown; the view keeps an empty block after the last line.
QStringList viewLines(const LogView& view) {
    QStringList out;
    const QTextBlock end = view.document()->lastBlock();
    for (QTextBlock b = view.document()->firstBlock(); b.isValid() && b != end; b = b.next()) out << b.text();
    return out;
}

}  // namespace

class SendingTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void atWithCrGoesOnTheWireAndShowsOneLine_data();
    void atWithCrGoesOnTheWireAndShowsOneLine();
    void hexModeSendsTheGridWithItsChecksum();
    void filteredLineIsSentButNotShownNorCounted();
    void portClosedShowsTheErrorWindowOnceAndKeepsTheCommand();
    void emptyCommandWithPortOpenSendsNothing();
    void enterEmptiesCtrlEnterKeepsEscClearsOtherKeysType();
    void sendButtonKeepsTheText();
    void cyrillicGoesOutAsWindows1251AndTheRestAsQuestionMarks();
    void longCommandIsSentWholeButNotRecorded();
    void bytesWaitingBeforeASendNeverReachTheLog();

private:
    void makeForm();
    void connectPort();
    std::string wire(std::size_t count);

    std::unique_ptr<QTemporaryDir> dir_;
    QString oldDir_;
    test::FakeClock clock_;
    test::RecordingMessages messages_;
    int modals_ = 0;
    std::function<void()> duringModal_;
    std::unique_ptr<PtyDevice> device_;
    std::unique_ptr<TForm1> form_;
};

void SendingTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    oldDir_ = QDir::currentPath();
    QDir::setCurrent(dir_->path());
    modals_ = 0;
    duringModal_ = nullptr;
    messages_.shown.clear();
    device_ = std::make_unique<PtyDevice>();
    QVERIFY(device_->open());
    makeForm();
}

void SendingTest::cleanup() {
    form_.reset();
    device_.reset();
    QDir::setCurrent(oldDir_);
    dir_.reset();
}

void SendingTest::makeForm() {
    FormServices s;
    s.clock = &clock_;
    s.messages = &messages_;
    s.listPorts = [] { return std::vector<std::string>{}; };
    s.runModal = [this](QDialog&) {
        ++modals_;
        if (duringModal_) duringModal_();
        return 0;
    };
    s.sleep = [](int) {};
    form_ = std::make_unique<TForm1>(s);
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
}

void SendingTest::connectPort() {
    form_->ComPort->setEditText(QString::fromStdString(device_->slavePath()));
    form_->BTConnectClick();
    QVERIFY2(form_->PortOpen(), "the pty did not open");
    device_->readFor(20);  // whatever opening left behind
}

std::string SendingTest::wire(std::size_t count) { return device_->readAtLeast(count, 3000); }

void SendingTest::atWithCrGoesOnTheWireAndShowsOneLine_data() {
    QTest::addColumn<bool>("withTime");
    QTest::addColumn<QString>("line");
    QTest::newRow("time prefix") << true << " [ 09:07:03:042 > ] AT";
    QTest::newRow("no prefix") << false << "AT";
}

void SendingTest::atWithCrGoesOnTheWireAndShowsOneLine() {
    QFETCH(bool, withTime);
    QFETCH(QString, line);
    connectPort();
    clock_.time.msec = 42;
    form_->VisTime->setChecked(withTime);
    form_->AddStrCmd->setText("$0D");
    const std::int64_t txBefore = form_->TxBytes;

    form_->SendPortData("AT");

    QCOMPARE(wire(3), std::string("AT\r"));
    QCOMPARE(device_->readFor(50), std::string());
    QCOMPARE(viewLines(*form_->MainWindow), QStringList({line}));
    QCOMPARE(form_->LSend->text(), QString("Send: 1"));
    QCOMPARE(form_->TxBytes, txBefore + 3);
    QVERIFY2(form_->StaticText3->text().startsWith("TX: 3 "), qPrintable(form_->StaticText3->text()));
    QCOMPARE(form_->history->slot(1), std::string("AT"));
    QVERIFY(!form_->SendBusy);
}

void SendingTest::hexModeSendsTheGridWithItsChecksum() {
    connectPort();
    form_->RBHEX->setChecked(true);
    form_->AddStrCmd->setText(" [FF - SUM_8(0..n)]");
    form_->SendPortData("01 02 03");
    QCOMPARE(wire(4), std::string("\x01\x02\x03\xF9"));
    QCOMPARE(viewLines(*form_->MainWindow), QStringList({"01 02 03 F9"}));
}

void SendingTest::filteredLineIsSentButNotShownNorCounted() {
    connectPort();
    form_->FiltrLog->setText("OK");
    form_->SendPortData("AT");
    QCOMPARE(wire(3), std::string("AT\r"));
    QVERIFY(viewLines(*form_->MainWindow).isEmpty());
    QCOMPARE(form_->LSend->text(), QString("Send: 0"));
    QCOMPARE(form_->TxBytes, std::int64_t(3));

    // A filter that matches lets the next line through and counts it.
    form_->FiltrLog->setText("A");
    form_->SendPortData("AT");
    QCOMPARE(wire(3), std::string("AT\r"));
    QCOMPARE(viewLines(*form_->MainWindow), QStringList({"AT"}));
    QCOMPARE(form_->LSend->text(), QString("Send: 1"));
}

void SendingTest::portClosedShowsTheErrorWindowOnceAndKeepsTheCommand() {
    QVERIFY(!form_->PortOpen());
    int nestedModals = -1;
    // A timer tick during the window would send again; it must not open a second one.
    duringModal_ = [this, &nestedModals] {
        form_->SendPortData("nested");
        QTest::keyClick(form_->MainStrCmd, Qt::Key_Return);
        nestedModals = modals_;
    };
    form_->MainStrCmd->setText("AT");
    QTest::keyClick(form_->MainStrCmd, Qt::Key_Return);
    QCOMPARE(modals_, 1);
    QCOMPARE(nestedModals, 1);
    QCOMPARE(form_->MainStrCmd->text(), QString("AT"));
    QVERIFY(!form_->SendBusy);

    duringModal_ = nullptr;
    QTest::keyClick(form_->MainStrCmd, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(modals_, 2);
    QCOMPARE(form_->MainStrCmd->text(), QString("AT"));
    // An empty command with the port closed still shows the window.
    form_->SendPortData("");
    QCOMPARE(modals_, 3);
    QVERIFY(viewLines(*form_->MainWindow).isEmpty());
    QCOMPARE(form_->history->slot(1), std::string());
}

void SendingTest::emptyCommandWithPortOpenSendsNothing() {
    connectPort();
    form_->AddStrCmd->setText("$0D$0A");
    form_->MainStrCmd->clear();
    QTest::keyClick(form_->MainStrCmd, Qt::Key_Return);
    QCOMPARE(device_->readFor(100), std::string());
    QCOMPARE(modals_, 0);
    QVERIFY(viewLines(*form_->MainWindow).isEmpty());
    QCOMPARE(form_->TxBytes, std::int64_t(0));
    QCOMPARE(form_->LSend->text(), QString("Send: 0"));
    QCOMPARE(form_->history->slot(1), std::string());
}

void SendingTest::enterEmptiesCtrlEnterKeepsEscClearsOtherKeysType() {
    connectPort();
    QTest::keyClicks(form_->MainStrCmd, "AT");
    QCOMPARE(form_->MainStrCmd->text(), QString("AT"));

    QTest::keyClick(form_->MainStrCmd, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(wire(3), std::string("AT\r"));
    QCOMPARE(form_->MainStrCmd->text(), QString("AT"));

    QTest::keyClick(form_->MainStrCmd, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(wire(3), std::string("AT\r"));
    QVERIFY(form_->MainStrCmd->text().isEmpty());

    QTest::keyClicks(form_->MainStrCmd, "xyz");
    QTest::keyClick(form_->MainStrCmd, Qt::Key_Escape);
    QVERIFY(form_->MainStrCmd->text().isEmpty());
    QCOMPARE(device_->readFor(50), std::string());
    QCOMPARE(viewLines(*form_->MainWindow), QStringList({"AT", "AT"}));
}

void SendingTest::sendButtonKeepsTheText() {
    connectPort();
    form_->MainStrCmd->setText("PING");
    QTest::mouseClick(form_->ButtonSend, Qt::LeftButton);
    QCOMPARE(wire(5), std::string("PING\r"));
    QCOMPARE(form_->MainStrCmd->text(), QString("PING"));
}

void SendingTest::cyrillicGoesOutAsWindows1251AndTheRestAsQuestionMarks() {
    connectPort();
    form_->MainStrCmd->setText(QString::fromUtf8("Привет \u2713"));
    form_->ButtonSendClick();
    QCOMPARE(wire(9), std::string("\xCF\xF0\xE8\xE2\xE5\xF2 ?\r"));
    QCOMPARE(viewLines(*form_->MainWindow), QStringList({QString::fromUtf8("Привет ?")}));
}

void SendingTest::longCommandIsSentWholeButNotRecorded() {
    connectPort();
    form_->SendPortData("first");
    QCOMPARE(wire(6), std::string("first\r"));
    const std::string longest(254, 'k');
    form_->SendPortData(longest);
    QCOMPARE(wire(255), longest + "\r");
    QCOMPARE(form_->history->slot(1), longest);

    const std::string tooLong(3000, 'L');
    form_->AddStrCmd->setText("$[XOR_8 (0..n)]");
    form_->SendPortData(tooLong);
    // 3000 equal bytes xor to zero.
    QCOMPARE(wire(3001), tooLong + std::string(1, '\0'));
    QCOMPARE(form_->history->slot(1), longest);
    QCOMPARE(form_->history->slot(2), std::string("first"));
    QCOMPARE(form_->TxBytes, std::int64_t(6 + 255 + 3001));
}

void SendingTest::bytesWaitingBeforeASendNeverReachTheLog() {
    connectPort();
    form_->RxTimer->stop();
    QVERIFY(device_->write("stale\r"));
    QTRY_COMPARE_WITH_TIMEOUT(form_->link->waiting(), std::size_t(6), 3000);
    form_->SendPortData("AT");
    QCOMPARE(wire(3), std::string("AT\r"));
    QCOMPARE(form_->link->waiting(), std::size_t(0));

    // The answer after the send still arrives and is shown.
    form_->RxTimer->start();
    QVERIFY(device_->write("OK\r"));
    // The packet ends by silence on the form's clock, so let that clock run.
    QTimer ticking;
    connect(&ticking, &QTimer::timeout, this, [this] { clock_.advance(5); });
    ticking.start(5);
    QTRY_COMPARE_WITH_TIMEOUT(viewLines(*form_->MainWindow).size(), qsizetype(2), 3000);
    QCOMPARE(viewLines(*form_->MainWindow), QStringList({"AT", "OK"}));
}

QTEST_MAIN(SendingTest)
#include "tst_sending.moc"
