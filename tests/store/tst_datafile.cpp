// Database files: exact bytes written, what the reader accepts and refuses, atomic saving.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "store/categorytree.h"
#include "store/datafile.h"
#include "store/datafileformat.h"
#include "store/textcodec.h"
#include "tests/support/writefailures.h"

using namespace DataFile;

Q_DECLARE_METATYPE(DataFile::ReadOutcome)

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text));
}

const char EmptyTreeHex[] = "54 50 46 30 09 54 54 72 65 65 56 69 65 77 0F 44"
                            "65 73 63 72 69 70 74 69 6F 6E 54 72 65 65 04 4C"
                            "65 66 74 03 68 02 03 54 6F 70 03 A8 01 05 57 69"
                            "64 74 68 02 21 06 48 65 69 67 68 74 02 19 06 49"
                            "6E 64 65 6E 74 02 13 08 54 61 62 4F 72 64 65 72"
                            "02 00 07 56 69 73 69 62 6C 65 08 00 00";

const char KitchenDrawerHex[] = "01 00 00 00 20 00 00 00 00 00 00 00 00 00 00 00"
                                "FF FF FF FF FF FF FF FF 00 00 00 00 01 00 00 00"
                                "07 4B 69 74 63 68 65 6E 1F 00 00 00 00 00 00 00"
                                "00 00 00 00 FF FF FF FF FF FF FF FF 00 00 00 00"
                                "00 00 00 00 06 44 72 61 77 65 72";

const char LampHex[] = "06 04 4C 61 6D 70 06 08 41 42 33 43 44 30 45 46"
                       "06 00 06 00 06 00 06 00 06 00 06 00 06 00 06 00"
                       "06 00 06 00 06 00 06 00 06 00 06 00 06 00 06 00"
                       "06 00 06 00 06 00 06 00 01 06 05 62 72 61 73 73"
                       "00 01 00 01 00 01 00 06 00 06 00 08 06 00 06 00"
                       "08 06 00 06 00 08 06 00 06 00 08 06 00 06 00 08"
                       "06 00 06 00 08 06 00 09 08 08";

ItemRecord lamp()
{
    ItemRecord r;
    r.setName(QStringLiteral("Lamp"));
    r.setRecordCode(QStringLiteral("AB3CD0EF"));
    r.setKeywords(QStringList { QStringLiteral("brass") });
    r.Wanted = true;
    return r;
}

ItemRecord named(const QString &name)
{
    ItemRecord r;
    r.setName(name);
    return r;
}

// Every Windows-1252 character from 0x80 up, as the reader decodes them.
QString highCharacters()
{
    QByteArray bytes;
    for (int b = 0x80; b < 0x100; ++b)
        bytes.append(char(b));
    return decodeText(bytes);
}

ItemRecord richRecord(int n)
{
    ItemRecord r;
    r.setName(QStringLiteral("Record %1 ").arg(n) + highCharacters());
    r.setRecordCode(QStringLiteral("Q1W2E3R%1").arg(n % 9));
    for (int k = 0; k < ItemRecord::DetailCount; ++k)
        r.setDetail(k, QStringLiteral("detail %1.%2").arg(n).arg(k));
    for (int k = 1; k <= ItemRecord::DescriptionCount; ++k)
        r.setDescription(k, QStringLiteral("Drawer : Kitchen : House %1").arg(k));
    r.setKeywords(QStringList { QStringLiteral("brass"), QString(), QStringLiteral("old") });
    r.setHistory(QStringList { QString(300, u'h') });
    r.setNotes(QStringList { highCharacters() });
    r.setLinks(QStringList { QStringLiteral("<a href=\"http://example.org/\">Example</a>") });
    for (int k = 1; k <= ItemRecord::PictureCount; ++k) {
        r.setPictureFile(k, QStringLiteral("/pictures/%1-%2.jpg").arg(n).arg(k));
        r.setPictureTitle(k, QStringLiteral("Untitled %1").arg(k));
        r.setPictureAutoSize(k, k % 2);
    }
    r.setSpareText(QStringLiteral("spare"));
    r.Wanted = n % 2;
    r.ForTrade = n % 3 == 0;
    r.ForSale = true;
    return r;
}

