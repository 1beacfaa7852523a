// Toolbar pictures painted at run time from simple shapes.
#include "app/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int S = 24;

void page(QPainter &p, const QRectF &r, const QColor &fill)
{
    p.setBrush(fill);
    p.drawRect(r);
}

void arrow(QPainter &p, bool right, const QColor &c, qreal y = 12)
{
    QPainterPath path;
    if (right) {
        path.moveTo(6, y - 6);
        path.lineTo(17, y);
        path.lineTo(6, y + 6);
    } else {
        path.moveTo(18, y - 6);
        path.lineTo(7, y);
        path.lineTo(18, y + 6);
    }
    path.closeSubpath();
    p.setBrush(c);
    p.drawPath(path);
}

void draw(QPainter &p, ToolIcon which)
{
    const QColor ink(0x33, 0x3d, 0x4d);
    const QColor blue(0x2f, 0x6f, 0xb5);
    const QColor paper(0xfb, 0xfb, 0xf6);
    const QColor green(0x3f, 0x9a, 0x4a);
    const QColor red(0xc0, 0x3a, 0x2b);
    const QColor gold(0xe0, 0xa8, 0x24);
    p.setPen(QPen(ink, 1.2));
    switch (which) {
    case ToolIcon::Search:
        p.setBrush(QColor(0xd7, 0xe8, 0xf7));
        p.drawEllipse(QRectF(3.5, 3.5, 11, 11));
        p.setPen(QPen(ink, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(13.5, 13.5), QPointF(20, 20));
        break;
    case ToolIcon::Album:
        page(p, QRectF(3.5, 4.5, 17, 15), paper);
        p.setBrush(QColor(0x8c, 0xc3, 0xe8));
        p.drawRect(QRectF(5.5, 6.5, 13, 8));
        p.setBrush(green);
        p.setPen(Qt::NoPen);
        p.drawPolygon(QPolygonF({ QPointF(6, 14.5), QPointF(10, 9), QPointF(14, 14.5) }));
        p.setBrush(gold);
        p.drawEllipse(QRectF(14, 8, 3, 3));
        break;
    case ToolIcon::Graph:
        p.drawLine(QPointF(3.5, 20.5), QPointF(20.5, 20.5));
        p.drawLine(QPointF(3.5, 3.5), QPointF(3.5, 20.5));
        p.setBrush(blue);
        p.drawRect(QRectF(6.5, 12.5, 3, 8));
        p.setBrush(green);
        p.drawRect(QRectF(11.5, 7.5, 3, 13));
        p.setBrush(gold);
        p.drawRect(QRectF(16.5, 10.5, 3, 10));
        break;
    case ToolIcon::Spreadsheet:
        page(p, QRectF(3.5, 4.5, 17, 15), paper);
        p.setBrush(QColor(0xc9, 0xdc, 0xee));
        p.drawRect(QRectF(3.5, 4.5, 17, 4));
        for (qreal y : { 12.5, 16.0 })
            p.drawLine(QPointF(3.5, y), QPointF(20.5, y));
        for (qreal x : { 9.5, 15.0 })
            p.drawLine(QPointF(x, 4.5), QPointF(x, 19.5));
        break;
    case ToolIcon::Record:
        page(p, QRectF(4.5, 3.5, 15, 17), paper);
        p.setBrush(blue);
        p.drawRect(QRectF(6.5, 5.5, 5, 5));
        for (qreal y : { 13.5, 16.5 })
            p.drawLine(QPointF(6.5, y), QPointF(17.5, y));
        p.drawLine(QPointF(13.5, 6.5), QPointF(17.5, 6.5));
        p.drawLine(QPointF(13.5, 9.5), QPointF(17.5, 9.5));
        break;
    case ToolIcon::Report:
        page(p, QRectF(5.5, 3.5, 13, 17), paper);
        for (qreal y : { 7.5, 10.5, 13.5, 16.5 })
            p.drawLine(QPointF(7.5, y), QPointF(y < 15 ? 16.5 : 13.5, y));
        break;
    case ToolIcon::Save:
        p.setBrush(blue);
        p.drawRoundedRect(QRectF(3.5, 3.5, 17, 17), 2, 2);
        p.setBrush(paper);
        p.drawRect(QRectF(6.5, 3.5, 11, 7));
        p.setBrush(QColor(0xdd, 0xdd, 0xdd));
        p.drawRect(QRectF(7.5, 13.5, 9, 7));
        break;
    case ToolIcon::Help:
        p.setBrush(blue);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QRectF(3, 3, 18, 18));
        p.setPen(Qt::white);
        {
            QFont f = p.font();
            f.setBold(true);
            f.setPixelSize(14);
            p.setFont(f);
            p.drawText(QRectF(3, 3, 18, 18), Qt::AlignCenter, QStringLiteral("?"));
        }
        break;
    case ToolIcon::Close:
        p.setBrush(red);
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(QRectF(3, 3, 18, 18), 3, 3);
        p.setPen(QPen(Qt::white, 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 8), QPointF(16, 16));
        p.drawLine(QPointF(16, 8), QPointF(8, 16));
        break;
    case ToolIcon::Print:
        page(p, QRectF(7.5, 3.5, 9, 6), paper);
        p.setBrush(QColor(0x9a, 0xa3, 0xad));
        p.drawRoundedRect(QRectF(3.5, 9.5, 17, 8), 2, 2);
        page(p, QRectF(7.5, 14.5, 9, 6), paper);
        break;
    case ToolIcon::Previous:
        arrow(p, false, blue);
        break;
    case ToolIcon::Next:
        arrow(p, true, blue);
        break;
    case ToolIcon::PreviousSearch:
        arrow(p, false, gold);
        break;
    case ToolIcon::NextSearch:
        arrow(p, true, gold);
        break;
    case ToolIcon::NewRecord:
        page(p, QRectF(4.5, 3.5, 13, 17), paper);
        p.setPen(QPen(green, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(16, 12), QPointF(16, 21));
        p.drawLine(QPointF(11.5, 16.5), QPointF(20.5, 16.5));
        break;
    case ToolIcon::CopyRecord:
        page(p, QRectF(3.5, 3.5, 11, 13), paper);
        page(p, QRectF(9.5, 7.5, 11, 13), paper);
        break;
    case ToolIcon::DeleteRecord:
        page(p, QRectF(4.5, 3.5, 13, 17), paper);
        p.setPen(QPen(red, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(12, 12), QPointF(20, 20));
        p.drawLine(QPointF(20, 12), QPointF(12, 20));
        break;
    case ToolIcon::InsertRecord:
        page(p, QRectF(8.5, 3.5, 12, 17), paper);
        p.setPen(Qt::NoPen);
        arrow(p, true, green, 12);
        break;
    case ToolIcon::Sort:
        p.setPen(QPen(ink, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(7, 4), QPointF(7, 20));
        p.drawLine(QPointF(3.5, 16.5), QPointF(7, 20));
        p.drawLine(QPointF(10.5, 16.5), QPointF(7, 20));
        p.setPen(QPen(blue, 2));
        for (int i = 0; i < 4; ++i)
            p.drawLine(QPointF(13, 5 + i * 4.5), QPointF(14 + i * 2, 5 + i * 4.5));
        break;
    }
}

} // namespace

QIcon toolIcon(ToolIcon which)
{
    QIcon icon;
    for (int scale : { 1, 2 }) {
        QPixmap pm(S * scale, S * scale);
        pm.setDevicePixelRatio(scale);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        draw(p, which);
        p.end();
        icon.addPixmap(pm);
    }
    QPixmap disabled = icon.pixmap(S, S, QIcon::Disabled);
    icon.addPixmap(disabled, QIcon::Disabled);
    return icon;
}
