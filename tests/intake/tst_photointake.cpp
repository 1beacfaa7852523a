// New records from a folder of photos: reading, grouping, naming, Location, the records made and
// larkspur-tool photo-intake.
#include <QtTest>

#include "intake/photointake.h"
#include "store/datafile.h"
#include "tests/intake/photofolder.h"
#include "tests/support/toolrun.h"

using namespace Qt::StringLiterals;

class TestPhotoIntake : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void proposals_data();
    void proposals();
    void gap_data();
    void gap();
    void leftOut();
    void names_data();
    void names();
    void locationCaption();
    void record();
    void secondRunAddsNothing();
    void tool();
    void toolWrongUse_data();
    void toolWrongUse();

private:
    std::unique_ptr<PhotoFolder> m_folder;
    RecordStore m_store;
    QString tool(const QString &name) const { return m_folder->dir.filePath(name); }
};

void TestPhotoIntake::initTestCase()
{
    m_folder = std::make_unique<PhotoFolder>();
    prepareStore(m_store);
}

void TestPhotoIntake::proposals_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QStringList>("photos");
    const QString shelf = u"Garage/Shelf/blue_vase-%1.jpg"_s;
    QStringList first;
    for (int i = 1; i <= 6; ++i)
        first << shelf.arg(i, 2, 10, QLatin1Char('0'));
    // Folders in order; in a folder, by time taken.
    QTest::newRow("no EXIF date, camera name, folder no node")
        << 0 << u"Item from Attic"_s << QString() << u"2025/03/04"_s
        << QStringList { u"Attic/PXL_20261208_101500123.jpg"_s };
    QTest::newRow("eight within the gap: the first six") << 1 << u"blue vase 01"_s
        << u"Shelf : Garage"_s << u"2026/12/08"_s << first;
    QTest::newRow("eight within the gap: the other two") << 2 << u"blue vase 07"_s
        << u"Shelf : Garage"_s << u"2026/12/08"_s
        << QStringList { shelf.arg(u"07"_s), shelf.arg(u"08"_s) };
    QTest::newRow("two within the gap") << 3 << u"Item from Kitchen"_s << u"Kitchen : House"_s
        << u"2026/12/08"_s << QStringList { u"Kitchen/IMG_2041.jpg"_s, u"Kitchen/IMG_2042.jpg"_s };
    QTest::newRow("one after the gap") << 4 << u"Item from Kitchen"_s << u"Kitchen : House"_s
        << u"2026/12/08"_s << QStringList { u"Kitchen/IMG_2043.jpg"_s };
}

void TestPhotoIntake::proposals()
{
    QFETCH(int, row);
    QFETCH(QString, name);
    QFETCH(QString, location);
    QFETCH(QString, date);
    QFETCH(QStringList, photos);
    const auto scan = PhotoIntake::scanFolder(m_folder->root, {});
    const auto groups = PhotoIntake::groupPhotos(scan, m_folder->root, 30, m_store);
    QCOMPARE(int(groups.size()), 5);
    const PhotoIntake::Proposal &p = groups[size_t(row)];
    QCOMPARE(p.name, name);
    QCOMPARE(p.location, location);
    QCOMPARE(p.taken.date().toString(u"yyyy/MM/dd"_s), date);
    QStringList full;
    for (const QString &f : photos)
        full << m_folder->root + u'/' + f;
    QCOMPARE(p.photos, full);
    QVERIFY(p.checked);
}

void TestPhotoIntake::gap_data()
{
    QTest::addColumn<int>("gap");
    QTest::addColumn<QList<int>>("kitchenGroups"); // photos a group
    QTest::newRow("0 s: each alone") << 0 << QList<int> { 1, 1, 1 };
    QTest::newRow("10 s: the gap itself counts") << 10 << QList<int> { 2, 1 };
    QTest::newRow("99 s") << 99 << QList<int> { 2, 1 };
    QTest::newRow("100 s") << 100 << QList<int> { 3 };
}

void TestPhotoIntake::gap()
{
    QFETCH(int, gap);
    QFETCH(QList<int>, kitchenGroups);
    const auto scan = PhotoIntake::scanFolder(m_folder->root + u"/Kitchen"_s, {});
    QList<int> sizes;
    for (const auto &p : PhotoIntake::groupPhotos(scan, m_folder->root + u"/Kitchen"_s, gap, m_store))
        sizes << int(p.photos.size());
    QCOMPARE(sizes, kitchenGroups);
}

void TestPhotoIntake::leftOut()
{
    const auto scan = PhotoIntake::scanFolder(m_folder->root, {});
    QCOMPARE(int(scan.photos.size()), 12);
    QCOMPARE(scan.notPictures, 1);
    QCOMPARE(scan.unreadable, 2); // the text named .jpg and the damaged photo
    QCOMPARE(scan.alreadyUsed, 0);
    QCOMPARE(PhotoIntake::leftOutText(scan), u"3 files left out: 1 not pictures, 2 could not be read"_s);
    // Cancelling after the first file gives nothing.
    int calls = 0;
    const auto cancelled = PhotoIntake::scanFolder(m_folder->root, {}, [&](int, int) { return ++calls < 2; });
    QVERIFY(cancelled.cancelled);
    QCOMPARE(calls, 2);
}

