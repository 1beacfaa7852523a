// The album window over the record store: captions, paging buttons, size buttons, slot choice,
// labels, the mouse, printing and its lifetime under the window registry.
#include <QCheckBox>
#include <QCoreApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QProcess>
#include <QSemaphore>
#include <QSignalSpy>
#include <QThreadPool>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "album/talbumview.h"
#include "tests/support/apptest.h"
#include "tests/support/testpictures.h"

using namespace TestPictures;

namespace {

// Holds the album's decoding threads until released, so a test decides when pictures arrive.
struct PoolGate
{
    QSemaphore gate;
    explicit PoolGate(QThreadPool &pool)
    {
        pool.setMaxThreadCount(1);
        pool.start([this] { gate.acquire(); });
    }
    void open() { gate.release(); }
    ~PoolGate() { gate.release(); }
};

struct Fixture
{
    AppTest t;
    QWidget record; // stand-ins for the windows the album brings up
    QWidget spreadsheet;
    QPointer<TAlbumView> album;
    bool gated = false; // hold the album's decoding from its creation on
    std::unique_ptr<PoolGate> gate;

    explicit Fixture(int n = 10)
    {
        record.setObjectName(QStringLiteral("View"));
        spreadsheet.setObjectName(QStringLiteral("SnapShot"));
        t.windows.setWindow(WindowKind::Record, &record);
        t.windows.setWindow(WindowKind::Spreadsheet, &spreadsheet);
        t.windows.setFactory(WindowKind::Album, [this] {
            auto *a = new TAlbumView(t.ctx);
            if (gated)
                gate = std::make_unique<PoolGate>(a->decodePool());
            return a;
        });
        for (int i = 1; i <= n; ++i) {
            ItemRecord r;
            r.setName(QStringLiteral("Item %1").arg(i));
            t.store.append(std::move(r));
        }
        t.store.currentIndex = 0;
    }
    ~Fixture()
    {
        gate.reset();
        delete album.data();
    }

    TAlbumView *open()
    {
        album = qobject_cast<TAlbumView *>(t.windows.openWindow(WindowKind::Album));
        album->show();
        return album;
    }
    template<typename T> T *child(const char *name) const
    {
        return album->findChild<T *>(QString::fromLatin1(name));
    }
    QString pageText() const { return child<QLabel>("pagenum")->text(); }
    bool nextOn() const { return child<QPushButton>("Next")->isEnabled(); }
    bool previousOn() const { return child<QPushButton>("Previous")->isEnabled(); }
    void click(const char *name) const
    {
        if (auto *b = child<QAbstractButton>(name))
            b->click();
        else
            QFAIL(name);
    }
    QPoint centreOf(int column, int row) const
    {
        return album->grid()->cellRect(column, row).center();
    }
};

QImage flat(QColor colour)
{
    QImage img(60, 40, QImage::Format_RGB32);
    img.fill(colour);
    return img;
}

// A photo of every hue across and light to dark down: tens of thousands of colours, none common.
QImage rainbow(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixelColor(x, y, QColor::fromHsv(x * 359 / w, 230, 255 - y * 150 / h));
    return img;
}

QColor average(const QImage &img, QRect r)
{
    double s[3] = { 0, 0, 0 };
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x, ++n) {
            const QColor c = img.pixelColor(x, y);
            s[0] += c.red();
            s[1] += c.green();
            s[2] += c.blue();
        }
    return QColor(int(s[0] / n), int(s[1] / n), int(s[2] / n));
}

int distance(QColor a, QColor b)
{
    return std::max({ std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
        std::abs(a.blue() - b.blue()) });
}

} // namespace

class TestTAlbumView : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void firstOpening();
    void pagingButtons();
    void modeWithEmptySearchList();
    void sizeButtonsStopAtTheirLimits();
    void raisingAcrossFallsBackToTheLastPage();
    void slotChoiceRedrawsEveryCell();
    void labelsAndPlaceholder();
    void mouseMakesCurrentAndOpensWindows();
    void printingSendsTheWindowToThePrinter();
    void printedPhotoKeepsItsColours();
    void printWaitsForThePagesPictures();
    void cellsFillInAsPicturesArrive();
    void pageChangeDropsStaleWork();
    void closingDestroysAndReopeningStartsAfresh();
};

