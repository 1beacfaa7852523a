// Utilities > New Records from Photos: the preview window, its thumbnails, and the records it adds
// matching those of larkspur-tool photo-intake.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include "intake/photointakewindow.h"
#include "recordwindow/tview.h"
#include "store/datafile.h"
#include "tests/intake/photofolder.h"
#include "tests/support/apptest.h"
#include "tests/support/toolrun.h"

using namespace Qt::StringLiterals;

namespace {

struct Fixture
{
    AppTest t;
    std::unique_ptr<TView> v;

    Fixture()
    {
        v = std::make_unique<TView>(t.ctx);
        t.activation.activate(v.get());
        t.store.clear();
        prepareStore(t.store);
        ItemRecord old;
        old.setName(u"Old"_s);
        t.store.append(old);
        v->GetRecord(0);
        v->show();
    }
    // Runs the command; `act` is given the preview once it is up.
    void run(const QString &folder, const std::function<void(PhotoIntakeWindow *)> &act)
    {
        t.dialogs.file(folder);
        // The preview opens after the folder is read; wait for it through the event loop.
        std::function<void()> whenUp = [&] {
            auto *w = qobject_cast<PhotoIntakeWindow *>(QApplication::activeModalWidget());
            if (!w) {
                QTimer::singleShot(0, whenUp);
                return;
            }
            act(w);
        };
        QTimer::singleShot(0, whenUp);
        v->findChild<QAction *>(u"NewRecordsFromPhotos1"_s)->trigger();
    }
};

void click(PhotoIntakeWindow *w, const QString &button)
{
    w->findChild<QAbstractButton *>(button)->click();
}

// What both ways must agree on: all but the random code and the fields that follow today's date.
ItemRecord comparable(ItemRecord r)
{
    r.setRecordCode(QString());
    r.setDetail(3, QString());
    return r;
}

} // namespace

class TestPhotoIntakeWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { m_folder = std::make_unique<PhotoFolder>(); }
    void sameRecordsAsTheTool();
    void editsAndChecks();
    void cancelChangesNothing();
    void noFolderChosen();
    void preview();
    void regroupKeepsEdits();
    void copyOffer_data();
    void copyOffer();

private:
    std::unique_ptr<PhotoFolder> m_folder;
};

void TestPhotoIntakeWindow::sameRecordsAsTheTool()
{
    Fixture f;
    const QString in = m_folder->dir.filePath(u"window-in.dat"_s);
    const QString out = m_folder->dir.filePath(u"window-out.dat"_s);
    QVERIFY(DataFile::writeDatabase(in, f.t.store).ok);
    f.run(m_folder->root, [](PhotoIntakeWindow *w) { click(w, u"AddRecords"_s); });
    QCOMPARE(f.t.store.count(), 6);
    // The first new record is on show, then the outcome is told.
    QCOMPARE(f.t.store.currentIndex, 1);
    QCOMPARE(f.t.dialogs.lastText(), u"5 records added"_s);
    QVERIFY(f.t.dialogs.allUsed());

    const ToolRun tool = runProgram(
        QStringLiteral(LARKSPUR_TOOL_PATH), { u"photo-intake"_s, m_folder->root, in, out });
    QCOMPARE(tool.exitCode, 0);
    RecordStore fromTool;
    QCOMPARE(DataFile::readDatabase(out, fromTool, false).outcome, DataFile::ReadOutcome::Read);
    QCOMPARE(fromTool.count(), f.t.store.count());
    for (int i = 0; i < fromTool.count(); ++i)
        QCOMPARE(comparable(f.t.store.at(i)), comparable(fromTool.at(i)));

    // Again on the same folder: every photo is in the database already.
    f.run(m_folder->root, [](PhotoIntakeWindow *w) {
        QCOMPARE(w->model()->rowCount(), 0);
        QVERIFY(
            w->findChild<QLabel *>(u"Summary"_s)->text().contains(u"12 already in the database"_s));
        click(w, u"AddRecords"_s);
    });
    QCOMPARE(f.t.store.count(), 6);
}

