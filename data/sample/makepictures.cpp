// Draws the sample household's pictures: small JPEGs that read as the things they show, some
// stored turned with an EXIF orientation as phone photos are. Output is the same on every run.
#include <QByteArray>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTransform>

#include <cstdio>
#include <functional>

namespace {

constexpr int W = 320;
constexpr int H = 240;

void room(QPainter &p, QColor wall, QColor floor, int horizon = 170)
{
    QLinearGradient g(0, 0, 0, horizon);
    g.setColorAt(0, wall.lighter(115));
    g.setColorAt(1, wall);
    p.fillRect(0, 0, W, horizon, g);
    QLinearGradient f(0, horizon, 0, H);
    f.setColorAt(0, floor);
    f.setColorAt(1, floor.darker(130));
    p.fillRect(0, horizon, W, H - horizon, f);
}

void shadow(QPainter &p, QPointF centre, qreal rx, qreal ry)
{
    QRadialGradient g(centre, rx);
    g.setColorAt(0, QColor(0, 0, 0, 90));
    g.setColorAt(1, QColor(0, 0, 0, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(centre, rx, ry);
}

void lamp(QPainter &p)
{
    room(p, QColor(224, 214, 190), QColor(120, 86, 60));
    shadow(p, { 160, 205 }, 60, 10);
    p.setBrush(QColor(176, 141, 66));
    p.setPen(QPen(QColor(120, 90, 30), 2));
    p.drawEllipse(QRectF(115, 192, 90, 16)); // base
    p.drawRect(QRectF(155, 90, 10, 104)); // stem
    QPainterPath shade;
    shade.moveTo(115, 95);
    shade.lineTo(205, 95);
    shade.lineTo(185, 35);
    shade.lineTo(135, 35);
    shade.closeSubpath();
    QLinearGradient g(115, 0, 205, 0);
    g.setColorAt(0, QColor(250, 236, 190));
    g.setColorAt(1, QColor(214, 190, 130));
    p.setBrush(g);
    p.drawPath(shade);
    QRadialGradient glow(QPointF(160, 110), 60);
    glow.setColorAt(0, QColor(255, 250, 200, 160));
    glow.setColorAt(1, QColor(255, 250, 200, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(QPointF(160, 110), 60, 40);
}

void chair(QPainter &p)
{
    room(p, QColor(200, 212, 200), QColor(150, 110, 70));
    shadow(p, { 160, 210 }, 90, 12);
    p.setPen(QPen(QColor(80, 50, 20), 2));
    p.setBrush(QColor(120, 80, 40));
    p.drawRect(QRectF(95, 170, 12, 42)); // legs
    p.drawRect(QRectF(213, 170, 12, 42));
    p.setBrush(QColor(70, 110, 70));
    p.drawRoundedRect(QRectF(100, 40, 120, 100), 18, 18); // back
    p.drawRoundedRect(QRectF(85, 130, 150, 45), 10, 10); // seat
    p.drawRoundedRect(QRectF(70, 100, 35, 75), 12, 12); // arms
    p.drawRoundedRect(QRectF(215, 100, 35, 75), 12, 12);
}

void cameraBody(QPainter &p, bool back)
{
    room(p, QColor(230, 230, 235), QColor(90, 90, 100), 180);
    shadow(p, { 160, 190 }, 100, 12);
    p.setPen(QPen(QColor(20, 20, 20), 2));
    p.setBrush(QColor(45, 45, 50));
    p.drawRoundedRect(QRectF(60, 70, 200, 115), 14, 14);
    p.drawRoundedRect(QRectF(120, 50, 80, 30), 6, 6); // viewfinder hump
    p.setBrush(QColor(190, 190, 195));
    p.drawEllipse(QRectF(215, 56, 22, 14)); // dial
    if (back) {
        p.setBrush(QColor(30, 60, 90));
        p.drawRect(QRectF(80, 90, 120, 80)); // screen
        p.setBrush(QColor(220, 220, 220));
        p.drawRect(QRectF(212, 140, 36, 16)); // serial plate
        p.setPen(QColor(20, 20, 20));
        p.setFont(QFont(QStringLiteral("DejaVu Sans"), 5));
        p.drawText(QRectF(212, 140, 36, 16), Qt::AlignCenter, QStringLiteral("TX5-0098812"));
        return;
    }
    QRadialGradient lens(QPointF(160, 128), 50);
    lens.setColorAt(0, QColor(90, 120, 170));
    lens.setColorAt(0.35, QColor(20, 20, 30));
    lens.setColorAt(1, QColor(70, 70, 75));
    p.setBrush(lens);
    p.drawEllipse(QPointF(160, 128), 48, 48);
    p.setBrush(QColor(255, 255, 255, 120));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(145, 112), 9, 6);
}

void television(QPainter &p)
{
    room(p, QColor(180, 190, 205), QColor(110, 90, 70), 200);
    p.setPen(QPen(QColor(15, 15, 15), 3));
    p.setBrush(QColor(25, 25, 25));
    p.drawRect(QRectF(40, 30, 240, 140));
    QLinearGradient screen(40, 30, 280, 170);
    screen.setColorAt(0, QColor(60, 140, 200));
    screen.setColorAt(0.6, QColor(40, 170, 110));
    screen.setColorAt(1, QColor(230, 200, 80));
    p.setBrush(screen);
    p.drawRect(QRectF(48, 38, 224, 124));
    p.setBrush(QColor(40, 40, 40));
    p.drawRect(QRectF(150, 170, 20, 18));
    p.drawRect(QRectF(110, 186, 100, 8));
}

void guitar(QPainter &p)
{
    room(p, QColor(235, 225, 210), QColor(140, 100, 70), 200);
    p.save();
    p.translate(160, 125);
    p.rotate(-20);
    p.setPen(QPen(QColor(90, 50, 20), 2));
    p.setBrush(QColor(110, 70, 35));
    p.drawRect(QRectF(-7, -115, 14, 90)); // neck
    p.drawRect(QRectF(-11, -130, 22, 20)); // head
    p.setBrush(QColor(205, 140, 60));
    p.drawEllipse(QRectF(-40, -35, 80, 65));
    p.drawEllipse(QRectF(-50, 10, 100, 85));
    p.setBrush(QColor(40, 25, 10));
    p.drawEllipse(QPointF(0, 20), 15, 15); // sound hole
    p.setPen(QPen(QColor(230, 230, 230), 1));
    for (int s = -4; s <= 4; s += 2)
        p.drawLine(QPointF(s * 0.8, -125), QPointF(s * 0.8, 70));
    p.restore();
}

void bicycle(QPainter &p)
{
    room(p, QColor(190, 190, 185), QColor(120, 120, 115), 180);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(20, 20, 20), 6));
    p.drawEllipse(QPointF(85, 160), 50, 50);
    p.drawEllipse(QPointF(235, 160), 50, 50);
    p.setPen(QPen(QColor(190, 30, 40), 6, Qt::SolidLine, Qt::RoundCap));
    const QPointF rear(85, 160), front(235, 160), pedal(150, 160), seat(135, 85), head(215, 80);
    p.drawLine(rear, pedal);
    p.drawLine(pedal, seat);
    p.drawLine(seat, rear);
    p.drawLine(seat, head);
    p.drawLine(pedal, head);
    p.drawLine(head, front);
    p.setPen(QPen(QColor(30, 30, 30), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(120, 78), QPointF(150, 78)); // saddle
    p.drawLine(QPointF(205, 70), QPointF(230, 66)); // bars
}

void mantelClock(QPainter &p)
{
    room(p, QColor(210, 200, 220), QColor(120, 80, 50), 190);
    p.setPen(QPen(QColor(60, 35, 15), 2));
    p.setBrush(QColor(110, 60, 25));
    QPainterPath body;
    body.moveTo(60, 195);
    body.lineTo(60, 120);
    body.cubicTo(60, 30, 260, 30, 260, 120);
    body.lineTo(260, 195);
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(QColor(245, 238, 220));
    p.drawEllipse(QPointF(160, 115), 55, 55);
    p.setPen(QPen(QColor(30, 30, 30), 2));
    for (int h = 0; h < 12; ++h) {
        p.save();
        p.translate(160, 115);
        p.rotate(h * 30);
        p.drawLine(0, -48, 0, -42);
        p.restore();
    }
    p.setPen(QPen(QColor(20, 20, 20), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(160, 115), QPointF(160, 80));
    p.drawLine(QPointF(160, 115), QPointF(188, 128));
}

void vase(QPainter &p)
{
    room(p, QColor(240, 235, 225), QColor(170, 150, 120), 180);
    shadow(p, { 160, 205 }, 50, 8);
    QPainterPath v;
    v.moveTo(140, 30);
    v.lineTo(180, 30);
    v.cubicTo(180, 70, 240, 100, 220, 160);
    v.cubicTo(210, 195, 190, 205, 160, 205);
    v.cubicTo(130, 205, 110, 195, 100, 160);
    v.cubicTo(80, 100, 140, 70, 140, 30);
    QLinearGradient g(100, 0, 240, 0);
    g.setColorAt(0, QColor(30, 60, 140));
    g.setColorAt(0.4, QColor(80, 130, 210));
    g.setColorAt(1, QColor(20, 40, 100));
    p.setPen(QPen(QColor(15, 30, 80), 2));
    p.setBrush(g);
    p.drawPath(v);
}

void laptop(QPainter &p)
{
    room(p, QColor(220, 225, 230), QColor(160, 120, 80), 150);
    p.setPen(QPen(QColor(60, 60, 65), 2));
    p.setBrush(QColor(170, 172, 178));
    QPolygonF base { { 50, 190 }, { 270, 190 }, { 245, 150 }, { 75, 150 } };
    p.drawPolygon(base);
    p.setBrush(QColor(60, 60, 65));
    p.drawRect(QRectF(75, 40, 170, 110));
    QLinearGradient s(80, 45, 240, 145);
    s.setColorAt(0, QColor(40, 90, 160));
    s.setColorAt(1, QColor(120, 180, 230));
    p.setBrush(s);
    p.drawRect(QRectF(82, 47, 156, 96));
    p.setPen(QPen(QColor(120, 120, 125), 1));
    for (int row = 0; row < 4; ++row)
        p.drawLine(QPointF(85 + row * 4, 158 + row * 7), QPointF(235 - row * 4, 158 + row * 7));
}

void teapot(QPainter &p)
{
    room(p, QColor(235, 230, 215), QColor(130, 110, 90), 185);
    shadow(p, { 160, 200 }, 80, 10);
    p.setPen(QPen(QColor(10, 10, 10), 2));
    p.setBrush(QColor(45, 45, 48));
    p.drawEllipse(QRectF(90, 90, 140, 110)); // body
    QPainterPath spout;
    spout.moveTo(95, 150);
    spout.cubicTo(60, 140, 55, 110, 40, 95);
    spout.lineTo(55, 92);
    spout.cubicTo(70, 110, 80, 125, 100, 130);
    p.drawPath(spout);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(45, 45, 48), 9));
    p.drawArc(QRectF(205, 110, 55, 60), -90 * 16, 180 * 16); // handle
    p.setPen(QPen(QColor(10, 10, 10), 2));
    p.setBrush(QColor(60, 60, 64));
    p.drawEllipse(QRectF(125, 78, 70, 24)); // lid
    p.drawEllipse(QRectF(152, 66, 16, 14));
}

void sofa(QPainter &p)
{
    room(p, QColor(230, 220, 200), QColor(110, 80, 55));
    shadow(p, { 160, 205 }, 150, 12);
    p.setPen(QPen(QColor(90, 30, 30), 2));
    p.setBrush(QColor(160, 50, 50));
    p.drawRoundedRect(QRectF(30, 60, 260, 80), 16, 16);
    p.drawRoundedRect(QRectF(20, 120, 280, 70), 14, 14);
    p.setBrush(QColor(180, 65, 60));
    for (int i = 0; i < 3; ++i)
        p.drawRoundedRect(QRectF(50 + i * 75, 115, 72, 35), 10, 10);
    p.drawRoundedRect(QRectF(5, 95, 40, 95), 14, 14);
    p.drawRoundedRect(QRectF(275, 95, 40, 95), 14, 14);
}

void painting(QPainter &p)
{
    p.fillRect(0, 0, W, H, QColor(200, 195, 180));
    p.setPen(QPen(QColor(120, 85, 20), 3));
    p.setBrush(QColor(170, 125, 40));
    p.drawRect(QRectF(35, 25, 250, 190)); // frame
    QLinearGradient sky(0, 40, 0, 120);
    sky.setColorAt(0, QColor(250, 150, 70));
    sky.setColorAt(1, QColor(120, 80, 150));
    p.setPen(Qt::NoPen);
    p.fillRect(QRectF(50, 40, 220, 90), sky);
    p.fillRect(QRectF(50, 130, 220, 70), QColor(50, 70, 120)); // lake
    p.setBrush(QColor(40, 60, 40));
    p.drawPolygon(QPolygonF { { 50, 130 }, { 110, 80 }, { 160, 130 } });
    p.drawPolygon(QPolygonF { { 140, 130 }, { 210, 70 }, { 270, 130 } });
    p.setBrush(QColor(255, 220, 120));
    p.drawEllipse(QPointF(200, 60), 12, 12);
}

void ring(QPainter &p, bool inside)
{
    QRadialGradient bg(QPointF(160, 120), 200);
    bg.setColorAt(0, QColor(60, 20, 50));
    bg.setColorAt(1, QColor(20, 5, 15));
    p.fillRect(0, 0, W, H, bg);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(230, 190, 90), 14));
    p.drawEllipse(QPointF(160, 140), 60, 50);
    if (inside) {
        p.setPen(QColor(60, 40, 10));
        p.setFont(QFont(QStringLiteral("DejaVu Sans"), 7, QFont::Bold));
        p.drawText(QRectF(110, 180, 100, 14), Qt::AlignCenter, QStringLiteral("750  RS  1998"));
        return;
    }
    p.setPen(QPen(QColor(200, 200, 220), 2));
    QRadialGradient d(QPointF(160, 80), 22);
    d.setColorAt(0, QColor(255, 255, 255));
    d.setColorAt(1, QColor(160, 200, 240));
    p.setBrush(d);
    p.drawPolygon(QPolygonF { { 140, 85 }, { 150, 70 }, { 170, 70 }, { 180, 85 }, { 160, 105 } });
}

