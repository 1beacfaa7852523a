// The report definition's derived values: column widths, labels, margins, fonts and colours.
#include "reports/reportdefinition.h"

#include <algorithm>
#include <cmath>

#include "reports/zephprinter.h"

namespace StoredColour {

QColor toColor(qint32 stored)
{
    const quint32 v = quint32(stored);
    if ((v >> 24) == 0x80) {
        // The classic desktop scheme's system colours, as RGB.
        static constexpr quint32 system[] = { 0xC8C8C8, 0x000000, 0x99B4D1, 0xBFCDDB, 0xF0F0F0,
            0xFFFFFF, 0x646464, 0x000000, 0x000000, 0x000000, 0xB4B4B4, 0xF4F7FC, 0xABABAB,
            0x3399FF, 0xFFFFFF, 0xF0F0F0, 0xA0A0A0, 0x6D6D6D, 0x000000, 0x000000, 0xFFFFFF,
            0x696969, 0xE3E3E3, 0x000000, 0xFFFFE1 };
        const quint32 i = v & 0xFF;
        return i < std::size(system) ? QColor(QRgb(system[i])) : QColor(Qt::black);
    }
    if (v == 0x1FFFFFFF) // clNone
        return QColor(Qt::white);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

qint32 fromColor(const QColor &c)
{
    return qint32(quint32(c.red()) | quint32(c.green()) << 8 | quint32(c.blue()) << 16);
}

} // namespace StoredColour

int ReportFontDef::pointSize() const
{
    // At 96 dpi a character height of h pixels is h * 72 / 96 points.
    return int(std::lround(std::abs(height) * 72.0 / 96.0));
}

void ReportFontDef::setPointSize(int points)
{
    height = -int(std::lround(points * 96.0 / 72.0));
}

QFont ReportFontDef::twips() const
{
    return twipFont(name, std::max(1, pointSize()), bold, italic, underline, strikeOut);
}

QFont ReportFontDef::screen() const
{
    QFont f(name);
    f.setPointSize(std::max(1, pointSize()));
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    f.setStrikeOut(strikeOut);
    return f;
}

ReportFontDef ReportFontDef::fromQFont(const QFont &font, const QColor &colour)
{
    ReportFontDef s;
    s.name = font.family();
    s.setPointSize(font.pointSize() > 0 ? font.pointSize() : int(std::lround(font.pointSizeF())));
    s.bold = font.bold();
    s.italic = font.italic();
    s.underline = font.underline();
    s.strikeOut = font.strikeOut();
    s.colour = StoredColour::fromColor(colour);
    return s;
}

bool ReportDefinition::hasItem(int code) const
{
    return std::any_of(
        items.begin(), items.end(), [code](const ReportItem &i) { return i.code == code; });
}

int ReportDefinition::columnCountValue() const
{
    bool ok = false;
    const int n = columnCount.trimmed().toInt(&ok);
    return ok && n >= 1 && n <= MaxColumns ? n : 0;
}

QString ReportDefinition::sectionLabel(int pixelWidth, int printableWidthTwips) const
{
    const int ref = referenceWidth > 0 ? referenceWidth : ReferenceWidth;
    return QString::number(double(pixelWidth) / ref * printableWidthTwips / Twips::PerInch, 'f', 2);
}

void ReportDefinition::doColumns(int printableWidthTwips)
{
    const int n = columnCountValue();
    if (n == 0)
        return;
    const int ref = referenceWidth > 0 ? referenceWidth : ReferenceWidth;
    sections.clear();
    const QString label = QString::number(double(printableWidthTwips) / n / Twips::PerInch, 'f', 2);
    for (int i = 0; i < n; ++i)
        sections.append({ ref / n, label });
}

int ReportDefinition::columnWidth(int i, int printableWidthTwips) const
{
    if (i < 0 || i >= sections.size())
        return 0;
    const int ref = referenceWidth > 0 ? referenceWidth : ReferenceWidth;
    return int(std::lround(double(sections[i].width) / ref * printableWidthTwips));
}

double ReportDefinition::marginInches(int side) const
{
    bool ok = false;
    const double v = margins[size_t(side)].trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return 0;
    return std::clamp(v, 0.0, 2.0);
}
