// The font and colour values that format files carry in their object streams: colour integers and
// identifiers, character-set identifiers, font style sets and font heights in screen pixels.
#pragma once

#include <optional>

#include <QByteArray>
#include <QByteArrayView>
#include <QColor>
#include <QFont>
#include <QList>
#include <QString>

namespace VclValues {

// A colour integer holds red in its lowest byte, green in the next, blue in the third. A value
// whose top byte is 0x80 names a system colour by its index in the low byte.
inline constexpr qint32 clBlack = 0x000000;
inline constexpr qint32 clWhite = 0xFFFFFF;
inline constexpr qint32 clNone = 0x1FFFFFFF;
inline constexpr qint32 SystemColourBase = qint32(0x80000000u);
inline constexpr int SystemColourCount = 25; // clScrollBar .. clInfoBk
inline constexpr qint32 clWindowText = SystemColourBase + 8;
inline constexpr qint32 clActiveBorder = SystemColourBase + 10;

// The value of a colour identifier ("clRed", "clWindowText"; letter case is not significant).
std::optional<qint32> colourFromIdent(QByteArrayView name);
// The identifier of a colour value, empty when it has none (writers then write the integer).
QByteArray colourIdent(qint32 colour);
bool isSystemColour(qint32 colour);
// The colour as the screen shows it: RGB values as they are, system colours from the desktop's
// current palette (a standard light palette when there is no desktop), clNone and unknown
// system colours as white.
QColor toQColor(qint32 colour);
// An RGB colour as a colour integer.
qint32 fromQColor(const QColor &colour);

// Character sets: ANSI_CHARSET 0 ... OEM_CHARSET 255.
inline constexpr qint32 AnsiCharset = 0;
inline constexpr qint32 DefaultCharset = 1;
std::optional<qint32> charsetFromIdent(QByteArrayView name);
QByteArray charsetIdent(qint32 charset); // empty when the value has no identifier

// Font style: the names of the style set.
struct FontStyle
{
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    bool operator==(const FontStyle &) const = default;
};
QList<QByteArray> styleNames(const FontStyle &style); // fsBold, fsItalic, fsUnderline, fsStrikeOut
// Names it does not know are ignored (a newer writer may add some).
FontStyle styleFromNames(const QList<QByteArray> &names);

// Heights in screen pixels at 96 dots per inch; negative is the character height.
int pointSizeFromHeight(qint32 height);
qint32 heightFromPointSize(int points);

// A font as the format files hold it. The default is the one every report font starts from.
struct Font
{
    QString name = QStringLiteral("MS Sans Serif");
    qint32 height = -11; // 8 point
    qint32 charset = DefaultCharset;
    qint32 colour = clWindowText;
    FontStyle style;

    int pointSize() const { return pointSizeFromHeight(height); }
    bool operator==(const Font &) const = default;
};
// The font for drawing: face, point size and style (colour and character set are not part of it).
QFont toQFont(const Font &font);
// Face, point size and style from a font the user picked; colour and character set are kept.
Font fromQFont(const QFont &qfont, const Font &keep = Font());

} // namespace VclValues