void watch(QPainter &p)
{
    room(p, QColor(60, 60, 70), QColor(40, 40, 48), 240);
    p.setPen(QPen(QColor(70, 45, 25), 2));
    p.setBrush(QColor(110, 70, 40));
    p.drawRect(QRectF(135, 0, 50, 240)); // strap
    p.setPen(QPen(QColor(150, 150, 160), 4));
    p.setBrush(QColor(235, 235, 240));
    p.drawEllipse(QPointF(160, 120), 58, 58);
    p.setPen(QPen(QColor(20, 20, 20), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(160, 120), QPointF(160, 80));
    p.drawLine(QPointF(160, 120), QPointF(190, 110));
    for (int h = 0; h < 12; ++h) {
        p.save();
        p.translate(160, 120);
        p.rotate(h * 30);
        p.drawLine(0, -50, 0, -44);
        p.restore();
    }
}

void toolbox(QPainter &p)
{
    room(p, QColor(180, 180, 175), QColor(100, 100, 98), 175);
    shadow(p, { 160, 205 }, 120, 10);
    p.setPen(QPen(QColor(110, 10, 10), 2));
    p.setBrush(QColor(200, 30, 30));
    p.drawRect(QRectF(50, 110, 220, 90));
    p.setBrush(QColor(170, 20, 20));
    p.drawRect(QRectF(50, 95, 220, 20));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(40, 40, 40), 7));
    p.drawArc(QRectF(120, 60, 80, 70), 0, 180 * 16); // handle
    p.setPen(QPen(QColor(160, 160, 170), 6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(80, 100), QPointF(120, 40)); // screwdriver
    p.drawLine(QPointF(230, 100), QPointF(250, 45)); // spanner
}

