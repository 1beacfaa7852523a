// The regular report's design: items, page furniture, columns, colours, margins, fonts.
#pragma once

#include <array>

#include <QColor>
#include <QFont>
#include <QList>
#include <QString>

// Colours as the format file stores them: red in the lowest byte, a top byte of 0x80 names a
// system colour by its index.
namespace StoredColour {
inline constexpr qint32 Black = 0x000000;
inline constexpr qint32 White = 0xFFFFFF;
inline constexpr qint32 WindowText = qint32(0x80000008u);
QColor toColor(qint32 stored);
qint32 fromColor(const QColor &c);
} // namespace StoredColour

// A report font as the format file holds it: height in screen pixels at 96 dpi (negative:
// character height), face, style, colour and character set.
struct ReportFontDef
{
    QString name = QStringLiteral("MS Sans Serif");
    qint32 height = -11; // 8 point
    bool bold = false, italic = false, underline = false, strikeOut = false;
    qint32 colour = StoredColour::WindowText;
    qint32 charset = 1; // DEFAULT_CHARSET

    int pointSize() const;
    void setPointSize(int points);
    QFont twips() const; // the font on a page, 1440 dpi
    QFont screen() const; // the font for a sample box
    QColor color() const { return StoredColour::toColor(colour); }
    static ReportFontDef fromQFont(const QFont &font, const QColor &colour);
    bool operator==(const ReportFontDef &) const = default;
};

struct ReportItem
{
    int code = 0; // 0..22
    int reserved = 0;
    QString caption; // as it was when the item was added
    bool operator==(const ReportItem &) const = default;
};

struct ColumnSection
{
    int width = 50; // pixels of the column bar
    QString text;
    bool operator==(const ColumnSection &) const = default;
};

enum class ReportOrientation { NotChosen, Portrait, Landscape };

struct ReportDefinition
{
    static constexpr int ReferenceWidth = 369;
    static constexpr int ColourSlots = 10;
    static constexpr int MaxColumns = 9;

    QList<ReportItem> items;
    QString title = QStringLiteral("Report Title");
    bool showTitle = true;
    bool header = true;
    bool showDate = true;
    bool showPageNumbers = true;
    bool showItemNumbers = true;
    bool showTotals = true;
    QString columnCount = QStringLiteral("3"); // the text of the column count field
    bool indent = false;
    int referenceWidth = ReferenceWidth;
    QList<ColumnSection> sections;
    std::array<qint32, ColourSlots> colours;
    std::array<QString, 4> margins { QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("1"),
        QStringLiteral("1") }; // left, right, top, bottom, inches
    ReportOrientation orientation = ReportOrientation::NotChosen;
    ReportFontDef bodyFont, titleFont, valueFont;
    // The sample boxes' texts ("Title", "Body", "Value" once a font was chosen).
    QString titleSample = QStringLiteral("HeaderFont");
    QString bodySample = QStringLiteral("BodyFont");
    QString valueSample = QStringLiteral("ValueFont");

    ReportDefinition() { colours.fill(StoredColour::White); }

    bool hasItem(int code) const;
    // The column count field read as 1..9; nullopt-like 0 when it is not a whole number in range.
    int columnCountValue() const;
    // The column bar rebuilt: n sections of referenceWidth div n pixels, labelled in inches.
    void doColumns(int printableWidthTwips);
    // Label of a section of the given pixel width: its width in inches, two decimals.
    QString sectionLabel(int pixelWidth, int printableWidthTwips) const;
    // Column i's width in twips.
    int columnWidth(int i, int printableWidthTwips) const;
    // A margin field's inches (0 when it does not read as a number, at most 2).
    double marginInches(int side) const;
};
