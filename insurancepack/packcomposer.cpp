#include "insurancepack/packcomposer.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <numeric>

#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <openssl/evp.h>

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImageWriter>
#include <QMutex>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextStream>
#include <QtConcurrent/QtConcurrentMap>

#include "graph/graphcount.h"
#include "insurancepack/timestamp.h"
#include "platform/exif.h"
#include "platform/jpegdecoder.h"
#include "platform/picture.h"
#include "platform/pictureloader.h"
#include "store/categorytree.h"
#include "store/csvfile.h"
#include "store/datafile.h"
#include "store/safewrite.h"
#include "store/smallfile.h"
#include "store/recordstore.h"

using namespace Qt::StringLiterals;

namespace InsurancePack {
namespace {

// A full-width photo in the PDF has its long side between these (smaller pictures as they
// are): the JPEG is decoded at the smallest DCT reduction that still gives the lower figure,
// so a twelve-megapixel photo is decoded at a quarter of its size, never whole. Small photos
// (four to a row) need half as much.
constexpr int MaxPhotoSide = 1600;
constexpr int MinPhotoSide = 1000;
// The photos' JPEG quality in the PDF: the originals are in photos/ byte for byte, the PDF is
// for reading and printing, and 3,000 photos must still make a PDF that can be mailed.
constexpr int PdfPhotoQuality = 55;

QString sha256Hex(const QByteArray &bytes)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!EVP_Digest(bytes.constData(), size_t(bytes.size()), digest, &length, EVP_sha256(), nullptr))
        return QString::fromLatin1(
            QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(digest), int(length)).toHex());
}

struct PhotoRef
{
    QString path;
    QString title;
    QString packName; // under photos/; empty when missing
    QString sha256;
    QDateTime taken;
    bool missing = false;
    // The photo as the PDF shows it: its size, and where its JPEG bytes are in the spool.
    QSize placed;
    qint64 spoolAt = 0, spoolLength = 0;
    QString error; // a copy that failed
};

struct Entry
{
    const ItemRecord *record = nullptr;
    double paid = 0, value = 0;
    std::vector<PhotoRef> photos;
};

struct Group
{
    QString name;
    std::vector<Entry> entries;
    double paid = 0, value = 0;
};

QString money(double v) { return dollarText(v); }

QString fileSha256(const QString &path, bool *ok)
{
    QFile f(path);
    *ok = false;
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX *)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!ctx || !EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr))
        return {};
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = f.read(chunk.data(), chunk.size());
        if (n < 0)
            return {};
        if (n == 0)
            break;
        EVP_DigestUpdate(ctx.get(), chunk.constData(), size_t(n));
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!EVP_DigestFinal_ex(ctx.get(), digest, &length))
        return {};
    *ok = true;
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(digest), int(length)).toHex());
}

bool writeFile(const QString &path, const QByteArray &bytes, QString *message)
{
    const SafeWrite::Result written = SafeWrite::write(path, bytes);
    if (!written.ok())
        *message = written.message;
    return written.ok();
}

// The quoting every comma-delimited writer of the program uses (RFC 4180).
QString csvField(const QString &s)
{
    return CsvFile::field(s);
}

// One record's texts in reading order: caption and value of every field that is not empty.
QList<std::pair<QString, QString>> recordFields(const RecordStore &store, const ItemRecord &r)
{
    QList<std::pair<QString, QString>> out;
    auto add = [&](const QString &c, const QString &v) {
        if (!v.trimmed().isEmpty())
            out.append({ c, v });
    };
    add(u"Name"_s, r.Name);
    add(u"Code"_s, r.RecordCode);
    for (int k = 1; k <= RecordStore::CategoryCount; ++k)
        add(store.captions.description[size_t(k)], r.Descriptions[size_t(k)]);
    for (int d = 0; d < ItemRecord::DetailCount; ++d)
        add(store.captions.detail[size_t(d)], r.Details[size_t(d)]);
    add(u"Keywords"_s, r.Keywords.join(u", "_s));
    add(u"History"_s, r.History.join(u'\n'));
    add(u"Notes"_s, r.Notes.join(u'\n'));
    add(u"Links"_s, r.Links.join(u'\n'));
    return out;
}

