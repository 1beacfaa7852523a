// The page engine: a document recorded as pages of drawing commands in twips, replayed to any
// painter (screen, PDF, printer) at that device's own resolution.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <QColor>
#include <QFont>
#include <QList>
#include <QMargins>
#include <QPageSize>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

class QPainter;

namespace Twips {
inline constexpr int PerInch = 1440;
inline constexpr int PerPoint = 20;
} // namespace Twips

// The printer's page as the engine needs it: printable area in device pixels and resolution.
struct PageGeometry
{
    QSize printableArea; // device pixels
    int dpiX = 0;
    int dpiY = 0;

    int widthInches() const { return dpiX > 0 ? printableArea.width() / dpiX : 0; }
    int heightInches() const { return dpiY > 0 ? printableArea.height() / dpiY : 0; }
    // A full-page geometry (no unprintable border) for a page size in inches, at 1200 dpi.
    static PageGeometry fromInches(double width, double height);
};

// One recorded drawing command. Fonts are held at 1440 dots per inch: their pixel size is the
// point size in twips, so they scale with the painter's transform instead of the device's dpi.
struct PageItem
{
    enum class Kind { Fill, TextInRect, TextAt, Line };
    Kind kind = Kind::Fill;
    QRect rect; // Fill, TextInRect: the rectangle; Line: unused
    QPoint p1, p2; // TextInRect, TextAt: text origin (top-left); Line: from p1 to p2
    QString text;
    QColor brush; // invalid when the brush is clear
    QColor textColour;
    int fontIndex = 0; // into the page's font table
};

struct PageFont
{
    QFont font; // pixel size in twips
    QColor colour;
    bool operator==(const PageFont &o) const { return font == o.font && colour == o.colour; }
};

// A font as the report designer holds it: point size, face, style and colour.
QFont twipFont(const QString &family, double pointSize, bool bold = false, bool italic = false,
    bool underline = false, bool strikeOut = false);
// The point size of a twip font.
double twipFontPoints(const QFont &font);

// One page: its commands and the fonts they use.
class PageDrawing
{
public:
    explicit PageDrawing(QSize extentTwips)
        : m_extent(extentTwips)
    { }

    QSize extent() const { return m_extent; }
    const std::vector<PageItem> &items() const { return m_items; }
    const QList<PageFont> &fonts() const { return m_fonts; }

    // Drawing state.
    void setBrushColour(const QColor &c) { m_brush = c; } // makes the brush solid
    void setBrushClear() { m_brush = QColor(); }
    QColor brushColour() const { return m_brush; }
    void setFont(const QFont &font, const QColor &colour = Qt::black);
    QFont font() const { return m_fonts.value(m_font).font; }

    void fillRect(const QRect &r);
    void textRect(const QRect &r, QPoint origin, const QString &text);
    void textOut(QPoint origin, const QString &text);
    void moveTo(QPoint p) { m_pen = p; }
    void lineTo(QPoint p);

    // Draws the page into the painter's current coordinate system, one unit per twip.
    void replay(QPainter &painter) const;

private:
    QSize m_extent;
    std::vector<PageItem> m_items;
    QList<PageFont> m_fonts;
    int m_font = -1;
    QColor m_brush;
    QPoint m_pen;
};

// The engine: pages, margins, page size from the printer, the measuring of text.
class TZephPrinter
{
public:
    explicit TZephPrinter(const PageGeometry &geometry);
    ~TZephPrinter();

    void Reset();
    int NewPage(); // 0 once finished
    void Finish();
    bool finished() const { return m_finished; }
    int PageCount() const { return int(m_pages.size()); }
    int currentPage() const { return m_current; }
    PageDrawing *PageCanvas(int n); // null when finished or n is outside 1..PageCount
    const PageDrawing *PagePicture(int n) const; // null before Finish or n outside the range
    PageDrawing *canvas() { return PageCanvas(m_current); }

    QFont CurrentFont() const;
    void SetFont(const QFont &font, const QColor &colour = Qt::black);
    void SetMargins(const QMargins &twips) { m_margins = twips; }
    QMargins GetMargins() const { return m_margins; }
    // A new printer page: the resolution and the whole-inch page size are read again.
    void setGeometry(const PageGeometry &geometry);
    const PageGeometry &geometry() const { return m_geometry; }

    int TextWidth(const QString &text) const;

    int pageWidthInches() const { return m_widthInches; }
    int pageHeightInches() const { return m_heightInches; }
    QSize pageExtent() const
    {
        return { m_widthInches * Twips::PerInch, m_heightInches * Twips::PerInch };
    }

    // Preview options.
    bool showMargins = true;
    QColor marginColour { 128, 128, 128 };
    bool showGrid = false;
    QColor gridColour { 128, 128, 128 };
    bool pageSpinEnabled = false;

    // Draws page n for a device whose printable area starts at the painter's origin, at dpi dots
    // per inch: the page's origin lands at the margins' corner, drawing is limited to the area
    // inside the margins.
    void paintPage(QPainter &painter, int n, double dpiX, double dpiY) const;

private:
    PageGeometry m_geometry;
    int m_widthInches = 0;
    int m_heightInches = 0;
    std::vector<std::unique_ptr<PageDrawing>> m_pages;
    int m_current = 0;
    bool m_finished = false;
    QMargins m_margins;
};

// Writes every finished page into a PDF file of that paper (no unprintable border), atomically;
// false with *error = "Cannot create file " + path when the file cannot be written.
bool writePdf(const TZephPrinter &printer, const QPageSize &paper, bool landscape,
    const QString &path, QString *error);

// The preview's scale: screen pixels per page inch.
namespace PreviewScale {
inline const QStringList &choices()
{
    static const QStringList list { QStringLiteral("Fit Both"), QStringLiteral("Fit Width"),
        QStringLiteral("200"), QStringLiteral("150"), QStringLiteral("100"), QStringLiteral("50"),
        QStringLiteral("25") };
    return list;
}
// The page's shown width and height in inches: the whole page with the margins shown, else the
// area inside them.
QSizeF shownInches(const TZephPrinter &printer);
// The scale for a zoom text, lowered to a multiple of 4; nothing when the text is no whole number.
std::optional<int> scale(const QString &zoom, int screenDpi, QSize window, QSizeF pageInches);
// "'%s' is not a valid integer value".
QString invalidInteger(const QString &text);
inline int gridStep(int scale)
{
    return scale / 4;
}
} // namespace PreviewScale
