#include "app/pictures.h"

#include <QFont>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include "common/ui/text_codec.h"

namespace vantrel {

namespace {

void drawConnector(QPainter& p, QPointF c, double scale) {
    // A nine-pin D-sub shell, its screws and the pins in two rows.
    p.save();
    p.translate(c);
    p.scale(scale, scale);
    QPainterPath shell;
    shell.moveTo(-70, -28);
    shell.lineTo(70, -28);
    shell.lineTo(58, 28);
    shell.lineTo(-58, 28);
    shell.closeSubpath();
    QLinearGradient metal(0, -40, 0, 40);
    metal.setColorAt(0, QColor(225, 228, 232));
    metal.setColorAt(1, QColor(140, 146, 155));
    p.setPen(QPen(QColor(70, 74, 80), 2));
    p.setBrush(metal);
    p.drawRoundedRect(QRectF(-100, -45, 200, 90), 8, 8);
    p.setBrush(QColor(40, 44, 52));
    p.drawPath(shell);
    p.setBrush(QColor(200, 170, 60));
    p.setPen(QPen(QColor(120, 95, 20), 1));
    for (int i = 0; i < 5; ++i) p.drawEllipse(QPointF(-48 + 24 * i, -12), 6, 6);
    for (int i = 0; i < 4; ++i) p.drawEllipse(QPointF(-36 + 24 * i, 12), 6, 6);
    p.setBrush(QColor(180, 184, 190));
    p.setPen(QPen(QColor(70, 74, 80), 2));
    for (int side : {-1, 1}) {
        p.drawEllipse(QPointF(side * 85, 0), 9, 9);
        p.drawLine(QPointF(side * 85 - 5, 0), QPointF(side * 85 + 5, 0));
    }
    p.restore();
}

void drawBoard(QPainter& p, QRectF r) {
    // A green board with a chip, a crystal, two LEDs and traces to the connector.
    p.save();
    p.setPen(QPen(QColor(20, 80, 40), 2));
    p.setBrush(QColor(30, 120, 60));
    p.drawRoundedRect(r, 10, 10);
    p.setPen(QPen(QColor(200, 170, 60), 3));
    for (int i = 0; i < 6; ++i) {
        const double y = r.top() + 30 + i * (r.height() - 60) / 5;
        p.drawLine(QPointF(r.left() + 10, y), QPointF(r.center().x() - 50, y));
        p.drawEllipse(QPointF(r.left() + 10, y), 3, 3);
    }
    const QRectF chip(r.center().x() - 45, r.center().y() - 35, 90, 70);
    p.setPen(QPen(QColor(190, 190, 190), 3));
    for (int i = 0; i < 7; ++i) {
        const double x = chip.left() + 9 + i * 12;
        p.drawLine(QPointF(x, chip.top() - 8), QPointF(x, chip.top()));
        p.drawLine(QPointF(x, chip.bottom()), QPointF(x, chip.bottom() + 8));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(25, 25, 30));
    p.drawRoundedRect(chip, 4, 4);
    p.setPen(QColor(210, 210, 210));
    QFont f(QStringLiteral("DejaVu Sans Mono"));
    f.setPixelSize(13);
    f.setBold(true);
    p.setFont(f);
    p.drawText(chip, Qt::AlignCenter, QStringLiteral("UART"));
    p.setPen(QPen(QColor(120, 120, 120), 1));
    p.setBrush(QColor(215, 215, 220));
    p.drawRoundedRect(QRectF(r.right() - 60, r.top() + 20, 36, 16), 8, 8);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 60, 40));
    p.drawEllipse(QPointF(r.right() - 30, r.bottom() - 40), 7, 7);
    p.setBrush(QColor(80, 255, 80));
    p.drawEllipse(QPointF(r.right() - 55, r.bottom() - 40), 7, 7);
    p.restore();
}