void TestPhotoIntake::names_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("name");
    QTest::newRow("camera letters and number") << u"/p/Den/IMG_2041.JPG"_s << u"Item from Den"_s;
    QTest::newRow("phone date and time") << u"/p/Den/PXL_20261208_143012345.MP.jpg"_s << u"Item from Den"_s;
    QTest::newRow("burst") << u"/p/Den/IMG-20261208-WA0003.jpg"_s << u"Item from Den"_s;
    QTest::newRow("digits only") << u"/p/Den/20261208_143012.jpg"_s << u"Item from Den"_s;
    QTest::newRow("DSC copy") << u"/p/Den/DSC01234 (2).jpg"_s << u"Item from Den"_s;
    QTest::newRow("own name") << u"/p/Den/grandfather_clock-front.jpg"_s << u"grandfather clock front"_s;
    QTest::newRow("own name with number") << u"/p/Den/Lamp 2.jpg"_s << u"Lamp 2"_s;
    QTest::newRow("word and year") << u"/p/Den/Bike_2019.jpg"_s << u"Bike 2019"_s;
    QTest::newRow("dots kept but the last") << u"/p/Den/Mr. Bear.jpeg"_s << u"Mr. Bear"_s;
}

void TestPhotoIntake::names()
{
    QFETCH(QString, file);
    QFETCH(QString, name);
    QCOMPARE(PhotoIntake::proposedName(file), name);
}

void TestPhotoIntake::locationCaption()
{
    RecordStore store;
    store.captions.description[3] = u"LOCATION"_s;
    store.categoryTexts[3] = u"Cellar\r\n\tRack\r\n"_s;
    store.categoryTexts[8] = LocationTree;
    QCOMPARE(PhotoIntake::locationDescription(store), 3);
    const QString root = m_folder->dir.path();
    QCOMPARE(PhotoIntake::locationFor(root + u"/cellar/rack"_s, root, store), u"Rack : Cellar"_s);
    QCOMPARE(PhotoIntake::locationFor(root + u"/Kitchen"_s, root, store), QString());
    // Without a "Location" caption, description 8; the picked folder's own name counts.
    QCOMPARE(PhotoIntake::locationDescription(m_store), 8);
    QCOMPARE(PhotoIntake::locationFor(root + u"/kitchen"_s, root + u"/kitchen"_s, m_store), u"Kitchen : House"_s);
    QCOMPARE(PhotoIntake::locationFor(root + u"/x/Shelf"_s, root, m_store), u"Shelf : Garage"_s);
    QCOMPARE(PhotoIntake::locationFor(root + u"/House/Shelf"_s, root, m_store), u"Shelf : Garage"_s);
    QCOMPARE(PhotoIntake::locationFor(root + u"/Loft"_s, root, m_store), QString());
}

void TestPhotoIntake::record()
{
    PhotoIntake::Proposal p;
    p.name = u"Blue vase"_s;
    p.location = u"Shelf : Garage"_s;
    p.taken = QDateTime(QDate(2026, 12, 8), QTime(23, 59, 59));
    p.photos = QStringList { u"/p/Garage/Shelf/vase_front.jpg"_s, u"/p/Garage/Shelf/vase_back.jpg"_s };
    int next = 0;
    const ItemRecord r = PhotoIntake::makeRecord(p, m_store, QDate(2027, 1, 2), [&](int) { return next++; });
    QCOMPARE(r.Name, u"Blue vase"_s);
    QCOMPARE(r.RecordCode, u"ABCDEFGH"_s);
    QCOMPARE(r.Descriptions[8], u"Shelf : Garage"_s);
    QCOMPARE(r.Details[2], u"2026/12/08"_s);
    QCOMPARE(r.Keywords, QStringList { u"Added from photos"_s });
    QCOMPARE(r.Pictures[1].FileName, p.photos[0]);
    QCOMPARE(r.Pictures[1].Title, u"vase_front"_s);
    QCOMPARE(r.Pictures[2].Title, u"vase_back"_s);
    QCOMPARE(r.Pictures[3].FileName, QString());
    QCOMPARE(r.Pictures[3].Title, u"Untitled 3"_s);
}

