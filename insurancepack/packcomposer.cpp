#include "insurancepack/packcomposer.h"

#include <algorithm>
#include <map>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextStream>
#include <QtConcurrent/QtConcurrentMap>

#include "graph/graphcount.h"
#include "platform/exif.h"
#include "platform/pictureloader.h"
#include "store/categorytree.h"
#include "store/csvfile.h"
#include "store/csvfile.h"
#include "store/datafile.h"
#include "store/safewrite.h"
#include "store/safewrite.h"
#include "store/recordstore.h"

using namespace Qt::StringLiterals;

namespace InsurancePack {
namespace {

constexpr int MaxPhotoSide = 1600;

struct PhotoRef
{
    QString path;
    QString title;
    QString packName; // under photos/; empty when missing
    QString sha256;
    QDateTime taken;
    bool missing = false;
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
    QCryptographicHash h(QCryptographicHash::Sha256);
    *ok = f.open(QIODevice::ReadOnly) && h.addData(&f);
    return QString::fromLatin1(h.result().toHex());
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
        m_painter.setFont(m_font);
        m_painter.drawText(QRect(0, 0, m_width, m_line), Qt::AlignLeft, header);
        m_painter.drawText(QRect(0, m_height - m_line, m_width, m_line), Qt::AlignCenter,
            u"Page %1 of %2"_s.arg(m_page).arg(m_total));
    }
    void ensure(int h)
    {
        if (m_y + h > m_height - 2 * m_line)
            newPage(m_header);
    }
    void text(const QString &s, bool bold = false, int indent = 0, int rightCol = -1,
        const QString &right = {})
    {
        const QStringList lines = s.split(u'\n');
        for (const QString &line : lines) {
            ensure(m_line);
            if (m_draw) {
                QFont f = m_font;
                f.setBold(bold);
                m_painter.setFont(f);
                const int w = rightCol > 0 ? rightCol - indent : m_width - indent;
                m_painter.drawText(QRect(indent, m_y, w, m_line), Qt::AlignLeft | Qt::AlignVCenter,
                    m_painter.fontMetrics().elidedText(line, Qt::ElideRight, w));
                if (rightCol > 0 && !right.isEmpty())
                    m_painter.drawText(QRect(rightCol, m_y, m_width - rightCol, m_line),
                        Qt::AlignRight | Qt::AlignVCenter, right);
            }
            m_y += m_line;
        }
    }
    void row(const QStringList &cells, const QList<int> &x, bool bold = false)
    {
        ensure(m_line);
        if (m_draw) {
            QFont f = m_font;
            f.setBold(bold);
            m_painter.setFont(f);
            for (int i = 0; i < cells.size(); ++i) {
                const int right = i + 1 < x.size() ? x[i + 1] - m_line / 3 : m_width;
                const bool number = i >= cells.size() - 2;
                m_painter.drawText(QRect(x[i], m_y, right - x[i], m_line),
                    (number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter,
                    m_painter.fontMetrics().elidedText(cells[i], Qt::ElideRight, right - x[i]));
            }
        }
        m_y += m_line;
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
    int photoTotal = 0, photosDone = 0;

    bool cancelled() const { return cancel && cancel->load(); }

    // Lays out (draw false) or draws the whole PDF; images come from `decoded` in drawing order.
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

        const int w = p.width();
        const QList<int> x { 0, w * 30 / 100, w * 70 / 100, w * 85 / 100 };
        p.newPage(u"Summary"_s);
        p.text(u"Summary"_s, true);
        for (const Group &g : groups) {
            p.gap();
            p.text(g.name, true);
            p.row({ u"Name"_s, u"Descriptions and details"_s, u"Paid"_s, u"Value"_s }, x, true);
            for (const Entry &e : g.entries) {
                QStringList parts;
                for (int k = 1; k <= RecordStore::CategoryCount; ++k)
                    if (k != options.groupBy && !e.record->Descriptions[size_t(k)].isEmpty())
                        parts << e.record->Descriptions[size_t(k)];
                for (int d = 0; d < ItemRecord::DetailCount; ++d)
                    if (d != 1 && d != 8 && !e.record->Details[size_t(d)].isEmpty())
                        parts << store.captions.detail[size_t(d)] + u": "_s
                                + e.record->Details[size_t(d)];
                p.row({ e.record->Name, parts.join(u"; "_s), money(e.paid), money(e.value) }, x);
            }
            p.row({ u"Subtotal "_s + g.name, QString(), money(g.paid), money(g.value) }, x, true);
        }
        p.gap();
        p.row({ u"Grand Total"_s, QString(), money(paid), money(value) }, x, true);

        const int fullH = p.freeHeight() / 2;
        const int cell = (w - 3 * p.line() / 2) / 4;
        for (const Group &g : groups) {
            p.newPage(g.name);
            p.text(g.name, true);
            for (const Entry &e : g.entries) {
                if (cancelled())
                    return false;
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
                        const QImage img = image(ph);
                        if (!img.isNull()) {
                            QSize s = img.size().scaled(target.size(), Qt::KeepAspectRatio);
                            p.painter().drawImage(QRect(target.topLeft(), s), img);
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
                    if (!ph.missing) {
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
    int step = 0;
    const int steps = std::max(1, pack.included * 2);
    auto tick = [&] {
        ++step;
        if (progress)
            progress(std::min(1000, step * 1000 / steps));
    };
    for (Group &g : pack.groups)
        for (Entry &e : g.entries)
            for (PhotoRef &ph : e.photos) {
                if (ph.missing)
                    continue;
                if (pack.cancelled())
                    return fail(u"Cancelled"_s);
                const QString copy = out.filePath(u"photos/"_s + ph.packName);
                if (!QFile::copy(ph.path, copy)
                    || QFileInfo(copy).size() != QFileInfo(ph.path).size())
                    return fail(u"Cannot copy %1 into the pack: the folder may be full or not "
                                "writable."_s.arg(QDir::toNativeSeparators(ph.path)));
                bool ok = false;
                ph.sha256 = fileSha256(copy, &ok);
                ph.taken = readJpegExif(ph.path).dateTaken;
                tick();
            }

    // The PDF: a layout pass counts the pages, then the drawing pass decodes photos in batches.
    const QString pdfPath = out.filePath(u"inventory.pdf"_s);
    {
        // Written through our own file so a full disk or a size limit is noticed.
        QFile pdfFile(pdfPath);
        if (!pdfFile.open(QIODevice::WriteOnly))
            return fail(u"Cannot write %1: %2"_s.arg(
                QDir::toNativeSeparators(pdfPath), pdfFile.errorString()));
        QPdfWriter writer(&pdfFile);
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
        std::vector<const PhotoRef *> order;
        if (options.photos != Photos::None)
            for (const Group &g : pack.groups)
                for (const Entry &e : g.entries)
                    for (const PhotoRef &ph : e.photos)
                        if (!ph.missing)
                            order.push_back(&ph);
        const int side = options.photos == Photos::Small ? 800 : MaxPhotoSide;
        std::vector<QImage> batch;
        size_t batchStart = 0, next = 0;
        auto decode = [side](const PhotoRef *ph) {
            Picture pic = PictureLoader::load(ph->path);
            if (!pic.ok())
                return QImage();
            QImage img = pic.image;
            if (img.width() > side || img.height() > side)
                img = img.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            return img.convertToFormat(QImage::Format_RGB888);
        };
        PdfPages drawing(writer, true);
        if (!drawing.ok())
            return fail(u"Cannot write %1"_s.arg(QDir::toNativeSeparators(pdfPath)));
        drawing.setTotal(total);
        const bool done = pack.layout(drawing, [&](const PhotoRef &) {
            if (next >= batchStart + batch.size()) {
                batchStart = next;
                const size_t end = std::min(order.size(), next + 8);
                const std::vector<const PhotoRef *> slice(
                    order.begin() + qsizetype(next), order.begin() + qsizetype(end));
                batch = QtConcurrent::blockingMapped<std::vector<QImage>>(slice, decode);
            }
            QImage img = batch[next - batchStart];
            ++next;
            tick();
            return img;
        });
        drawing.painter().end();
        if (!done)
            return fail(u"Cancelled"_s);
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
    QStringList files { u"catalogue.dat"_s, u"inventory.csv"_s, u"inventory.html"_s,
        u"inventory.pdf"_s };
    for (const QString &name : QDir(out.filePath(u"photos"_s)).entryList(QDir::Files, QDir::Name))
        files << u"photos/"_s + name;
    for (const QString &name : files) {
        bool ok = false;
        const QString sum = fileSha256(out.filePath(name), &ok);
        if (!ok)
            return fail(u"Cannot read back %1"_s.arg(name));
        manifest += sum.toLatin1() + "  " + name.toUtf8() + '\n';
    }
    if (!writeFile(out.filePath(u"manifest.sha256"_s), manifest, &message))
        return fail(message);
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