void TestPhotoIntakeWindow::editsAndChecks()
{
    Fixture f;
    f.run(m_folder->root, [](PhotoIntakeWindow *w) {
        PhotoIntakeModel *m = w->model();
        QVERIFY(m->setData(m->index(1, PhotoIntakeModel::Name), u"Blue vase"_s, Qt::EditRole));
        QVERIFY(m->setData(m->index(2, PhotoIntakeModel::Add), Qt::Unchecked, Qt::CheckStateRole));
        QCOMPARE(
            m->flags(m->index(1, PhotoIntakeModel::Name)) & Qt::ItemIsEditable, Qt::ItemIsEditable);
        QCOMPARE(m->flags(m->index(1, PhotoIntakeModel::Location)) & Qt::ItemIsEditable,
            Qt::NoItemFlags);
        click(w, u"AddRecords"_s);
    });
    QCOMPARE(f.t.store.count(), 5);
    QCOMPARE(f.t.store.at(2).name(), u"Blue vase"_s);
    QCOMPARE(f.t.store.at(3).name(), u"Item from Kitchen"_s);
}

void TestPhotoIntakeWindow::cancelChangesNothing()
{
    Fixture f;
    f.run(m_folder->root, [](PhotoIntakeWindow *w) {
        QCOMPARE(w->model()->rowCount(), 5);
        click(w, u"Cancel"_s);
    });
    QCOMPARE(f.t.store.count(), 1);
    QCOMPARE(f.t.store.currentIndex, 0);
    QCOMPARE(f.t.dialogs.shown.size(), 1); // the folder dialog only
    QCOMPARE(f.t.dialogs.shown.first().kind, u"folder"_s);
}

void TestPhotoIntakeWindow::noFolderChosen()
{
    Fixture f;
    f.t.dialogs.file(QString());
    f.v->findChild<QAction *>(u"NewRecordsFromPhotos1"_s)->trigger();
    QCOMPARE(f.t.store.count(), 1);
    QCOMPARE(f.t.dialogs.shown.last().kind, u"folder"_s);
}

void TestPhotoIntakeWindow::preview()
{
    RecordStore store;
    prepareStore(store);
    PhotoIntakeWindow w(store);
    QVERIFY(w.read(m_folder->root, {}));
    w.resize(820, 700);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    PhotoIntakeModel *m = w.model();
    QCOMPARE(m->rowCount(), 5);
    QCOMPARE(m->data(m->index(1, PhotoIntakeModel::Location), Qt::DisplayRole).toString(),
        u"Shelf : Garage"_s);
    QCOMPARE(
        m->data(m->index(0, PhotoIntakeModel::Date), Qt::DisplayRole).toString(), u"2025/03/04"_s);
    QCOMPARE(m->data(m->index(1, PhotoIntakeModel::Photos), Qt::DisplayRole).toString(), u"6"_s);
    QCOMPARE(w.findChild<QLabel *>(u"Summary"_s)->text(),
        u"5 new records from 12 photos in %1. 3 files left out: 1 not pictures, 2 could not be read."_s
            .arg(m_folder->root));
    // Thumbnails come from a worker; the first of the shelf photos stands upright by its EXIF
    // orientation (a wide photo turned a quarter), the Attic one is tall as stored.
    QSignalSpy ready(m, &PhotoIntakeModel::thumbnailReady);
    m->data(m->index(1, PhotoIntakeModel::Add), Qt::DecorationRole);
    m->data(m->index(0, PhotoIntakeModel::Add), Qt::DecorationRole);
    while (m->thumbnailsPending())
        QVERIFY(ready.wait(30000));
    const QImage shelf
        = m->data(m->index(1, PhotoIntakeModel::Add), Qt::DecorationRole).value<QImage>();
    QCOMPARE(shelf.size(), QSize(32, 64));
    // The left half of the stored photo (red) is on top once turned.
    QCOMPARE(QColor(shelf.pixel(16, 4)).red() > 200, true);
    const QImage attic
        = m->data(m->index(0, PhotoIntakeModel::Add), Qt::DecorationRole).value<QImage>();
    QCOMPARE(attic.size(), QSize(32, 64));
    // A wider gap joins the kitchen photos.
    w.findChild<QSpinBox *>(u"Gap"_s)->setValue(100);
    QCOMPARE(m->rowCount(), 4);
}

