// Every control of the main window at its place, with its first caption,
// hint, font and visibility.
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include <limits>

#include "app/log_view.h"
#include "app/main_window.h"
#include "app/text_codec.h"
#include "app/up_down.h"
#include "tx/encoding.h"

namespace vantrel {

namespace {

template <typename W>
W* place(W* w, const char* name, int x, int y, int width, int height, const char* hint = nullptr) {
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(x, y, width, height);
    if (hint) w->setToolTip(ru(hint));
    return w;
}

QFrame* panel(QWidget* parent, const char* name, int x, int y, int w, int h) {
    auto* f = place(new QFrame(parent), name, x, y, w, h);
    f->setFrameStyle(QFrame::Panel | QFrame::Raised);
    return f;
}

QPushButton* button(QWidget* parent, const char* name, const char* caption, int x, int y, int w,
                    int h, const char* hint = nullptr) {
    auto* b = place(new QPushButton(ru(caption), parent), name, x, y, w, h, hint);
    b->setAutoDefault(false);
    return b;
}

// A static text with a sunken border.
QLabel* sunken(QWidget* parent, const char* name, const char* caption, int x, int y, int w, int h,
               const char* hint = nullptr) {
    auto* l = place(new QLabel(ru(caption), parent), name, x, y, w, h, hint);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return l;
}

// A label that takes the size of its caption.
QLabel* label(QWidget* parent, const char* name, const char* caption, int x, int y) {
    auto* l = new QLabel(ru(caption), parent);
    l->setObjectName(QString::fromLatin1(name));
    l->move(x, y);
    l->adjustSize();
    return l;
}

QCheckBox* check(QWidget* parent, const char* name, const char* caption, int x, int y, int w, int h) {
    return place(new QCheckBox(ru(caption), parent), name, x, y, w, h);
}

QRadioButton* radio(QWidget* parent, const char* name, const char* caption, int x, int y, int w,
                    int h, const char* hint = nullptr) {
    return place(new QRadioButton(ru(caption), parent), name, x, y, w, h, hint);
}

QComboBox* combo(QWidget* parent, const char* name, int x, int y, int w, int h, const char* hint,
                 std::initializer_list<const char*> items, int selected) {
    auto* c = place(new QComboBox(parent), name, x, y, w, h, hint);
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    for (const char* item : items) c->addItem(ru(item));
    c->setCurrentIndex(selected);
    return c;
}

QLineEdit* edit(QWidget* parent, const char* name, const char* text, int x, int y, int w, int h,
                int maxLength, const char* hint = nullptr) {
    auto* e = place(new QLineEdit(ru(text), parent), name, x, y, w, h, hint);
    // Without a limit of its own a field takes any length; QLineEdit would cut at 32767.
    e->setMaxLength(maxLength > 0 ? maxLength : std::numeric_limits<int>::max());
    return e;
}

QListWidget* listBox(QWidget* parent, const char* name, int x, int y, int w, int h) {
    auto* l = place(new QListWidget(parent), name, x, y, w, h);
    l->hide();
    return l;
}

UpDown* upDown(QWidget* parent, const char* name, int x, int y, int minimum, int maximum,
               const char* hint) {
    auto* u = place(new UpDown(parent), name, x, y, 17, 24, hint);
    u->setRange(minimum, maximum);
    return u;
}

QFont styled(const QFont& base, int pixels, bool bold) {
    QFont f = base;
    if (pixels > 0) f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

}  // namespace

void TForm1::createControls() {
    const QFont base = font();

    // ---------------------------------------------------------------- top bar
    Panel1 = panel(this, "Panel1", 4, 0, 937, 25);
    BTConnect = button(Panel1, "BTConnect", "Connect", 0, 0, 65, 25);
    BTRescan = button(Panel1, "BTRescan", "ReScan", 64, 0, 65, 25);
    ComPort = combo(Panel1, "ComPort", 128, 0, 61, 21, "Port", {}, -1);
    BaudRate = combo(Panel1, "BaudRate", 188, 0, 61, 21, "BaudRate",
                     {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"}, 0);
    ComBits = combo(Panel1, "ComBits", 248, 0, 37, 21, "Bits", {"5", "6", "7", "8"}, 3);
    ComStopBits = combo(Panel1, "ComStopBits", 284, 0, 37, 21, "StopBit", {"1", "1,5", "2"}, 0);
    AutoConnect = check(Panel1, "AutoConnect", "AutoConnect", 324, 4, 89, 17);
    TimeOutRx = upDown(Panel1, "TimeOutRx", 408, 0, -10000, 10000,
                       "Временнй интервал разделения пакетов, мс");
    TimeOutAns = sunken(Panel1, "TimeOutAns", "", 428, 4, 89, 17);
    FiltrLog = edit(Panel1, "FiltrLog", "", 520, 4, 57, 19, 250, "Фильтр сообщений");
    FiltrLog->setFont(styled(base, 0, true));
    Srift = upDown(Panel1, "Srift", 584, 0, -100, 100, "Размер шрифта");
    SriftText = sunken(Panel1, "SriftText", "", 604, 4, 29, 17);
    BTLog = button(Panel1, "BTLog", "Clear", 636, 0, 61, 25, "Очистить окно лога");
    StartLog = button(Panel1, "StartLog", "Start Log", 696, 0, 61, 25);
    StartStop = button(Panel1, "StartStop", "||", 756, 0, 61, 25, "Остановить/продолжить вывод лога");
    StartStop->setFont(styled(base, 32, true));
    BTPalitra = button(Panel1, "BTPalitra", "Colors", 816, 0, 61, 25, "Цвет окна лога");
    BtInfo = button(Panel1, "BtInfo", "Info", 876, 0, 61, 25);

    // -------------------------------------------------------------- log views
    MainWindow = place(new LogView(this), "MainWindow", 4, 28, 937, 373);
    MainWindow->setReadOnly(true);
    MainWindow->setFrameStyle(QFrame::Box | QFrame::Plain);
    MainWindow->setLineWrapMode(QPlainTextEdit::WidgetWidth);

    SecondWindow = place(new QPlainTextEdit(this), "SecondWindow", 4, 28, 937, 373);
    SecondWindow->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    {
        QPalette pal = SecondWindow->palette();
        pal.setColor(QPalette::Base, pal.color(QPalette::ToolTipBase));
        pal.setColor(QPalette::Text, pal.color(QPalette::ToolTipText));
        SecondWindow->setPalette(pal);
    }
    SecondWindow->hide();

    // ------------------------------------------------------- log options bar
    LogPanel = panel(this, "LogPanel", 4, 404, 937, 45);
    TextTime = sunken(LogPanel, "TextTime", "", 4, 16, 53, 17);
    OutMode = panel(LogPanel, "OutMode", 64, 0, 117, 45);
    VisTime = check(OutMode, "VisTime", "TIME + ", 4, 16, 57, 17);
    RBASCII = radio(OutMode, "RBASCII", "ASCII", 64, 8, 49, 17, "Пример: \"command\"");
    RBHEX = radio(OutMode, "RBHEX", "HEX", 64, 24, 49, 17, "Пример: \"00 01 02 03 0D 0E 12 13\"");
    RBASCII->setChecked(true);

    InputMode = panel(LogPanel, "InputMode", 184, 0, 477, 45);
    Label1 = label(InputMode, "Label1", "Отправка:", 4, 16);
    Label1->setFont(styled(base, 13, false));
    Label1->adjustSize();
    RBManual = radio(InputMode, "RBManual", "Ручная", 76, 8, 57, 17);
    RBAfterAns = radio(InputMode, "RBAfterAns", "После ответа", 160, 8, 97, 17);
    RBSel = radio(InputMode, "RBSel", "При выборе", 76, 24, 89, 17);
    RBPeriod = radio(InputMode, "RBPeriod", "Период, мс:", 160, 24, 81, 17);
    RBManual->setChecked(true);
    PeriodTX = edit(InputMode, "PeriodTX", "1000", 244, 24, 33, 19, 5);
    SendAsReconn = check(InputMode, "SendAsReconn", "Отправить при соединении", 284, 8, 165, 17);
    CiklSend = check(InputMode, "CiklSend", "Циклическая отправка из файла", 284, 24, 189, 17);
    CiklSend->hide();

    // bound to the right edge of LogPanel, inside its border
    PStats = panel(LogPanel, "PStats", 937 - 1 - 268, 1, 268, 43);
    LSend = place(new QLabel(PStats), "LSend", 8, 8, 86, 13,
                  "Число отправленных пакетов с учётом настроек фильтра");
    LRead = place(new QLabel(PStats), "LRead", 8, 24, 86, 13,
                  "Число принятых пакетов с учётом настроек фильтра");
    MinTimeWait = place(new QLabel(PStats), "MinTimeWait", 96, 8, 128, 13,
                        "Минимальное время между принятыми пакетами");
    MaxTimeWait = place(new QLabel(PStats), "MaxTimeWait", 96, 24, 128, 13,
                        "Максимальное время между принятыми пакетами");
    BTClrStat = button(PStats, "BTClrStat", "0", 228, 12, 35, 21, "Обнулить статистику");
    BTClrStat->setFont(styled(base, 13, true));

    // ------------------------------------------------ command and macro panel
    MainPanel = panel(this, "MainPanel", 4, 450, 937, 297);
    MainStrCmd = edit(MainPanel, "MainStrCmd", "", 8, 6, 641, 19, 0);
    Str1 = place(new QLabel(MainPanel), "Str1", 636, 8, 27, 17);
    LPlus = label(MainPanel, "LPlus", "+", 652, 4);
    LPlus->setFont(styled(base, 19, true));
    LPlus->adjustSize();
    AddStrCmd = edit(MainPanel, "AddStrCmd", "$0D", 668, 6, 261, 19, 0,
                     "Примеры: $0D$0A, *[XOR_8(1..n)]$0D$0A. Список алгоритмов расчёта "
                     "контрольной суммы появляется при нажатии \"Стрелка вниз\". "
                     "\nТакже CRC: CRC16_MODBUS, CRC16_CCITT, CRC8, CRC8_MAXIM, CRC32.");
    Str2 = place(new QLabel(MainPanel), "Str2", 916, 8, 27, 17);

    CBLists = place(new QComboBox(MainPanel), "CBLists", 8, 32, 289, 33,
                    "Можно дважды кликнуть мышкой");
    CBLists->setFont(styled(base, 20, true));
    STListName = sunken(MainPanel, "STListName", "", 8, 32, 289, 33,
                        "Список откроется по двойному клику");
    STListName->setFont(styled(base, 24, true));
    STListName->hide();
    ListNameEDT = edit(MainPanel, "ListNameEDT", "", 8, 32, 289, 33, 150);
    ListNameEDT->setFont(styled(base, 20, true));
    ListNameEDT->hide();

    EditAllCmd = button(MainPanel, "EditAllCmd", "Редактор", 302, 32, 87, 33);
    DelList = button(MainPanel, "DelList", "Очистить", 388, 32, 93, 33, "Очистить весь список команд");
    DelList->hide();
    SaveF = button(MainPanel, "SaveF", "Сохранить", 388, 48, 93, 17, "Сохранить все изменения в файл");
    SaveF->hide();
    OldCommandsBT = button(MainPanel, "OldCommandsBT", "Отправленные", 480, 32, 85, 33);
    OldCommandsBT->hide();
    ListDec = button(MainPanel, "ListDec", "<<<<<", 480, 32, 85, 33, "Предыдущий список");
    ListDec->setFont(styled(base, 16, true));
    ListDec->hide();
    ListDec->setEnabled(false);
    ButtonReadFile = button(MainPanel, "ButtonReadFile", "Из файла", 564, 32, 85, 33);
    ListInc = button(MainPanel, "ListInc", ">>>>>", 564, 32, 85, 33, "Следующий список");
    ListInc->setFont(styled(base, 16, true));
    ListInc->hide();
    RBName = radio(MainPanel, "RBName", "Имя команды", 668, 32, 113, 17);
    RbData = radio(MainPanel, "RbData", "Командная строка", 668, 48, 117, 17);
    RBName->setChecked(true);
    SendStart = button(MainPanel, "SendStart", "Отправить из файла", 668, 32, 129, 33);
    SendStart->hide();
    ButtonSend = button(MainPanel, "ButtonSend", "Отправить", 800, 32, 129, 33);

    for (int k = 1; k <= 48; ++k) {
        const int c = (k - 1) / 8;
        const int r = (k - 1) % 8;
        const int left = 8 + 88 * c;
        const int top = 72 + 24 * r;
        const int width = c < 5 ? 89 : 201;
        auto* b = new QPushButton(MainPanel);
        b->setObjectName(QStringLiteral("Button%1").arg(k));
        b->setGeometry(left, top, width, 25);
        b->setAutoDefault(false);
        MacroButtons[k - 1] = b;
        auto* e = new QLineEdit(MainPanel);
        e->setObjectName(QStringLiteral("Edit%1").arg(k));
        e->setGeometry(left, top, width, 25);
        e->setMaxLength(50);
        e->hide();
        MacroFields[k - 1] = e;
    }

    QPalette cream = palette();
    cream.setColor(QPalette::Window, QColor(255, 251, 240));
    for (int i = 1; i <= 12; ++i) {
        auto* l = new QLabel(MainPanel);
        l->setObjectName(QStringLiteral("STH%1").arg(i));
        l->setGeometry(668, 72 + 16 * (i - 1), 261, 17);
        l->setAutoFillBackground(true);
        l->setPalette(cream);
        HelpLabels[i - 1] = l;
    }
    HelpLabels[0]->setFont(styled(base, 0, true));
    HelpLabels[0]->setAlignment(Qt::AlignCenter);

    OldCmdList = listBox(MainPanel, "OldCmdList", 8, 72, 877, 193);
    FastOldCmd = listBox(MainPanel, "FastOldCmd", 8, 24, 641, 241);
    LBTail = listBox(MainPanel, "LBTail", 668, 24, 261, 241);
    for (std::string_view t : kChecksumTemplates)
        LBTail->addItem(QString::fromLatin1(t.data(), qsizetype(t.size())));

    STLog = sunken(MainPanel, "STLog", "Запись в файл не ведётся", 8, 272, 641, 17);
    StaticText1 = sunken(MainPanel, "StaticText1",
                         "Двойной клик по команде откроет окно редактирования справки", 8, 272, 641, 17);
    {
        QPalette pal = StaticText1->palette();
        pal.setColor(QPalette::Window, Qt::yellow);
        StaticText1->setPalette(pal);
        StaticText1->setAutoFillBackground(true);
    }
    StaticText1->hide();
    StaticText3 = sunken(MainPanel, "StaticText3", "TX: 0, RX: 0", 668, 272, 261, 17);
}

}  // namespace vantrel
