// EXIF date taken and orientation, checked against files tagged by exiftool.
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "platform/exif.h"

using namespace Qt::StringLiterals;

class TestExif : public QObject
{
    Q_OBJECT
private slots:
    void readsWhatExiftoolWrote_data();
    void readsWhatExiftoolWrote();
    void notAPhotoGivesDefaults_data();
    void notAPhotoGivesDefaults();
    void damagedSegmentNeverReadsPastItsEnd();

private:
    QTemporaryDir m_dir;
    QString makeJpeg(const QString &name)
    {
        QImage image(64, 32, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        const QString path = m_dir.filePath(name);
        image.save(path, "JPEG");
        return path;
    }
};

void TestExif::readsWhatExiftoolWrote_data()
{
    QTest::addColumn<QStringList>("tags");
    QTest::addColumn<QString>("taken");
    QTest::addColumn<int>("orientation");
    QTest::newRow("original, Intel order") << QStringList { u"-ExifByteOrder=Little-endian"_s,
        u"-DateTimeOriginal=2026:12:08 14:03:59"_s }
                                           << u"2026-12-08T14:03:59"_s << 1;
    QTest::newRow("original, Motorola order, turned")
        << QStringList { u"-ExifByteOrder=Big-endian"_s, u"-DateTimeOriginal=2019:01:31 23:59:00"_s,
               u"-Orientation#=6"_s }
        << u"2019-01-31T23:59:00"_s << 6;
    QTest::newRow("original wins over digitized and changed")
        << QStringList { u"-DateTimeOriginal=2020:05:01 10:00:00"_s,
               u"-CreateDate=2021:05:01 10:00:00"_s, u"-ModifyDate=2022:05:01 10:00:00"_s }
        << u"2020-05-01T10:00:00"_s << 1;
    QTest::newRow("digitized when no original") << QStringList {
        u"-CreateDate=2021:05:01 10:00:00"_s, u"-ModifyDate=2022:05:01 10:00:00"_s
    } << u"2021-05-01T10:00:00"_s << 1;
    QTest::newRow("last change as a last resort")
        << QStringList { u"-ModifyDate=2022:05:01 10:00:00"_s, u"-Orientation#=8"_s }
        << u"2022-05-01T10:00:00"_s << 8;
    QTest::newRow("tags but no date")
        << QStringList { u"-Artist=Someone"_s, u"-Orientation#=3"_s } << QString() << 3;
}

void TestExif::readsWhatExiftoolWrote()
{
    QFETCH(QStringList, tags);
    QFETCH(QString, taken);
    QFETCH(int, orientation);
    const QString path = makeJpeg(QStringLiteral("photo.jpg"));
    QProcess exiftool;
    exiftool.start(QStringLiteral("exiftool"),
        QStringList { QStringLiteral("-q"), QStringLiteral("-overwrite_original") } + tags
            + QStringList { path });
    QVERIFY(exiftool.waitForFinished());
    QCOMPARE(exiftool.exitCode(), 0);

    const ExifInfo info = readJpegExif(path);
    QCOMPARE(info.orientation, orientation);
    if (taken.isEmpty())
        QVERIFY(!info.dateTaken.isValid());
    else
        QCOMPARE(info.dateTaken, QDateTime::fromString(taken, Qt::ISODate));
}

void TestExif::notAPhotoGivesDefaults_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("text") << QByteArray("not a picture\n");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("start marker only") << QByteArray("\xFF\xD8", 2);
    QTest::newRow("segment longer than the file") << QByteArray("\xFF\xD8\xFF\xE1\xFF\xF0"
                                                                "Exif",
        10);
}

void TestExif::notAPhotoGivesDefaults()
{
    QFETCH(QByteArray, bytes);
    const QString path = m_dir.filePath(QStringLiteral("odd.jpg"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    file.close();
    const ExifInfo info = readJpegExif(path);
    QCOMPARE(info.orientation, 1);
    QVERIFY(!info.dateTaken.isValid());
    QVERIFY(!readJpegExif(m_dir.filePath(QStringLiteral("absent.jpg"))).dateTaken.isValid());
}

void TestExif::damagedSegmentNeverReadsPastItsEnd()
{
    // A payload whose ExifIFD pointer and date offset point past the end: each cut of a real
    // segment is read within its bounds (AddressSanitizer checks) and gives no date it cannot hold.
    const QString path = makeJpeg(QStringLiteral("cut.jpg"));
    QProcess exiftool;
    exiftool.start(QStringLiteral("exiftool"),
        { QStringLiteral("-q"), QStringLiteral("-overwrite_original"),
            QStringLiteral("-DateTimeOriginal=2026:12:08 14:03:59"), path });
    QVERIFY(exiftool.waitForFinished());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray all = file.readAll();
    const qsizetype app1 = all.indexOf("Exif");
    QVERIFY(app1 > 0);
    const int length = (uchar(all[app1 - 2]) << 8 | uchar(all[app1 - 1])) - 2;
    const QByteArray payload = all.mid(app1, length);
    QVERIFY(exifInfo(reinterpret_cast<const uchar *>(payload.constData()), size_t(payload.size()))
                .dateTaken.isValid());
    for (qsizetype cut = 0; cut < payload.size(); ++cut) {
        const std::unique_ptr<uchar[]> exact(new uchar[size_t(cut) + 1]);
        memcpy(exact.get(), payload.constData(), size_t(cut));
        exifInfo(exact.get(), size_t(cut));
    }
}

QTEST_GUILESS_MAIN(TestExif)
#include "tst_exif.moc"