void drill(QPainter &p)
{
    room(p, QColor(200, 205, 200), QColor(110, 110, 105), 185);
    shadow(p, { 160, 205 }, 70, 10);
    p.setPen(QPen(QColor(20, 60, 20), 2));
    p.setBrush(QColor(40, 140, 60));
    p.drawRoundedRect(QRectF(80, 60, 150, 60), 20, 20); // body
    p.drawRoundedRect(QRectF(140, 110, 40, 70), 8, 8); // grip
    p.setBrush(QColor(30, 30, 30));
    p.drawRect(QRectF(120, 170, 80, 30)); // battery
    p.drawRect(QRectF(50, 78, 32, 24)); // chuck
    p.setPen(QPen(QColor(170, 170, 180), 5));
    p.drawLine(QPointF(20, 90), QPointF(50, 90)); // bit
}

void kettle(QPainter &p)
{
    room(p, QColor(235, 235, 225), QColor(150, 150, 140), 190);
    shadow(p, { 160, 205 }, 70, 10);
    p.setPen(QPen(QColor(120, 120, 125), 2));
    QLinearGradient g(100, 0, 220, 0);
    g.setColorAt(0, QColor(150, 150, 160));
    g.setColorAt(0.5, QColor(240, 240, 245));
    g.setColorAt(1, QColor(130, 130, 140));
    p.setBrush(g);
    QPolygonF body { { 105, 200 }, { 215, 200 }, { 200, 70 }, { 120, 70 } };
    p.drawPolygon(body);
    p.setBrush(QColor(30, 30, 30));
    p.drawRect(QRectF(95, 195, 130, 12)); // base
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(30, 30, 30), 10));
    p.drawArc(QRectF(190, 80, 50, 90), -80 * 16, 160 * 16);
    p.setPen(QPen(QColor(120, 120, 125), 2));
    p.setBrush(g);
    p.drawPolygon(QPolygonF { { 120, 90 }, { 80, 70 }, { 78, 78 }, { 118, 105 } });
}