void TestTAlbumView::firstOpening()
{
    Fixture f(10);
    TAlbumView *a = f.open();
    QCOMPARE(a->windowTitle(), QStringLiteral("Album Shelf (All Records)"));
    QCOMPARE(f.pageText(), QStringLiteral("Page 1 of 2"));
    QCOMPARE(f.child<QLabel>("Size")->text(), QStringLiteral("3 X 3"));
    QVERIFY(f.nextOn());
    QVERIFY(!f.previousOn());
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            QCOMPARE(a->recordAt(c, r), r * 3 + c);
    // The size came from the settings defaults, and goes back to them on leaving.
    QCOMPARE(a->size(), QSize(518, 437));
    a->resize(600, 500);
    f.t.activation.activate(&f.record);
    QCOMPARE(f.t.settings.readInteger(QStringLiteral("AlbumW:"), 0), 600);
    QCOMPARE(f.t.settings.readInteger(QStringLiteral("AlbumH:"), 0), 500);
}

void TestTAlbumView::pagingButtons()
{
    Fixture f(19);
    TAlbumView *a = f.open();
    QCOMPARE(f.pageText(), QStringLiteral("Page 1 of 3"));
    f.click("Next");
    f.click("Next");
    QCOMPARE(f.pageText(), QStringLiteral("Page 3 of 3"));
    QVERIFY(!f.nextOn());
    QVERIFY(f.previousOn());
    QCOMPARE(a->recordAt(0, 0), 18);
    QCOMPARE(a->recordAt(1, 0), -1); // the rest of the last page stays empty
    f.click("Previous");
    QCOMPARE(f.pageText(), QStringLiteral("Page 2 of 3"));
    QCOMPARE(a->recordAt(0, 0), 9);
}

void TestTAlbumView::modeWithEmptySearchList()
{
    Fixture f(10);
    TAlbumView *a = f.open();
    f.click("Mode");
    QCOMPARE(f.t.store.scope, RecordScope::SearchList);
    QCOMPARE(a->windowTitle(), QStringLiteral("Album View (Searched Records)"));
    QCOMPARE(f.pageText(), QStringLiteral("Page 0 of 0"));
    QVERIFY(!f.nextOn());
    QVERIFY(!f.previousOn());
    QCOMPARE(a->recordAt(0, 0), -1);
    QCOMPARE(a->cellPicture(0, 0).kind, AlbumPictures::Kind::Nothing);
    f.click("Mode");
    QCOMPARE(a->windowTitle(), QStringLiteral("Album View (All Records)"));
    QCOMPARE(f.pageText(), QStringLiteral("Page 1 of 2"));
}

void TestTAlbumView::sizeButtonsStopAtTheirLimits()
{
    Fixture f(100);
    TAlbumView *a = f.open();
    for (int i = 0; i < 8; ++i)
        f.click("MoreRows");
    QCOMPARE(a->across(), 9);
    QCOMPARE(f.child<QLabel>("Size")->text(), QStringLiteral("9 X 3"));
    for (int i = 0; i < 4; ++i)
        f.click("LessCols");
    QCOMPARE(a->down(), 1);
    QCOMPARE(f.child<QLabel>("Size")->text(), QStringLiteral("9 X 1"));
    QCOMPARE(f.pageText(), QStringLiteral("Page 1 of 12"));
    f.click("MoreCols");
    f.click("LessRows");
    QCOMPARE(f.child<QLabel>("Size")->text(), QStringLiteral("8 X 2"));
    // The cells share the grid: round(width / across) - 2.
    const QSize grid = a->grid()->size();
    QCOMPARE(a->cellSize(), Album::cellSize(grid, 8, 2));
}

void TestTAlbumView::raisingAcrossFallsBackToTheLastPage()
{
    Fixture f(20);
    f.open();
    f.click("Next");
    f.click("Next");
    QCOMPARE(f.pageText(), QStringLiteral("Page 3 of 3"));
    f.click("MoreRows");
    QCOMPARE(f.pageText(), QStringLiteral("Page 2 of 2"));
}