RecordStore richStore()
{
    RecordStore s;
    for (int k = 0; k < 10; ++k)
        s.captions.detail[size_t(k)] = QStringLiteral("Detail caption %1").arg(k);
    for (int k = 1; k <= 10; ++k)
        s.captions.description[size_t(k)] = QStringLiteral("Desc caption %1 \u00E9").arg(k);
    s.categoryTexts[1] = QStringLiteral("Kitchen\r\n\tDrawer\r\n\t\tLeft\r\n\tShelf\r\nGarage\r\n");
    s.categoryTexts[2] = QStringLiteral("Caf\u00E9 \u20AC\r\n");
    s.categoryTexts[10] = QStringLiteral("Last\r\n");
    for (int n = 1; n <= 3; ++n)
        s.append(richRecord(n));
    return s;
}

// The store a failed read must leave exactly as it was.
// Bytes this process has read through read() and the like, from /proc/self/io.
qint64 bytesReadByThisProcess()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : io.readAll().split('\n'))
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toLongLong();
    return -1;
}

RecordStore keeperStore()
{
    RecordStore s;
    s.captions.detail[0] = QStringLiteral("Mine");
    s.categoryTexts[1] = QStringLiteral("Old\r\n");
    s.append(named(QStringLiteral("Keep")));
    return s;
}

void verifyKeeper(const RecordStore &s)
{
    const RecordStore k = keeperStore();
    QCOMPARE(s.count(), 1);
    QCOMPARE(s.at(0), k.at(0));
    QVERIFY(s.captions == k.captions);
    QCOMPARE(s.categoryTexts, k.categoryTexts);
}

RecordStore lampStore()
{
    RecordStore s;
    s.categoryTexts[3] = QStringLiteral("Kitchen\r\n\tDrawer\r\n");
    s.append(lamp());
    return s;
}

