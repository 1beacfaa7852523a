// The album's paging, captions and cell geometry.
#include "album/albumlayout.h"

#include <cmath>

namespace Album {

int roundHalfEven(double v)
{
    return int(std::nearbyint(v)); // the default rounding mode sends halves to even
}

QSize cellSize(QSize grid, int across, int down)
{
    across = std::clamp(across, MinCells, MaxCells);
    down = std::clamp(down, MinCells, MaxCells);
    return QSize(std::max(1, roundHalfEven(double(grid.width()) / across) - 2),
        std::max(1, roundHalfEven(double(grid.height()) / down) - 2));
}

Page layoutPage(const RecordStore &store, RecordScope scope, int across, int down, int page)
{
    Page out;
    const int perPage
        = std::clamp(across, MinCells, MaxCells) * std::clamp(down, MinCells, MaxCells);
    std::vector<int> inScope;
    if (store.findActive()) { // the Find box's matches, as the spreadsheet lists them
        inScope = store.findMatches();
    } else {
        inScope.reserve(size_t(store.count()));
        for (int i = 0; i < store.count(); ++i)
            if (scope == RecordScope::AllRecords || store.at(i).OnSearchList)
                inScope.push_back(i);
    }
    const int n = int(inScope.size());
    out.inScope = n;
    out.pages = (n + perPage - 1) / perPage;
    // Beyond the end the page falls back to the last one holding records (0 when none does).
    int p = std::max(1, page);
    while (p > 0 && n < qint64(perPage) * (p - 1) + 1)
        --p;
    out.page = p;
    if (p > 0) {
        const int first = perPage * (p - 1);
        const int last = std::min(n, perPage * p);
        out.cells.assign(inScope.begin() + first, inScope.begin() + last);
    }
    out.nextEnabled = qint64(perPage) * p < n;
    out.previousEnabled = p > 1;
    return out;
}

QString pageCaption(const Page &page)
{
    return QStringLiteral("Page ") + QString::number(page.page) + QStringLiteral(" of ")
        + QString::number(page.pages);
}

QString sizeCaption(int across, int down)
{
    return QString::number(across) + QStringLiteral(" X ") + QString::number(down);
}

QString cellLabel(int storeIndex, const QString &name)
{
    return QString::number(storeIndex + 1) + QStringLiteral(": ") + name;
}

QString activationCaption(RecordScope scope)
{
    return scope == RecordScope::SearchList ? QStringLiteral("Album View (Searched Records)")
                                            : QStringLiteral("Album Shelf (All Records)");
}

QString modeCaption(RecordScope scope)
{
    return scope == RecordScope::SearchList ? QStringLiteral("Album View (Searched Records)")
                                            : QStringLiteral("Album View (All Records)");
}

CellGeometry cellGeometry(QSize picture, QSize cell, bool autoSize, bool label)
{
    CellGeometry g;
    const int cw = cell.width(), ch = cell.height();
    const int pw = picture.width(), ph = picture.height();
    if (pw <= 0 || ph <= 0 || cw <= 0 || ch <= 0)
        return g;
    if (autoSize) {
        g.source = QRect(0, 0, pw, ph);
        g.dest = label ? QRect(0, LabelBand, cw, ch - LabelBand) : QRect(0, 0, cw, ch);
    } else {
        // At its own size: a larger picture gives its top-left part, a smaller one a smaller box.
        const int w = std::min(pw, cw);
        const int h = std::min(ph, ch);
        g.source = QRect(0, 0, w, h);
        if (!label)
            g.dest = QRect(0, 0, w, h);
        else if (ph < ch)
            g.dest = QRect(0, LabelBand, w, h); // moved down whole, clipped by the cell
        else
            g.dest = QRect(0, LabelBand, w, ch - LabelBand); // squeezed under the label
    }
    if (g.dest.height() <= 0)
        g.dest = QRect();
    return g;
}

} // namespace Album