void TestTAlbumView::slotChoiceRedrawsEveryCell()
{
    Fixture f(3);
    const QString photo = f.t.path(QStringLiteral("scan.JPG"));
    QVERIFY(writeFile(photo, jpegBytes(halves(60, 40))));
    for (int i = 0; i < 3; ++i)
        f.t.store.at(i).setPictureFile(2, photo);
    TAlbumView *a = f.open();
    for (int c = 0; c < 3; ++c)
        QCOMPARE(a->cellPicture(c, 0).kind, AlbumPictures::Kind::Placeholder);
    f.child<QComboBox>("Image")->setCurrentIndex(1);
    QCOMPARE(a->slot(), 2);
    for (int c = 0; c < 3; ++c) {
        const AlbumPictures::Cell cell = a->cellPicture(c, 0);
        QCOMPARE(cell.kind, AlbumPictures::Kind::Picture);
        QCOMPARE(cell.dest.size(), QSize(60, 40));
    }
    // Auto-Size stretches to the cell.
    f.click("AutoSize");
    QCOMPARE(a->cellPicture(0, 0).dest, QRect(QPoint(0, 0), a->cellSize()));
}

void TestTAlbumView::labelsAndPlaceholder()
{
    Fixture f(12);
    f.t.store.at(11).setName(QStringLiteral("Camera"));
    TAlbumView *a = f.open();
    f.click("Next");
    f.click("UseLabel");
    QCOMPARE(a->recordAt(2, 0), 11);
    QCOMPARE(a->cellLabelText(a->recordAt(2, 0)), QStringLiteral("12: Camera"));
    // The placeholder moves 20 pixels down under the band.
    const AlbumPictures::Cell ph = a->cellPicture(2, 0);
    QCOMPARE(ph.kind, AlbumPictures::Kind::Placeholder);
    QCOMPARE(ph.dest.topLeft(), QPoint(0, 20));
    // The painted grid shows the label's text: read the band back from a grab.
    a->resize(700, 520);
    const QImage shot = a->grid()->grab().toImage();
    const QRect band = a->grid()->cellRect(2, 0).adjusted(0, 0, 0, 20 - a->cellSize().height());
    int dark = 0;
    for (int y = band.top(); y <= band.bottom(); ++y)
        for (int x = band.left(); x <= band.right(); ++x)
            dark += qGray(shot.pixel(x, y)) < 100;
    QVERIFY(dark > 20);
}

void TestTAlbumView::mouseMakesCurrentAndOpensWindows()
{
    Fixture f(10);
    TAlbumView *a = f.open();
    QTest::mouseClick(a->grid(), Qt::LeftButton, {}, f.centreOf(1, 1));
    QCOMPARE(f.t.store.currentIndex, 4);
    QCOMPARE(f.t.activation.activeWindow(), a);
    QTest::mouseClick(a->grid(), Qt::RightButton, {}, f.centreOf(2, 2));
    QCOMPARE(f.t.store.currentIndex, 8);
    QCOMPARE(f.t.activation.activeWindow(), &f.spreadsheet);
    f.t.activation.activate(a);
    QTest::mouseDClick(a->grid(), Qt::LeftButton, {}, f.centreOf(0, 2));
    QCOMPARE(f.t.store.currentIndex, 6);
    QCOMPARE(f.t.activation.activeWindow(), &f.record);
    // A click on an empty cell of the last page changes nothing.
    f.t.activation.activate(a);
    f.click("Next");
    QTest::mouseClick(a->grid(), Qt::LeftButton, {}, f.centreOf(2, 2));
    QCOMPARE(f.t.store.currentIndex, 6);
}

void TestTAlbumView::printingSendsTheWindowToThePrinter()
{
    Fixture f(4);
    TAlbumView *a = f.open();
    const QSize before = a->size();
    f.click("PrintScreenBtn");
    QCOMPARE(f.t.dialogs.texts(), QStringList { QStringLiteral("Form sent to Printer.") });
    QVERIFY(QFile::exists(f.t.path(QStringLiteral("printout.pdf"))));
    QVERIFY(QFile(f.t.path(QStringLiteral("printout.pdf"))).size() > 1000);
    QCOMPARE(a->size(), before);
    QVERIFY(f.child<QWidget>("ControlPanel")->isVisible());
    QCOMPARE(a->grid()->x(), 160);
}

