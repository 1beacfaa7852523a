// Times composing the regular report of 10,000 records (five items, three columns) into pages
// and export table, and writing those pages as a PDF.
#include <cstdio>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "reports/reportlayout.h"
#include "store/recordstore.h"

using namespace Qt::StringLiterals;

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QRandomGenerator rng(7);
    RecordStore store;
    for (int i = 0; i < 10000; ++i) {
        ItemRecord r;
        r.setName(u"Thing number %1"_s.arg(i));
        r.setDescription(1, u"Kitchen : House"_s);
        r.setDescription(2, u"Maker %1"_s.arg(rng.bounded(50)));
        r.setDetail(1, u"$%1.%2"_s.arg(rng.bounded(2000)).arg(rng.bounded(100)));
        r.setDetail(9, QString::number(rng.bounded(1, 4)));
        store.append(std::move(r));
    }
    ReportDefinition d;
    d.items = { { 22, 0, {} }, { 0, 0, {} }, { 1, 0, {} }, { 11, 0, {} }, { 19, 0, {} } };
    d.columnCount = u"3"_s;
    ReportLayout::Options o;
    o.today = QDate(2026, 12, 10);
    o.pageLimit = false;
    const PageGeometry letter = PageGeometry::fromInches(8.5, 11);

    double best = 1e9;
    ReportLayout::Result result;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer t;
        t.start();
        result = ReportLayout::compose(store, d, letter, o);
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    std::printf("compose 10000 records: %.1f ms best of 5 (%d pages, %d export rows)\n", best,
        result.pages->PageCount(), result.table.rowCount());

    QTemporaryDir dir;
    double pdfBest = 1e9;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer t;
        t.start();
        QString error;
        if (!writePdf(*result.pages, QPageSize(QPageSize::Letter), false, dir.filePath(u"r.pdf"_s),
                &error)) {
            std::printf("%s\n", qPrintable(error));
            return 1;
        }
        pdfBest = std::min(pdfBest, t.nsecsElapsed() / 1e6);
    }
    std::printf("write PDF of %d pages: %.1f ms best of 3\n", result.pages->PageCount(), pdfBest);
    return 0;
}