void books(QPainter &p)
{
    p.fillRect(0, 0, W, H, QColor(130, 90, 55));
    p.fillRect(0, 200, W, 40, QColor(100, 65, 40));
    const QColor colours[] = { { 160, 40, 40 }, { 40, 80, 140 }, { 50, 120, 60 }, { 200, 160, 50 },
        { 90, 50, 120 }, { 30, 30, 30 }, { 180, 90, 40 }, { 60, 130, 140 } };
    int x = 20;
    for (int i = 0; i < 12; ++i) {
        const int w = 16 + (i * 7) % 12;
        const int h = 120 + (i * 13) % 50;
        p.setPen(QPen(QColor(20, 20, 20), 1));
        p.setBrush(colours[i % 8]);
        p.drawRect(QRectF(x, 200 - h, w, h));
        p.setPen(QPen(QColor(230, 210, 150), 2));
        p.drawLine(QPointF(x + 3, 200 - h + 15), QPointF(x + w - 3, 200 - h + 15));
        x += w + 3;
    }
}

void mugs(QPainter &p)
{
    room(p, QColor(230, 235, 240), QColor(170, 150, 130), 170);
    const QColor colours[] = { { 60, 110, 150 }, { 180, 120, 70 }, { 90, 140, 90 } };
    for (int i = 0; i < 3; ++i) {
        const qreal x = 40 + i * 90;
        shadow(p, { x + 30, 200 }, 40, 6);
        p.setPen(QPen(colours[i].darker(150), 2));
        p.setBrush(colours[i]);
        p.drawRoundedRect(QRectF(x, 120, 60, 80), 8, 8);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(colours[i], 8));
        p.drawArc(QRectF(x + 45, 135, 30, 40), -90 * 16, 180 * 16);
        p.setPen(QPen(colours[i].lighter(140), 3));
        p.drawLine(QPointF(x + 5, 125), QPointF(x + 55, 125));
    }
}

