// The page engine's display list and its replay.
#include "reports/zephprinter.h"

#include <cmath>

#include <QBuffer>
#include <QFontMetricsF>
#include <QHash>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include "store/safewrite.h"

using namespace Qt::StringLiterals;

PageGeometry PageGeometry::fromInches(double width, double height)
{
    constexpr int dpi = 1200;
    return { QSize(int(std::lround(width * dpi)), int(std::lround(height * dpi))), dpi, dpi };
}

QFont twipFont(
    const QString &family, double pointSize, bool bold, bool italic, bool underline, bool strikeOut)
{
    QFont f(family);
    // Pixel size in twips: the painter's transform scales it, never the device's resolution.
    f.setPixelSize(std::max(1, int(std::lround(pointSize * Twips::PerPoint))));
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    f.setStrikeOut(strikeOut);
    // Measured and drawn at the same size on every device.
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::StyleStrategy(QFont::ForceOutline | QFont::PreferAntialias));
    return f;
}

double twipFontPoints(const QFont &font)
{
    if (font.pixelSize() > 0)
        return double(font.pixelSize()) / Twips::PerPoint;
    return font.pointSizeF();
}

void PageDrawing::setFont(const QFont &font, const QColor &colour)
{
    const PageFont pf { font.pixelSize() > 0
            ? font
            : twipFont(font.family(), font.pointSizeF(), font.bold(), font.italic(),
                font.underline(), font.strikeOut()),
        colour };
    const qsizetype i = m_fonts.indexOf(pf);
    if (i >= 0) {
        m_font = int(i);
        return;
    }
    m_fonts.append(pf);
    m_font = int(m_fonts.size() - 1);
}

void PageDrawing::fillRect(const QRect &r)
{
    PageItem item;
    item.kind = PageItem::Kind::Fill;
    item.rect = r;
    item.brush = m_brush.isValid() ? m_brush : QColor(Qt::white);
    m_items.push_back(std::move(item));
}

void PageDrawing::textRect(const QRect &r, QPoint origin, const QString &text)
{
    PageItem item;
    item.kind = PageItem::Kind::TextInRect;
    item.rect = r;
    item.p1 = origin;
    item.text = text;
    item.brush = m_brush;
    item.fontIndex = std::max(0, m_font);
    m_items.push_back(std::move(item));
}

void PageDrawing::textOut(QPoint origin, const QString &text)
{
    PageItem item;
    item.kind = PageItem::Kind::TextAt;
    item.p1 = origin;
    item.text = text;
    item.brush = m_brush;
    item.fontIndex = std::max(0, m_font);
    m_items.push_back(std::move(item));
}

void PageDrawing::lineTo(QPoint p)
{
    PageItem item;
    item.kind = PageItem::Kind::Line;
    item.p1 = m_pen;
    item.p2 = p;
    m_items.push_back(std::move(item));
    m_pen = p;
}

void PageDrawing::replay(QPainter &painter) const
{
    painter.save();
    // The thinnest line the device draws.
    painter.setPen(QPen(Qt::black, 0));
    std::vector<QFontMetricsF> metrics;
    metrics.reserve(size_t(m_fonts.size()));
    for (const PageFont &f : m_fonts)
        metrics.emplace_back(f.font);
    // Measuring every cell's text costs as much as drawing it: a sum of cached character
    // advances, with room for kerning, tells the cells that surely fit from those to clip.
    std::vector<QHash<char16_t, qreal>> advances(size_t(m_fonts.size()));
    const auto surelyFits = [&](int font, const QString &text, qreal room) {
        QHash<char16_t, qreal> &cache = advances[size_t(font)];
        qreal width = 0;
        for (const QChar c : text) {
            if (c.isSurrogate() || c.category() == QChar::Mark_NonSpacing)
                return false;
            auto it = cache.find(c.unicode());
            if (it == cache.end())
                it = cache.insert(c.unicode(), metrics[size_t(font)].horizontalAdvance(c));
            width += it.value();
        }
        return width * 1.02 + 2 <= room;
    };
    int currentFont = -1;
    const auto useFont = [&](int index) {
        if (index == currentFont || index >= m_fonts.size())
            return;
        currentFont = index;
        painter.setFont(m_fonts[index].font);
        painter.setPen(QPen(m_fonts[index].colour, 0));
    };
    for (const PageItem &item : m_items) {
        switch (item.kind) {
        case PageItem::Kind::Fill:
            painter.fillRect(item.rect, item.brush);
            break;
        case PageItem::Kind::TextInRect: {
            if (m_fonts.isEmpty())
                break;
            if (item.brush.isValid())
                painter.fillRect(item.rect, item.brush);
            useFont(item.fontIndex);
            const QFontMetricsF &fm = metrics[size_t(currentFont)];
            const qreal ascent = fm.ascent();
            // Clip only what runs out of the cell sideways: most cells fit. A line's descenders may
            // reach a little below its cell, as the next line's cell starts 2 twips above it.
            const bool fits
                = surelyFits(currentFont, item.text, item.rect.right() + 1 - item.p1.x())
                && item.p1.y() + ascent <= item.rect.bottom() + 1 && item.p1.x() >= item.rect.left()
                && item.p1.y() >= item.rect.top();
            if (!fits) {
                painter.save();
                painter.setClipRect(item.rect, Qt::IntersectClip);
            }
            painter.drawText(QPointF(item.p1.x(), item.p1.y() + ascent), item.text);
            if (!fits)
                painter.restore();
            break;
        }
        case PageItem::Kind::TextAt: {
            if (m_fonts.isEmpty())
                break;
            useFont(item.fontIndex);
            const QFontMetricsF &fm = metrics[size_t(currentFont)];
            const qreal ascent = fm.ascent();
            if (item.brush.isValid()) {
                painter.fillRect(
                    QRectF(item.p1.x(), item.p1.y(), fm.horizontalAdvance(item.text), fm.height()),
                    item.brush);
            }
            painter.drawText(QPointF(item.p1.x(), item.p1.y() + ascent), item.text);
            break;
        }
        case PageItem::Kind::Line: {
            const QPen old = painter.pen();
            painter.setPen(QPen(Qt::black, 0));
            painter.drawLine(item.p1, item.p2);
            painter.setPen(old);
            break;
        }
        }
    }
    painter.restore();
}