QByteArray replacedOnce(QByteArray bytes, const QByteArray &from, const QByteArray &to)
{
    const qsizetype at = bytes.indexOf(from);
    if (at < 0)
        qFatal("fixture bytes not found");
    return bytes.replace(at, from.size(), to);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

class TestDataFile : public QObject
{
    Q_OBJECT

private slots:
    void workedExamples()
    {
        QCOMPARE(encodeTreeStream({}), hex(EmptyTreeHex));
        const CategoryTree kitchen
            = buildCategoryTree(QStringLiteral("Kitchen\r\n\tDrawer\r\n")).tree;
        QCOMPARE(encodeNodeBlock(kitchen), hex(KitchenDrawerHex));
        QCOMPARE(encodeRecord(lamp()), hex(LampHex));

        // The same bytes through the database writer: nine empty trees, the Kitchen tree with
        // its block between "Indent" and "TabOrder", then the count 1 and the Lamp record.
        const QByteArray file = encodeDatabase(lampStore());
        QCOMPARE(file.count(hex(EmptyTreeHex)), 9);
        QVERIFY(file.contains(QByteArray(hex("06 49 6E 64 65 6E 74 02 13"
                                             "0A 49 74 65 6D 73 2E 44 61 74 61 0A 4B 00 00 00")
            + hex(KitchenDrawerHex) + hex("08 54 61 62 4F 72 64 65 72 02 00"))));
        QVERIFY(
            file.startsWith(QByteArray(hex("06 04 31 2E 34 33 06 13") + QByteArray(Signature))));
        QVERIFY(file.endsWith(QByteArray(hex("02 01") + hex(LampHex))));
    }

    void textForms_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<QByteArray>("head");
        QTest::newRow("empty") << 0 << hex("06 00");
        QTest::newRow("255 bytes") << 255 << hex("06 FF");
        QTest::newRow("256 bytes") << 256 << hex("0C 00 01 00 00");
        QTest::newRow("70000 bytes") << 70000 << hex("0C 70 11 01 00");
    }
    void textForms()
    {
        QFETCH(int, length);
        QFETCH(QByteArray, head);
        RecordStore s;
        s.append(named(QString(length, u'\u00E9')));
        QVERIFY(encodeRecord(s.at(0)).startsWith(head));
        RecordStore back;
        QVERIFY(readDatabaseBytes(encodeDatabase(s), back, false).ok());
        QCOMPARE(back.at(0).name(), s.at(0).name());
    }

    void recordCount_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QByteArray>("encoded");
        QTest::newRow("100") << 100 << hex("02 64");
        QTest::newRow("300") << 300 << hex("03 2C 01");
        QTest::newRow("70000") << 70000 << hex("04 70 11 01 00");
    }
    void recordCount()
    {
        QFETCH(int, count);
        QFETCH(QByteArray, encoded);
        RecordStore s;
        const qsizetype countAt = encodeDatabase(s).size() - 2; // empty store: count 02 00 last
        for (int n = 0; n < count; ++n)
            s.append(ItemRecord());
        const QByteArray file = encodeDatabase(s);
        QCOMPARE(file.mid(countAt, encoded.size()), encoded);
        RecordStore back;
        QVERIFY(readDatabaseBytes(file, back, false).ok());
        QCOMPARE(back.count(), count);
    }

    void roundTripOfARichStore()
    {
        RecordStore s = richStore();
        s.at(1).OnSearchList = true;
        s.at(2).WasOnSearchList = true;
        const QByteArray file = encodeDatabase(s);
        RecordStore back = keeperStore();
        QVERIFY(readDatabaseBytes(file, back, false).ok());
        QCOMPARE(back.count(), 3);
        s.at(1).OnSearchList = false; // never read as on the search list
        s.at(2).WasOnSearchList = false;
        for (int n = 0; n < 3; ++n)
            QCOMPARE(back.at(n), s.at(n));
        QVERIFY(back.captions == s.captions);
        QCOMPARE(back.categoryTexts, s.categoryTexts);
        QCOMPARE(encodeDatabase(back), file);

        // Merging appends after the records already there and takes the file's captions.
        RecordStore merged = keeperStore();
        QVERIFY(readDatabaseBytes(file, merged, true).ok());
        QCOMPARE(merged.count(), 4);
        QCOMPARE(merged.at(0).name(), QStringLiteral("Keep"));
        QCOMPARE(merged.at(3), s.at(2));
        QVERIFY(merged.captions == s.captions);
    }

    void throughAFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("things.dat"));
        const RecordStore s = richStore();
        const WriteResult written = writeDatabase(path, s);
        QVERIFY2(written.ok, qPrintable(written.message));
        QCOMPARE(readFile(path), encodeDatabase(s));
        RecordStore back;
        QVERIFY(readDatabase(path, back, false).ok());
        QCOMPARE(back.at(2), s.at(2));

        const QString missing = dir.filePath(QStringLiteral("missing.dat"));
        const ReadResult r = readDatabase(missing, back, false);
        QCOMPARE(r.outcome, ReadOutcome::CannotOpen);
        QCOMPARE(r.message, QStringLiteral("Cannot open file ") + missing);
    }

    // A file larger than the pieces the reader loads, with a text spanning several of them.
    void largeFileReadInPieces()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("large.dat"));
        RecordStore s;
        for (int n = 0; n < 1500; ++n)
            s.append(richRecord(n));
        s.at(700).setNotes(s.at(700).notes() + QStringList { QString(3 << 20, u'\u00E9') });
        QVERIFY(writeDatabase(path, s).ok);
        const QByteArray bytes = readFile(path);
        QVERIFY(bytes.size() > (4 << 20));
        RecordStore back;
        QVERIFY(readDatabase(path, back, false).ok());
        QCOMPARE(back.count(), s.count());
        for (int n = 0; n < s.count(); ++n)
            QCOMPARE(back.at(n), s.at(n));

        RecordStore kept = keeperStore();
        QVERIFY(writeFile(path, bytes.left(bytes.size() - 5)));
        QCOMPARE(readDatabase(path, kept, false).outcome, ReadOutcome::ReadError);
        QByteArray damaged = bytes;
        damaged[bytes.lastIndexOf(QByteArray("\x06\x05"
                                             "brass"))]
            = '\x0F'; // after the big text
        QVERIFY(writeFile(path, damaged));
        QCOMPARE(readDatabase(path, kept, false).outcome, ReadOutcome::ReadError);
        verifyKeeper(kept);
    }

    void versionIsNotChecked()
    {
        const QByteArray file
            = replacedOnce(encodeDatabase(lampStore()), hex("06 04 31 2E 34 33"), hex("06 01 37"));
        RecordStore back;
        QVERIFY(readDatabaseBytes(file, back, false).ok());
        QCOMPARE(back.at(0), lamp());
    }

    void emptyCategoryAndLongNodeText()
    {
        RecordStore s = lampStore();
        const QString text300 = QString(290, u'x') + highCharacters().left(10);
        s.categoryTexts[5] = text300 + QStringLiteral("\r\n");
        RecordStore back;
        QVERIFY(readDatabaseBytes(encodeDatabase(s), back, false).ok());
        QCOMPARE(back.categoryTexts[5], text300.left(255) + QStringLiteral("\r\n"));
        QCOMPARE(back.categoryTexts[3], s.categoryTexts[3]);
        QCOMPARE(back.categoryTexts[1], QString());
    }

    void flagByte_data()
    {
        QTest::addColumn<int>("byte");
        QTest::addColumn<bool>("value");
        QTest::newRow("08") << 0x08 << false;
        QTest::newRow("09") << 0x09 << true;
        QTest::newRow("00") << 0x00 << false;
        QTest::newRow("01") << 0x01 << false;
        QTest::newRow("FF") << 0xFF << false;
    }
    void flagByte()
    {
        QFETCH(int, byte);
        QFETCH(bool, value);
        QByteArray file = encodeDatabase(lampStore());
        file[file.size() - 3] = char(byte); // Wanted, the first of the three flags
        RecordStore back;
        QVERIFY(readDatabaseBytes(file, back, false).ok());
        QCOMPARE(back.at(0).Wanted, value);
        QCOMPARE(back.at(0).ForSale, false);
    }

    void searchListOnlySave()
    {
        RecordStore s;
        for (int n = 1; n <= 6; ++n)
            s.append(named(QStringLiteral("R%1").arg(n)));
        s.at(1).OnSearchList = true;
        s.at(4).OnSearchList = true;
        const QByteArray file = encodeDatabase(s, true, 2);
        QCOMPARE(file.mid(encodeDatabase(RecordStore()).size() - 2, 2), hex("02 02"));
        RecordStore back;
        QVERIFY(readDatabaseBytes(file, back, false).ok());
        QCOMPARE(back.count(), 2);
        QCOMPARE(back.at(0).name(), QStringLiteral("R2"));
        QCOMPARE(back.at(1).name(), QStringLiteral("R5"));
        QVERIFY(!back.at(0).OnSearchList);
        // A count that does not match the records on the list still gives a readable file.
        QVERIFY(readDatabaseBytes(encodeDatabase(s, true, 7), back, false).ok());
        QCOMPARE(back.count(), 2);
    }

    void recordCodeIsCutToEight()
    {
        RecordStore s;
        ItemRecord r = lamp();
        r.setRecordCode(QStringLiteral("ABCDEFGHIJ"));
        s.append(r);
        RecordStore back;
        QVERIFY(readDatabaseBytes(encodeDatabase(s), back, false).ok());
        QCOMPARE(back.at(0).recordCode(), QStringLiteral("ABCDEFGH"));
    }

    // Every tag of the table is skipped in properties the reader does not use, in the top
    // object and in child objects; the property name matches without regard to case.
    void skipsEveryTag()
    {
        const QByteArray block
            = encodeNodeBlock(buildCategoryTree(QStringLiteral("Kitchen\r\n\tDrawer\r\n")).tree);
        QByteArray stream = hex("54 50 46 30 F2 03 10 00") + hex("01 58 01 59"); // prefix, names
        stream += hex("01 61 01 02 05 03 05 00 04 01 02 03 04 00"); // list of integers
        stream += hex("01 62 05 00 01 02 03 04 05 06 07 08 09"); // extended
        stream += hex("01 63 06 02 68 69 01 64 07 03 61 62 63"); // short text, identifier
        stream += hex("01 65 08 01 66 09 01 67 0D"); // false, true, nil
        stream += hex("01 68 0A 03 00 00 00 01 02 03"); // byte block
        stream += hex("01 69 0B 02 61 62 01 63 00"); // set
        stream += hex("01 6A 0C 02 00 00 00 68 69"); // long text
        stream += hex("01 6B 0E 02 01 01 01 70 06 01 71 00 01 01 71 02 05 00 00"); // collection
        stream += hex("0A") + QByteArray("ITEMS.data") + hex("0A");
        const qint32 size = qint32(block.size());
        stream += QByteArray(reinterpret_cast<const char *>(&size), 4) + block;
        stream += hex("00"); // end of properties
        stream += hex("01 43 01 63 01 70 02 01 00 01 44 01 64 00 00 00"); // nested children
        stream += hex("00"); // end of children

        const QByteArray file
            = replacedOnce(encodeDatabase(lampStore()), hex(EmptyTreeHex), stream);
        RecordStore back;
        QCOMPARE(readDatabaseBytes(file, back, false).outcome, ReadOutcome::Read);
        QCOMPARE(back.categoryTexts[1], QStringLiteral("Kitchen\r\n\tDrawer\r\n"));
        QCOMPARE(back.at(0), lamp());
    }

    // Damaged or hostile files are refused and leave the store as it was.
    void damaged_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<ReadOutcome>("outcome");
        const QByteArray good = encodeDatabase(lampStore());
        const QByteArray lampHead = hex("06 04 4C 61 6D 70");
        const QByteArray count = hex("02 01") + lampHead;
        const qsizetype block = good.indexOf(hex(KitchenDrawerHex));
        auto at = [&](qsizetype pos, const QByteArray &bytes) {
            QByteArray f = good;
            return f.replace(pos, bytes.size(), bytes);
        };
        const auto ReadError = ReadOutcome::ReadError;

        QTest::newRow("empty input") << QByteArray() << ReadError;
        QTest::newRow("version as identifier") << at(0, hex("07")) << ReadError;
        QTest::newRow("wrong signature")
            << replacedOnce(good, "Cataloguer", "Catalogue!") << ReadOutcome::NotDatabase;
        QTest::newRow("signature in lower case")
            << replacedOnce(good, "Larkspur", "larkspur") << ReadOutcome::NotDatabase;
        QTest::newRow("integer for a caption")
            << replacedOnce(good, hex("06 06 4F 72"), hex("02 06 4F 72")) << ReadError;
        QTest::newRow("no TPF0") << replacedOnce(good, "TPF0", "TPF1") << ReadError;
        QTest::newRow("tag outside the table")
            << replacedOnce(good, hex("4C 65 66 74 03"), hex("4C 65 66 74 0F")) << ReadError;
        QTest::newRow("property list not closed") << replacedOnce(
            good, hex("56 69 73 69 62 6C 65 08 00 00"), hex("56 69 73 69 62 6C 65 08"))
                                                  << ReadError;
        QTest::newRow("Items.Data not a byte block")
            << replacedOnce(good, hex("61 74 61 0A 4B 00 00 00"), hex("61 74 61 06 4B 00 00 00"))
            << ReadError;
        QTest::newRow("byte block beyond the file")
            << replacedOnce(good, hex("61 74 61 0A 4B 00 00 00"), hex("61 74 61 0A 4B 00 00 70"))
            << ReadError;
        QTest::newRow("node size 24") << at(block + 4, hex("18 00 00 00")) << ReadError;
        QTest::newRow("node size 281") << at(block + 4, hex("19 01 00 00")) << ReadError;
        QTest::newRow("node too small for its text") << at(block + 32, hex("08")) << ReadError;
        QTest::newRow("node count beyond the block") << at(block, hex("FF FF FF 7F")) << ReadError;
        QTest::newRow("negative node count") << at(block, hex("FF FF FF FF")) << ReadError;
        QTest::newRow("child count beyond the block")
            << at(block + 28, hex("00 00 00 10")) << ReadError;
        QTest::newRow("lists nested too deep") << replacedOnce(good,
            hex("06 49 6E 64 65 6E 74 02 13"),
            hex("06 49 6E 64 65 6E 74 02 13 01 5A") + QByteArray(100000, '\x01')
                + QByteArray(100000, '\x00')) << ReadError;
        QTest::newRow("record count two billion")
            << replacedOnce(good, count, hex("04 00 94 35 77") + lampHead) << ReadError;
        QTest::newRow("record count zero")
            << replacedOnce(good, count, hex("02 00") + lampHead) << ReadError;
        QTest::newRow("record count negative")
            << replacedOnce(good, count, hex("02 FF") + lampHead) << ReadError;
        QTest::newRow("record count beyond the records")
            << replacedOnce(good, count, hex("02 02") + lampHead) << ReadError;
        QTest::newRow("text length beyond the file")
            << replacedOnce(good, lampHead, hex("0C FF FF FF 7F 4C 61 6D 70")) << ReadError;
        QTest::newRow("negative text length")
            << replacedOnce(good, lampHead, hex("0C FE FF FF FF 4C 61 6D 70")) << ReadError;
        QTest::newRow("keyword list without its end")
            << replacedOnce(good, hex("62 72 61 73 73 00"), hex("62 72 61 73 73")) << ReadError;
        QTest::newRow("ends in the last record") << good.left(good.size() - 1) << ReadError;
    }
    void damaged()
    {
        QFETCH(QByteArray, file);
        QFETCH(ReadOutcome, outcome);
        RecordStore s = keeperStore();
        QCOMPARE(readDatabaseBytes(file, s, false).outcome, outcome);
        verifyKeeper(s);
        QCOMPARE(readDatabaseBytes(file, s, true).outcome, outcome);
        verifyKeeper(s);
    }

    // What cannot be a database is refused at once: a FIFO or a device would block or never end,
    // and a large damaged file must not be read whole first.
    void refusedWithoutReadingTheRest_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<ReadOutcome>("outcome");
        QTest::newRow("FIFO") << QStringLiteral("fifo") << ReadOutcome::NotDatabase;
        QTest::newRow("device") << QStringLiteral("device") << ReadOutcome::NotDatabase;
        QTest::newRow("folder") << QStringLiteral("folder") << ReadOutcome::NotDatabase;
        QTest::newRow("2 GB of zero bytes") << QStringLiteral("zeros") << ReadOutcome::ReadError;
        QTest::newRow("good head, then 2 GB of zero bytes")
            << QStringLiteral("head") << ReadOutcome::ReadError;
    }
    void refusedWithoutReadingTheRest()
    {
        QFETCH(QString, kind);
        QFETCH(ReadOutcome, outcome);
        QTemporaryDir dir;
        QString path = dir.filePath(QStringLiteral("x.dat"));
        constexpr qint64 Large = qint64(2) << 30;
        if (kind == QStringLiteral("fifo")) {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (kind == QStringLiteral("device")) {
            path = QStringLiteral("/dev/zero");
        } else if (kind == QStringLiteral("folder")) {
            path = dir.path();
        } else {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            if (kind == QStringLiteral("head")) {
                // Everything up to and with a record count of 1; the record is all zeros.
                const QByteArray good = encodeDatabase(lampStore());
                const qsizetype count = good.indexOf(hex("02 01 06 04 4C 61 6D 70"));
                QVERIFY(count > 0);
                QVERIFY(f.write(good.left(count + 2)) == count + 2);
            }
            QVERIFY(f.resize(Large)); // sparse: takes no disk
        }

        const qint64 readBefore = bytesReadByThisProcess();
        QVERIFY(readBefore >= 0);
        rusage before {};
        getrusage(RUSAGE_SELF, &before);
        RecordStore s = keeperStore();
        QCOMPARE(readDatabase(path, s, false).outcome, outcome);
        verifyKeeper(s);
        rusage after {};
        getrusage(RUSAGE_SELF, &after);
        QVERIFY2(bytesReadByThisProcess() - readBefore < (16 << 20),
            qPrintable(QString::number(bytesReadByThisProcess() - readBefore)));
        QVERIFY2(after.ru_maxrss - before.ru_maxrss < (128 << 10), // kB
            qPrintable(QString::number(after.ru_maxrss - before.ru_maxrss)));
        QVERIFY(!readCaptionsOnly(path) || kind == QStringLiteral("head"));
        QVERIFY(!readVersion(path) || kind == QStringLiteral("head"));
    }

    void truncatedAnywhere()
    {
        const QByteArray good = encodeDatabase(richStore());
        RecordStore s = keeperStore();
        for (qsizetype n = 0; n < good.size(); ++n) {
            const ReadResult r = readDatabaseBytes(QByteArrayView(good.constData(), n), s, false);
            if (r.ok())
                QFAIL(
                    qPrintable(QStringLiteral("read with %1 of %2 bytes").arg(n).arg(good.size())));
        }
        verifyKeeper(s);
    }

    void failedSaveKeepsTheOldFile()
    {
        QTemporaryDir dir;
        const RecordStore s = lampStore();

        const QString missingFolder = dir.filePath(QStringLiteral("no/such/folder/x.dat"));
        WriteResult w = writeDatabase(missingFolder, s);
        QVERIFY(!w.ok);
        QCOMPARE(w.message,
            QStringLiteral("Cannot create file ") + missingFolder
                + QStringLiteral(": No such file or directory"));

        const QString folder = dir.filePath(QStringLiteral("folder.dat"));
        QVERIFY(QDir().mkpath(folder + QStringLiteral("/inside")));
        w = writeDatabase(folder, s);
        QVERIFY(!w.ok);
        QVERIFY2(w.message.contains(folder), qPrintable(w.message));
        QVERIFY(QFileInfo(folder + QStringLiteral("/inside")).isDir());

        // A write that fails part-way (a file-size limit holds for the superuser too): the old
        // file and a hard link to it keep the old bytes, and no temporary file is left.
        const QString sub = dir.filePath(QStringLiteral("limited"));
        QVERIFY(QDir().mkpath(sub));
        const QString path = sub + QStringLiteral("/old.dat");
        const QString link = dir.filePath(QStringLiteral("link.dat"));
        QVERIFY(writeFile(path, "old contents"));
        QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(link).constData()), 0);
        const RecordStore big = richStore();
        QVERIFY(encodeDatabase(big).size() > 4096);
        {
            FileSizeLimit limit(4096);
            QVERIFY(limit.ok());
            w = writeDatabase(path, big);
        }
        QVERIFY(!w.ok);
        QCOMPARE(w.message, QStringLiteral("Cannot write file ") + path + QStringLiteral(": File too large"));
        QCOMPARE(readFile(path), QByteArray("old contents"));
        QCOMPARE(readFile(link), QByteArray("old contents"));
        QCOMPARE(QDir(sub).entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral("old.dat") });
    }

    // The text form cannot carry a node text that starts with a blank; a tree read from a file
    // is written back node for node all the same.
    void treeWithBlankLedTextsWrittenBackWhole()
    {
        const CategoryTree attic { { QStringLiteral("Attic"),
            { { QStringLiteral(" Box"), {} }, { QStringLiteral("Shelf"), { { QStringLiteral("\tTin"), {} } } } } } };
        RecordStore s = lampStore();
        s.setCategoryTree(5, attic);
        const QByteArray first = encodeDatabase(s);
        QVERIFY(first.contains(encodeNodeBlock(attic)));

        RecordStore back;
        QVERIFY(readDatabaseBytes(first, back, false).ok());
        QCOMPARE(back.categoryTree(5), attic);
        QCOMPARE(encodeDatabase(back), first);

        // Once the text is changed, the text is what counts.
        back.categoryTexts[5] = QStringLiteral("Garage\r\n");
        QCOMPARE(back.categoryTree(5), (CategoryTree { { QStringLiteral("Garage"), {} } }));
    }

    // A folder that takes no new file while the file itself is writable: the file is written in
    // place (a hard link sees the new bytes), and a failure there puts the old bytes back.
    void closedFolderWritesInPlace()
    {
        QStandardPaths::setTestModeEnabled(true);
        QDir(backupFolder()).removeRecursively();
        QTemporaryDir dir;
        const QString sub = dir.filePath(QStringLiteral("shared"));
        QVERIFY(QDir().mkpath(sub));
        const QString path = sub + QStringLiteral("/inv.dat");
        const QString link = dir.filePath(QStringLiteral("link.dat"));
        QVERIFY(writeFile(path, "old contents"));
        QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(link).constData()), 0);
        const RecordStore s = richStore();
        {
            ClosedFolder closed(sub);
            QVERIFY(!QFile(sub + QStringLiteral("/new")).open(QIODevice::WriteOnly));

            WriteResult w = writeDatabase(path, s);
            QVERIFY2(w.ok, qPrintable(w.message));
            QCOMPARE(readFile(path), encodeDatabase(s));
            QCOMPARE(readFile(link), encodeDatabase(s));
            QVERIFY(QDir(backupFolder()).entryList(QDir::Files).isEmpty());

            QVERIFY(writeFile(path, "old contents"));
            {
                FileSizeLimit limit(4096);
                QVERIFY(limit.ok());
                w = writeDatabase(path, s);
            }
            QVERIFY(!w.ok);
            QCOMPARE(w.message, QStringLiteral("Cannot write file ") + path + QStringLiteral(": File too large"));
            QCOMPARE(readFile(path), QByteArray("old contents"));
            QVERIFY(QDir(backupFolder()).entryList(QDir::Files).isEmpty());
            QCOMPARE(QDir(sub).entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral("inv.dat") });
        }
        QDir(backupFolder()).removeRecursively();
    }

    void captionsOnly()
    {
        QTemporaryDir dir;
        RecordStore s = richStore();
        s.captions.detail[9] = QString(100000, u'q'); // runs past the first piece read
        const QString path = dir.filePath(QStringLiteral("a.dat"));
        QVERIFY(writeDatabase(path, s).ok);
        std::optional<FieldCaptions> c = readCaptionsOnly(path);
        QVERIFY(c.has_value());
        QVERIFY(*c == s.captions);

        // The signature is read but not checked.
        const QString other = dir.filePath(QStringLiteral("b.dat"));
        QVERIFY(writeFile(other, replacedOnce(readFile(path), "Larkspur", "Foxglove")));
        c = readCaptionsOnly(other);
        QVERIFY(c.has_value() && *c == s.captions);

        QVERIFY(writeFile(other, readFile(path).left(60)));
        QVERIFY(!readCaptionsOnly(other).has_value());
        QVERIFY(!readCaptionsOnly(dir.filePath(QStringLiteral("none.dat"))).has_value());
    }

    void defaultCategoryFiles()
    {
        QTemporaryDir dir;
        QCOMPARE(
            defaultCategoryFile(dir.path(), 10), dir.filePath(QStringLiteral("description10.def")));
        QVERIFY(writeFile(defaultCategoryFile(dir.path(), 1), "Kitchen\r\n\tDrawer\r\n"));
        QVERIFY(writeFile(defaultCategoryFile(dir.path(), 2), "Kitchen\n Drawer\n  Left\n"));
        QVERIFY(writeFile(defaultCategoryFile(dir.path(), 3), "Kitchen\r\n\t\tDrawer\r\n"));
        QVERIFY(writeFile(defaultCategoryFile(dir.path(), 4), "Caf\xE9\r\n"));
        RecordStore s;
        s.categoryTexts[3] = QStringLiteral("stale\r\n");
        const QStringList messages = loadDefaultCategoryTexts(dir.path(), s);
        QCOMPARE(s.categoryTexts[1], QStringLiteral("Kitchen\r\n\tDrawer\r\n"));
        QCOMPARE(s.categoryTexts[2], QStringLiteral("Kitchen\r\n\tDrawer\r\n\t\tLeft\r\n"));
        QCOMPARE(s.categoryTexts[3], QString());
        QCOMPARE(s.categoryTexts[4], QStringLiteral(u"Caf\u00E9\r\n"));
        QCOMPARE(s.categoryTexts[5], QString());
        QStringList expected { QStringLiteral("Invalid level (2) for item \"Drawer\"") };
        for (int k = 5; k <= 10; ++k)
            expected.append(QStringLiteral("Cannot open file ") + defaultCategoryFile(dir.path(), k)
                + QStringLiteral(": No such file or directory"));
        QCOMPARE(messages, expected);
    }

    void installedDefaultCategoriesLoad()
    {
        const QString folder
            = qEnvironmentVariable("LARKSPUR_SOURCE_DIR") + QStringLiteral("/data");
        if (!QFileInfo::exists(defaultCategoryFile(folder, 1)))
            QSKIP("no installation data beside the sources");
        RecordStore s;
        QCOMPARE(loadDefaultCategoryTexts(folder, s), QStringList());
        for (int k = 1; k <= 10; ++k)
            QVERIFY(!s.categoryTexts[size_t(k)].isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDataFile)
#include "tst_datafile.moc"