void drawCable(QPainter& p, QPointF from, QPointF to) {
    QPainterPath cable(from);
    cable.cubicTo(from + QPointF(90, 0), to - QPointF(90, 0), to);
    p.save();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(60, 60, 70), 12, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(cable);
    p.setPen(QPen(QColor(120, 120, 135), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(cable);
    p.restore();
}

void drawWave(QPainter& p, QRectF r) {
    // A serial frame: idle high, start bit, eight data bits, stop bit.
    const int bits[] = {1, 1, 0, 1, 0, 0, 1, 1, 0, 1, 0, 1, 1, 1};
    const double step = r.width() / (sizeof bits / sizeof bits[0]);
    QPolygonF line;
    for (std::size_t i = 0; i < sizeof bits / sizeof bits[0]; ++i) {
        const double y = bits[i] ? r.top() : r.bottom();
        line << QPointF(r.left() + i * step, y) << QPointF(r.left() + (i + 1) * step, y);
    }
    p.save();
    p.setPen(QPen(QColor(30, 90, 200), 3));
    p.drawPolyline(line);
    p.restore();
}

QFont handFont(int pixels) {
    QFont f(QStringLiteral("DejaVu Serif"));
    f.setItalic(true);
    f.setBold(true);
    f.setPixelSize(pixels);
    return f;
}

void drawHandWords(QPainter& p, const QString& words, QRectF area) {
    // Letters of slightly varying size and tilt, as if written with a marker;
    // the base size shrinks until the whole line fits the area.
    auto letterSize = [](int base, int i) { return base - 4 + (i * 7) % 9; };
    int base = 48;
    auto lineWidth = [&](int b) {
        double w = 0;
        for (int i = 0; i < words.size(); ++i)
            w += QFontMetricsF(handFont(letterSize(b, i))).horizontalAdvance(words.at(i));
        return w;
    };
    while (base > 12 && lineWidth(base) > area.width() - 40) --base;
    const double total = lineWidth(base);
    double x = area.center().x() - total / 2;
    const double baseline = area.center().y() + QFontMetricsF(handFont(base)).ascent() / 3;
    p.save();
    p.setPen(QColor(200, 20, 20));
    for (int i = 0; i < words.size(); ++i) {
        const QFont f = handFont(letterSize(base, i));
        p.setFont(f);
        p.save();
        p.translate(x, baseline + ((i * 5) % 7) - 3);
        p.rotate(((i * 11) % 13) - 6);
        p.drawText(QPointF(0, 0), words.mid(i, 1));
        p.restore();
        x += QFontMetricsF(f).horizontalAdvance(words.at(i));
    }
    // a hasty underline
    p.setPen(QPen(QColor(200, 20, 20), 4, Qt::SolidLine, Qt::RoundCap));
    QPainterPath under(QPointF(area.center().x() - total / 2, baseline + 16));
    under.cubicTo(QPointF(area.center().x() - total / 6, baseline + 24),
                  QPointF(area.center().x() + total / 6, baseline + 8),
                  QPointF(area.center().x() + total / 2, baseline + 18));
    p.setBrush(Qt::NoBrush);
    p.drawPath(under);
    p.restore();
}

void drawAngryMan(QPainter& p, QPointF head) {
    const QPen outline(QColor(30, 30, 30), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    const QColor skin(245, 200, 160);
    const QColor shirt(70, 110, 180);
    p.save();
    p.setPen(outline);

    // body and the arm on the left hanging down
    p.setBrush(shirt);
    QPainterPath body(head + QPointF(-70, 75));
    body.quadTo(head + QPointF(0, 55), head + QPointF(70, 75));
    body.lineTo(head + QPointF(95, 250));
    body.lineTo(head + QPointF(-95, 250));
    body.closeSubpath();
    p.drawPath(body);
    p.drawLine(head + QPointF(-70, 80), head + QPointF(-115, 200));
    p.setBrush(skin);
    p.drawEllipse(head + QPointF(-118, 210), 17, 17);

    // the raised arm and the fist
    p.setBrush(shirt);
    QPolygonF arm;
    arm << head + QPointF(60, 80) << head + QPointF(150, -40) << head + QPointF(175, -20)
        << head + QPointF(85, 105);
    p.drawPolygon(arm);
    p.setBrush(skin);
    p.drawRoundedRect(QRectF(head + QPointF(135, -100), QSizeF(60, 62)), 18, 18);
    for (int i = 1; i < 4; ++i) {
        const double y = -100 + i * 15.5;
        p.drawLine(head + QPointF(140, y), head + QPointF(165, y));
    }

    // head, red with anger
    p.setBrush(QColor(240, 140, 110));
    p.drawEllipse(head, 62, 70);
    p.setBrush(QColor(60, 40, 30));
    p.drawChord(QRectF(head - QPointF(62, 70), QSizeF(124, 80)), 20 * 16, 140 * 16);

    // eyes under frowning brows
    p.setBrush(Qt::white);
    p.drawEllipse(head + QPointF(-24, -6), 12, 9);
    p.drawEllipse(head + QPointF(24, -6), 12, 9);
    p.setBrush(QColor(30, 30, 30));
    p.drawEllipse(head + QPointF(-22, -4), 4, 4);
    p.drawEllipse(head + QPointF(22, -4), 4, 4);
    p.setPen(QPen(QColor(30, 30, 30), 8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(head + QPointF(-42, -30), head + QPointF(-8, -16));
    p.drawLine(head + QPointF(42, -30), head + QPointF(8, -16));

    // a shouting mouth
    p.setPen(outline);
    p.setBrush(QColor(120, 20, 20));
    p.drawChord(QRectF(head + QPointF(-26, 18), QSizeF(52, 36)), 0, 180 * 16);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(head + QPointF(-20, 24), QSizeF(40, 8)));

    // steam of anger
    p.setPen(QPen(QColor(200, 20, 20), 4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    for (int side : {-1, 1}) {
        const QPointF s = head + QPointF(side * 80, -50);
        p.drawLine(s, s + QPointF(side * 22, -18));
        p.drawLine(s + QPointF(0, 18), s + QPointF(side * 28, 12));
    }
    p.restore();
}

}  // namespace

QString portErrorWords() { return ru("Сначала открой порт!"); }

QPixmap drawAboutPicture(QSize size) {
    QPixmap pm(size);
    pm.fill(Qt::white);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const double w = size.width();
    const double h = size.height();
    drawWave(p, QRectF(w * 0.08, h * 0.06, w * 0.84, h * 0.12));
    const QRectF board(w * 0.52, h * 0.30, w * 0.42, h * 0.62);
    drawBoard(p, board);
    const QPointF plug(w * 0.25, h * 0.55);
    drawCable(p, plug + QPointF(100 * 0.9, 0), QPointF(board.left(), board.center().y()));
    drawConnector(p, plug, 0.9);
    p.end();
    return pm;
}

QPixmap drawPortErrorPicture() {
    QPixmap pm(599, 499);
    pm.fill(QColor(255, 253, 240));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    drawHandWords(p, portErrorWords(), QRectF(0, 10, 599, 90));
    drawAngryMan(p, QPointF(250, 220));
    p.end();
    return pm;
}

}  // namespace vantrel
