// Font and colour values of format files.
#include "reports/vclvalues.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPalette>

namespace VclValues {

namespace {

struct Named
{
    const char *name;
    qint32 value;
};

constexpr std::array<Named, 16> plainColours { {
    { "clBlack", 0x000000 },
    { "clMaroon", 0x000080 },
    { "clGreen", 0x008000 },
    { "clOlive", 0x008080 },
    { "clNavy", 0x800000 },
    { "clPurple", 0x800080 },
    { "clTeal", 0x808000 },
    { "clGray", 0x808080 },
    { "clSilver", 0xC0C0C0 },
    { "clRed", 0x0000FF },
    { "clLime", 0x00FF00 },
    { "clYellow", 0x00FFFF },
    { "clBlue", 0xFF0000 },
    { "clFuchsia", 0xFF00FF },
    { "clAqua", 0xFFFF00 },
    { "clWhite", 0xFFFFFF },
} };

// In index order: 0x80000000 + i.
constexpr std::array<const char *, SystemColourCount> systemColours { "clScrollBar",
    "clBackground", "clActiveCaption", "clInactiveCaption", "clMenu", "clWindow", "clWindowFrame",
    "clMenuText", "clWindowText", "clCaptionText", "clActiveBorder", "clInactiveBorder",
    "clAppWorkSpace", "clHighlight", "clHighlightText", "clBtnFace", "clBtnShadow", "clGrayText",
    "clBtnText", "clInactiveCaptionText", "clBtnHighlight", "cl3DDkShadow", "cl3DLight",
    "clInfoText", "clInfoBk" };

constexpr std::array<Named, 18> charsets { {
    { "ANSI_CHARSET", 0 },
    { "DEFAULT_CHARSET", 1 },
    { "SYMBOL_CHARSET", 2 },
    { "MAC_CHARSET", 77 },
    { "SHIFTJIS_CHARSET", 128 },
    { "HANGEUL_CHARSET", 129 },
    { "JOHAB_CHARSET", 130 },
    { "GB2312_CHARSET", 134 },
    { "CHINESEBIG5_CHARSET", 136 },
    { "GREEK_CHARSET", 161 },
    { "TURKISH_CHARSET", 162 },
    { "HEBREW_CHARSET", 177 },
    { "ARABIC_CHARSET", 178 },
    { "BALTIC_CHARSET", 186 },
    { "RUSSIAN_CHARSET", 204 },
    { "THAI_CHARSET", 222 },
    { "EASTEUROPE_CHARSET", 238 },
    { "OEM_CHARSET", 255 },
} };

bool sameName(QByteArrayView a, const char *b)
{
    return a.compare(QByteArrayView(b), Qt::CaseInsensitive) == 0;
}

// The desktop's colour of a palette role. Without a desktop (larkspur-tool runs without one) the
// standard light palette stands in, the one Qt itself falls back on.
QColor roleColour(QPalette::ColorRole role, QPalette::ColorGroup group)
{
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return QGuiApplication::palette().color(group, role);
    if (group == QPalette::Disabled && role == QPalette::Text)
        return QColor(0xbe, 0xbe, 0xbe);
    switch (role) {
    case QPalette::Window:
    case QPalette::Button:
        return QColor(0xef, 0xef, 0xef);
    case QPalette::Light:
    case QPalette::Base:
    case QPalette::HighlightedText:
        return QColor(Qt::white);
    case QPalette::Midlight:
        return QColor(0xca, 0xca, 0xca);
    case QPalette::Mid:
        return QColor(0xb8, 0xb8, 0xb8);
    case QPalette::Dark:
        return QColor(0x9f, 0x9f, 0x9f);
    case QPalette::Shadow:
        return QColor(0x76, 0x76, 0x76);
    case QPalette::Highlight:
        return QColor(0x30, 0x8c, 0xc6);
    case QPalette::ToolTipBase:
        return QColor(0xff, 0xff, 0xdc);
    default:
        return QColor(Qt::black); // the text roles
    }
}

// The desktop palette entry standing in for each system colour.
QColor systemColour(int index)
{
    auto c = [](QPalette::ColorRole role, QPalette::ColorGroup group = QPalette::Active) {
        return roleColour(role, group);
    };
    switch (index) {
    case 0: return c(QPalette::Mid); // clScrollBar
    case 1: return c(QPalette::Dark); // clBackground (the desktop)
    case 2: return c(QPalette::Highlight); // clActiveCaption
    case 3: return c(QPalette::Highlight, QPalette::Inactive); // clInactiveCaption
    case 4: return c(QPalette::Window); // clMenu
    case 5: return c(QPalette::Base); // clWindow
    case 6: return c(QPalette::Shadow); // clWindowFrame
    case 7: return c(QPalette::WindowText); // clMenuText
    case 8: return c(QPalette::Text); // clWindowText
    case 9: return c(QPalette::HighlightedText); // clCaptionText
    case 10: return c(QPalette::Midlight); // clActiveBorder: a frame, darker than a face
    case 11: return c(QPalette::Midlight, QPalette::Inactive); // clInactiveBorder
    case 12: return c(QPalette::Dark); // clAppWorkSpace
    case 13: return c(QPalette::Highlight); // clHighlight
    case 14: return c(QPalette::HighlightedText); // clHighlightText
    case 15: return c(QPalette::Button); // clBtnFace
    case 16: return c(QPalette::Dark); // clBtnShadow
    case 17: return c(QPalette::Text, QPalette::Disabled); // clGrayText
    case 18: return c(QPalette::ButtonText); // clBtnText
    case 19: return c(QPalette::HighlightedText, QPalette::Inactive); // clInactiveCaptionText
    case 20: return c(QPalette::Light); // clBtnHighlight
    case 21: return c(QPalette::Shadow); // cl3DDkShadow
    case 22: return c(QPalette::Midlight); // cl3DLight
    case 23: return c(QPalette::ToolTipText); // clInfoText
    case 24: return c(QPalette::ToolTipBase); // clInfoBk
    }
    return QColor(Qt::white);
}

} // namespace

std::optional<qint32> colourFromIdent(QByteArrayView name)
{
    for (const Named &n : plainColours)
        if (sameName(name, n.name))
            return n.value;
    for (int i = 0; i < SystemColourCount; ++i)
        if (sameName(name, systemColours[size_t(i)]))
            return SystemColourBase + i;
    if (sameName(name, "clNone"))
        return clNone;
    return std::nullopt;
}

QByteArray colourIdent(qint32 colour)
{
    for (const Named &n : plainColours)
        if (n.value == colour)
            return n.name;
    if (isSystemColour(colour))
        return systemColours[size_t(colour - SystemColourBase)];
    if (colour == clNone)
        return "clNone";
    return {};
}

bool isSystemColour(qint32 colour)
{
    return colour >= SystemColourBase && colour < SystemColourBase + SystemColourCount;
}

QColor toQColor(qint32 colour)
{
    if ((quint32(colour) & 0xFF000000u) == 0x80000000u)
        return systemColour(int(quint32(colour) & 0xFFu));
    if (quint32(colour) & 0xFF000000u) // clNone and anything else without an RGB meaning
        return QColor(Qt::white);
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

qint32 fromQColor(const QColor &colour)
{
    const QColor rgb = colour.toRgb();
    return qint32(rgb.red() | (rgb.green() << 8) | (rgb.blue() << 16));
}

std::optional<qint32> charsetFromIdent(QByteArrayView name)
{
    for (const Named &n : charsets)
        if (sameName(name, n.name))
            return n.value;
    return std::nullopt;
}

QByteArray charsetIdent(qint32 charset)
{
    for (const Named &n : charsets)
        if (n.value == charset)
            return n.name;
    return {};
}

QList<QByteArray> styleNames(const FontStyle &style)
{
    QList<QByteArray> names;
    if (style.bold)
        names << "fsBold";
    if (style.italic)
        names << "fsItalic";
    if (style.underline)
        names << "fsUnderline";
    if (style.strikeOut)
        names << "fsStrikeOut";
    return names;
}

FontStyle styleFromNames(const QList<QByteArray> &names)
{
    FontStyle s;
    for (const QByteArray &n : names) {
        if (sameName(n, "fsBold"))
            s.bold = true;
        else if (sameName(n, "fsItalic"))
            s.italic = true;
        else if (sameName(n, "fsUnderline"))
            s.underline = true;
        else if (sameName(n, "fsStrikeOut"))
            s.strikeOut = true;
    }
    return s;
}

int pointSizeFromHeight(qint32 height)
{
    // A positive height is the cell height; the point size is taken the same way, close enough.
    const double pixels = std::abs(double(height));
    return int(std::lround(pixels * 72.0 / 96.0));
}

qint32 heightFromPointSize(int points)
{
    return -qint32(std::lround(std::abs(double(points)) * 96.0 / 72.0));
}

QFont toQFont(const Font &font)
{
    QFont f(font.name);
    f.setPointSize(std::max(1, font.pointSize()));
    f.setBold(font.style.bold);
    f.setItalic(font.style.italic);
    f.setUnderline(font.style.underline);
    f.setStrikeOut(font.style.strikeOut);
    return f;
}

Font fromQFont(const QFont &qfont, const Font &keep)
{
    Font f = keep;
    f.name = qfont.family();
    const int points = qfont.pointSize() > 0 ? qfont.pointSize()
                                             : int(std::lround(qfont.pixelSize() * 72.0 / 96.0));
    f.height = heightFromPointSize(points);
    f.style.bold = qfont.bold();
    f.style.italic = qfont.italic();
    f.style.underline = qfont.underline();
    f.style.strikeOut = qfont.strikeOut();
    return f;
}

} // namespace VclValues
