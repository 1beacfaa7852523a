// Records keep the bytes they were read from: what is written back, what a change replaces, and
// what copies share.
#include <QTest>

#include "store/datafile.h"

using namespace Qt::StringLiterals;

namespace {

ItemRecord rich(int n)
{
    ItemRecord r;
    r.setName(u"Brass lamp %1"_s.arg(n));
    r.setRecordCode(u"AB%1"_s.arg(n, 6, 10, QLatin1Char('0')));
    for (int i = 0; i < ItemRecord::DetailCount; ++i)
        r.setDetail(i, i % 3 ? u"detail %1 \u00E9\u20AC"_s.arg(i) : QString());
    for (int k = 1; k <= ItemRecord::DescriptionCount; ++k)
        r.setDescription(k, u"Leaf %1 : Top"_s.arg(k));
    r.setKeywords({ u"brass"_s, u"lamp"_s });
    r.setNotes({ QString(300, u'x'), QString(), u"last"_s });
    r.setLinks({ u"<A href=\"http://shop.example/\">Shop</A>"_s });
    r.setPicture(2, { u"/p/lamp.jpg"_s, u"Front"_s, true });
    r.setSpareText(u"spare"_s);
    r.ForSale = true;
    return r;
}

QByteArray fileOf(const std::vector<ItemRecord> &records)
{
    RecordStore s;
    for (const ItemRecord &r : records)
        s.append(r);
    return DataFile::encodeDatabase(s);
}

RecordStore read(const QByteArray &file)
{
    RecordStore s;
    if (!DataFile::readDatabaseBytes(file, s, false).ok())
        qFatal("the file does not read");
    return s;
}

} // namespace

class TestItemRecord : public QObject
{
    Q_OBJECT

private slots:
    // A record read and written again unchanged gives the same bytes; one changed value changes
    // only what that value encodes to.
    void writtenBackAsRead_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("unchanged") << -1 << QString();
        QTest::newRow("name") << int(ItemRecord::NameValue) << u"Desk lamp"_s;
        QTest::newRow("detail 9") << ItemRecord::detailValue(9) << u"01"_s;
        QTest::newRow("description 10") << ItemRecord::descriptionValue(10) << u"Shelf"_s;
        QTest::newRow("picture title 6") << ItemRecord::pictureTitleValue(6) << u"Back"_s;
        QTest::newRow("spare text") << int(ItemRecord::SpareValue) << QString(400, u'y');
        QTest::newRow("notes") << int(ItemRecord::NoteLines) << u"one\ntwo"_s;
    }
    void writtenBackAsRead()
    {
        QFETCH(int, value);
        QFETCH(QString, text);
        std::vector<ItemRecord> made { rich(1), rich(2), ItemRecord() };
        const QByteArray file = fileOf(made);
        RecordStore back = read(file);
        if (value >= 0) {
            for (ItemRecord *r : { &back.at(1), &made[1] }) {
                if (ItemRecord::isLines(value))
                    r->setLines(value, text.split(u'\n'));
                else
                    r->setText(value, text);
            }
        }
        QCOMPARE(DataFile::encodeDatabase(back), fileOf(made));
        for (int i = 0; i < 3; ++i)
            QVERIFY(back.at(i) == made[size_t(i)]);
    }

    // Another writer may store a short text in the long form: it reads, and is written in the
    // short form as any text this program writes.
    void shortTextInTheLongFormIsWrittenShort()
    {
        ItemRecord lamp;
        lamp.setName(u"Lamp"_s);
        lamp.setKeywords({ u"brass"_s });
        const QByteArray file = fileOf({ lamp });
        QByteArray longForm = file;
        longForm.replace(
            QByteArray::fromHex("06044C616D70"), QByteArray::fromHex("0C040000004C616D70"));
        longForm.replace(
            QByteArray::fromHex("010605627261737300"), QByteArray::fromHex("010C05000000627261737300"));
        QVERIFY(longForm.size() == file.size() + 6);
        const RecordStore back = read(longForm);
        QCOMPARE(back.at(0).name(), u"Lamp"_s);
        QCOMPARE(back.at(0).keywords(), QStringList { u"brass"_s });
        QCOMPARE(DataFile::encodeDatabase(back), file);
    }

    // A copy shares the record's bytes; changing either leaves the other as it was.
    void copiesChangeApart()
    {
        const RecordStore back = read(fileOf({ rich(7) }));
        const ItemRecord original = back.at(0);
        ItemRecord copy = original;
        QVERIFY(copy == original);
        QCOMPARE(copy.revision(), original.revision());
        copy.setName(u"Other"_s);
        copy.setNotes({});
        QCOMPARE(original.name(), u"Brass lamp 7"_s);
        QCOMPARE(original.notes().size(), 3);
        QVERIFY(!(copy == original));
        QVERIFY(copy.revision() != original.revision());
        ItemRecord second = copy;
        second.setName(u"Third"_s);
        QCOMPARE(copy.name(), u"Other"_s);
        // Setting the text it already holds leaves the record equal.
        copy.setName(original.name());
        copy.setNotes(original.notes());
        QVERIFY(copy == original);
    }

    void emptyValuesNeedNoDecoding()
    {
        const RecordStore back = read(fileOf({ rich(1) }));
        const ItemRecord &r = back.at(0);
        QVERIFY(r.isEmpty(ItemRecord::detailValue(0)));
        QVERIFY(!r.isEmpty(ItemRecord::detailValue(1)));
        QVERIFY(r.isEmpty(ItemRecord::HistoryLines));
        QVERIFY(!r.isEmpty(ItemRecord::NoteLines));
        QVERIFY(r.isEmpty(ItemRecord::pictureFileValue(1)));
        QCOMPARE(r.picture(2), (ImageRecord { u"/p/lamp.jpg"_s, u"Front"_s, true }));
        QCOMPARE(r.detail(1), u"detail 1 \u00E9\u20AC"_s);
        const ItemRecord made;
        QVERIFY(made.isEmpty(ItemRecord::NameValue) && made.isEmpty(ItemRecord::LinkLines));
    }
};

QTEST_GUILESS_MAIN(TestItemRecord)
#include "tst_itemrecord.moc"