void TestPhotoIntakeWindow::regroupKeepsEdits()
{
    RecordStore store;
    prepareStore(store);
    PhotoIntakeWindow w(store);
    QVERIFY(w.read(m_folder->root, {}));
    PhotoIntakeModel *m = w.model();
    // Rows: Attic; the shelf's six and two; the kitchen's two and one.
    QVERIFY(m->setData(m->index(1, PhotoIntakeModel::Name), u"Blue vase"_s, Qt::EditRole));
    QVERIFY(m->setData(m->index(2, PhotoIntakeModel::Add), Qt::Unchecked, Qt::CheckStateRole));
    QVERIFY(m->setData(m->index(3, PhotoIntakeModel::Name), u"Kettle"_s, Qt::EditRole));
    QVERIFY(m->setData(m->index(4, PhotoIntakeModel::Add), Qt::Unchecked, Qt::CheckStateRole));
    // A wider gap joins the kitchen's photos; the shelf's groups stay as they were.
    w.findChild<QSpinBox *>(u"Gap"_s)->setValue(100);
    QCOMPARE(m->rowCount(), 4);
    QCOMPARE(
        m->data(m->index(1, PhotoIntakeModel::Name), Qt::DisplayRole).toString(), u"Blue vase"_s);
    QCOMPARE(
        m->data(m->index(1, PhotoIntakeModel::Add), Qt::CheckStateRole).toInt(), int(Qt::Checked));
    QCOMPARE(m->data(m->index(2, PhotoIntakeModel::Add), Qt::CheckStateRole).toInt(),
        int(Qt::Unchecked));
    // The kitchen's new group is a new proposal.
    QCOMPARE(m->data(m->index(3, PhotoIntakeModel::Name), Qt::DisplayRole).toString(),
        u"Item from Kitchen"_s);
    QCOMPARE(
        m->data(m->index(3, PhotoIntakeModel::Add), Qt::CheckStateRole).toInt(), int(Qt::Checked));
}

void TestPhotoIntakeWindow::copyOffer_data()
{
    QTest::addColumn<bool>("titled");
    QTest::newRow("beside the catalogue") << true;
    QTest::newRow("untitled: the folder asked for") << false;
}

void TestPhotoIntakeWindow::copyOffer()
{
    QFETCH(bool, titled);
    QTemporaryDir dir;
    const QString root = dir.filePath(u"Hall"_s);
    const QByteArray sofa = TestPictures::jpegBytes(TestPictures::halves(80, 40));
    QVERIFY(QDir().mkpath(root));
    QVERIFY(TestPictures::writeFile(root + u"/ソファ.jpg"_s, sofa));
    QVERIFY(TestPictures::writeFile(
        root + u"/lamp.jpg"_s, TestPictures::jpegBytes(TestPictures::halves(40, 80))));
    QFile lamp(root + u"/lamp.jpg"_s);
    QVERIFY(lamp.open(QIODevice::ReadWrite));
    QVERIFY(lamp.setFileTime(
        QDateTime(QDate(2026, 1, 1), QTime(9, 0)), QFileDevice::FileModificationTime));
    lamp.close();
    Fixture f;
    QString copies = dir.filePath(u"chosen"_s);
    if (titled) {
        f.t.store.fileName = dir.filePath(u"house.dat"_s);
        copies = dir.filePath(u"house photos"_s);
    }
    f.run(root, [&](PhotoIntakeWindow *w) {
        if (!titled)
            f.t.dialogs.file(copies);
        auto *text = w->findChild<QLabel *>(u"UnstorableText"_s);
        QVERIFY(!text->isHidden());
        QCOMPARE(text->text(),
            titled
                ? u"1 photo has a name the catalogue cannot store. Copies under names it can store can be added from %1."_s
                      .arg(copies)
                : u"1 photo has a name the catalogue cannot store. Copies under names it can store can be added instead."_s);
        QCOMPARE(w->model()->rowCount(), 1);
        click(w, u"CopyUnstorable"_s);
        QCOMPARE(w->model()->rowCount(), 2);
        QVERIFY(text->isHidden());
        QVERIFY(!w->findChild<QLabel *>(u"Summary"_s)->text().contains(u"cannot store"_s));
        click(w, u"AddRecords"_s);
    });
    QCOMPARE(f.t.store.count(), 3);
    const QString copy = copies + u"/Photo.jpg"_s;
    QCOMPARE(f.t.store.at(2).pictureFile(1), copy);
    QCOMPARE(f.t.store.at(2).name(), u"Item from Hall"_s);
    QFile copied(copy);
    QVERIFY(copied.open(QIODevice::ReadOnly));
    QCOMPARE(copied.readAll(), sofa);
    QVERIFY(f.t.dialogs.allUsed());
    if (!titled)
        QCOMPARE(f.t.dialogs.shown.at(1).kind, u"folder"_s);
}

QTEST_MAIN(TestPhotoIntakeWindow)
#include "test_photointakewindow.moc"