// An APP1 segment with the orientation and, when given, the date taken.
QByteArray exifSegment(int orientation, const QByteArray &taken)
{
    QByteArray tiff("II*\0\x08\0\0\0", 8);
    auto u16 = [](QByteArray &b, int v) {
        b.append(char(v & 0xFF));
        b.append(char((v >> 8) & 0xFF));
    };
    auto u32 = [&](QByteArray &b, quint32 v) {
        u16(b, int(v & 0xFFFF));
        u16(b, int(v >> 16));
    };
    const bool dated = !taken.isEmpty();
    const int ifd0Entries = dated ? 2 : 1;
    const quint32 exifIfd = 8 + 2 + 12 * ifd0Entries + 4;
    u16(tiff, ifd0Entries);
    u16(tiff, 0x0112); // orientation, SHORT, 1
    u16(tiff, 3);
    u32(tiff, 1);
    u16(tiff, orientation);
    u16(tiff, 0);
    if (dated) {
        u16(tiff, 0x8769); // EXIF IFD pointer, LONG, 1
        u16(tiff, 4);
        u32(tiff, 1);
        u32(tiff, exifIfd);
    }
    u32(tiff, 0);
    if (dated) {
        const quint32 text = exifIfd + 2 + 12 + 4;
        u16(tiff, 1);
        u16(tiff, 0x9003); // date taken, ASCII, 20
        u16(tiff, 2);
        u32(tiff, 20);
        u32(tiff, text);
        u32(tiff, 0);
        tiff.append(taken.left(19));
        tiff.append('\0');
    }
    QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xFF\xE1", 2);
    u16(segment, 0); // placeholder, big-endian length below
    segment[2] = char(((payload.size() + 2) >> 8) & 0xFF);
    segment[3] = char((payload.size() + 2) & 0xFF);
    return segment + payload;
}

