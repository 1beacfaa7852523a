// The album window over the record store: captions, paging buttons, size buttons, slot choice,
// labels, the mouse, printing and its lifetime under the window registry.
#include <QCheckBox>
#include <QCoreApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "album/talbumview.h"
#include "tests/support/apptest.h"
#include "tests/support/testpictures.h"

using namespace TestPictures;

namespace {

struct Fixture
{
    AppTest t;
    QWidget record; // stand-ins for the windows the album brings up
    QWidget spreadsheet;
    QPointer<TAlbumView> album;

    explicit Fixture(int n = 10)
    {
        record.setObjectName(QStringLiteral("View"));
        spreadsheet.setObjectName(QStringLiteral("SnapShot"));
        t.windows.setWindow(WindowKind::Record, &record);
        t.windows.setWindow(WindowKind::Spreadsheet, &spreadsheet);
        t.windows.setFactory(WindowKind::Album, [this] { return new TAlbumView(t.ctx); });
        for (int i = 1; i <= n; ++i) {
            ItemRecord r;
            r.Name = QStringLiteral("Item %1").arg(i);
            t.store.append(std::move(r));
        }
        t.store.currentIndex = 0;
    }
    ~Fixture() { delete album.data(); }

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
        f.t.store.at(i).Pictures[2].FileName = photo;
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
    f.t.store.at(11).Name = QStringLiteral("Camera");
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

QTEST_MAIN(TestTAlbumView)
#include "test_talbumview.moc"