void TestPhotoIntake::secondRunAddsNothing()
{
    RecordStore store;
    prepareStore(store);
    auto groups = PhotoIntake::groupPhotos(PhotoIntake::scanFolder(m_folder->root, {}), m_folder->root, 30, store);
    groups[1].checked = false; // six photos the user left out this time
    QCOMPARE(PhotoIntake::addRecords(store, groups, QDate(2027, 1, 2), [](int) { return 0; }), 4);
    const auto again = PhotoIntake::scanFolder(m_folder->root, PhotoIntake::usedPicturePaths(store));
    QCOMPARE(again.alreadyUsed, 6);
    const auto left = PhotoIntake::groupPhotos(again, m_folder->root, 30, store);
    QCOMPARE(int(left.size()), 1);
    QCOMPARE(int(left[0].photos.size()), 6);
    PhotoIntake::addRecords(store, left, QDate(2027, 1, 2), [](int) { return 0; });
    const auto third = PhotoIntake::scanFolder(m_folder->root, PhotoIntake::usedPicturePaths(store));
    QCOMPARE(third.alreadyUsed, 12);
    QVERIFY(PhotoIntake::groupPhotos(third, m_folder->root, 30, store).empty());
    QCOMPARE(PhotoIntake::leftOutText(third),
        u"15 files left out: 12 already in the database, 1 not pictures, 2 could not be read"_s);
}

void TestPhotoIntake::tool()
{
    RecordStore in;
    prepareStore(in);
    ItemRecord old;
    old.Name = u"Old"_s;
    in.append(old);
    QVERIFY(DataFile::writeDatabase(tool(u"in.dat"_s), in).ok);
    const ToolRun first = runProgram(QStringLiteral(LARKSPUR_TOOL_PATH),
        { u"photo-intake"_s, m_folder->root, tool(u"in.dat"_s), tool(u"out.dat"_s) });
    QCOMPARE(first.exitCode, 0);
    const QStringList lines = first.outText().split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines[1], u"3\tblue vase 01\tShelf : Garage\t2026/12/08\t6"_s);
    QCOMPARE(first.errText().trimmed(), u"3 files left out: 1 not pictures, 2 could not be read"_s);
    RecordStore out;
    QCOMPARE(DataFile::readDatabase(tool(u"out.dat"_s), out, false).outcome, DataFile::ReadOutcome::Read);
    QCOMPARE(out.count(), 6);
    QCOMPARE(out.at(0).Name, u"Old"_s);
    QCOMPARE(out.at(4).Pictures[1].FileName, m_folder->root + u"/Kitchen/IMG_2041.jpg"_s);
    QCOMPARE(out.at(4).Keywords, QStringList { u"Added from photos"_s });
    // Run again on its own output: nothing new. A wider gap is taken.
    const ToolRun second = runProgram(QStringLiteral(LARKSPUR_TOOL_PATH),
        { u"photo-intake"_s, m_folder->root, tool(u"out.dat"_s), tool(u"again.dat"_s), u"--gap"_s, u"500"_s });
    QCOMPARE(second.exitCode, 0);
    QCOMPARE(second.out, QByteArray());
    QVERIFY(second.errText().contains(u"12 already in the database"_s));
    const ToolRun wide = runProgram(QStringLiteral(LARKSPUR_TOOL_PATH),
        { u"photo-intake"_s, m_folder->root + u"/Kitchen"_s, tool(u"in.dat"_s), tool(u"wide.dat"_s), u"--gap"_s, u"100"_s });
    QCOMPARE(wide.exitCode, 0);
    QCOMPARE(wide.outText(), u"2\tItem from Kitchen\tKitchen : House\t2026/12/08\t3\n"_s);
}

void TestPhotoIntake::toolWrongUse_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("too few") << QStringList { u"photos"_s, u"in.dat"_s } << 2;
    QTest::newRow("gap not a number") << QStringList { u"@root"_s, u"@in"_s, u"@out"_s, u"--gap"_s, u"soon"_s } << 2;
    QTest::newRow("gap missing") << QStringList { u"@root"_s, u"@in"_s, u"@out"_s, u"--gap"_s } << 2;
    QTest::newRow("no such folder") << QStringList { u"@root/none"_s, u"@in"_s, u"@out"_s } << 1;
    QTest::newRow("no such database") << QStringList { u"@root"_s, u"@root/none.dat"_s, u"@out"_s } << 1;
    QTest::newRow("output cannot be written") << QStringList { u"@root"_s, u"@in"_s, u"@root/Attic/notes.txt/x.dat"_s } << 1;
}

void TestPhotoIntake::toolWrongUse()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    RecordStore in;
    QVERIFY(DataFile::writeDatabase(tool(u"plain.dat"_s), in).ok);
    for (QString &a : args) {
        a.replace(u"@root"_s, m_folder->root);
        a.replace(u"@in"_s, tool(u"plain.dat"_s));
        a.replace(u"@out"_s, tool(u"never.dat"_s));
    }
    const ToolRun run = runProgram(QStringLiteral(LARKSPUR_TOOL_PATH), QStringList { u"photo-intake"_s } + args);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY(!run.err.isEmpty());
    QCOMPARE(run.out, QByteArray());
    QVERIFY(!QFile::exists(tool(u"never.dat"_s)));
}

QTEST_GUILESS_MAIN(TestPhotoIntake)
#include "tst_photointake.moc"