struct Picture
{
    const char *name;
    std::function<void(QPainter &)> draw;
    int orientation; // how the stored picture must be turned to stand upright
    const char *taken;
};

bool write(const QString &folder, const Picture &pic)
{
    // Drawn on a 320 x 240 canvas, stored at 400 x 300.
    QImage upright(W * 5 / 4, H * 5 / 4, QImage::Format_RGB32);
    upright.fill(Qt::white);
    {
        QPainter p(&upright);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(1.25, 1.25);
        pic.draw(p);
    }
    // Stored as a phone would store it: turned back, with the tag that stands it up again.
    QImage stored = upright;
    if (pic.orientation == 6)
        stored = upright.transformed(QTransform().rotate(-90));
    else if (pic.orientation == 8)
        stored = upright.transformed(QTransform().rotate(90));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    if (!stored.save(&buffer, "JPEG", 82))
        return false;
    if (pic.orientation != 1 || pic.taken)
        jpeg.insert(2, exifSegment(pic.orientation, pic.taken ? QByteArray(pic.taken) : QByteArray()));
    QFile out(QDir(folder).filePath(QString::fromLatin1(pic.name)));
    return out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(jpeg) == jpeg.size();
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: make-sample-pictures FOLDER\n", stderr);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    const Picture pictures[] = {
        { "lamp.jpg", lamp, 1, nullptr },
        { "chair.jpg", chair, 1, nullptr },
        { "camera.jpg", [](QPainter &p) { cameraBody(p, false); }, 1, "2022:11:26 10:14:05" },
        { "camera-serial.jpg", [](QPainter &p) { cameraBody(p, true); }, 6, "2022:11:26 10:15:41" },
        { "television.jpg", television, 1, nullptr },
        { "guitar.jpg", guitar, 6, "2023:04:02 16:40:12" },
        { "bicycle.jpg", bicycle, 1, "2021:06:01 09:03:27" },
        { "clock.jpg", mantelClock, 1, nullptr },
        { "vase.jpg", vase, 8, "2023:04:02 16:44:50" },
        { "laptop.jpg", laptop, 1, nullptr },
        { "teapot.jpg", teapot, 1, nullptr },
        { "sofa.jpg", sofa, 1, nullptr },
        { "painting.jpg", painting, 1, "2023:04:02 16:47:03" },
        { "ring.jpg", [](QPainter &p) { ring(p, false); }, 1, "2023:04:02 16:51:19" },
        { "ring-hallmark.jpg", [](QPainter &p) { ring(p, true); }, 6, "2023:04:02 16:51:58" },
        { "watch.jpg", watch, 1, nullptr },
        { "toolbox.jpg", toolbox, 1, nullptr },
        { "drill.jpg", drill, 1, nullptr },
        { "kettle.jpg", kettle, 1, nullptr },
        { "books.jpg", books, 1, nullptr },
        { "mugs.jpg", mugs, 1, nullptr },
    };
    for (const Picture &pic : pictures) {
        if (!write(folder, pic)) {
            std::fprintf(stderr, "make-sample-pictures: cannot write %s\n", pic.name);
            return 1;
        }
    }
    return 0;
}
