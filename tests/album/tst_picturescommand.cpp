// larkspur-tool pictures, run as the real executable over a catalogue made by the test.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "store/datafile.h"
#include "store/recordstore.h"
#include "tests/support/testpictures.h"

using namespace TestPictures;

class TestPicturesCommand : public QObject
{
    Q_OBJECT
private:
    struct Run
    {
        int code;
        QString out;
        QString err;
    };
    static Run run(const QStringList &args)
    {
        QProcess p;
        p.start(QStringLiteral(LARKSPUR_TOOL_PATH), args);
        p.waitForFinished(120000);
        return { p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError()) };
    }

private Q_SLOTS:
    void reportsEverySlot();
    void allPresentIsSuccess();
    void usageAndBadFiles();
    void withoutThePictureModule();
};

void TestPicturesCommand::reportsEverySlot()
{
    QTemporaryDir dir;
    const QString phone = dir.filePath(QStringLiteral("phone.JPG"));
    const QString scan = dir.filePath(QStringLiteral("scan.pcx"));
    const QString cut = dir.filePath(QStringLiteral("cut.jpg"));
    const QString text = dir.filePath(QStringLiteral("letter.gif"));
    const QString gone = dir.filePath(QStringLiteral("gone.bmp"));
    const QByteArray jpeg = jpegWithOrientation(halves(64, 48), 6);
    QVERIFY(writeFile(phone, jpeg));
    QVERIFY(writeFile(scan, pcxBytes(halves(30, 20))));
    QVERIFY(writeFile(cut, jpeg.left(jpeg.size() - 200)));
    QVERIFY(writeFile(text, QByteArray("Dear Sir,\n")));
    RecordStore store;
    ItemRecord a;
    a.setPictureFile(1, phone);
    a.setPictureFile(4, gone);
    store.append(a);
    store.append(ItemRecord()); // no pictures at all
    ItemRecord c;
    c.setPictureFile(2, scan);
    c.setPictureFile(3, cut);
    c.setPictureFile(6, text);
    store.append(c);
    const QString db = dir.filePath(QStringLiteral("things.dat"));
    QVERIFY(DataFile::writeDatabase(db, store).ok);
    const Run r = run({ QStringLiteral("pictures"), db });
    QCOMPARE(r.code, 1);
    const QString expected = QStringLiteral("1\t1\tok 48x64\t%1\n"
                                            "1\t4\tmissing\t%2\n"
                                            "3\t2\tok 30x20\t%3\n"
                                            "3\t3\tunreadable\t%4\n"
                                            "3\t6\tunreadable\t%5\n")
                                 .arg(phone, gone, scan, cut, text);
    QCOMPARE(r.out, expected);
}

void TestPicturesCommand::allPresentIsSuccess()
{
    QTemporaryDir dir;
    const QString photo = dir.filePath(QStringLiteral("photo.jpeg"));
    QVERIFY(writeFile(photo, jpegBytes(halves(10, 10))));
    RecordStore store;
    ItemRecord a;
    a.setPictureFile(5, photo);
    store.append(a);
    const QString db = dir.filePath(QStringLiteral("one.dat"));
    QVERIFY(DataFile::writeDatabase(db, store).ok);
    const Run r = run({ QStringLiteral("pictures"), db });
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QStringLiteral("1\t5\tok 10x10\t%1\n").arg(photo));
}

void TestPicturesCommand::usageAndBadFiles()
{
    QTemporaryDir dir;
    Run r = run({ QStringLiteral("pictures") });
    QCOMPARE(r.code, 2);
    QVERIFY(r.err.contains(QStringLiteral("larkspur-tool pictures FILE.dat")));
    r = run({ QStringLiteral("pictures"), dir.filePath(QStringLiteral("none.dat")) });
    QCOMPARE(r.code, 1);
    QVERIFY(r.out.isEmpty());
    QVERIFY(!r.err.isEmpty());
    const QString notDb = dir.filePath(QStringLiteral("photo.dat"));
    QVERIFY(writeFile(notDb, jpegBytes(halves(4, 4))));
    r = run({ QStringLiteral("pictures"), notDb });
    QCOMPARE(r.code, 1);
    QVERIFY(r.err.contains(QStringLiteral("is not a valid")));
}

// A program copied somewhere without its picture module says so where it decodes a picture and
// counts the pictures as unreadable; the records themselves still read.
void TestPicturesCommand::withoutThePictureModule()
{
    QTemporaryDir dir;
    const QString tool = dir.filePath(QStringLiteral("bin/larkspur-tool"));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("bin"))));
    QVERIFY(QFile::copy(QStringLiteral(LARKSPUR_TOOL_PATH), tool));
    const QString photo = dir.filePath(QStringLiteral("photo.jpeg"));
    QVERIFY(writeFile(photo, jpegBytes(halves(10, 10))));
    RecordStore store;
    ItemRecord a;
    a.setPictureFile(1, photo);
    store.append(a);
    const QString db = dir.filePath(QStringLiteral("one.dat"));
    QVERIFY(DataFile::writeDatabase(db, store).ok);

    QProcess p;
    p.start(tool, { QStringLiteral("pictures"), db });
    QVERIFY(p.waitForFinished(120000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 1);
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()),
        QStringLiteral("1\t1\tunreadable\t%1\n").arg(photo));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QVERIFY2(err.startsWith(QStringLiteral("Pictures cannot be shown: the picture module could "
                                           "not be loaded (larkspur-pictures.so is in neither %1")
                                .arg(dir.filePath(QStringLiteral("bin")))),
        qPrintable(err));
    QCOMPARE(err.count(u'\n'), 1); // told once, not per picture

    p.start(tool, { QStringLiteral("check"), db });
    QVERIFY(p.waitForFinished(120000));
    QCOMPARE(p.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestPicturesCommand)
#include "tst_picturescommand.moc"
