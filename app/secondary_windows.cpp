#include "app/secondary_windows.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include "app/pictures.h"
#include "common/ui/text_codec.h"

namespace vantrel {

namespace {

QFont boldPixelFont(int pixels) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixels);
    f.setBold(true);
    return f;
}

// The style marks the focused button no other way than the default one; a
// dotted frame tells which answer Enter or Space will give.
class FocusFrameButton final : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* event) override {
        QPushButton::paintEvent(event);
        if (!hasFocus()) return;
        QPainter painter(this);
        painter.setPen(QPen(palette().color(QPalette::ButtonText), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(4, 4, -5, -5));
    }
};

}  // namespace

void centreOnScreen(QWidget& window) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QSize outer = window.frameGeometry().size();
    window.move(area.x() + (area.width() - outer.width()) / 2,
                area.y() + (area.height() - outer.height()) / 2);
}

// ------------------------------------------------------------------ TInfo

TInfo::TInfo(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TInfo"));
    setWindowTitle(QStringLiteral("Info"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(581, 462);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);

    // The hidden button comes first so it takes the focus when the window opens.
    FocusSink = new QPushButton(this);
    FocusSink->setObjectName(QStringLiteral("FocusSink"));
    FocusSink->setGeometry(0, 0, 1, 1);
    FocusSink->setDefault(false);
    FocusSink->setAutoDefault(false);
    // Kept "visible" to Qt so it can hold the focus, but it paints nothing.
    FocusSink->setFlat(true);
    FocusSink->setStyleSheet(QStringLiteral("border: none; background: transparent;"));

    Title = new QLabel(ru("Терминал для работы с COM-портом"), this);
    Title->setObjectName(QStringLiteral("Title"));
    Title->setFont(boldPixelFont(13));
    Title->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Title->setGeometry(0, 8, 581, 18);

    Product = new QLabel(QStringLiteral("Vantrel v1.11"), this);
    Product->setObjectName(QStringLiteral("Product"));
    Product->setFont(boldPixelFont(24));
    Product->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Product->setGeometry(0, 30, 581, 32);

    Picture = new QLabel(this);
    Picture->setObjectName(QStringLiteral("Picture"));
    Picture->setGeometry(0, 66, 581, 462 - 66);
    Picture->setPixmap(drawAboutPicture(Picture->size()));
}

void TInfo::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    centreOnScreen(*this);
    FocusSink->setFocus(Qt::OtherFocusReason);
}

// --------------------------------------------------------- TOpenPortError

TOpenPortError::TOpenPortError(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TOpenPortError"));
    setWindowTitle(QStringLiteral("OpenPortError"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    Picture = new QLabel(this);
    Picture->setObjectName(QStringLiteral("Picture"));
    const QPixmap pm = drawPortErrorPicture();
    Picture->setPixmap(pm);
    Picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Picture->setGeometry(0, 0, pm.width(), pm.height());
    // outer 603 x 519 with a usual frame: the client holds the picture
    resize(pm.width(), pm.height());
}

void TOpenPortError::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    centreOnScreen(*this);
}

// ------------------------------------------------------------------ TSave

TSave::TSave(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TSave"));
    // no title bar, so no caption and no system menu
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setFixedSize(300, 92);
    setAutoFillBackground(true);

    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    frame->setGeometry(0, 0, 300, 92);

    Question = new QLabel(ru("Сохранить изменения  макросов?"), this);
    Question->setObjectName(QStringLiteral("Question"));
    Question->setAlignment(Qt::AlignCenter);
    Question->setGeometry(8, 12, 284, 24);

    auto makeButton = [this](const char* caption, const char* name, int left) {
        auto* b = new FocusFrameButton(ru(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(left, 52, 80, 25);
        // Enter presses the button that has the focus, not always "Да".
        b->setAutoDefault(true);
        return b;
    };
    BtYes = makeButton("Да", "BtYes", 18);
    BtNo = makeButton("Нет", "BtNo", 110);
    BtCancel = makeButton("Отмена", "BtCancel", 202);
    BtYes->setDefault(true);

    connect(BtYes, &QPushButton::clicked, this, [this] {
        answer_ = Answer::Yes;
        accept();
    });
    connect(BtNo, &QPushButton::clicked, this, [this] {
        answer_ = Answer::No;
        reject();
    });
    connect(BtCancel, &QPushButton::clicked, this, [this] {
        answer_ = Answer::Cancel;
        reject();
    });
}

void TSave::showEvent(QShowEvent* event) {
    answer_ = Answer::None;
    QDialog::showEvent(event);
    centreOnScreen(*this);
    BtYes->setFocus(Qt::OtherFocusReason);
}

void TSave::keyPressEvent(QKeyEvent* event) {
    // Escape keeps the window and the edits; the dialog's own Escape would be "Нет".
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        BtCancel->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace vantrel
