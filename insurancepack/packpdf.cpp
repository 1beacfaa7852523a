// The pack's PDF: cover, summary tables room by room, a page run per room with every record and
// its photos, and the list of photo files with their SHA-256.
#include "insurancepack/packpdf.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <numeric>
#include <tuple>

#include <QBuffer>
#include <QDir>
#include <QFontMetricsF>
#include <QHash>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include "insurancepack/packphotos.h"
#include "store/recordstore.h"

using namespace Qt::StringLiterals;

namespace InsurancePack::Parts {
namespace {

// Why a write failed: the system's words for errno when the file device has none of its own.
QString systemReason(int error, const QFileDevice &file)
{
    if (error != 0)
        return QString::fromLocal8Bit(std::strerror(error));
    return file.errorString();
}

// A font at the PDF's resolution with the width of every text measured in it. Shaping text is
// most of a large pack's time, and the layout pass, the drawing pass and the table's trial
// type sizes measure the same texts again and again.
class FontMeasure
{
public:
    FontMeasure(const QFont &font, QPaintDevice *device)
        : m_font(font)
        , m_metrics(font, device)
        , m_maxWidth(m_metrics.maxWidth())
    { }
    const QFont &font() const { return m_font; }
    const QFontMetricsF &metrics() const { return m_metrics; }
    qreal maxWidth() const { return m_maxWidth; }
    qreal pointSize() const { return m_font.pointSizeF(); }
    qreal advance(const QString &s)
    {
        const auto it = m_widths.constFind(s);
        if (it != m_widths.constEnd())
            return *it;
        const qreal w = m_metrics.horizontalAdvance(s);
        m_widths.insert(s, w);
        return w;
    }

private:
    QFont m_font;
    QFontMetricsF m_metrics;
    qreal m_maxWidth;
    QHash<QString, qreal> m_widths;
};

// The PDF's fonts by size and weight, made once for both passes: a QFont made anew for each
// line would look its font files up again every time.
class Fonts
{
public:
    explicit Fonts(QPaintDevice *device)
        : m_device(device)
    {
        m_base.setPointSizeF(9.5);
        // Chinese and Japanese from a font whose ideographs are not shared with the Kangxi
        // radicals (Qt maps a shared glyph back to the lowest code point: "山" would copy out as
        // the radical "⼭"), emoji from one that draws them in outline.
        m_base.setFamilies({ u"DejaVu Sans"_s, u"WenQuanYi Zen Hei"_s, u"Symbola"_s });
        // Text copied out of the PDF must be the text typed: with any letter spacing the
        // shaper makes no ligatures ("ff", "fi" stay two letters). A 64th of a pixel at 300 dpi
        // moves nothing a reader can see.
        m_base.setLetterSpacing(QFont::AbsoluteSpacing, 1.0 / 64);
    }
    qreal basePoints() const { return m_base.pointSizeF(); }
    FontMeasure &get(qreal points, bool bold)
    {
        std::unique_ptr<FontMeasure> &f = m_fonts[{ points, bold }];
        if (!f) {
            QFont font = m_base;
            font.setPointSizeF(points);
            font.setBold(bold);
            f = std::make_unique<FontMeasure>(font, m_device);
        }
        return *f;
    }
    FontMeasure &get(bool bold = false) { return get(basePoints(), bold); }

private:
    QPaintDevice *m_device;
    QFont m_base { u"DejaVu Sans"_s };
    std::map<std::pair<qreal, bool>, std::unique_ptr<FontMeasure>> m_fonts;
};

// `text` broken into lines no wider than `width`: at word boundaries, inside a word only
// where the word alone is wider.
QStringList wrapText(const QString &text, int width, FontMeasure &metrics)
{
    // Most lines are short: no glyph is wider than maxWidth, so those need no measuring.
    if (text.isEmpty() || text.size() * metrics.maxWidth() <= width
        || metrics.advance(text) <= width)
        return { text };
    QStringList lines;
    QString line;
    auto flushWord = [&](QString word) {
        // A word wider than the column is broken where it must be.
        while (metrics.advance(word) > width && word.size() > 1) {
            int fit = 1;
            while (fit < word.size()
                && metrics.metrics().horizontalAdvance(word.left(fit + 1)) <= width)
                ++fit;
            lines << word.left(fit);
            word = word.mid(fit);
        }
        return word;
    };
    for (const QString &word : text.split(u' ', Qt::SkipEmptyParts)) {
        const QString tried = line.isEmpty() ? word : line + u' ' + word;
        if (metrics.advance(tried) <= width) {
            line = tried;
            continue;
        }
        if (!line.isEmpty())
            lines << line;
        line = flushWord(word);
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

class PdfPages
{
public:
    PdfPages(QPdfWriter &writer, Fonts &fonts, bool draw)
        : m_writer(writer)
        , m_fonts(fonts)
        , m_draw(draw)
    {
        if (m_draw)
            m_painter.begin(&m_writer);
        const QRect r = m_writer.pageLayout().paintRectPixels(m_writer.resolution());
        m_width = r.width();
        m_height = r.height();
        m_line = m_writer.resolution() / 6; // 12 pt lines
    }
    bool ok() const { return !m_draw || m_painter.isActive(); }
    int pages() const { return m_page; }
    int width() const { return m_width; }
    FontMeasure &font(bool bold = false) { return m_fonts.get(bold); }
    void setTotal(int n) { m_total = n; }
    // A new page whose bold title names what follows; pages it runs onto name it in their header.
    void section(const QString &title)
    {
        newPage(QString());
        m_section = title;
        if (!title.isEmpty())
            text(title, true);
    }
    void newPage(const QString &header)
    {
        if (m_page > 0 && m_draw)
            m_writer.newPage();
        ++m_page;
        m_y = 2 * m_line;
        if (!m_draw)
            return;
        FontMeasure &f = font();
        if (!header.isEmpty())
            drawLine(f, 0, 0, m_width, m_line, false, header);
        const QString number = u"Page %1 of %2"_s.arg(m_page).arg(m_total);
        drawLine(f, (m_width - int(f.metrics().horizontalAdvance(number))) / 2, m_height - m_line,
            m_width, m_line, false, number);
    }
    // One line of text in `f`, centred in a band of `height`; drawn at its baseline, which
    // spares the text layout a rectangle needs (a pack has a million lines). The painter's font
    // is changed only when it differs: each change makes the painter look the font up again.
    void drawLine(
        FontMeasure &f, int left, int top, int width, int height, bool alignRight, const QString &s)
    {
        if (m_painterFont != &f) {
            m_painter.setFont(f.font());
            m_painterFont = &f;
        }
        const QFontMetricsF &fm = f.metrics();
        const qreal baseline = top + (height + fm.ascent() - fm.descent()) / 2;
        const qreal x = alignRight ? left + width - f.advance(s) : left;
        m_painter.drawText(QPointF(x, baseline), s);
    }
    int bottom() const { return m_height - 2 * m_line; }
    void ensure(int h)
    {
        if (m_y + h > bottom())
            newPage(m_section.isEmpty() ? QString() : m_section + u" (continued)"_s);
    }
    // Starts a new page when `h` does not fit on this one but would on a new one: a record's
    // block or a heading with what follows it is not split at a page's foot.
    void keep(int h)
    {
        if (m_y + h > bottom() && h <= bottom() - 2 * m_line)
            ensure(bottom());
    }
    // The lines text() puts: each wrapped to the page width, the continuation indented.
    QList<std::pair<int, QString>> textLines(const QString &s, bool bold, int indent)
    {
        FontMeasure &metrics = font(bold);
        QList<std::pair<int, QString>> out;
        for (const QString &line : s.split(u'\n')) {
            const QStringList parts = wrapText(line, m_width - indent, metrics);
            out.append({ indent, parts.first() });
            if (parts.size() > 1)
                for (const QString &more :
                    wrapText(parts.mid(1).join(u' '), m_width - indent - m_line, metrics))
                    out.append({ indent + m_line, more });
        }
        return out;
    }
    int textHeight(const QString &s, bool bold = false, int indent = 0)
    {
        return int(textLines(s, bold, indent).size()) * m_line;
    }
    // Lines of text, each wrapped to the page width (the continuation indented), never cut.
    void text(const QString &s, bool bold = false, int indent = 0)
    {
        FontMeasure &f = font(bold);
        for (const auto &[x, part] : textLines(s, bold, indent)) {
            ensure(m_line);
            if (m_draw)
                drawLine(f, x, m_y, m_width - x, m_line, false, part);
            m_y += m_line;
        }
    }
    struct Table
    {
        QStringList headers;
        QList<QStringList> rows;
        QList<bool> heading; // per row: a sub-heading across the table, kept with the next row
        QList<QStringList> totals;
        int numbers = 2;
    };
    struct Measure
    {
        FontMeasure *font = nullptr, *bold = nullptr;
        QList<int> widths, words;
        bool wordsFit = false;
        bool fits() const { return wordsFit; }
    };
    static constexpr qreal TableSizes[] = { 9.5, 8.5, 7.5, 6.5 };
    // Each column's widest text (what it would like) and widest word (what it needs not to
    // break a word) in type of `points`.
    Measure measure(const Table &t, qreal points)
    {
        const int n = int(t.headers.size());
        const int pad = m_line / 3;
        const int numbers = t.numbers;
        const int textColumns = n - numbers;
        Measure m { &m_fonts.get(points, false), &m_fonts.get(points, true), {}, {} };
        FontMeasure &fm = *m.font, &bm = *m.bold;
        m.widths = m.words = QList<int>(n, 0);
        const qreal widest = std::max(fm.maxWidth(), bm.maxWidth());
        auto widen = [&](int i, const QString &s, FontMeasure &metrics) {
            // Most cells are known to be no wider than the column so far unmeasured.
            if (s.size() * widest + pad <= std::min(m.widths[i], m.words[i]))
                return;
            const int whole = int(std::ceil(metrics.advance(s))) + pad;
            m.widths[i] = std::max(m.widths[i], whole);
            if (i < textColumns && whole > m.words[i])
                for (const QString &w : s.split(u' ', Qt::SkipEmptyParts))
                    m.words[i] = std::max(m.words[i], int(std::ceil(metrics.advance(w))) + pad);
            else
                m.words[i] = m.widths[i];
        };
        for (int i = 0; i < n; ++i)
            widen(i, t.headers[i], bm);
        for (qsizetype r = 0; r < t.rows.size(); ++r)
            if (!t.heading.value(r))
                for (int i = 0; i < n; ++i)
                    widen(i, t.rows[r].value(i), fm);
        for (const QStringList &total : t.totals)
            for (int i = 1; i <= numbers; ++i)
                widen(n - numbers + i - 1, total.value(i), bm);
        m.wordsFit = std::accumulate(m.words.begin(), m.words.end(), 0) <= m_width;
        return m;
    }
    // One type size for every table: the largest in which every table's words fit.
    qreal tablePoints(const std::vector<Table> &tables)
    {
        for (const qreal points : TableSizes)
            if (std::all_of(tables.begin(), tables.end(),
                    [&](const Table &t) { return measure(t, points).fits(); }))
                return points;
        return TableSizes[std::size(TableSizes) - 1];
    }
    // Portrait or landscape from the next page on.
    void setLandscape(bool landscape)
    {
        m_writer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
        const QRect r = m_writer.pageLayout().paintRectPixels(m_writer.resolution());
        m_width = r.width();
        m_height = r.height();
    }
    // A table as wide as the page in type of `points`: columns as wide as their widest text
    // when they all fit, else the text columns share the width and their cells wrap (at words,
    // inside a word only when it is wider than its column). No text is cut off. The last
    // `numbers` columns are right-aligned; each total row's label spans the text columns. The
    // header is repeated on every page the table runs onto; a sub-heading stays with its row.
    void table(const Table &t, qreal points)
    {
        const QStringList &headers = t.headers;
        const int numbers = t.numbers;
        const int n = int(headers.size());
        const int pad = m_line / 3;
        const int textColumns = n - numbers;
        Measure measured = measure(t, points);
        FontMeasure &fm = *measured.font, &bm = *measured.bold;
        QList<int> &widths = measured.widths;
        const QList<int> &words = measured.words;
        const int numberWidth = std::accumulate(widths.end() - numbers, widths.end(), 0);
        int room = m_width - numberWidth;
        const int natural = std::accumulate(widths.begin(), widths.end() - numbers, 0);
        const int least = std::accumulate(words.begin(), words.end() - numbers, 0);
        if (natural <= room) {
            // The spare width goes evenly to the text columns.
            for (int i = 0; i < textColumns; ++i)
                widths[i] += (room - natural) / textColumns;
        } else if (least <= room) {
            // Columns that fit in an even share keep their whole width; the others get at
            // least their widest word and share the rest in proportion to how much more each
            // would like: their cells wrap between words.
            QList<int> order(textColumns);
            std::iota(order.begin(), order.end(), 0);
            std::sort(
                order.begin(), order.end(), [&](int a, int b) { return widths[a] < widths[b]; });
            QList<bool> settled(textColumns, false);
            int rest = room, left = textColumns, restLeast = least;
            for (int i : order) {
                if (widths[i] > rest / left || rest - widths[i] < restLeast - words[i])
                    break;
                settled[i] = true;
                rest -= widths[i];
                restLeast -= words[i];
                --left;
            }
            int wanted = 0;
            for (int i = 0; i < textColumns; ++i)
                if (!settled[i])
                    wanted += widths[i] - words[i];
            for (int i = 0; i < textColumns; ++i)
                if (!settled[i])
                    widths[i] = words[i]
                        + int(qint64(rest - restLeast) * (widths[i] - words[i])
                            / std::max(1, wanted));
        } else {
            // Even the words do not fit: columns whose widest word fits in an even share keep
            // it; the others share what is left, and only their longest words break.
            QList<int> order(textColumns);
            std::iota(order.begin(), order.end(), 0);
            std::sort(
                order.begin(), order.end(), [&](int a, int b) { return words[a] < words[b]; });
            int left = textColumns;
            for (int i : order) {
                widths[i] = std::min(words[i], room / left);
                room -= widths[i];
                --left;
            }
        }
        QList<int> x { 0 };
        for (int i = 0; i < n; ++i)
            x << x.last() + widths[i];
        const int lineHeight = int(std::ceil(m_line * fm.pointSize() / m_fonts.basePoints()));

        auto drawRow = [&](const QList<QStringList> &cells, const QList<int> &left,
                           const QList<int> &right, bool isBold, int firstNumber) {
            int lines = 1;
            for (const QStringList &c : cells)
                lines = std::max(lines, int(c.size()));
            if (m_draw) {
                FontMeasure &f = isBold ? bm : fm;
                for (int i = 0; i < cells.size(); ++i)
                    for (int l = 0; l < cells[i].size(); ++l)
                        drawLine(f, left[i], m_y + l * lineHeight, right[i] - left[i] - pad / 2,
                            lineHeight, i >= firstNumber, cells[i][l]);
            }
            m_y += lines * lineHeight;
        };
        auto wrapped = [&](const QString &text, int width, FontMeasure &m) {
            return wrapText(QString(text).replace(u'\n', u' '), width - pad, m);
        };
        auto header = [&] {
            QList<QStringList> cells;
            int lines = 1;
            for (int i = 0; i < n; ++i) {
                cells << wrapped(headers[i], widths[i], bm);
                lines = std::max(lines, int(cells.last().size()));
            }
            drawRow(cells, x.first(n), x.mid(1), true, n - numbers);
            if (m_draw)
                m_painter.drawLine(0, m_y - lineHeight / 8, m_width, m_y - lineHeight / 8);
        };
        auto place = [&](const QList<QStringList> &cells, bool withHeader) {
            int lines = 1;
            for (const QStringList &c : cells)
                lines = std::max(lines, int(c.size()));
            const int page = m_page;
            ensure(lines * lineHeight);
            if (withHeader && m_page != page)
                header();
        };
        auto rowCells = [&](qsizetype r) {
            QList<QStringList> cells;
            if (t.heading.value(r))
                cells << wrapped(t.rows[r].value(0), m_width, bm);
            else
                for (int i = 0; i < n; ++i)
                    cells << wrapped(t.rows[r].value(i), widths[i], fm);
            return cells;
        };
        auto height = [&](const QList<QStringList> &cells) {
            int lines = 1;
            for (const QStringList &c : cells)
                lines = std::max(lines, int(c.size()));
            return lines * lineHeight;
        };
        ensure(3 * lineHeight);
        header();
        for (qsizetype r = 0; r < t.rows.size(); ++r) {
            const QList<QStringList> cells = rowCells(r);
            if (t.heading.value(r)) {
                const int page = m_page;
                ensure(height(cells) + (r + 1 < t.rows.size() ? height(rowCells(r + 1)) : 0));
                if (m_page != page)
                    header();
                drawRow(cells, { 0 }, { m_width }, true, 1);
                continue;
            }
            place(cells, true);
            drawRow(cells, x.first(n), x.mid(1), false, n - numbers);
        }
        for (const QStringList &total : t.totals) {
            QList<QStringList> cells { wrapped(total.value(0), x[textColumns], bm) };
            QList<int> left { 0 }, right { x[textColumns] };
            for (int i = 1; i <= numbers; ++i) {
                cells << QStringList { total.value(i) };
                left << x[textColumns + i - 1];
                right << x[textColumns + i];
            }
            place(cells, false);
            drawRow(cells, left, right, true, 1);
        }
    }
    void gap(int lines = 1) { m_y += lines * m_line; }
    // A box of the given height; returns its top, on a new page when it does not fit.
    int box(int h)
    {
        ensure(h);
        const int top = m_y;
        m_y += h;
        return top;
    }
    int freeHeight() const { return m_height - 4 * m_line; }
    QPainter &painter() { return m_painter; }
    bool drawing() const { return m_draw; }
    int line() const { return m_line; }

private:
    QPdfWriter &m_writer;
    Fonts &m_fonts;
    bool m_draw;
    QPainter m_painter;
    FontMeasure *m_painterFont = nullptr;
    int m_width = 0, m_height = 0, m_line = 50, m_y = 0, m_page = 0, m_total = 0;
    QString m_section;
};

// Lays out (p not drawing) or draws the whole PDF; `image` gives each placed photo's picture.
bool layout(const Pack &pack, PdfPages &p, const std::function<QImage(const Photo &)> &image)
{
    const RecordStore &store = pack.store;
    const Options &options = pack.options;
    p.section(QString());
    p.gap(2);
    p.text(u"Insurance Inventory"_s, true);
    p.gap();
    p.text(options.coverText);
    p.gap();
    p.text(u"Made: "_s + pack.madeAt.toString(u"yyyy-MM-dd HH:mm"_s));
    p.text(u"Database: "_s + pack.databaseName);
    p.text(u"Records: "_s + QString::number(pack.records));
    p.text(u"Total Paid: "_s + money(pack.paid));
    p.text(u"Total Value: "_s + money(pack.value));
    p.text(u"Photos included: %1, not included: %2"_s.arg(pack.included()).arg(pack.notIncluded()));
    p.text(u"SHA-256 of catalogue.dat: "_s + pack.catalogueSha);

    // The summary's tables are fitted to a landscape page first.
    constexpr qreal Smallest = PdfPages::TableSizes[std::size(PdfPages::TableSizes) - 1];
    p.setLandscape(true);
    std::vector<PdfPages::Table> tables;
    for (size_t gi = 0; gi < pack.groups.size(); ++gi) {
        const Group &g = pack.groups[gi];
        auto entries = [&](const auto &visit) {
            for (const Place &place : g.places)
                for (const Entry &e : place.entries)
                    visit(e);
        };
        auto value = [](const Entry &e, bool detail, int i) {
            return shownText(detail ? e.record->detail(i)
                                    : shortValue(e.record->description(i)));
        };
        // A column for each description and detail with a value in this room; the grouping
        // description is the heading, Paid and Value come last as line totals, after the unit
        // value when a quantity multiplies it.
        struct Column
        {
            bool detail;
            int index;
            int filled; // records with a value in it
        };
        QList<Column> columns;
        auto add = [&](bool detail, int i) {
            int filled = 0;
            entries([&](const Entry &e) { filled += value(e, detail, i).isEmpty() ? 0 : 1; });
            if (filled > 0)
                columns.append({ detail, i, filled });
        };
        for (int k = 1; k <= RecordStore::CategoryCount; ++k)
            if (k != options.groupBy)
                add(false, k);
        for (int d = 0; d < ItemRecord::DetailCount; ++d)
            if (d != 1 && d != 8)
                add(true, d);
        bool units = false;
        entries([&](const Entry &e) { units = units || shownQuantity(*e.record) != 1; });
        auto build = [&] {
            PdfPages::Table t;
            t.headers << u"Name"_s;
            for (const Column &c : columns)
                t.headers << (c.detail ? detailCaption(store, c.index)
                                       : descriptionCaption(store, c.index));
            if (units)
                t.headers << u"Unit Value"_s;
            t.headers << u"Paid"_s << u"Value"_s;
            t.numbers = units ? 3 : 2;
            for (const Place &place : g.places) {
                if (!place.name.isEmpty()) {
                    t.rows << QStringList { place.name };
                    t.heading << true;
                }
                for (const Entry &e : place.entries) {
                    QStringList cells { e.record->name() };
                    // Descriptions by their short value; the record pages give the full ones.
                    for (const Column &c : columns)
                        cells << value(e, c.detail, c.index);
                    const int q = shownQuantity(*e.record);
                    if (units)
                        cells << (q == 1 ? QString() : money(e.value / q));
                    cells << money(e.paid) << money(e.value);
                    t.rows << cells;
                    t.heading << false;
                }
            }
            auto totalRow = [&](const QString &label, double paid, double value) {
                return units ? QStringList { label, QString(), money(paid), money(value) }
                             : QStringList { label, money(paid), money(value) };
            };
            t.totals << totalRow(u"Subtotal "_s + g.name, g.paid, g.value);
            if (gi + 1 == pack.groups.size())
                t.totals << totalRow(u"Grand Total"_s, pack.paid, pack.value);
            return t;
        };
        PdfPages::Table t = build();
        // More columns than fit across a landscape page would break their words inside: some
        // are left to the record pages, which show every field. Descriptions go first (details
        // hold the serial numbers, models and dates that tell one possession from another),
        // the columns fewest records fill first; the quantity stays beside its unit value.
        auto dropOrder = [](const Column &a, const Column &b) {
            return std::tuple(a.detail, a.filled) < std::tuple(b.detail, b.filled);
        };
        auto droppable = [](const Column &c) { return !(c.detail && c.index == 9); };
        while (!p.measure(t, Smallest).wordsFit) {
            auto least = columns.end();
            for (auto it = columns.begin(); it != columns.end(); ++it)
                if (droppable(*it) && (least == columns.end() || !dropOrder(*least, *it)))
                    least = it;
            if (least == columns.end())
                break;
            columns.erase(least);
            t = build();
        }
        tables.push_back(std::move(t));
    }
    // Turned sideways when a room has more captioned values than fit across the page without
    // breaking words.
    p.setLandscape(false);
    const bool landscape = std::any_of(tables.begin(), tables.end(),
        [&](const PdfPages::Table &t) { return !p.measure(t, Smallest).wordsFit; });
    p.setLandscape(landscape);
    p.section(u"Summary"_s);
    const qreal points = p.tablePoints(tables);
    for (size_t gi = 0; gi < tables.size(); ++gi) {
        p.gap();
        // The room's name with the table's header and first rows.
        p.keep(p.textHeight(pack.groups[gi].name, true) + 4 * p.line());
        p.text(pack.groups[gi].name, true);
        p.table(tables[gi], points);
    }
    p.setLandscape(false);
    const int w = p.width();

    const int fullH = (p.freeHeight() - 2 * p.line()) / 2; // two to a page
    const int cell = (w - 3 * p.line() / 2) / 4;
    int drawn = 0;
    for (const Group &g : pack.groups) {
        p.section(g.name);
        for (const Place &place : g.places) {
            for (size_t ei = 0; ei < place.entries.size(); ++ei) {
                const Entry &e = place.entries[ei];
                if (pack.cancelled())
                    return false;
                // The photos took the first four fifths of the bar; the PDF takes the rest.
                if (p.drawing() && pack.progress && ++drawn % 64 == 0)
                    pack.progress(800 + int(qint64(drawn) * 200 / std::max(1, pack.records)));
                // A record's fields stay on one page, and a place's name with its first record.
                QList<std::tuple<QString, bool, int>> lines;
                for (const auto &[caption, value] : recordFields(store, *e.record)) {
                    const QStringList parts = value.split(u'\n');
                    lines.append({ caption + u": "_s + parts.first(), caption == u"Name"_s, 0 });
                    for (qsizetype i = 1; i < parts.size(); ++i)
                        lines.append({ parts[i], false, p.line() * 2 });
                }
                int block = p.line();
                for (const auto &[text, bold, indent] : lines)
                    block += p.textHeight(text, bold, indent);
                if (ei == 0 && !place.name.isEmpty()) {
                    const int heading = p.line() + p.textHeight(place.name, true);
                    p.keep(heading + block);
                    p.gap();
                    p.text(place.name, true);
                }
                p.keep(block);
                p.gap();
                for (const auto &[text, bold, indent] : lines)
                    p.text(text, bold, indent);
                int column = 0;
                int top = 0;
                for (const PhotoUse &use : e.photos) {
                    const Photo &ph = pack.photo(use);
                    if (!ph.included()) {
                        p.text(photoProblem(ph) + use.storedPath);
                        continue;
                    }
                    if (options.photos == Photos::None)
                        continue;
                    QString caption = use.title;
                    if (ph.taken.isValid())
                        caption += (caption.isEmpty() ? u""_s : u"  "_s) + u"Taken "_s
                            + ph.taken.toString(u"yyyy-MM-dd HH:mm"_s);
                    QRect target;
                    if (options.photos == Photos::Full) {
                        top = p.box(fullH + p.line());
                        target = QRect(0, top, w, fullH);
                    } else {
                        if (column == 0)
                            top = p.box(cell + p.line());
                        target = QRect(column * (cell + p.line() / 2), top, cell, cell);
                        column = (column + 1) % 4;
                    }
                    if (p.drawing()) {
                        if (!ph.placed.isEmpty()) {
                            const QSize s = ph.placed.scaled(target.size(), Qt::KeepAspectRatio);
                            p.painter().drawImage(QRect(target.topLeft(), s), image(ph));
                        }
                        FontMeasure &f = p.font();
                        p.drawLine(f, target.left(), target.bottom(), target.width(), p.line(),
                            false, f.metrics().elidedText(caption, Qt::ElideRight, target.width()));
                    }
                }
            }
        }
    }

    p.section(u"Photo files and their SHA-256"_s);
    for (const Photo &ph : pack.photos)
        if (ph.included()) {
            p.text(u"photos/"_s + ph.packName);
            p.text(ph.sha256, false, p.line() * 2);
        }
    return true;
}

// Qt's PDF engine encodes every picture itself, at a fixed high JPEG quality and on the
// painting thread. The photos are drawn as 1 x 1 stand-ins instead; this copies the PDF with
// each stand-in's object replaced by the photo's own JPEG from the spool (in drawing order) and
// a new cross-reference table. Objects keep their numbers, so every reference stays right.
bool embedPhotos(const QByteArray &pdf, const std::vector<const Photo *> &placed, QFile &spool,
    QFileDevice &out, QString *message)
{
    auto broken = [&] {
        *message = u"Cannot place the photos in the PDF."_s;
        return false;
    };
    const qsizetype startxref = pdf.lastIndexOf("startxref");
    if (startxref < 0)
        return broken();
    const qint64 xrefAt = pdf.mid(startxref + 9, 24).trimmed().split('\n').value(0).toLongLong();
    const qsizetype trailerAt = pdf.indexOf("trailer", xrefAt);
    if (xrefAt <= 0 || trailerAt < 0 || !pdf.mid(xrefAt).startsWith("xref"))
        return broken();
    const QList<QByteArray> lines = pdf.mid(xrefAt, trailerAt - xrefAt).split('\n');
    if (lines.size() < 3)
        return broken();
    const QList<QByteArray> range = lines[1].trimmed().split(' ');
    const int count = range.value(1).toInt();
    if (range.value(0) != "0" || count <= 0 || lines.size() < 2 + count)
        return broken();
    std::vector<qint64> offsets(size_t(count), 0);
    std::vector<std::pair<qint64, int>> order;
    for (int i = 1; i < count; ++i) {
        const QByteArray &e = lines[2 + i];
        if (e.size() >= 18 && e[17] == 'n' && e.left(10).toLongLong() > 0) {
            offsets[size_t(i)] = e.left(10).toLongLong();
            order.emplace_back(offsets[size_t(i)], i);
        }
    }
    std::sort(order.begin(), order.end());
    if (order.empty() || order.front().first > xrefAt || order.back().first >= xrefAt)
        return broken();

    qint64 written = 0;
    bool ok = true;
    int error = 0; // the system's reason, taken where the write fails
    auto put = [&](const QByteArray &b) {
        if (ok && out.write(b) != b.size()) {
            ok = false;
            error = errno;
        }
        written += b.size();
    };
    put(pdf.left(order.front().first));
    size_t next = 0;
    const QByteArray standIn = "/Subtype /Image\n/Width 1\n/Height 1\n";
    for (size_t k = 0; k < order.size(); ++k) {
        if (!ok)
            break;
        const auto [at, number] = order[k];
        const qint64 end = k + 1 < order.size() ? order[k + 1].first : xrefAt;
        const QByteArray object = pdf.mid(at, end - at);
        offsets[size_t(number)] = written;
        if (!object.left(120).contains(standIn)) {
            put(object);
            continue;
        }
        if (next >= placed.size())
            return broken();
        const Photo &ph = *placed[next++];
        const QByteArray jpeg = spool.seek(ph.spoolAt) ? spool.read(ph.spoolLength) : QByteArray();
        if (jpeg.size() != ph.spoolLength) {
            *message = u"Cannot read back the photos for the PDF from %1: %2"_s.arg(
                QDir::toNativeSeparators(spool.fileName()), spool.errorString());
            return false;
        }
        put(QByteArray::number(number) + " 0 obj\n<<\n/Type /XObject\n/Subtype /Image\n/Width "
            + QByteArray::number(ph.placed.width()) + "\n/Height "
            + QByteArray::number(ph.placed.height())
            + "\n/ColorSpace /DeviceRGB\n/BitsPerComponent 8\n/Filter /DCTDecode\n/Length "
            + QByteArray::number(jpeg.size()) + "\n>>\nstream\n");
        put(jpeg);
        put("\nendstream\nendobj\n");
    }
    if (ok && next != placed.size())
        return broken();
    const qint64 newXref = written;
    QByteArray table = "xref\n0 " + QByteArray::number(count) + "\n0000000000 65535 f \n";
    for (int i = 1; i < count; ++i)
        table += QByteArray::number(offsets[size_t(i)]).rightJustified(10, '0') + " 00000 n \n";
    put(table);
    put(pdf.mid(trailerAt, startxref - trailerAt));
    put("startxref\n" + QByteArray::number(newXref) + "\n%%EOF\n");
    if (ok && !out.flush()) {
        ok = false;
        error = errno;
    }
    if (!ok)
        *message = u"Cannot write %1: %2"_s.arg(
            QDir::toNativeSeparators(out.fileName()), systemReason(error, out));
    return ok;
}

} // namespace

bool writePdf(const Pack &pack, const QString &pdfPath, Spool *spool, QString *message)
{
    // Written through our own file so a full disk or a size limit is noticed.
    QFile pdfFile(pdfPath);
    if (!pdfFile.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        *message = u"Cannot write %1: %2"_s.arg(
            QDir::toNativeSeparators(pdfPath), pdfFile.errorString());
        return false;
    }
    // With photos the PDF is drawn into memory (text only, the photos as stand-ins), then
    // written with the photos.
    QByteArray drawn;
    QBuffer drawnBuffer(&drawn);
    const bool withPhotos = spool && spool->file.isOpen();
    if (withPhotos)
        drawnBuffer.open(QIODevice::WriteOnly);
    std::vector<const Photo *> placed;
    bool done = false;
    {
        QPdfWriter writer(withPhotos ? static_cast<QIODevice *>(&drawnBuffer) : &pdfFile);
        writer.setResolution(300);
        writer.setPageSize(QPageSize(pack.options.a4 ? QPageSize::A4 : QPageSize::Letter));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        writer.setTitle(u"Insurance Inventory"_s);
        writer.setCreator(u"Larkspur Cataloguer"_s);
        // A layout pass counts the pages, then the drawing pass.
        int total = 0;
        Fonts fonts(&writer);
        {
            PdfPages counting(writer, fonts, false);
            layout(pack, counting, {});
            total = counting.pages();
        }
        PdfPages drawing(writer, fonts, true);
        if (!drawing.ok()) {
            *message = u"Cannot write %1"_s.arg(QDir::toNativeSeparators(pdfPath));
            return false;
        }
        drawing.setTotal(total);
        done = layout(pack, drawing, [&](const Photo &ph) {
            placed.push_back(&ph);
            QImage standIn(1, 1, QImage::Format_RGB32);
            standIn.fill(Qt::white);
            return standIn;
        });
        drawing.painter().end();
    }
    if (!done) {
        *message = u"Cancelled"_s;
        return false;
    }
    if (withPhotos && !embedPhotos(drawn, placed, spool->file, pdfFile, message))
        return false;
    const bool flushed = pdfFile.flush();
    const int error = errno;
    if (!flushed || pdfFile.error() != QFileDevice::NoError || pdfFile.size() == 0) {
        *message = u"Cannot write %1: %2"_s.arg(
            QDir::toNativeSeparators(pdfPath), systemReason(flushed ? 0 : error, pdfFile));
        return false;
    }
    return true;
}

} // namespace InsurancePack::Parts
