#include "Pictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

namespace resgen {
namespace {

QFont PictureFont(int pixelSize, int weight) {
    QFont font;
    font.setFamilies({QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("SimSun"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(pixelSize);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

// Rounded tile with a vertical gradient, the common ground of every icon.
void DrawTile(QPainter& p, double s, QColor top, QColor bottom) {
    QLinearGradient g(0, 0, 0, s);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setPen(QPen(bottom.darker(140), s / 32));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(s * 0.03, s * 0.03, s * 0.94, s * 0.94), s * 0.18, s * 0.18);
}

// Two overlapping windings: the usual symbol of a transformer.
void DrawTransformer(QPainter& p, QPointF centre, double r, QColor first, QColor second, double width) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(first, width));
    p.drawEllipse(QPointF(centre.x(), centre.y() - r * 0.55), r, r);
    p.setPen(QPen(second, width));
    p.drawEllipse(QPointF(centre.x(), centre.y() + r * 0.55), r, r);
}

void DrawProgramIcon(QPainter& p, double s) {
    DrawTile(p, s, QColor(40, 90, 190), QColor(10, 30, 90));
    DrawTransformer(p, QPointF(s / 2, s / 2), s * 0.24, QColor(255, 255, 255), QColor(255, 200, 60), s / 11);
}

void DrawSettingsIcon(QPainter& p, double s) {
    DrawTile(p, s, QColor(40, 160, 140), QColor(10, 80, 70));
    // A sheet of rows with a slider on each: values to be set.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 250, 240));
    p.drawRect(QRectF(s * 0.22, s * 0.18, s * 0.56, s * 0.64));
    for (int i = 0; i < 3; ++i) {
        const double y = s * (0.32 + 0.18 * i);
        p.setPen(QPen(QColor(60, 60, 60), qMax(1.0, s / 24)));
        p.drawLine(QPointF(s * 0.30, y), QPointF(s * 0.70, y));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(230, 120, 30));
        const double x = s * (0.38 + 0.14 * ((i * 2) % 3));
        p.drawEllipse(QPointF(x, y), s * 0.06, s * 0.06);
    }
}

// The monitor screen; `sending` lights the outgoing arrow, otherwise the incoming one.
void DrawMonitorIcon(QPainter& p, double s, bool sending) {
    DrawTile(p, s, QColor(90, 100, 120), QColor(30, 35, 45));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(15, 25, 20));
    p.drawRect(QRectF(s * 0.15, s * 0.18, s * 0.70, s * 0.64));
    const QColor on = sending ? QColor(255, 180, 40) : QColor(80, 240, 110);
    const QColor off(70, 90, 80);
    const double w = qMax(1.5, s / 12);
    auto arrow = [&](double y, bool right, QColor c) {
        p.setPen(QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const double x0 = s * 0.26, x1 = s * 0.74, head = s * 0.12;
        p.drawLine(QPointF(x0, y), QPointF(x1, y));
        const double tip = right ? x1 : x0;
        const double back = right ? tip - head : tip + head;
        p.drawLine(QPointF(tip, y), QPointF(back, y - head));
        p.drawLine(QPointF(tip, y), QPointF(back, y + head));
    };
    arrow(s * 0.36, true, sending ? on : off);
    arrow(s * 0.64, false, sending ? off : on);
}

}  // namespace

QImage DrawIcon(int id, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    switch (id) {
        case 128:
            DrawProgramIcon(p, s);
            break;
        case 131:
            DrawMonitorIcon(p, s, false);
            break;
        case 132:
            DrawMonitorIcon(p, s, true);
            break;
        case 144:
            DrawSettingsIcon(p, s);
            break;
        default:
            break;
    }
    return image;
}

QImage DrawSplash() {
    constexpr int kW = 640, kH = 400;
    QImage image(kW, kH, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient sky(0, 0, kW * 0.4, kH);
    sky.setColorAt(0, QColor(22, 52, 120));
    sky.setColorAt(0.55, QColor(10, 28, 78));
    sky.setColorAt(1, QColor(4, 12, 40));
    p.fillRect(image.rect(), sky);

    QRadialGradient glow(QPointF(500, 120), 260);
    glow.setColorAt(0, QColor(90, 150, 255, 90));
    glow.setColorAt(1, QColor(90, 150, 255, 0));
    p.fillRect(image.rect(), glow);

    // A faint grid and two phase-shifted waves suggest measurement.
    p.setPen(QPen(QColor(255, 255, 255, 18), 1));
    for (int x = 0; x <= kW; x += 32) p.drawLine(x, 0, x, kH);
    for (int y = 0; y <= kH; y += 32) p.drawLine(0, y, kW, y);
    const QColor waveColours[2] = {QColor(255, 200, 60, 150), QColor(120, 200, 255, 130)};
    for (int k = 0; k < 2; ++k) {
        QPainterPath wave;
        for (int x = 0; x <= kW; x += 2) {
            const double y = 300 + 26 * qSin(x / 640.0 * 4 * M_PI + k * 2 * M_PI / 3);
            if (x == 0)
                wave.moveTo(x, y);
            else
                wave.lineTo(x, y);
        }
        p.setPen(QPen(waveColours[k], 2));
        p.setBrush(Qt::NoBrush);
        p.drawPath(wave);
    }

    DrawTransformer(p, QPointF(530, 132), 44, QColor(255, 255, 255, 220), QColor(255, 200, 60, 230), 7);

    p.setPen(QColor(255, 255, 255));
    p.setFont(PictureFont(96, QFont::Bold));
    p.drawText(QRect(48, 60, 420, 120), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("VARN"));

    p.fillRect(QRectF(52, 182, 120, 3), QColor(255, 200, 60));

    p.setPen(QColor(225, 235, 255));
    p.setFont(PictureFont(30, QFont::Normal));
    p.drawText(QRect(50, 196, 560, 48), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("变压器保护测控装置 上位机软件"));

    p.setPen(QColor(160, 180, 220));
    p.setFont(PictureFont(15, QFont::Normal));
    p.drawText(QRect(52, 352, 540, 28), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Modbus RTU  ·  RS-232 / RS-485"));
    p.end();
    return image;
}

QByteArray ToBmp24(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const int w = image.width(), h = image.height();
    const int stride = (w * 3 + 3) & ~3;
    const quint32 pixelBytes = static_cast<quint32>(stride) * static_cast<quint32>(h);
    QByteArray out;
    auto u16 = [&out](quint32 v) {
        out.append(static_cast<char>(v & 0xFF));
        out.append(static_cast<char>((v >> 8) & 0xFF));
    };
    auto u32 = [&](quint32 v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    };
    out.append("BM");
    u32(54 + pixelBytes);
    u32(0);
    u32(54);
    u32(40);
    u32(static_cast<quint32>(w));
    u32(static_cast<quint32>(h));  // positive height: rows bottom-up
    u16(1);
    u16(24);
    u32(0);  // BI_RGB
    u32(pixelBytes);
    u32(2835);  // 72 dpi
    u32(2835);
    u32(0);
    u32(0);
    for (int y = h - 1; y >= 0; --y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            out.append(static_cast<char>(qBlue(line[x])));
            out.append(static_cast<char>(qGreen(line[x])));
            out.append(static_cast<char>(qRed(line[x])));
        }
        for (int i = w * 3; i < stride; ++i) out.append('\0');
    }
    return out;
}

}  // namespace resgen