void TestTAlbumView::closingDestroysAndReopeningStartsAfresh()
{
    Fixture f(30);
    TAlbumView *a = f.open();
    QCOMPARE(f.t.windows.openWindow(WindowKind::Album), a); // the same window comes forward
    f.click("Next");
    f.click("MoreRows");
    f.click("CloseBtn");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(f.album.isNull());
    TAlbumView *b = f.open();
    QCOMPARE(f.pageText(), QStringLiteral("Page 1 of 4"));
    QCOMPARE(b->across(), 3);
    QCOMPARE(b->slot(), 1);
}

// Printed to PDF and read back by poppler: the photo's colours survive the 256-colour image.
void TestTAlbumView::printedPhotoKeepsItsColours()
{
    Fixture f(1);
    const QImage photo = rainbow(480, 320);
    const QString file = f.t.path(QStringLiteral("rainbow.jpg"));
    QVERIFY(writeFile(file, jpegBytes(photo, 95)));
    f.t.store.at(0).setPictureFile(1, file);
    TAlbumView *a = f.open();
    a->resize(700, 520);
    f.click("LessRows");
    f.click("LessCols");
    f.click("AutoSize");
    QVERIFY(QTest::qWaitForWindowExposed(a));
    // Where the cell lies in the printed window: the grid moves to 5 pixels from the left.
    const QRect cell = QRect(a->grid()->mapTo(a, QPoint(0, 0)) - QPoint(155, 0),
        a->grid()->cellRect(0, 0).size())
                           .translated(a->grid()->cellRect(0, 0).topLeft());
    const QSize printedWindow(a->width() - 155, a->height());
    f.click("PrintScreenBtn");
    const QString pdf = f.t.path(QStringLiteral("printout.pdf"));
    QProcess pdftoppm;
    pdftoppm.start(QStringLiteral("pdftoppm"),
        { QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-png"),
            QStringLiteral("-singlefile"), pdf, f.t.path(QStringLiteral("page")) });
    QVERIFY(pdftoppm.waitForFinished(60000));
    QCOMPARE(pdftoppm.exitCode(), 0);
    const QImage page(f.t.path(QStringLiteral("page.png")));
    QVERIFY(!page.isNull());
    // The window image spans the printable width from its top-left corner.
    QRect drawn;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (page.pixel(x, y) != qRgb(255, 255, 255))
                drawn |= QRect(x, y, 1, 1);
    const double scale = double(drawn.width()) / printedWindow.width();
    const QRect printedCell(drawn.left() + int(cell.left() * scale),
        drawn.top() + int(cell.top() * scale), int(cell.width() * scale),
        int(cell.height() * scale));
    // Compare a 4 x 3 grid of patches inside the cell with the same parts of the picture.
    const QImage shown = photo.scaled(printedCell.size(), Qt::IgnoreAspectRatio,
        Qt::SmoothTransformation);
    int worst = 0;
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 4; ++i) {
            const QRect patch(shown.width() * (2 * i + 1) / 8 - 6,
                shown.height() * (2 * j + 1) / 6 - 6, 12, 12);
            worst = std::max(worst,
                distance(average(page, patch.translated(printedCell.topLeft())),
                    average(shown, patch)));
        }
    QVERIFY2(worst <= 24, qPrintable(QStringLiteral("worst channel difference %1").arg(worst)));
}

// Print given while the page's pictures are still being decoded: the printout waits for them and
// shows them, never the empty frames they arrive in.
void TestTAlbumView::printWaitsForThePagesPictures()
{
    Fixture f(4);
    const QString red = f.t.path(QStringLiteral("red.jpg"));
    QVERIFY(writeFile(red, jpegBytes(flat(QColor(220, 20, 20)))));
    for (int i = 0; i < 4; ++i)
        f.t.store.at(i).setPictureFile(1, red);
    f.gated = true;
    TAlbumView *a = f.open();
    f.click("AutoSize");
    QVERIFY(!a->pageComplete());
    // The decoding is let go well after Print was given: only a print that waits sees it.
    QTimer::singleShot(1000, a, [&f] { f.gate->open(); });
    f.click("PrintScreenBtn");
    QVERIFY(a->pageComplete());
    QProcess pdftoppm;
    pdftoppm.start(QStringLiteral("pdftoppm"),
        { QStringLiteral("-r"), QStringLiteral("40"), QStringLiteral("-png"),
            QStringLiteral("-singlefile"), f.t.path(QStringLiteral("printout.pdf")),
            f.t.path(QStringLiteral("page")) });
    QVERIFY(pdftoppm.waitForFinished(60000));
    QCOMPARE(pdftoppm.exitCode(), 0);
    const QImage page(f.t.path(QStringLiteral("page.png")));
    QVERIFY(!page.isNull());
    int reddish = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            reddish += isReddish(page.pixel(x, y)) ? 1 : 0;
    // Four auto-sized pictures fill a good part of the printed window.
    QVERIFY2(reddish > page.width() * page.height() / 50, qPrintable(QString::number(reddish)));
}

