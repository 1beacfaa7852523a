// The pack's offline web page and its CSV table.
#include <QUrl>

#include "insurancepack/packparts.h"
#include "store/csvfile.h"
#include "store/recordstore.h"

using namespace Qt::StringLiterals;

namespace InsurancePack::Parts {
namespace {

QString esc(const QString &s)
{
    return s.toHtmlEscaped().replace(u"\n"_s, u"<br>"_s);
}

// A path under the page's folder as a link: every character that means something in a URL
// ("#", "?", "%", a blank) is encoded, so `box #3.jpg` is a file, not a fragment.
QString photoUrl(const QString &packName)
{
    return u"photos/"_s + QString::fromLatin1(QUrl::toPercentEncoding(packName));
}

QString dateTaken(const Photo &ph)
{
    return ph.taken.isValid() ? u"Taken "_s + ph.taken.toString(u"yyyy-MM-dd HH:mm"_s) : QString();
}

QString linkHtml(const QString &link)
{
    const QString address = linkAddress(link);
    if (address.isEmpty())
        return esc(linkText(link));
    return u"<a href=\"%1\">%2</a>"_s.arg(esc(address), esc(linkText(link)));
}

QString amountRow(const QString &label, const QString &quantity, const QString &unit, double paid,
    double value, const QString &cls)
{
    return u"<tr class=%1><td>%2</td><td class=n>%3</td><td class=n>%4</td><td class=n>%5</td>"
           "<td class=n>%6</td></tr>\n"_s.arg(
               cls, label, quantity, unit, money(paid), money(value));
}

} // namespace

QByteArray htmlPage(const Pack &pack)
{
    const RecordStore &store = pack.store;
    QString h;
    h += u"<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Insurance Inventory</title>"
         "<style>body{font-family:sans-serif;max-width:60em;margin:auto;padding:1em}"
         "table{border-collapse:collapse}td,th{padding:.15em .6em;text-align:left}"
         ".n{text-align:right}tr.room th{padding-top:.8em;font-size:1.1em}"
         "tr.place th{font-style:italic}tr.subtotal,tr.total{font-weight:bold}"
         "tr.total td{border-top:2px solid}"
         "section.record{border-top:1px solid #999;margin:1em 0;padding-top:.5em}"
         "dt{font-weight:bold;float:left;clear:left;width:10em}dd{margin-left:11em}"
         "img{max-width:100%;max-height:40em}figure{margin:1em 0}</style></head><body>\n"_s;
    h += u"<h1>Insurance Inventory</h1>\n<p>"_s + esc(pack.options.coverText) + u"</p>\n"_s;
    h += u"<p>Made: %1<br>Database: %2<br>Records: %3<br>Total Paid: %4<br>Total Value: %5<br>"
         "Photos included: %6, not included: %7<br>SHA-256 of catalogue.dat: %8</p>\n"_s.arg(
             pack.madeAt.toString(u"yyyy-MM-dd HH:mm"_s), esc(pack.databaseName),
             QString::number(pack.records), money(pack.paid), money(pack.value),
             QString::number(pack.included()), QString::number(pack.notIncluded()),
             pack.catalogueSha);

    h += u"<h2>Summary</h2>\n<table class=summary>\n<thead><tr><th>Name</th><th class=n>Quantity"
         "</th><th class=n>Unit Value</th><th class=n>Paid</th><th class=n>Value</th></tr>"
         "</thead>\n<tbody>\n"_s;
    for (const Group &g : pack.groups) {
        h += u"<tr class=room><th colspan=5>"_s + esc(g.name) + u"</th></tr>\n"_s;
        for (const Place &p : g.places) {
            if (!p.name.isEmpty())
                h += u"<tr class=place><th colspan=5>"_s + esc(p.name) + u"</th></tr>\n"_s;
            for (const Entry &e : p.entries) {
                const int q = shownQuantity(*e.record);
                h += amountRow(esc(e.record->name()), q == 1 ? QString() : QString::number(q),
                    q == 1 ? QString() : money(e.value / q), e.paid, e.value, u"item"_s);
            }
        }
        h += amountRow(u"Subtotal "_s + esc(g.name), {}, {}, g.paid, g.value, u"subtotal"_s);
    }
    h += amountRow(u"Grand Total"_s, {}, {}, pack.paid, pack.value, u"total"_s);
    h += u"</tbody>\n</table>\n"_s;

    for (const Group &g : pack.groups) {
        h += u"<h2>"_s + esc(g.name) + u"</h2>\n"_s;
        for (const Place &p : g.places) {
            if (!p.name.isEmpty())
                h += u"<h3>"_s + esc(p.name) + u"</h3>\n"_s;
            for (const Entry &e : p.entries) {
                h += u"<section class=record>\n<h4>"_s + esc(e.record->name()) + u"</h4>\n<dl>\n"_s;
                for (const auto &[caption, value] : recordFields(store, *e.record)) {
                    if (caption == u"Links"_s)
                        continue;
                    h += u"<dt>"_s + esc(caption) + u"</dt><dd>"_s + esc(value) + u"</dd>\n"_s;
                }
                if (!e.record->links().isEmpty()) {
                    QStringList links;
                    for (const QString &l : e.record->links())
                        links << linkHtml(l);
                    h += u"<dt>Links</dt><dd>"_s + links.join(u"<br>"_s) + u"</dd>\n"_s;
                }
                h += u"</dl>\n"_s;
                for (const PhotoUse &use : e.photos) {
                    const Photo &ph = pack.photo(use);
                    if (!ph.included()) {
                        h += u"<p class=missing>"_s + esc(photoProblem(ph) + use.storedPath)
                            + u"</p>\n"_s;
                        continue;
                    }
                    const QString url = photoUrl(ph.packName);
                    QStringList caption;
                    if (!use.title.isEmpty())
                        caption << esc(use.title);
                    if (ph.taken.isValid())
                        caption << esc(dateTaken(ph));
                    h += u"<figure><a href=\"%1\"><img src=\"%1\" alt=\"%2\"></a><figcaption>%3"
                         "</figcaption></figure>\n"_s.arg(
                             url, esc(use.title), caption.join(u" &middot; "_s));
                }
                h += u"</section>\n"_s;
            }
        }
    }
    h += u"</body></html>\n"_s;
    return h.toUtf8();
}

QByteArray csvText(const Pack &pack)
{
    const RecordStore &store = pack.store;
    QStringList header { u"Group"_s, u"Name"_s, u"Code"_s };
    for (int k = 1; k <= RecordStore::CategoryCount; ++k)
        header << descriptionCaption(store, k);
    for (int d = 0; d < ItemRecord::DetailCount; ++d)
        header << detailCaption(store, d);
    header << u"Paid Total"_s << u"Value Total"_s << u"Links"_s << u"Photos"_s;
    QString out;
    auto line = [&](const QStringList &cells) {
        for (qsizetype i = 0; i < cells.size(); ++i)
            out += (i ? u","_s : QString()) + CsvFile::field(cells[i]);
        out += u"\r\n"_s;
    };
    line(header);
    for (const Group &g : pack.groups)
        for (const Place &p : g.places)
            for (const Entry &e : p.entries) {
                const ItemRecord &r = *e.record;
                QStringList cells { g.name, r.name(), r.recordCode() };
                for (int k = 1; k <= RecordStore::CategoryCount; ++k)
                    cells << r.description(k);
                cells << r.details();
                QStringList links;
                for (const QString &l : r.links())
                    links << linkText(l);
                QStringList photos;
                for (const PhotoUse &use : e.photos)
                    if (pack.photo(use).included())
                        photos << u"photos/"_s + pack.photo(use).packName;
                // Plain numbers, so a spreadsheet sums them.
                cells << QString::number(e.paid, 'f', 2) << QString::number(e.value, 'f', 2)
                      << links.join(u'\n') << photos.join(u'\n');
                line(cells);
            }
    return out.toUtf8();
}

} // namespace InsurancePack::Parts
