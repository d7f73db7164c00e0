// The whole program in HEX mode with the Modbus CRC in the packet tail talks
// to a Modbus RTU slave served by libmodbus, which drops every frame whose
// CRC is wrong: both requests are served, the written register holds its
// value, and the answers reach the log file as whole packets.
#include <modbus.h>
#include <poll.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cerrno>
#include <string>
#include <thread>
#include <vector>

#include "support/scripted_program.h"
#include "tools/pty_device.h"

using vantrel::PtyDevice;
using vantrel::test::ScriptedProgram;

namespace {

// Copies bytes both ways between two pty masters until stopped: the program
// opens the slave of one, libmodbus the slave of the other, each by its path.
void relay(int a, int b, const std::atomic<bool>& stop) {
    auto pass = [](int from, int to) {
        char buf[512];
        const ssize_t n = ::read(from, buf, sizeof buf);
        for (ssize_t done = 0; n > 0 && done < n;) {
            const ssize_t w = ::write(to, buf + done, std::size_t(n - done));
            if (w > 0) done += w;
            else if (w < 0 && errno != EAGAIN && errno != EINTR) return;
            else {
                pollfd out{to, POLLOUT, 0};
                ::poll(&out, 1, 10);
            }
        }
    };
    while (!stop) {
        pollfd fds[2] = {{a, POLLIN, 0}, {b, POLLIN, 0}};
        if (::poll(fds, 2, 20) <= 0) continue;
        if (fds[0].revents & POLLIN) pass(a, b);
        if (fds[1].revents & POLLIN) pass(b, a);
    }
}

// Written by the server thread, read after it has ended.
struct Slave {
    std::vector<std::string> served;  // requests accepted, CRC included, as hex
    int badCrc = 0;
    int otherErrors = 0;
    QString failure;
};

QString hexOf(const std::uint8_t* p, int n) {
    QStringList parts;
    for (int i = 0; i < n; ++i) parts << QStringLiteral("%1").arg(p[i], 2, 16, QLatin1Char('0')).toUpper();
    return parts.join(u' ');
}

}  // namespace

class TestModbusE2e : public QObject {
    Q_OBJECT
private slots:
    void crcTailAgainstLibmodbusSlave();
};

void TestModbusE2e::crcTailAgainstLibmodbusSlave() {
    SKIP_WITHOUT_VANTREL_EXE();
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    PtyDevice programSide;
    PtyDevice deviceSide;
    QVERIFY(programSide.open());
    QVERIFY(deviceSide.open());

    modbus_t* ctx = modbus_new_rtu(deviceSide.slavePath().c_str(), 9600, 'N', 8, 1);
    QVERIFY(ctx);
    QVERIFY(modbus_set_slave(ctx, 1) == 0);
    QVERIFY2(modbus_connect(ctx) == 0, modbus_strerror(errno));
    modbus_mapping_t* map = modbus_mapping_new(0, 0, 4, 0);
    QVERIFY(map);
    map->tab_registers[0] = 0xABCD;
    map->tab_registers[1] = 0x0102;
    // Idle reads return, so the server loop sees the stop flag.
    modbus_set_indication_timeout(ctx, 0, 100000);

    std::atomic<bool> stop{false};
    Slave slave;
    std::thread relayThread(relay, programSide.masterFd(), deviceSide.masterFd(), std::cref(stop));
    std::thread server([&] {
        std::uint8_t req[MODBUS_RTU_MAX_ADU_LENGTH];
        while (!stop) {
            const int rc = modbus_receive(ctx, req);
            if (rc > 0) {
                slave.served.push_back(hexOf(req, rc).toStdString());
                if (modbus_reply(ctx, req, rc, map) < 0) slave.failure = QString::fromUtf8(modbus_strerror(errno));
            } else if (rc < 0 && errno == EMBBADCRC) {
                ++slave.badCrc;
            } else if (rc < 0 && errno != ETIMEDOUT) {
                ++slave.otherErrors;
            }
        }
    });

    // Two blanks after AddStrCmd: the tail starts with the blank that
    // puts the CRC on the byte grid after the command.
    const QString script = QStringLiteral("text ComPort %1\n"
                                          "check RBHEX 1\n"
                                          "check VisTime 1\n"
                                          "text AddStrCmd  [CRC16_MODBUS(0..n)]\n"
                                          "click BTConnect\n"
                                          "click StartLog\n"
                                          "text MainStrCmd 01 03 00 00 00 02\n"
                                          "key MainStrCmd Return\n"
                                          "waitlog < ] 01 03 04 10000\n"
                                          "text MainStrCmd 01 06 00 01 12 34\n"
                                          "key MainStrCmd Return\n"
                                          "waitlog < ] 01 06 00 01 12 34 10000\n"
                                          "# The same kind of frame with another CRC must be refused.\n"
                                          "text AddStrCmd  [CRC16_CCITT(0..n)]\n"
                                          "text MainStrCmd 01 06 00 02 55 55\n"
                                          "key MainStrCmd Return\n"
                                          "wait 700\n"
                                          "close\n")
                               .arg(QString::fromStdString(programSide.slavePath()));
    ScriptedProgram program;
    const bool started = program.start(dir.path(), script);
    const bool endedWell = started && program.finish(60000);

    stop = true;
    server.join();
    relayThread.join();
    const int written = map->tab_registers[1];
    const int untouched = map->tab_registers[2];
    modbus_mapping_free(map);
    modbus_close(ctx);
    modbus_free(ctx);

    QVERIFY2(started, qPrintable(program.process.errorString()));
    QVERIFY2(endedWell, qPrintable(program.said()));
    QVERIFY2(slave.failure.isEmpty(), qPrintable(slave.failure));

    // The slave took both frames with the CRCs libmodbus itself checks, and
    // refused the one with a CCITT CRC.
    QCOMPARE(slave.served, (std::vector<std::string>{"01 03 00 00 00 02 C4 0B", "01 06 00 01 12 34 D5 7D"}));
    QCOMPARE(slave.badCrc, 1);
    QCOMPARE(slave.otherErrors, 0);
    QCOMPARE(written, 0x1234);
    QCOMPARE(untouched, 0);

    // The answers, CRC computed by libmodbus, each one whole RX line.
    const QStringList logs = QDir(dir.path()).entryList({QStringLiteral("LOG_*.txt")}, QDir::Files);
    QCOMPARE(logs.size(), 1);
    QFile log(dir.filePath(logs.first()));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QStringList received;
    for (const QByteArray& line : log.readAll().split('\n')) {
        const qsizetype at = line.indexOf("< ] ");
        if (at >= 0) received << QString::fromLatin1(line.mid(at + 4)).trimmed();
    }
    QCOMPARE(received, QStringList({"01 03 04 AB CD 01 02 CB B9", "01 06 00 01 12 34 D5 7D"}));
}

QTEST_GUILESS_MAIN(TestModbusE2e)
#include "tst_modbus_e2e.moc"