// `text` broken into lines no wider than `width`: at word boundaries, inside a word only
// where the word alone is wider.
QStringList wrapText(const QString &text, int width, const QFontMetricsF &metrics)
{
    // Most lines are short: no glyph is wider than maxWidth, so those need no measuring.
    if (text.isEmpty() || text.size() * metrics.maxWidth() <= width
        || metrics.horizontalAdvance(text) <= width)
        return { text };
    QStringList lines;
    QString line;
    auto flushWord = [&](QString word) {
        // A word wider than the column is broken where it must be.
        while (metrics.horizontalAdvance(word) > width && word.size() > 1) {
            int fit = 1;
            while (fit < word.size() && metrics.horizontalAdvance(word.left(fit + 1)) <= width)
                ++fit;
            lines << word.left(fit);
            word = word.mid(fit);
        }
        return word;
    };
    for (const QString &word : text.split(u' ', Qt::SkipEmptyParts)) {
        const QString tried = line.isEmpty() ? word : line + u' ' + word;
        if (metrics.horizontalAdvance(tried) <= width) {
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
    PdfPages(QPdfWriter &writer, bool draw) : m_writer(writer), m_draw(draw)
    {
        if (m_draw)
            m_painter.begin(&m_writer);
        const QRect r = m_writer.pageLayout().paintRectPixels(m_writer.resolution());
        m_width = r.width();
        m_height = r.height();
        m_line = m_writer.resolution() / 6; // 12 pt lines
        m_font.setPointSizeF(9.5);
    }
    bool ok() const { return !m_draw || m_painter.isActive(); }
    int pages() const { return m_page; }
    int width() const { return m_width; }
    void setTotal(int n) { m_total = n; }
    void newPage(const QString &header)
    {
        if (m_page > 0 && m_draw)
            m_writer.newPage();
        ++m_page;
        m_header = header;
        m_y = 2 * m_line;
        if (!m_draw)
            return;
        const QFont font = m_painter.font();
        m_painter.setFont(m_font);
        m_painter.drawText(QRect(0, 0, m_width, m_line), Qt::AlignLeft, header);
        m_painter.drawText(QRect(0, m_height - m_line, m_width, m_line), Qt::AlignCenter,
            u"Page %1 of %2"_s.arg(m_page).arg(m_total));
        m_painter.setFont(font);
    }
    // One line of text in the painter's font, centred in a band of `height`; drawn at its
    // baseline, which spares the text layout a rectangle needs (a pack has a million lines).
    void drawLine(int left, int top, int width, int height, bool alignRight, const QString &s)
    {
        const QFontMetricsF fm(m_painter.font(), &m_writer);
        const qreal baseline = top + (height + fm.ascent() - fm.descent()) / 2;
        const qreal x = alignRight ? left + width - fm.horizontalAdvance(s) : left;
        m_painter.drawText(QPointF(x, baseline), s);
    }
    void ensure(int h)
    {
        if (m_y + h > m_height - 2 * m_line)
            newPage(m_header);
    }
    // Lines of text, each wrapped to the page width (the continuation indented), never cut.
    void text(const QString &s, bool bold = false, int indent = 0)
    {
        QFont f = m_font;
        f.setBold(bold);
        const QFontMetricsF metrics(f, &m_writer);
        if (m_draw)
            m_painter.setFont(f);
        auto put = [&](int x, const QString &part) {
            ensure(m_line);
            if (m_draw)
                drawLine(x, m_y, m_width - x, m_line, false, part);
            m_y += m_line;
        };
        for (const QString &line : s.split(u'\n')) {
            const QStringList parts = wrapText(line, m_width - indent, metrics);
            put(indent, parts.first());
            if (parts.size() > 1)
                for (const QString &more :
                    wrapText(parts.mid(1).join(u' '), m_width - indent - m_line, metrics))
                    put(indent + m_line, more);
        }
    }
    // A table as wide as the page: columns as wide as their widest text when they all fit, else
    // in smaller type, else the text columns share the width and their cells wrap (at words,
    // inside a word only when it is wider than its column). No text is cut off. The last
    // `numbers` columns are right-aligned; each total row's label spans the text columns. The
    // header is repeated on every page the table runs onto.
    struct Measure
    {
        QFont font, bold;
        QList<int> widths, words;
        bool wordsFit = false;
    };
    // Each column's widest text (what it would like) and widest word (what it needs not to
    // break a word), in the largest type whose words all fit the width; in the smallest
    // otherwise.
    Measure measure(const QStringList &headers, const QList<QStringList> &rows,
        const QList<QStringList> &totals, int numbers) const
    {
        const int n = int(headers.size());
        const int pad = m_line / 3;
        const int textColumns = n - numbers;
        Measure m { m_font, m_font, {}, {} };
        for (const qreal points : { 9.5, 8.5, 7.5, 6.5 }) {
            m.font.setPointSizeF(points);
            m.bold = m.font;
            m.bold.setBold(true);
            const QFontMetricsF fm(m.font, &m_writer), bm(m.bold, &m_writer);
            m.widths = m.words = QList<int>(n, 0);
            const qreal widest = std::max(fm.maxWidth(), bm.maxWidth());
            auto widen = [&](int i, const QString &s, const QFontMetricsF &metrics) {
                // Most cells are known to be no wider than the column so far unmeasured.
                if (s.size() * widest + pad <= std::min(m.widths[i], m.words[i]))
                    return;
                const int whole = int(std::ceil(metrics.horizontalAdvance(s))) + pad;
                m.widths[i] = std::max(m.widths[i], whole);
                if (i < textColumns && whole > m.words[i])
                    for (const QString &w : s.split(u' ', Qt::SkipEmptyParts))
                        m.words[i] = std::max(
                            m.words[i], int(std::ceil(metrics.horizontalAdvance(w))) + pad);
                else
                    m.words[i] = m.widths[i];
            };
            for (int i = 0; i < n; ++i)
                widen(i, headers[i], bm);
            for (const QStringList &r : rows)
                for (int i = 0; i < n; ++i)
                    widen(i, r.value(i), fm);
            for (const QStringList &t : totals)
                for (int i = 1; i <= numbers; ++i)
                    widen(n - numbers + i - 1, t.value(i), bm);
            m.wordsFit = std::accumulate(m.words.begin(), m.words.end(), 0) <= m_width;
            if (m.wordsFit || std::accumulate(m.widths.begin(), m.widths.end(), 0) <= m_width)
                break;
        }
        return m;
    }
    // Portrait or landscape from the next page on.
    void setLandscape(bool landscape)
    {
        m_writer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
        const QRect r = m_writer.pageLayout().paintRectPixels(m_writer.resolution());
        m_width = r.width();
        m_height = r.height();
    }
    void table(const QStringList &headers, const QList<QStringList> &rows,
        const QList<QStringList> &totals, int numbers)
    {
        const int n = int(headers.size());
        const int pad = m_line / 3;
        const int textColumns = n - numbers;
        Measure measured = measure(headers, rows, totals, numbers);
        const QFont font = measured.font, bold = measured.bold;
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
            std::sort(order.begin(), order.end(), [&](int a, int b) { return widths[a] < widths[b]; });
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
                        + int(qint64(rest - restLeast) * (widths[i] - words[i]) / std::max(1, wanted));
        } else {
            // Even the words do not fit: columns whose widest word fits in an even share keep
            // it; the others share what is left, and only their longest words break.
            QList<int> order(textColumns);
            std::iota(order.begin(), order.end(), 0);
            std::sort(order.begin(), order.end(), [&](int a, int b) { return words[a] < words[b]; });
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
        const QFontMetricsF fm(font, &m_writer), bm(bold, &m_writer);
        const int lineHeight = int(std::ceil(m_line * font.pointSizeF() / m_font.pointSizeF()));

        auto drawRow = [&](const QList<QStringList> &cells, const QList<int> &left,
                           const QList<int> &right, bool isBold, int firstNumber) {
            int lines = 1;
            for (const QStringList &c : cells)
                lines = std::max(lines, int(c.size()));
            if (m_draw) {
                m_painter.setFont(isBold ? bold : font);
                for (int i = 0; i < cells.size(); ++i)
                    for (int l = 0; l < cells[i].size(); ++l)
                        drawLine(left[i], m_y + l * lineHeight, right[i] - left[i] - pad / 2,
                            lineHeight, i >= firstNumber, cells[i][l]);
            }
            m_y += lines * lineHeight;
        };
        auto wrapped = [&](const QString &text, int width, const QFontMetricsF &m) {
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
        ensure(3 * lineHeight);
        header();
        for (const QStringList &r : rows) {
            QList<QStringList> cells;
            for (int i = 0; i < n; ++i)
                cells << wrapped(r.value(i), widths[i], fm);
            place(cells, true);
            drawRow(cells, x.first(n), x.mid(1), false, n - numbers);
        }
        for (const QStringList &t : totals) {
            QList<QStringList> cells { wrapped(t.value(0), x[textColumns], bm) };
            QList<int> left { 0 }, right { x[textColumns] };
            for (int i = 1; i <= numbers; ++i) {
                cells << QStringList { t.value(i) };
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
    bool m_draw;
    QPainter m_painter;
    QFont m_font { u"DejaVu Sans"_s };
    int m_width = 0, m_height = 0, m_line = 50, m_y = 0, m_page = 0, m_total = 0;
    QString m_header;
};

struct Pack
{
    const RecordStore &store;
    Options options;
    QDateTime madeAt {};
    QString databaseName {};
    QString catalogueSha {};
    std::vector<Group> groups {};
    double paid = 0, value = 0;
    int records = 0, included = 0, missing = 0;
    const std::atomic_bool *cancel = nullptr;
    Progress progress {};
    int drawn = 0; // records drawn so far

    bool cancelled() const { return cancel && cancel->load(); }

    // Lays out (draw false) or draws the whole PDF; `image` gives each placed photo's picture.
    bool layout(PdfPages &p, const std::function<QImage(const PhotoRef &)> &image)
    {
        const QString title = u"Insurance Inventory"_s;
        p.newPage(title);
        p.gap(2);
        p.text(title, true);
        p.gap();
        p.text(options.coverText);
        p.gap();
        p.text(u"Made: "_s + madeAt.toString(u"yyyy-MM-dd HH:mm"_s));
        p.text(u"Database: "_s + databaseName);
        p.text(u"Records: "_s + QString::number(records));
        p.text(u"Total Paid: "_s + money(paid));
        p.text(u"Total Value: "_s + money(value));
        p.text(u"Photos included: %1, missing: %2"_s.arg(included).arg(missing));
        p.text(u"SHA-256 of catalogue.dat: "_s + catalogueSha);

        struct Table
        {
            QStringList headers;
            QList<QStringList> rows, totals;
        };
        std::vector<Table> tables;
        for (size_t gi = 0; gi < groups.size(); ++gi) {
            const Group &g = groups[gi];
            // A column for each description and detail with a value in this group; the group's
            // own description is its heading, and Paid and Value come last as amounts.
            QList<std::pair<bool, int>> columns; // (detail, index)
            QStringList headers { u"Name"_s };
            auto used = [&](bool detail, int i) {
                return std::any_of(g.entries.begin(), g.entries.end(), [&](const Entry &e) {
                    return !(detail ? e.record->Details[size_t(i)]
                                    : e.record->Descriptions[size_t(i)])
                                .trimmed()
                                .isEmpty();
                });
            };
            for (int k = 1; k <= RecordStore::CategoryCount; ++k)
                if (k != options.groupBy && used(false, k)) {
                    columns.append({ false, k });
                    const QString &c = store.captions.description[size_t(k)];
                    headers << (c.isEmpty() ? u"Description %1"_s.arg(k) : c);
                }
            for (int d = 0; d < ItemRecord::DetailCount; ++d)
                if (d != 1 && d != 8 && used(true, d)) {
                    columns.append({ true, d });
                    const QString &c = store.captions.detail[size_t(d)];
                    headers << (c.isEmpty() ? u"Detail %1"_s.arg(d + 1) : c);
                }
            headers << u"Paid"_s << u"Value"_s;
            QList<QStringList> rows;
            for (const Entry &e : g.entries) {
                QStringList cells { e.record->Name };
                for (const auto &[detail, i] : columns)
                    // Descriptions by their short value, as the groups; the record pages
                    // give the full ones.
                    cells << (detail ? e.record->Details[size_t(i)]
                                     : shortValue(e.record->Descriptions[size_t(i)]))
                                 .trimmed();
                cells << money(e.paid) << money(e.value);
                rows << cells;
            }
            QList<QStringList> totals { { u"Subtotal "_s + g.name, money(g.paid), money(g.value) } };
            if (gi + 1 == groups.size())
                totals << QStringList { u"Grand Total"_s, money(paid), money(value) };
            tables.push_back({ headers, rows, totals });
        }
        if (groups.empty())
            tables.push_back({ { u"Name"_s, u"Paid"_s, u"Value"_s }, {},
                { { u"Grand Total"_s, money(paid), money(value) } } });
        // Turned sideways when a group has more captioned values than fit across the page
        // without breaking words.
        const bool landscape = std::any_of(tables.begin(), tables.end(), [&](const Table &t) {
            return !p.measure(t.headers, t.rows, t.totals, 2).wordsFit;
        });
        p.setLandscape(landscape);
        p.newPage(u"Summary"_s);
        p.text(u"Summary"_s, true);
        for (size_t gi = 0; gi < tables.size(); ++gi) {
            p.gap();
            if (gi < groups.size())
                p.text(groups[gi].name, true);
            p.table(tables[gi].headers, tables[gi].rows, tables[gi].totals, 2);
        }
        p.setLandscape(false);
        const int w = p.width();

        const int fullH = (p.freeHeight() - 2 * p.line()) / 2; // two to a page
        const int cell = (w - 3 * p.line() / 2) / 4;
        for (const Group &g : groups) {
            p.newPage(g.name);
            p.text(g.name, true);
            for (const Entry &e : g.entries) {
                if (cancelled())
                    return false;
                // The photos took the first four fifths of the bar; the PDF takes the rest.
                if (p.drawing() && progress && ++drawn % 64 == 0)
                    progress(800 + int(qint64(drawn) * 200 / std::max(1, records)));
                p.gap();
                for (const auto &[caption, value] : recordFields(store, *e.record)) {
                    const QStringList lines = value.split(u'\n');
                    p.text(caption + u": "_s + lines.first(), caption == u"Name"_s);
                    for (qsizetype i = 1; i < lines.size(); ++i)
                        p.text(lines[i], false, p.line() * 2);
                }
                int column = 0;
                int top = 0;
                for (const PhotoRef &ph : e.photos) {
                    if (ph.missing) {
                        p.text(u"Picture missing: "_s + ph.path);
                        continue;
                    }
                    if (options.photos == Photos::None)
                        continue;
                    QString caption = ph.title;
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
                        p.painter().drawText(QRect(target.left(), target.bottom(), target.width(),
                                                 p.line()),
                            Qt::AlignLeft | Qt::AlignVCenter,
                            p.painter().fontMetrics().elidedText(
                                caption, Qt::ElideRight, target.width()));
                    }
                }
            }
        }

        p.newPage(u"Photo files"_s);
        p.text(u"Photo files and their SHA-256"_s, true);
        for (const Group &g : groups)
            for (const Entry &e : g.entries)
                for (const PhotoRef &ph : e.photos)
                    if (!ph.packName.isEmpty()) {
                        p.text(u"photos/"_s + ph.packName);
                        p.text(ph.sha256, false, p.line() * 2);
                    }
        return true;
    }
};

QString htmlEscape(const QString &s) { return s.toHtmlEscaped().replace(u"\n"_s, u"<br>"_s); }

QByteArray htmlPage(const Pack &pack)
{
    QString h;
    h += u"<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Insurance Inventory</title>"
         "<style>body{font-family:sans-serif}td.n{text-align:right}img{max-width:100%;"
         "max-height:40em}</style></head><body>\n"_s;
    h += u"<h1>Insurance Inventory</h1>\n<p>"_s + htmlEscape(pack.options.coverText) + u"</p>\n"_s;
    h += u"<p>Made: %1<br>Database: %2<br>Records: %3<br>Total Paid: %4<br>Total Value: %5<br>"
         "Photos included: %6, missing: %7<br>SHA-256 of catalogue.dat: %8</p>\n"_s.arg(
             pack.madeAt.toString(u"yyyy-MM-dd HH:mm"_s), htmlEscape(pack.databaseName),
             QString::number(pack.records), money(pack.paid), money(pack.value),
             QString::number(pack.included), QString::number(pack.missing), pack.catalogueSha);
    h += u"<h2>Summary</h2>\n<table>\n"_s;
    for (const Group &g : pack.groups) {
        h += u"<tr><th colspan=3>"_s + htmlEscape(g.name) + u"</th></tr>\n"_s;
        for (const Entry &e : g.entries)
            h += u"<tr><td>%1</td><td class=n>%2</td><td class=n>%3</td></tr>\n"_s.arg(
                htmlEscape(e.record->Name), money(e.paid), money(e.value));
        h += u"<tr><td><b>Subtotal</b></td><td class=n>%1</td><td class=n>%2</td></tr>\n"_s.arg(
            money(g.paid), money(g.value));
    }
    h += u"<tr><td><b>Grand Total</b></td><td class=n>%1</td><td class=n>%2</td></tr>\n"
         "</table>\n"_s.arg(money(pack.paid), money(pack.value));
    for (const Group &g : pack.groups) {
        h += u"<h2>"_s + htmlEscape(g.name) + u"</h2>\n"_s;
        for (const Entry &e : g.entries) {
            h += u"<div class=record><dl>\n"_s;
            for (const auto &[caption, value] : recordFields(pack.store, *e.record))
                h += u"<dt>"_s + htmlEscape(caption) + u"</dt><dd>"_s + htmlEscape(value)
                    + u"</dd>\n"_s;
            h += u"</dl>\n"_s;
            for (const PhotoRef &ph : e.photos) {
                if (ph.missing)
                    h += u"<p>Picture missing: "_s + htmlEscape(ph.path) + u"</p>\n"_s;
                else
                    h += u"<figure><img src=\"photos/%1\" alt=\"%2\"><figcaption>%2</figcaption>"
                         "</figure>\n"_s.arg(htmlEscape(ph.packName), htmlEscape(ph.title));
            }
            h += u"</div>\n"_s;
        }
    }
    h += u"</body></html>\n"_s;
    return h.toUtf8();
}

QByteArray csvText(const Pack &pack)
{
    QString out = u"Group,Name,Code"_s;
    for (int d = 0; d < ItemRecord::DetailCount; ++d)
        out += u',' + csvField(pack.store.captions.detail[size_t(d)]);
    out += u",Photos\r\n"_s;
    for (const Group &g : pack.groups)
        for (const Entry &e : g.entries) {
            out += csvField(g.name) + u',' + csvField(e.record->Name) + u','
                + csvField(e.record->RecordCode);
            for (const QString &d : e.record->Details)
                out += u',' + csvField(d);
            out += u',' + QString::number(e.photos.size()) + u"\r\n"_s;
        }
    return out.toUtf8();
}


// The photos' JPEGs for the PDF, made on the worker threads, wait here until the PDF is put
// together, so memory holds none of them.
struct Spool
{
    QFile file;
    QMutex mutex;
    bool ok = true;
};

// One photo, on a worker thread: the copy into photos/ (the bytes read once, hashed as
// written), its date taken and, when the PDF shows photos, decoded at the smallest DCT scale
// that is large enough, scaled to `side` and encoded for the PDF. An undecodable picture is
// counted missing; a copy that fails fails the pack.
void preparePhoto(PhotoRef &ph, const QDir &out, int side, int minSide, Spool &spool)
{
    // A picture that does not read is told as such, with the system's reason, not blamed on
    // the pack's folder.
    const SmallFile::Result in = SmallFile::read(ph.path, PictureLimits::MaxFileBytes);
    if (!in.ok()) {
        ph.error = u"Cannot copy %1 into the pack: %2"_s.arg(
            QDir::toNativeSeparators(ph.path), in.reason);
        return;
    }
    const QByteArray &bytes = in.bytes;
    const QString copyPath = out.filePath(u"photos/"_s + ph.packName);
    QFile copy(copyPath);
    if (!copy.open(QIODevice::WriteOnly) || copy.write(bytes) != bytes.size() || !copy.flush()) {
        ph.error = u"Cannot copy %1 into the pack: %2"_s.arg(
            QDir::toNativeSeparators(ph.path), copy.errorString());
        return;
    }
    copy.close();
    if (copy.error() != QFileDevice::NoError) {
        ph.error = u"Cannot copy %1 into the pack: %2"_s.arg(
            QDir::toNativeSeparators(ph.path), copy.errorString());
        return;
    }
    ph.sha256 = sha256Hex(bytes);
    ph.taken = readJpegExif(ph.path).dateTaken;
    if (side <= 0)
        return;

    const QString ext = pictureExtension(ph.path);
    JpegDecoder::Header header;
    Picture pic;
    if ((ext == u"jpg" || ext == u"jpeg") && JpegDecoder::readHeader(bytes, header)) {
        const QSize shown = header.shownSize();
        const QSize want = shown.width() > minSide || shown.height() > minSide
            ? shown.scaled(minSide, minSide, Qt::KeepAspectRatio)
            : shown;
        pic = JpegDecoder::decodeScaledData(bytes, want);
    } else {
        pic = PictureLoader::loadData(bytes, ext);
    }
    if (!pic.ok() || pic.image.isNull()) {
        ph.missing = true;
        return;
    }
    QImage img = pic.image;
    if (img.width() > side || img.height() > side)
        img = img.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (img.hasAlphaChannel()) {
        // On the page's white, as a viewer shows a transparent picture.
        QImage flat(img.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter(&flat).drawImage(0, 0, img);
        img = flat;
    }
    QByteArray jpeg;
    {
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(PdfPhotoQuality);
        if (!writer.write(img.convertToFormat(QImage::Format_RGB32))) {
            ph.missing = true;
            return;
        }
    }
    QMutexLocker lock(&spool.mutex);
    ph.spoolAt = spool.file.pos();
    ph.spoolLength = jpeg.size();
    ph.placed = img.size();
    if (spool.file.write(jpeg) != jpeg.size())
        spool.ok = false;
}

// Qt's PDF engine encodes every picture itself, at a fixed high JPEG quality and on the
// painting thread. The photos are drawn as 1 x 1 stand-ins instead; this copies the PDF with
// each stand-in's object replaced by the photo's own JPEG from the spool (in drawing order) and
// a new cross-reference table. Objects keep their numbers, so every reference stays right.
bool embedPhotos(const QByteArray &pdf, const std::vector<const PhotoRef *> &placed,
    QFile &spool, QIODevice &out, QString *message)
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
    auto put = [&](const QByteArray &b) {
        ok = ok && out.write(b) == b.size();
        written += b.size();
    };
    put(pdf.left(order.front().first));
    size_t next = 0;
    const QByteArray standIn = "/Subtype /Image\n/Width 1\n/Height 1\n";
    for (size_t k = 0; k < order.size() && ok; ++k) {
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
        const PhotoRef &ph = *placed[next++];
        if (!spool.seek(ph.spoolAt))
            return broken();
        const QByteArray jpeg = spool.read(ph.spoolLength);
        if (jpeg.size() != ph.spoolLength)
            return broken();
        put(QByteArray::number(number) + " 0 obj\n<<\n/Type /XObject\n/Subtype /Image\n/Width "
            + QByteArray::number(ph.placed.width()) + "\n/Height "
            + QByteArray::number(ph.placed.height())
            + "\n/ColorSpace /DeviceRGB\n/BitsPerComponent 8\n/Filter /DCTDecode\n/Length "
            + QByteArray::number(jpeg.size()) + "\n>>\nstream\n");
        put(jpeg);
        put("\nendstream\nendobj\n");
    }
    if (next != placed.size())
        return broken();
    const qint64 newXref = written;
    QByteArray table = "xref\n0 " + QByteArray::number(count) + "\n0000000000 65535 f \n";
    for (int i = 1; i < count; ++i)
        table += QByteArray::number(offsets[size_t(i)]).rightJustified(10, '0') + " 00000 n \n";
    put(table);
    put(pdf.mid(trailerAt, startxref - trailerAt));
    put("startxref\n" + QByteArray::number(newXref) + "\n%%EOF\n");
    if (!ok)
        *message = u"Cannot write the PDF: the folder may be full."_s;
    return ok;
}

} // namespace

int defaultGroupBy(const RecordStore &store)
{
    for (int k = 1; k <= RecordStore::CategoryCount; ++k)
        if (store.captions.description[size_t(k)] == u"Location"_s)
            return k;
    return 8;
}

Result make(const RecordStore &store, const QString &databasePath, const QString &folder,
    const Options &options, const Progress &progress, const std::atomic_bool *cancel)
{
#ifdef __GLIBC__
    // Qt's PDF engine takes and frees a megabyte or so for each page it compresses; with the
    // heap's top given back each time, the kernel clears those pages again for every page of
    // the PDF (half the time of a large pack). Such blocks come from the heap, and its freed
    // top is kept, while the pack is made.
    struct KeepHeapTop
    {
        KeepHeapTop()
        {
            mallopt(M_MMAP_THRESHOLD, 32 << 20);
            mallopt(M_TRIM_THRESHOLD, 256 << 20);
        }
        ~KeepHeapTop()
        {
            mallopt(M_MMAP_THRESHOLD, 128 << 10);
            mallopt(M_TRIM_THRESHOLD, 128 << 10);
            malloc_trim(0);
        }
    } keepHeapTop;
#endif
    Result result;
    const QFileInfo target(folder);
    if (target.exists()) {
        result.message = u"%1 already exists: choose a new folder for the pack."_s.arg(
            QDir::toNativeSeparators(folder));
        return result;
    }
    const QDir parent = target.absoluteDir();
    const QString work = parent.absoluteFilePath(u"."_s + target.fileName() + u".part"_s);
    QDir(work).removeRecursively();
    if (!parent.exists() || !parent.mkdir(QFileInfo(work).fileName())
        || !QDir(work).mkdir(u"photos"_s)) {
        result.message = u"Cannot create the pack folder in %1"_s.arg(
            QDir::toNativeSeparators(parent.absolutePath()));
        return result;
    }
    const QDir out(work);
    auto fail = [&](const QString &message) {
        QDir(work).removeRecursively();
        result.message = message;
        result.cancelled = cancel && cancel->load();
        return result;
    };

    Pack pack { store, options };
    pack.madeAt = options.madeAt.isValid() ? options.madeAt : QDateTime::currentDateTime();
    pack.cancel = cancel;
    pack.progress = progress;
    pack.databaseName = QFileInfo(databasePath).fileName();

    // Groups by the chosen description's short value; records without one come last.
    std::map<QString, Group> named;
    Group none;
    none.name = u"(none)"_s;
    std::map<QString, int> usedNames;
    for (const RecordPtr &ptr : store.records()) {
        const ItemRecord &r = *ptr;
        if (options.searchListOnly && !r.OnSearchList)
            continue;
        Entry e;
        e.record = &r;
        e.paid = graphAmount(r.Details[8], r.Details[9]);
        e.value = graphAmount(r.Details[1], r.Details[9]);
        for (int i = 1; i <= ItemRecord::PictureCount; ++i) {
            const ImageRecord &pic = r.Pictures[size_t(i)];
            if (pic.FileName.isEmpty())
                continue;
            PhotoRef ph;
            ph.path = pic.FileName;
            ph.title = pic.Title;
            const QFileInfo fi(pic.FileName);
            if (!fi.isFile() || !fi.isReadable()) {
                ph.missing = true;
                ++pack.missing;
            } else {
                QString name = fi.fileName();
                const int n = usedNames[name.toLower()]++;
                if (n > 0)
                    name = fi.completeBaseName() + u"-"_s + QString::number(n + 1)
                        + (fi.suffix().isEmpty() ? QString() : u"."_s + fi.suffix());
                ph.packName = name;
                ++pack.included;
            }
            e.photos.push_back(ph);
        }
        const QString key = shortValue(r.Descriptions[size_t(options.groupBy)]).trimmed();
        Group &g = key.isEmpty() ? none : named[key];
        g.name = key.isEmpty() ? none.name : key;
        g.paid += e.paid;
        g.value += e.value;
        pack.paid += e.paid;
        pack.value += e.value;
        ++pack.records;
        g.entries.push_back(std::move(e));
    }
    for (auto &[key, g] : named)
        pack.groups.push_back(std::move(g));
    if (!none.entries.empty())
        pack.groups.push_back(std::move(none));

    // The database as it is now, and the photos byte for byte.
    QString message;
    {
        // Written from the store rather than copied from the file, so edits not yet saved are
        // in the pack and an untitled database has one too.
        const DataFile::WriteResult written
            = DataFile::writeDatabase(out.filePath(u"catalogue.dat"_s), store);
        if (!written.ok)
            return fail(written.message);
        bool ok = false;
        pack.catalogueSha = fileSha256(out.filePath(u"catalogue.dat"_s), &ok);
    }
    // The photos on both cores, a handful at a time so progress and Cancel are answered.
    std::vector<PhotoRef *> todo;
    for (Group &g : pack.groups)
        for (Entry &e : g.entries)
            for (PhotoRef &ph : e.photos)
                if (!ph.missing)
                    todo.push_back(&ph);
    const int side = options.photos == Photos::None ? 0
        : options.photos == Photos::Small           ? MaxPhotoSide / 2
                                                    : MaxPhotoSide;
    Spool spool;
    spool.file.setFileName(out.filePath(u".photos.spool"_s));
    if (side > 0 && !todo.empty() && !spool.file.open(QIODevice::ReadWrite))
        return fail(u"Cannot write in %1: %2"_s.arg(
            QDir::toNativeSeparators(work), spool.file.errorString()));
    const int steps = int(todo.size()) + 1;
    for (size_t done = 0; done < todo.size();) {
        if (pack.cancelled())
            return fail(u"Cancelled"_s);
        const size_t end = std::min(todo.size(), done + 16);
        const std::vector<PhotoRef *> slice(
            todo.begin() + qsizetype(done), todo.begin() + qsizetype(end));
        QtConcurrent::blockingMap(slice, [&](PhotoRef *ph) {
            // Cancel is answered within a photo, not a whole handful of them.
            if (!pack.cancelled())
                preparePhoto(*ph, out, side, side * MinPhotoSide / MaxPhotoSide, spool);
        });
        if (pack.cancelled())
            return fail(u"Cancelled"_s);
        for (const PhotoRef *ph : slice)
            if (!ph->error.isEmpty())
                return fail(ph->error);
        if (!spool.ok)
            return fail(u"Cannot write in %1: the folder may be full."_s.arg(
                QDir::toNativeSeparators(work)));
        done = end;
        if (progress)
            progress(int(qint64(done) * 800 / steps));
    }
    for (const PhotoRef *ph : todo)
        if (ph->missing) {
            --pack.included;
            ++pack.missing;
        }

    // The PDF: a layout pass counts the pages, then the drawing pass. With photos it is drawn
    // into memory (text only, the photos as stand-ins) and then written with the photos.
    const QString pdfPath = out.filePath(u"inventory.pdf"_s);
    {
        // Written through our own file so a full disk or a size limit is noticed.
        QFile pdfFile(pdfPath);
        if (!pdfFile.open(QIODevice::WriteOnly))
            return fail(u"Cannot write %1: %2"_s.arg(
                QDir::toNativeSeparators(pdfPath), pdfFile.errorString()));
        QByteArray drawn;
        QBuffer drawnBuffer(&drawn);
        const bool withPhotos = spool.file.isOpen();
        if (withPhotos)
            drawnBuffer.open(QIODevice::WriteOnly);
        std::vector<const PhotoRef *> placed;
        bool done = false;
        {
            QPdfWriter writer(withPhotos ? static_cast<QIODevice *>(&drawnBuffer) : &pdfFile);
            writer.setResolution(300);
            writer.setPageSize(QPageSize(options.a4 ? QPageSize::A4 : QPageSize::Letter));
            writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
            writer.setTitle(u"Insurance Inventory"_s);
            writer.setCreator(u"Larkspur Cataloguer"_s);
            int total = 0;
            {
                PdfPages counting(writer, false);
                pack.layout(counting, {});
                total = counting.pages();
            }
            PdfPages drawing(writer, true);
            if (!drawing.ok())
                return fail(u"Cannot write %1"_s.arg(QDir::toNativeSeparators(pdfPath)));
            drawing.setTotal(total);
            done = pack.layout(drawing, [&](const PhotoRef &ph) {
                placed.push_back(&ph);
                QImage standIn(1, 1, QImage::Format_RGB32);
                standIn.fill(Qt::white);
                return standIn;
            });
            drawing.painter().end();
        }
        if (!done)
            return fail(u"Cancelled"_s);
        if (withPhotos) {
            QString embedMessage;
            if (!embedPhotos(drawn, placed, spool.file, pdfFile, &embedMessage))
                return fail(embedMessage);
            spool.file.remove();
        }
        if (!pdfFile.flush() || pdfFile.error() != QFileDevice::NoError || pdfFile.size() == 0)
            return fail(u"Cannot write %1: %2"_s.arg(
                QDir::toNativeSeparators(pdfPath), pdfFile.errorString()));
    }
    if (pack.cancelled())
        return fail(u"Cancelled"_s);
    if (!writeFile(out.filePath(u"inventory.html"_s), htmlPage(pack), &message)
        || !writeFile(out.filePath(u"inventory.csv"_s), csvText(pack), &message))
        return fail(message);

    // Every other file with its SHA-256, as sha256sum writes them.
    QByteArray manifest;
    for (const QString &name : { u"catalogue.dat"_s, u"inventory.csv"_s, u"inventory.html"_s,
             u"inventory.pdf"_s }) {
        bool ok = false;
        const QString sum = fileSha256(out.filePath(name), &ok);
        if (!ok)
            return fail(u"Cannot read back %1"_s.arg(name));
        manifest += sum.toLatin1() + "  " + name.toUtf8() + '\n';
    }
    // The photos' sums were taken from the very bytes written, so they are not read again.
    std::map<QString, QString> photoSums;
    for (const PhotoRef *ph : todo)
        photoSums[ph->packName] = ph->sha256;
    for (const auto &[name, sum] : photoSums)
        manifest += sum.toLatin1() + "  photos/" + name.toUtf8() + '\n';
    if (!writeFile(out.filePath(u"manifest.sha256"_s), manifest, &message))
        return fail(message);
    if (!options.timestampAddress.isEmpty()) {
        const Timestamp::Reply stamp = Timestamp::stamp(options.timestampAddress, manifest, cancel);
        if (pack.cancelled())
            return fail(u"Cancelled"_s);
        if (stamp.ok) {
            if (!writeFile(out.filePath(u"manifest.sha256.tsr"_s), stamp.response, &message))
                return fail(message);
            result.timestamped = true;
            result.timestampTime = stamp.time;
        } else {
            result.timestampProblem = stamp.message;
        }
    }
    if (!QDir().rename(work, target.absoluteFilePath()))
        return fail(u"Cannot rename the pack folder to %1"_s.arg(
            QDir::toNativeSeparators(target.absoluteFilePath())));
    if (progress)
        progress(1000);
    result.ok = true;
    result.folder = target.absoluteFilePath();
    result.records = pack.records;
    result.photosIncluded = pack.included;
    result.photosMissing = pack.missing;
    return result;
}

} // namespace InsurancePack