// Pictures are decoded off the interface thread: a light frame first, each cell filled as its
// picture arrives, every cell once the page is ready.
void TestTAlbumView::cellsFillInAsPicturesArrive()
{
    Fixture f(9);
    const QString red = f.t.path(QStringLiteral("red.jpg"));
    QVERIFY(writeFile(red, jpegBytes(flat(QColor(220, 20, 20)))));
    for (int i = 0; i < 9; ++i)
        f.t.store.at(i).setPictureFile(1, i == 4 ? QString() : red);
    f.gated = true;
    TAlbumView *a = f.open();
    QVERIFY(!a->pageComplete());
    QVERIFY(!a->shownCell(0, 0));
    QVERIFY(a->shownCell(1, 1).has_value()); // an empty slot needs no decoding
    const QImage before = a->grid()->grab().toImage();
    const QPoint inside = a->grid()->cellRect(0, 0).topLeft() + QPoint(20, 15);
    QVERIFY(!isReddish(before.pixel(inside)));
    QSignalSpy ready(a, &TAlbumView::pageReady);
    f.gate->open();
    QVERIFY(ready.wait(20000));
    QVERIFY(a->pageComplete());
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            const auto cell = a->shownCell(c, r);
            QVERIFY(cell.has_value());
            QCOMPARE(cell->kind,
                r == 1 && c == 1 ? AlbumPictures::Kind::Placeholder : AlbumPictures::Kind::Picture);
        }
    const QImage after = a->grid()->grab().toImage();
    QVERIFY(isReddish(after.pixel(inside)));
}

// Paging while pictures are decoding: the old page's queued work is dropped, a result of the
// old page that still arrives is thrown away, and the new page fills in with its own pictures.
void TestTAlbumView::pageChangeDropsStaleWork()
{
    Fixture f(18);
    const QString red = f.t.path(QStringLiteral("red.jpg"));
    const QString blue = f.t.path(QStringLiteral("blue.jpg"));
    QVERIFY(writeFile(red, jpegBytes(flat(QColor(220, 20, 20)))));
    QVERIFY(writeFile(blue, jpegBytes(flat(QColor(20, 20, 220)))));
    for (int i = 0; i < 18; ++i)
        f.t.store.at(i).setPictureFile(1, i < 9 ? red : blue);
    f.gated = true;
    TAlbumView *a = f.open();
    const quint64 first = a->generation();
    const QSize cellSize = a->cellSize();
    QVERIFY(!a->pageComplete());
    f.click("Next");
    QVERIFY(a->generation() != first);
    // A result of the first page arriving now lands nowhere.
    const AlbumPictures::Cell late = AlbumPictures::decodeCell(red, cellSize, false, false);
    QCOMPARE(late.kind, AlbumPictures::Kind::Picture);
    a->pictureDecoded(first, red, cellSize, false, false, late);
    QCOMPARE(a->staleResultsDropped(), 1);
    QVERIFY(!a->pictures().cachedCell(red, cellSize, false, false));
    QVERIFY(!a->shownCell(0, 0));
    QSignalSpy ready(a, &TAlbumView::pageReady);
    f.gate->open();
    QVERIFY(ready.wait(20000));
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            const auto cell = a->shownCell(c, r);
            QVERIFY(cell.has_value());
            QVERIFY(isBluish(cell->image.pixel(cell->image.rect().center())));
        }
    // The first page's queued decodes were dropped before they began.
    QVERIFY(!a->pictures().cachedCell(red, cellSize, false, false));
}

QTEST_MAIN(TestTAlbumView)
#include "test_talbumview.moc"