TZephPrinter::TZephPrinter(const PageGeometry &geometry)
{
    setGeometry(geometry);
}

TZephPrinter::~TZephPrinter() = default;

void TZephPrinter::setGeometry(const PageGeometry &geometry)
{
    m_geometry = geometry;
    m_widthInches = geometry.widthInches();
    m_heightInches = geometry.heightInches();
}

void TZephPrinter::Reset()
{
    m_pages.clear();
    m_finished = false;
    m_current = 0;
    NewPage();
}

int TZephPrinter::NewPage()
{
    if (m_finished)
        return 0;
    auto page = std::make_unique<PageDrawing>(pageExtent());
    page->setBrushClear();
    page->setFont(twipFont(QStringLiteral("Arial"), 10));
    m_pages.push_back(std::move(page));
    m_current = PageCount();
    return m_current;
}

void TZephPrinter::Finish()
{
    m_finished = true;
}

PageDrawing *TZephPrinter::PageCanvas(int n)
{
    if (m_finished || n < 1 || n > PageCount())
        return nullptr;
    return m_pages[size_t(n - 1)].get();
}

const PageDrawing *TZephPrinter::PagePicture(int n) const
{
    if (!m_finished || n < 1 || n > PageCount())
        return nullptr;
    return m_pages[size_t(n - 1)].get();
}

QFont TZephPrinter::CurrentFont() const
{
    if (m_current < 1 || m_current > PageCount())
        return twipFont(QStringLiteral("Arial"), 10);
    return m_pages[size_t(m_current - 1)]->font();
}

void TZephPrinter::SetFont(const QFont &font, const QColor &colour)
{
    if (PageDrawing *page = canvas())
        page->setFont(font, colour);
}

int TZephPrinter::TextWidth(const QString &text) const
{
    return int(std::lround(QFontMetricsF(CurrentFont()).horizontalAdvance(text)));
}

void TZephPrinter::paintPage(QPainter &painter, int n, double dpiX, double dpiY) const
{
    const PageDrawing *page = PagePicture(n);
    if (!page)
        return;
    painter.save();
    painter.scale(dpiX / Twips::PerInch, dpiY / Twips::PerInch);
    painter.translate(m_margins.left(), m_margins.top());
    painter.setClipRect(QRect(0, 0, pageExtent().width() - m_margins.left() - m_margins.right(),
                            pageExtent().height() - m_margins.top() - m_margins.bottom()),
        Qt::IntersectClip);
    page->replay(painter);
    painter.restore();
}

bool writePdf(const TZephPrinter &printer, const QPageSize &paper, bool landscape,
    const QString &path, QString *error)
{
    // Composed in memory first: the PDF writer pays no heed to a refused write.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    bool ok;
    {
        QPdfWriter pdf(&buffer);
        constexpr int dpi = 1200;
        pdf.setResolution(dpi);
        pdf.setPageLayout(QPageLayout(paper,
            landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        pdf.setCreator(QStringLiteral("Larkspur Cataloguer"));
        QPainter painter;
        ok = painter.begin(&pdf);
        for (int n = 1; ok && n <= printer.PageCount(); ++n) {
            if (n > 1)
                ok = pdf.newPage();
            printer.paintPage(painter, n, dpi, dpi);
        }
        if (painter.isActive())
            ok = painter.end() && ok;
    }
    if (!ok) {
        if (error)
            *error = QStringLiteral("Cannot create file ") + path;
        return false;
    }
    const SafeWrite::Result result = SafeWrite::write(path, buffer.data());
    if (!result.ok() && error)
        *error = result.message;
    return result.ok();
}

namespace PreviewScale {

QSizeF shownInches(const TZephPrinter &p)
{
    const double w = p.pageWidthInches(), h = p.pageHeightInches();
    if (p.showMargins)
        return { w, h };
    const QMargins m = p.GetMargins();
    return { w - double(m.left() + m.right()) / Twips::PerInch,
        h - double(m.top() + m.bottom()) / Twips::PerInch };
}

std::optional<int> scale(const QString &zoom, int dpi, QSize window, QSizeF page)
{
    qint64 s = 0;
    const QString z = zoom.trimmed();
    if (z == u"Fit Both") {
        s = page.height() > 0 ? std::lround((window.height() - 45) / page.height()) : dpi;
    } else if (z == u"Fit Width") {
        s = page.width() > 0 ? std::lround((window.width() - 50) / page.width()) : dpi;
    } else if (z == u"200") {
        s = 2 * dpi;
    } else if (z == u"150") {
        s = 3 * dpi / 2;
    } else if (z == u"100") {
        s = dpi;
    } else if (z == u"50") {
        s = dpi / 2;
    } else if (z == u"25") {
        s = dpi / 4;
    } else {
        bool ok = false;
        const int percent = z.toInt(&ok);
        if (!ok)
            return std::nullopt;
        s = qint64(percent) * dpi / 100;
    }
    // Kept to a size a window can show: at least 4, at most 40 times the screen's own.
    s = std::clamp<qint64>(s, 4, qint64(dpi) * 40);
    return int(s - s % 4);
}

QString invalidInteger(const QString &text)
{
    return u"'%1' is not a valid integer value"_s.arg(text);
}

} // namespace PreviewScale
