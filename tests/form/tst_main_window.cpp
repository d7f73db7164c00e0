// The main window as it stands after construction in an empty directory, the
// refused close, and the small windows it owns.
#include <QApplication>
#include <QFile>
#include <QFrame>
#include <QSignalSpy>
#include <QToolButton>

#include <memory>

#include "common/ui/colors.h"
#include "rx/ui/log_view.h"
#include "app/secondary_windows.h"
#include "common/ui/text_codec.h"
#include "common/ui/up_down.h"
#include "support/form_rig.h"

using namespace vantrel;
using vantrel::test::FormRig;

namespace {

constexpr int kAny = -1;  // a column the row does not check

// One control of the window as construction leaves it.
struct Expected {
    const char* name;
    const char* parent;
    int x, y, w, h;       // w, h kAny for labels that take their caption's size
    const char* text;     // nullptr: not checked (set by another part at start-up)
    const char* hint;     // "" for none
    bool hidden;
    bool enabled;
    int checked;          // check boxes and radio buttons: 0 or 1
    int bold;             // kAny, 0 or 1
    int pixelSize;        // kAny or the font's pixel height
};

// clang-format off
const Expected kControls[] = {
    // top bar
    {"Panel1", "TForm1", 4, 0, 937, 25, nullptr, "", false, true, kAny, kAny, kAny},
    {"BTConnect", "Panel1", 0, 0, 65, 25, "Connect", "", false, true, kAny, kAny, kAny},
    {"BTRescan", "Panel1", 64, 0, 65, 25, "ReScan", "", false, true, kAny, kAny, kAny},
    {"ComPort", "Panel1", 128, 0, 61, 21, nullptr, "Port", false, true, kAny, kAny, kAny},
    {"BaudRate", "Panel1", 188, 0, 61, 21, "1200", "BaudRate", false, true, kAny, kAny, kAny},
    {"ComBits", "Panel1", 248, 0, 37, 21, "8", "Bits", false, true, kAny, kAny, kAny},
    {"ComStopBits", "Panel1", 284, 0, 37, 21, "1", "StopBit", false, true, kAny, kAny, kAny},
    {"AutoConnect", "Panel1", 324, 4, 89, 17, "AutoConnect", "", false, true, 0, kAny, kAny},
    {"TimeOutRx", "Panel1", 408, 0, 17, 24, nullptr, "Временнй интервал разделения пакетов, мс", false, true, kAny, kAny, kAny},
    {"TimeOutAns", "Panel1", 428, 4, 89, 17, "TimeRX: 0", "", false, true, kAny, kAny, kAny},
    {"FiltrLog", "Panel1", 520, 4, 57, 19, "", "Фильтр сообщений", false, true, kAny, 1, kAny},
    {"Srift", "Panel1", 584, 0, 17, 24, nullptr, "Размер шрифта", false, true, kAny, kAny, kAny},
    {"SriftText", "Panel1", 604, 4, 29, 17, "8", "", false, true, kAny, kAny, kAny},
    {"BTLog", "Panel1", 636, 0, 61, 25, "Clear", "Очистить окно лога", false, true, kAny, kAny, kAny},
    {"StartLog", "Panel1", 696, 0, 61, 25, "Start Log", "", false, true, kAny, kAny, kAny},
    {"StartStop", "Panel1", 756, 0, 61, 25, "||", "Остановить/продолжить вывод лога", false, true, kAny, 1, 32},
    {"BTPalitra", "Panel1", 816, 0, 61, 25, "Colors", "Цвет окна лога", false, true, kAny, kAny, kAny},
    {"BtInfo", "Panel1", 876, 0, 61, 25, "Info", "", false, true, kAny, kAny, kAny},
    // log views
    {"MainWindow", "TForm1", 4, 28, 937, 373, "", "", false, true, kAny, kAny, kAny},
    {"SecondWindow", "TForm1", 4, 28, 937, 373, "", "", true, true, kAny, kAny, kAny},
    // log options bar
    {"LogPanel", "TForm1", 4, 404, 937, 45, nullptr, "", false, true, kAny, kAny, kAny},
    {"TextTime", "LogPanel", 4, 16, 53, 17, "", "", false, true, kAny, kAny, kAny},
    {"OutMode", "LogPanel", 64, 0, 117, 45, nullptr, "", false, true, kAny, kAny, kAny},
    {"VisTime", "OutMode", 4, 16, 57, 17, "TIME + ", "", false, true, 0, kAny, kAny},
    {"RBASCII", "OutMode", 64, 8, 49, 17, "ASCII", "Пример: \"command\"", false, true, 1, kAny, kAny},
    {"RBHEX", "OutMode", 64, 24, 49, 17, "HEX", "Пример: \"00 01 02 03 0D 0E 12 13\"", false, true, 0, kAny, kAny},
    {"InputMode", "LogPanel", 184, 0, 477, 45, nullptr, "", false, true, kAny, kAny, kAny},
    {"Label1", "InputMode", 4, 16, kAny, kAny, "Отправка:", "", false, true, kAny, 0, 13},
    {"RBManual", "InputMode", 76, 8, 57, 17, "Ручная", "", false, true, 1, kAny, kAny},
    {"RBAfterAns", "InputMode", 160, 8, 97, 17, "После ответа", "", false, true, 0, kAny, kAny},
    {"RBSel", "InputMode", 76, 24, 89, 17, "При выборе", "", false, true, 0, kAny, kAny},
    {"RBPeriod", "InputMode", 160, 24, 81, 17, "Период, мс:", "", false, true, 0, kAny, kAny},
    {"PeriodTX", "InputMode", 244, 24, 33, 19, "1000", "", false, true, kAny, kAny, kAny},
    {"SendAsReconn", "InputMode", 284, 8, 165, 17, "Отправить при соединении", "", false, true, 0, kAny, kAny},
    {"CiklSend", "InputMode", 284, 24, 189, 17, "Циклическая отправка из файла", "", true, true, 0, kAny, kAny},
    {"PStats", "LogPanel", 668, 1, 268, 43, nullptr, "", false, true, kAny, kAny, kAny},
    {"LSend", "PStats", 8, 8, kAny, kAny, "Send: 0", "Число отправленных пакетов с учётом настроек фильтра", false, true, kAny, kAny, kAny},
    {"LRead", "PStats", 8, 24, kAny, kAny, "Read: 0", "Число принятых пакетов с учётом настроек фильтра", false, true, kAny, kAny, kAny},
    {"MinTimeWait", "PStats", 96, 8, kAny, kAny, "MIN_T_W:  NA", "Минимальное время между принятыми пакетами", false, true, kAny, kAny, kAny},
    {"MaxTimeWait", "PStats", 96, 24, kAny, kAny, "MAX_T_W: NA", "Максимальное время между принятыми пакетами", false, true, kAny, kAny, kAny},
    {"BTClrStat", "PStats", 228, 12, 35, 21, "0", "Обнулить статистику", false, true, kAny, 1, 13},
    // command and macro panel
    {"MainPanel", "TForm1", 4, 450, 937, 297, nullptr, "", false, true, kAny, kAny, kAny},
    {"MainStrCmd", "MainPanel", 8, 6, 641, 19, "", "", false, true, kAny, kAny, kAny},
    {"Str1", "MainPanel", 636, 8, 27, 17, "↓", "", false, true, kAny, kAny, kAny},
    {"LPlus", "MainPanel", 652, 4, kAny, kAny, "+", "", false, true, kAny, 1, 19},
    {"AddStrCmd", "MainPanel", 668, 6, 261, 19, "$0D", "Примеры: $0D$0A, *[XOR_8(1..n)]$0D$0A. Список алгоритмов расчёта контрольной суммы появляется при нажатии \"Стрелка вниз\". \nТакже CRC: CRC16_MODBUS, CRC16_CCITT, CRC8, CRC8_MAXIM, CRC32.", false, true, kAny, kAny, kAny},
    {"Str2", "MainPanel", 916, 8, 27, 17, "↓", "", false, true, kAny, kAny, kAny},
    {"CBLists", "MainPanel", 8, 32, 289, 33, nullptr, "Можно дважды кликнуть мышкой", false, true, kAny, 1, 20},
    {"STListName", "MainPanel", 8, 32, 289, 33, nullptr, "Список откроется по двойному клику", true, true, kAny, 1, 24},
    {"ListNameEDT", "MainPanel", 8, 32, 289, 33, nullptr, "", true, true, kAny, 1, 20},
    {"EditAllCmd", "MainPanel", 302, 32, 87, 33, "Редактор", "", false, true, kAny, kAny, kAny},
    {"DelList", "MainPanel", 388, 32, 93, 33, "Очистить", "Очистить весь список команд", true, true, kAny, kAny, kAny},
    {"SaveF", "MainPanel", 388, 48, 93, 17, "Сохранить", "Сохранить все изменения в файл", true, true, kAny, kAny, kAny},
    {"OldCommandsBT", "MainPanel", 480, 32, 85, 33, "Отправленные", "", true, true, kAny, kAny, kAny},
    {"ListDec", "MainPanel", 480, 32, 85, 33, "<<<<<", "Предыдущий список", true, false, kAny, 1, 16},
    {"ButtonReadFile", "MainPanel", 564, 32, 85, 33, "Из файла", "", false, true, kAny, kAny, kAny},
    {"ListInc", "MainPanel", 564, 32, 85, 33, ">>>>>", "Следующий список", true, true, kAny, 1, 16},
    {"RBName", "MainPanel", 668, 32, 113, 17, "Имя команды", "", false, true, 1, kAny, kAny},
    {"RbData", "MainPanel", 668, 48, 117, 17, "Командная строка", "", false, true, 0, kAny, kAny},
    {"SendStart", "MainPanel", 668, 32, 129, 33, "Отправить из файла", "", true, true, kAny, kAny, kAny},
    {"ButtonSend", "MainPanel", 800, 32, 129, 33, "Отправить", "", false, true, kAny, kAny, kAny},
    {"OldCmdList", "MainPanel", 8, 72, 877, 193, nullptr, "", true, true, kAny, kAny, kAny},
    {"FastOldCmd", "MainPanel", 8, 24, 641, 241, nullptr, "", true, true, kAny, kAny, kAny},
    {"LBTail", "MainPanel", 668, 24, 261, 241, nullptr, "", true, true, kAny, kAny, kAny},
    {"STLog", "MainPanel", 8, 272, 641, 17, "Запись в файл не ведётся", "", false, true, kAny, kAny, kAny},
    {"StaticText1", "MainPanel", 8, 272, 641, 17, "Двойной клик по команде откроет окно редактирования справки", "", true, true, kAny, kAny, kAny},
    {"StaticText3", "MainPanel", 668, 272, 261, 17, "TX: 0, RX: 0", "", false, true, kAny, kAny, kAny},
};
// clang-format on

QString textOf(QWidget* w) {
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentText();
    if (auto* p = qobject_cast<QPlainTextEdit*>(w)) return p->toPlainText();
    return QStringLiteral("<no text>");
}

// The control `name` as a direct child of `parent`, so a control on the wrong
// panel (or a namesake in another window) is not taken for it.
QWidget* control(QWidget* form, const QString& parent, const QString& name) {
    QWidget* p = parent == QLatin1String("TForm1")
                     ? form
                     : form->findChild<QWidget*>(parent, Qt::FindChildrenRecursively);
    if (!p) return nullptr;
    return p->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void tabWalksTheRowsInTheirOrder();
    void initTestCase();
    void cleanupTestCase();

    void firstStartCreatesTheThreeFiles();
    void windowItself();
    void controls_data();
    void controls();
    void comboItemsAndEditing();
    void typingLimits();
    void macroGridAndHelpLines();
    void timers();
    void radioGroupsAreSeparate();

    void refusedCloseIsRefusedOnceAndSavesNothing();
    void closeDoesNotRecreateARemovedHistory();
    void saveQuestionAnswers();
    void infoAndPortErrorOpenModallyThroughTheSeam();
    void secondaryWindowsAsDesigned();
    void upDownReportsTheArrowAndKeepsItsRange();

private:
    std::unique_ptr<FormRig> rig_;  // the window as construction leaves it, for the whole case
    std::vector<std::string> firstStartMessages_;
};

void MainWindowTest::initTestCase() {
    rig_ = std::make_unique<FormRig>();
    firstStartMessages_ = rig_->messages.texts();
}

void MainWindowTest::cleanupTestCase() { rig_.reset(); }

static QByteArray fileBytes(const QString& name) {
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void MainWindowTest::firstStartCreatesTheThreeFiles() {
    // one report of the missing macro store; the other two files appear silently
    QCOMPARE(firstStartMessages_,
             std::vector<std::string>{"Проблема с файлом конфигурации, он будет перезаписан"});
    QCOMPARE(QFileInfo(QStringLiteral("CmdConfig")).size(), 100 * 102580);
    QCOMPARE(fileBytes(QStringLiteral("OldCmd")), QByteArray(50 * 256, '\0'));
    QCOMPARE(fileBytes(QStringLiteral("ConfigTerminal")), QByteArray(796, '\0'));
    QCOMPARE(rig_->text("CBLists"), QStringLiteral("List 1"));
    QCOMPARE(rig_->ctl<QComboBox>("CBLists")->count(), 100);
    QCOMPARE(rig_->text("SriftText"), QString::number(rig_->ctl("MainWindow")->font().pointSize()));
}

void MainWindowTest::windowItself() {
    QCOMPARE(rig_->form().objectName(), QStringLiteral("TForm1"));
    QCOMPARE(rig_->form().windowTitle(), QStringLiteral("Vantrel v1_11"));
    QCOMPARE(rig_->form().size(), QSize(943, 749));
    QCOMPARE(rig_->form().font().pointSize(), 8);
    QVERIFY(rig_->form().font().family().startsWith(QStringLiteral("DejaVu Sans")));
    QCOMPARE(rig_->design().W0, 943);
    // the window can be made wider and higher than designed
    QVERIFY(rig_->form().maximumWidth() > 943);
    QVERIFY(rig_->form().maximumHeight() > 749);
    QCOMPARE(rig_->currentList(), 1);
    QCOMPARE(rig_->logFontSize(), 8);
    QCOMPARE(rig_->ctl<LogView>("MainWindow")->font().pointSize(), 8);
    QCOMPARE(rig_->form().focusWidget(), rig_->ctl("BTConnect"));
    QVERIFY(rig_->ctl<LogView>("MainWindow")->isReadOnly());

    // these start on the button face, and the settings saved at close say so
    const QColor face = QApplication::palette().color(QPalette::Button);
    for (const char* name : {"FiltrLog", "MainWindow", "MainStrCmd", "AddStrCmd", "FastOldCmd", "LBTail", "CBLists"}) {
        QWidget* w = rig_->ctl(name);
        QCOMPARE(colorValue(w, true), colorvalue::kButtonFace);
        QCOMPARE(w->palette().color(QPalette::Base), face);
    }
}

void MainWindowTest::controls_data() {
    QTest::addColumn<int>("row");
    for (int i = 0; i < int(std::size(kControls)); ++i) QTest::addRow("%s", kControls[i].name) << i;
}

void MainWindowTest::controls() {
    QFETCH(int, row);
    const Expected& e = kControls[row];
    QWidget* w = control(&rig_->form(), QString::fromLatin1(e.parent), QString::fromLatin1(e.name));
    QVERIFY2(w, "missing, or not on its parent");
    QCOMPARE(w->x(), e.x);
    QCOMPARE(w->y(), e.y);
    if (e.w != kAny) QCOMPARE(w->width(), e.w);
    if (e.h != kAny) QCOMPARE(w->height(), e.h);
    if (e.text) QCOMPARE(textOf(w), ru(e.text));
    QCOMPARE(w->toolTip(), ru(e.hint));
    QCOMPARE(w->isHidden(), e.hidden);
    QCOMPARE(w->isEnabled(), e.enabled);
    if (e.checked != kAny) {
        auto* b = qobject_cast<QAbstractButton*>(w);
        QVERIFY(b && b->isCheckable());
        QCOMPARE(int(b->isChecked()), e.checked);
    }
    if (e.bold != kAny) QCOMPARE(int(w->font().bold()), e.bold);
    if (e.pixelSize != kAny) QCOMPARE(w->font().pixelSize(), e.pixelSize);
}

void MainWindowTest::comboItemsAndEditing() {
    struct Row {
        const char* box;
        QStringList items;
        int selected;
    };
    const Row rows[] = {
        {"BaudRate",
         {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"},
         0},
        {"ComBits", {"5", "6", "7", "8"}, 3},
        {"ComStopBits", {"1", "1,5", "2"}, 0},
    };
    for (const Row& r : rows) {
        auto* box = rig_->ctl<QComboBox>(r.box);
        QStringList items;
        for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
        QCOMPARE(items, r.items);
        QCOMPARE(box->currentIndex(), r.selected);
        QVERIFY(box->isEditable());
    }
    QVERIFY(rig_->ctl<QComboBox>("ComPort")->isEditable());

    QCOMPARE(rig_->items("LBTail"), QStringList({"[SUM_8(0..n)]", "[SUM_8(1..n)]", "[SUM_8(2..n)]",
                                 "[XOR_8 (0..n)]", "[XOR_8 (1..n)]", "[XOR_8 (2..n)]",
                                 "[FF - SUM_8(0..n)]", "[FF - SUM_8(1..n)]",
                                 "[FF - SUM_8(2..n)]", "[CRC16_MODBUS(0..n)]", "[CRC16_CCITT(0..n)]",
                                 "[CRC8(0..n)]", "[CRC8_MAXIM(0..n)]", "[CRC32(0..n)]"}));
}

void MainWindowTest::typingLimits() {
    // What the user can type, whatever mechanism enforces it.
    struct Row {
        const char* field;
        char key;
        int limit;
    };
    FormRig rig({.workDir = rig_->dir.path()});  // a second window on the same files
    const Row rows[] = {
        {"FiltrLog", 'x', 250}, {"PeriodTX", '7', 5}, {"ListNameEDT", 'x', 150}, {"Edit1", 'x', 50}, {"Edit48", 'x', 50},
    };
    for (const Row& r : rows) {
        rig.fill(r.field, {});
        rig.type(r.field, QString(r.limit + 10, QLatin1Char(r.key)));
        QCOMPARE(rig.text(r.field).size(), r.limit);
    }
}

void MainWindowTest::macroGridAndHelpLines() {
    for (int k = 1; k <= 48; ++k) {
        const int c = (k - 1) / 8, r = (k - 1) % 8;
        const QRect place(8 + 88 * c, 72 + 24 * r, c < 5 ? 89 : 201, 25);
        QWidget* b = rig_->ctl(QStringLiteral("Button%1").arg(k));
        QWidget* e = rig_->ctl(QStringLiteral("Edit%1").arg(k));
        QCOMPARE(b->parentWidget(), rig_->ctl("MainPanel"));
        QCOMPARE(e->parentWidget(), rig_->ctl("MainPanel"));
        QCOMPARE(b->geometry(), place);
        QCOMPARE(e->geometry(), place);
        QVERIFY(!b->isHidden());
        QVERIFY(e->isHidden());
        QCOMPARE(FormRig::tag(b), k);
        QCOMPARE(FormRig::tag(e), k);
        QCOMPARE(rig_->design().MacroL[k - 1], place.x());
        QCOMPARE(rig_->design().MacroW[k - 1], place.width());
    }
    const QColor cream = rig_->ctl("STH6")->palette().color(QPalette::Window);
    QVERIFY2(cream.red() > 240 && cream.green() > 240 && cream.blue() < cream.green(),
             "help lines are on a cream background");
    for (int i = 1; i <= 12; ++i) {
        auto* l = rig_->ctl<QLabel>(QStringLiteral("STH%1").arg(i));
        QCOMPARE(l->geometry(), QRect(668, 72 + 16 * (i - 1), 261, 17));
        QCOMPARE(FormRig::tag(l), i);
        QCOMPARE(rig_->design().HelpLabelL[i - 1], 668);
        QVERIFY(l->autoFillBackground());
        QCOMPARE(l->palette().color(QPalette::Window), cream);
        QCOMPARE(l->font().bold(), i == 1);
        QCOMPARE(bool(l->alignment() & Qt::AlignHCenter), i == 1);
    }
}

void MainWindowTest::timers() {
    struct Row {
        const char* name;
        int interval;
        bool active;
        Qt::TimerType type;
    };
    const Row rows[] = {
        {"CheckConnect", 1000, true, Qt::CoarseTimer},
        {"RxTimer", 1, true, Qt::PreciseTimer},
        {"TimerPeriod", 1, false, Qt::PreciseTimer},
        {"CustomFunctions", 10, true, Qt::PreciseTimer},
    };
    for (const Row& r : rows) {
        auto* timer = rig_->ctl<QTimer>(r.name);
        QCOMPARE(timer->interval(), r.interval);
        QCOMPARE(timer->isActive(), r.active);
        QCOMPARE(timer->timerType(), r.type);
    }
}

void MainWindowTest::radioGroupsAreSeparate() {
    FormRig rig({.workDir = rig_->dir.path()});  // a second window on the same files
    // Choosing in one group leaves the others alone.
    rig.check("RBHEX");
    QVERIFY(!rig.checked("RBASCII"));
    QVERIFY(rig.checked("RBManual"));
    QVERIFY(rig.checked("RBName"));
    rig.check("RbData");
    QVERIFY(!rig.checked("RBName"));
    QVERIFY(rig.checked("RBHEX"));
    QVERIFY(rig.checked("RBManual"));
    rig.check("RBSel");
    QVERIFY(!rig.checked("RBManual"));
    QVERIFY(rig.checked("RBHEX"));
    QVERIFY(rig.checked("RbData"));
}

void MainWindowTest::refusedCloseIsRefusedOnceAndSavesNothing() {
    FormRig rig({.workDir = rig_->dir.path()});  // a second window on the same files
    QFile::remove(QStringLiteral("ConfigTerminal"));
    QVERIFY(QFile::exists(QStringLiteral("OldCmd")));
    const QByteArray history = fileBytes(QStringLiteral("OldCmd"));
    rig.click("EditAllCmd");
    rig.type("Edit1", QStringLiteral("x"));  // an unsaved edit: the close asks

    TSave& save = *qobject_cast<TSave*>(rig.form().findChild<QDialog*>(QStringLiteral("TSave")));
    rig.onModal = [&](QDialog&) {
        save.BtCancel->click();
        return 0;
    };
    QVERIFY(!rig.form().close());
    QVERIFY2(!QFile::exists(QStringLiteral("ConfigTerminal")), "a refused close saved the settings");

    // the refusal is spent: the next answer "Нет" closes and saves the settings
    rig.onModal = [&](QDialog&) {
        save.BtNo->click();
        return 0;
    };
    QVERIFY(rig.form().close());
    QVERIFY(QFile::exists(QStringLiteral("ConfigTerminal")));
    QCOMPARE(QFileInfo(QStringLiteral("ConfigTerminal")).size(), 796);
    QCOMPARE(fileBytes(QStringLiteral("OldCmd")), history);
}

void MainWindowTest::closeDoesNotRecreateARemovedHistory() {
    FormRig rig({.workDir = rig_->dir.path()});  // a second window on the same files
    QVERIFY(QFile::remove(QStringLiteral("OldCmd")));
    QVERIFY(QFile::remove(QStringLiteral("ConfigTerminal")));
    QVERIFY(rig.form().close());
    QVERIFY(!QFile::exists(QStringLiteral("OldCmd")));
    QCOMPARE(QFileInfo(QStringLiteral("ConfigTerminal")).size(), 796);
    // the next start creates it empty
    rig.start();
    QCOMPARE(fileBytes(QStringLiteral("OldCmd")), QByteArray(50 * 256, '\0'));
}

void MainWindowTest::saveQuestionAnswers() {
    // TSave has no parent: with a second window alive it could not be told apart.
    FormRig& rig = *rig_;
    TSave& save = *rig.ctl<TSave>("TSave");
    QVERIFY(save.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(save.Question->text(), ru("Сохранить изменения  макросов?"));
    QCOMPARE(save.BtYes->text(), ru("Да"));
    QCOMPARE(save.BtNo->text(), ru("Нет"));
    QCOMPARE(save.BtCancel->text(), ru("Отмена"));

    const QString store = QStringLiteral("CmdConfig");
    struct Row {
        QPushButton* answer;
        bool refuses;
        bool saves;
    };
    const Row rows[] = {{save.BtNo, false, false}, {save.BtCancel, true, false}, {save.BtYes, false, true}};
    rig.click("EditAllCmd");
    for (const Row& r : rows) {
        QVERIFY(QFile::remove(store));
        rig.type("Edit2", QStringLiteral("y"));  // an edit not yet saved
        bool focusedYes = false;
        rig.onModal = [&](QDialog& d) {
            d.show();
            focusedYes = save.focusWidget() == save.BtYes;
            QTest::mouseClick(r.answer, Qt::LeftButton);
            return d.result();
        };
        QCOMPARE(rig.confirmClose(), !r.refuses);
        QVERIFY(focusedYes);
        QTRY_VERIFY(!save.isVisible());
        QCOMPARE(QFile::exists(store), r.saves);
        if (r.saves) QCOMPARE(QFileInfo(store).size(), 100 * 102580);
        if (!QFile::exists(store)) {
            // put a store back for the next row to remove
            FormRig::writeMacroStore([](MacroStore&) {});
        }
    }
    rig.onModal = nullptr;
}

void MainWindowTest::infoAndPortErrorOpenModallyThroughTheSeam() {
    rig_->modals.clear();
    rig_->click("BtInfo");
    QCOMPARE(rig_->modals.size(), std::size_t(1));
    QCOMPARE(rig_->modals[0], rig_->ctl<QDialog>("TInfo"));
    // a command sent with the port closed
    rig_->fill("MainStrCmd", "AT");
    rig_->key("MainStrCmd", Qt::Key_Return);
    QCOMPARE(rig_->modals.size(), std::size_t(2));
    QCOMPARE(rig_->modals[1], rig_->ctl<QDialog>("TOpenPortError"));
}

void MainWindowTest::secondaryWindowsAsDesigned() {
    TInfo& info = *rig_->ctl<TInfo>("TInfo");
    QCOMPARE(info.windowTitle(), QStringLiteral("Info"));
    QCOMPARE(info.size(), QSize(581, 462));
    QCOMPARE(info.minimumSize(), info.maximumSize());
    QCOMPARE(info.Title->text(), ru("Терминал для работы с COM-портом"));
    QVERIFY(info.Title->font().bold());
    QCOMPARE(info.Title->font().pixelSize(), 13);
    QCOMPARE(info.Product->text(), QStringLiteral("Vantrel v1.11"));
    QVERIFY(info.Product->font().bold());
    QCOMPARE(info.Product->font().pixelSize(), 24);
    QVERIFY(info.Product->y() > info.Title->y());
    QVERIFY(!info.Picture->pixmap().isNull());
    QCOMPARE(info.palette().color(QPalette::Window), QColor(Qt::white));

    // opened twice: no control shows the focus either time
    for (int i = 0; i < 2; ++i) {
        info.show();
        QTRY_VERIFY(info.isVisible());
        QCOMPARE(info.focusWidget(), static_cast<QWidget*>(info.FocusSink));
        info.close();
        QTRY_VERIFY(!info.isVisible());
    }

    TOpenPortError& err = *rig_->ctl<TOpenPortError>("TOpenPortError");
    QCOMPARE(err.windowTitle(), QStringLiteral("OpenPortError"));
    QCOMPARE(err.size(), QSize(599, 499));
    QVERIFY(err.maximumWidth() > 599);  // resizable
    QCOMPARE(err.Picture->pixmap().size(), QSize(599, 499));
    QCOMPARE(err.Picture->geometry(), QRect(0, 0, 599, 499));
}

void MainWindowTest::upDownReportsTheArrowAndKeepsItsRange() {
    UpDown& spin = *rig_->ctl<UpDown>("TimeOutRx");
    QCOMPARE(spin.minimum(), -10000);
    QCOMPARE(spin.maximum(), 10000);
    QCOMPARE(rig_->ctl<UpDown>("Srift")->minimum(), -100);
    QCOMPARE(rig_->ctl<UpDown>("Srift")->maximum(), 100);

    UpDown small;
    small.setRange(-1, 1);
    QSignalSpy spy(&small, &UpDown::clicked);
    for (int i = 0; i < 3; ++i) QTest::mouseClick(small.upButton(), Qt::LeftButton);
    QTest::mouseClick(small.downButton(), Qt::LeftButton);
    QCOMPARE(spy.count(), 4);
    QCOMPARE(spy.at(0).at(0).toBool(), true);
    QCOMPARE(spy.at(3).at(0).toBool(), false);
    // three steps up stop at the top; the click is still reported
    QCOMPARE(small.position(), 0);
    QVERIFY(small.upButton()->geometry().bottom() < small.downButton()->geometry().top());
}

void MainWindowTest::tabWalksTheRowsInTheirOrder() {
    // The parts make their controls each in turn; Tab still goes row by row.
    QStringList expected = {"BTConnect", "BTRescan", "ComPort", "BaudRate", "ComBits", "ComStopBits",
                            "AutoConnect", "FiltrLog", "BTLog", "StartLog", "StartStop", "BTPalitra", "BtInfo",
                            "MainWindow", "SecondWindow", "VisTime", "RBASCII", "RBHEX", "RBManual",
                            "RBAfterAns", "RBSel", "RBPeriod", "PeriodTX", "SendAsReconn", "CiklSend",
                            "BTClrStat", "MainStrCmd", "AddStrCmd", "CBLists", "ListNameEDT", "EditAllCmd",
                            "DelList", "SaveF", "OldCommandsBT", "ListDec", "ButtonReadFile", "ListInc",
                            "RBName", "RbData", "SendStart", "ButtonSend"};
    for (int k = 1; k <= 48; ++k) expected << QStringLiteral("Button%1").arg(k) << QStringLiteral("Edit%1").arg(k);
    expected << "OldCmdList" << "FastOldCmd" << "LBTail";
    QWidget& form = rig_->form();
    QWidget* const start = rig_->ctl("BTConnect");
    QStringList chain;
    QWidget* w = start;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && w->window() == &form && !w->objectName().isEmpty())
            chain << w->objectName();
        w = w->nextInFocusChain();
    } while (w && w != start);
    QCOMPARE(chain, expected);
}

QTEST_MAIN(MainWindowTest)
#include "tst_main_window.moc"
