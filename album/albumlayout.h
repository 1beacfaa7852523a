// The album's widget-free logic: which records a page holds, its caption, the cell size and
// where a picture goes in its cell.
#pragma once

#include <vector>

#include <QRect>
#include <QSize>
#include <QString>

#include "store/recordstore.h"

namespace Album {

constexpr int MinCells = 1;
constexpr int MaxCells = 9; // across and down
constexpr int LabelBand = 20; // pixels of the label above a picture
constexpr int PlaceholderSide = 105;

// Nearest whole number, halves to the even neighbour.
int roundHalfEven(double v);

// width = round(grid width / across) - 2, height = round(grid height / down) - 2 (never below 1).
QSize cellSize(QSize grid, int across, int down);

struct Page
{
    int page = 0; // 1-based; 0 only when no record is in scope
    int pages = 0;
    int inScope = 0; // N
    std::vector<int> cells; // store indexes, row by row; at most across x down
    bool nextEnabled = false;
    bool previousEnabled = false;
};

// Lays out page `page` (raised to 1, and falling back to the last page that holds records).
Page layoutPage(const RecordStore &store, RecordScope scope, int across, int down, int page);

QString pageCaption(const Page &page); // "Page p of n"
QString sizeCaption(int across, int down); // "3 X 3"
QString cellLabel(int storeIndex, const QString &name); // "12: Camera"
// The caption at activation, and after Mode switched the scope.
QString activationCaption(RecordScope scope);
QString modeCaption(RecordScope scope);

// Where a picture of size `picture` is drawn in a cell of size `cell` (coordinates from the
// cell's top-left): `source` is the part of the picture taken, `dest` where it is drawn, scaled.
struct CellGeometry
{
    QRect source;
    QRect dest;
};
CellGeometry cellGeometry(QSize picture, QSize cell, bool autoSize, bool label);

} // namespace Album
