// Converting values, guessing the mapping, mapping files, and the records a sheet becomes.
#include <sys/stat.h>

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "sheetimport/sheetrecords.h"
#include "sheetimport/valueconvert.h"
#include "store/recordstore.h"

using namespace Qt::StringLiterals;
using namespace SheetImport;

Q_DECLARE_METATYPE(SheetImport::DateOrder)

namespace {

const QDate Today(2026, 12, 11);

SheetTable tableOf(const QByteArray &csv)
{
    SheetRead r = readTextSheet(csv, {}, false);
    return std::move(r.table);
}

RecordStore storeWithLocations()
{
    RecordStore store;
    store.databaseOpen = true;
    store.setCategoryTree(8,
        buildCategoryTree(
            u"House\n\tKitchen\n\t\tDrawer\n\tMade / Home Made\nGarage\n\tShelf\nShed\n\tShelf\n"_s)
            .tree);
    return store;
}

} // namespace

class TestSheetConvert : public QObject
{
    Q_OBJECT
private slots:
    void dates_data();
    void dates();
    void amounts_data();
    void amounts();
    void smallFields_data();
    void smallFields();
    void pictures();
    void categories_data();
    void categories();
    void addedCategories();
    void headings_data();
    void headings();
    void mappingFile();
    void records();
    void equalValuesStandApart();
    void picturesPerRecord();
    void dateOrderFromColumn();
    void choices();
};

void TestSheetConvert::dates_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<DateOrder>("order");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("reason");
    const DateOrder a = DateOrder::Auto;
    QTest::newRow("iso") << u"2024-03-14"_s << a << u"2024/03/14"_s << QString();
    QTest::newRow("iso time") << u"2024-03-14T10:22:00"_s << a << u"2024/03/14"_s << QString();
    QTest::newRow("iso blank time") << u"2024-03-14 10:22"_s << a << u"2024/03/14"_s << QString();
    QTest::newRow("day first") << u"14/03/2024"_s << a << u"2024/03/14"_s << QString();
    QTest::newRow("month first") << u"3/14/2024"_s << a << u"2024/03/14"_s << QString();
    QTest::newRow("dots") << u"14.03.2024"_s << a << u"2024/03/14"_s << QString();
    QTest::newRow("same either way") << u"05/05/2024"_s << a << u"2024/05/05"_s << QString();
    QTest::newRow("ambiguous") << u"03/04/2024"_s << a << QString()
                               << u"could be day first or month first: choose the date order"_s;
    QTest::newRow("dmy chosen") << u"03/04/2024"_s << DateOrder::DayMonthYear << u"2024/04/03"_s
                                << QString();
    QTest::newRow("mdy chosen") << u"03/04/2024"_s << DateOrder::MonthDayYear << u"2024/03/04"_s
                                << QString();
    QTest::newRow("chosen order refuses")
        << u"3/14/2024"_s << DateOrder::DayMonthYear << QString() << u"is not a date"_s;
    QTest::newRow("ymd two digits")
        << u"24/03/14"_s << DateOrder::YearMonthDay << u"2024/03/14"_s << QString();
    QTest::newRow("two-digit year past") << u"3/14/99"_s << a << u"1999/03/14"_s << QString();
    QTest::newRow("two-digit year now") << u"14.03.26"_s << a << u"2026/03/14"_s << QString();
    QTest::newRow("month name") << u"14 Mar 2024"_s << a << u"2024/03/14"_s << QString();
    QTest::newRow("month first name") << u"March 14, 2024"_s << a << u"2024/03/14"_s << QString();
    QTest::newRow("weekday") << u"Thursday, 14 March 2024"_s << a << u"2024/03/14"_s << QString();
    QTest::newRow("spreadsheet short") << u"14-Mar-24"_s << a << u"2024/03/14"_s << QString();
    QTest::newRow("no such day") << u"31/02/2024"_s << a << QString()
                                 << u"is no day of the calendar"_s;
    QTest::newRow("words") << u"last spring"_s << a << QString() << u"is not a date"_s;
    QTest::newRow("serial number") << u"45365"_s << a << QString() << u"is not a date"_s;
}

void TestSheetConvert::dates()
{
    QFETCH(QString, value);
    QFETCH(DateOrder, order);
    QFETCH(QString, stored);
    QFETCH(QString, reason);
    const Converted c = convertDate(value, order, Today);
    QCOMPARE(c.reason, reason);
    QCOMPARE(c.text, stored);
}

void TestSheetConvert::amounts_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("reason");
    QTest::newRow("euro decimal comma") << u"1.234,56 €"_s << u"$1,234.56"_s << QString();
    QTest::newRow("dollar") << u"$1,234.56"_s << u"$1,234.56"_s << QString();
    QTest::newRow("plain") << u"12.5"_s << u"$12.50"_s << QString();
    QTest::newRow("whole") << u"1234"_s << u"$1,234.00"_s << QString();
    QTest::newRow("thousands comma") << u"1,234"_s << u"$1,234.00"_s << QString();
    QTest::newRow("decimal comma") << u"€ 12,50"_s << u"$12.50"_s << QString();
    QTest::newRow("blank thousands") << u"1\u00a0234,5"_s << u"$1,234.50"_s << QString();
    QTest::newRow("swiss") << u"CHF 1'234.50"_s << u"$1,234.50"_s << QString();
    QTest::newRow("code after") << u"99 EUR"_s << u"$99.00"_s << QString();
    QTest::newRow("millions") << u"1.234.567,89"_s << u"$1,234,567.89"_s << QString();
    QTest::newRow("rounded") << u"0,125"_s << u"$0.13"_s << QString();
    QTest::newRow("binary noise") << u"19.989999999999998"_s << u"$19.99"_s << QString();
    QTest::newRow("pound") << u"£85"_s << u"$85.00"_s << QString();
    QTest::newRow("negative") << u"-5.00"_s << QString() << u"is a negative amount"_s;
    QTest::newRow("brackets") << u"(12.00)"_s << QString() << u"is a negative amount"_s;
    QTest::newRow("words") << u"about twelve"_s << QString() << u"is not an amount"_s;
    QTest::newRow("bad groups") << u"12,34,5"_s << QString() << u"is not an amount"_s;
    QTest::newRow("two points") << u"1.2.3,4,5"_s << QString() << u"is not an amount"_s;
}

void TestSheetConvert::amounts()
{
    QFETCH(QString, value);
    QFETCH(QString, stored);
    QFETCH(QString, reason);
    const Converted c = convertAmount(value);
    QCOMPARE(c.reason, reason);
    QCOMPARE(c.text, stored);
    // What the money form stores reads back through the numeric cleanup as the amount.
    if (c.ok())
        QCOMPARE(numericCleanup(c.text), QString(c.text).remove(u'$').remove(u','));
}

void TestSheetConvert::smallFields_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("reason");
    QTest::newRow("quantity") << u"quantity"_s << u"2"_s << u"02"_s << QString();
    QTest::newRow("quantity point zero") << u"quantity"_s << u"3.0"_s << u"03"_s << QString();
    QTest::newRow("quantity too many")
        << u"quantity"_s << u"150"_s << QString() << u"is not a whole number from 0 to 99"_s;
    QTest::newRow("quantity part")
        << u"quantity"_s << u"1.5"_s << QString() << u"is not a whole number from 0 to 99"_s;
    QTest::newRow("year") << u"year"_s << u"1999"_s << u"1999"_s << QString();
    QTest::newRow("year of a date") << u"year"_s << u"14/03/2024"_s << u"2024"_s << QString();
    QTest::newRow("year short") << u"year"_s << u"99"_s << QString() << u"is not a year"_s;
    QTest::newRow("flag yes") << u"flag"_s << u"Yes"_s << u"1"_s << QString();
    QTest::newRow("flag x") << u"flag"_s << u"x"_s << u"1"_s << QString();
    QTest::newRow("flag true") << u"flag"_s << u"TRUE"_s << u"1"_s << QString();
    QTest::newRow("flag caption") << u"flag"_s << u"for sale"_s << u"1"_s << QString();
    QTest::newRow("flag 0") << u"flag"_s << u"0"_s << u"0"_s << QString();
    QTest::newRow("flag no") << u"flag"_s << u"no"_s << u"0"_s << QString();
    QTest::newRow("flag maybe") << u"flag"_s << u"maybe"_s << QString() << u"is not yes or no"_s;
    QTest::newRow("link www") << u"link"_s << u"www.example.com/lamp"_s
                              << u"http://www.example.com/lamp"_s << QString();
    QTest::newRow("links two") << u"link"_s << u"https://a.example/x mailto:me@example.com"_s
                               << u"https://a.example/x\nmailto:me@example.com"_s << QString();
    QTest::newRow("link script") << u"link"_s << u"javascript:alert(1)"_s << QString()
                                 << u"is not a web address"_s;
    QTest::newRow("link words") << u"link"_s << u"the shop"_s << QString()
                                << u"is not a web address"_s;
}

void TestSheetConvert::smallFields()
{
    QFETCH(QString, kind);
    QFETCH(QString, value);
    QFETCH(QString, stored);
    QFETCH(QString, reason);
    const Converted c = kind == "quantity"_L1 ? convertQuantity(value)
        : kind == "year"_L1                   ? convertYear(value, DateOrder::Auto, Today)
        : kind == "flag"_L1                   ? convertFlag(value, u"For Sale"_s)
                                              : convertLinks(value);
    QCOMPARE(c.reason, reason);
    QCOMPARE(c.text, stored);
}

void TestSheetConvert::pictures()
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(u"photos"_s);
    QFile(dir.filePath(u"photos/lamp.jpg"_s)).open(QIODevice::WriteOnly);
    QFile(dir.filePath(u"chair.png"_s)).open(QIODevice::WriteOnly);
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(u"pipe.jpg"_s)).constData(), 0600), 0);
    const QString lamp = dir.filePath(u"photos/lamp.jpg"_s);
    QCOMPARE(convertPicture(u"photos/lamp.jpg"_s, dir.path()).text, lamp);
    QCOMPARE(convertPicture(lamp, u"/elsewhere"_s).text, lamp);
    QCOMPARE(convertPicture(QUrl::fromLocalFile(lamp).toString(), u"/elsewhere"_s).text, lamp);
    // A path from another machine: its file name beside the spreadsheet.
    QCOMPARE(convertPicture(u"C:\\Users\\me\\Pictures\\chair.png"_s, dir.path()).text,
        dir.filePath(u"chair.png"_s));
    for (const QString &bad : { u"missing.jpg"_s, u"photos"_s, u"pipe.jpg"_s }) {
        const Converted c = convertPicture(bad, dir.path());
        QCOMPARE(c.reason, u"names no picture file beside the spreadsheet"_s);
    }
}

void TestSheetConvert::categories_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("reason");
    const QString drawer = u"Drawer : Kitchen : House"_s;
    QTest::newRow("arrow path") << u"Kitchen > Drawer"_s << drawer << QString();
    QTest::newRow("full name") << u"Drawer : Kitchen"_s << drawer << QString();
    QTest::newRow("slash path") << u"Kitchen/Drawer"_s << drawer << QString();
    QTest::newRow("whole path") << u"house/kitchen/drawer"_s << drawer << QString();
    QTest::newRow("node alone") << u"  drawer "_s << drawer << QString();
    QTest::newRow("slash in a node")
        << u"Made / Home Made"_s << u"Made / Home Made : House"_s << QString();
    QTest::newRow("not there") << u"House > Attic"_s << QString()
                               << u"is not in the Location tree"_s;
    QTest::newRow("two places")
        << u"Shelf"_s << QString()
        << u"names more than one place in the Location tree: give its path"_s;
    QTest::newRow("two places told apart") << u"Shed > Shelf"_s << u"Shelf : Shed"_s << QString();
}

void TestSheetConvert::categories()
{
    QFETCH(QString, value);
    QFETCH(QString, stored);
    QFETCH(QString, reason);
    const RecordStore store = storeWithLocations();
    CategoryResolver resolver(store.categoryTree(8), u"Location"_s, false);
    const Converted c = resolver.resolve(value);
    QCOMPARE(c.reason, reason);
    QCOMPARE(c.text, stored);
    QVERIFY(!resolver.treeChanged());
}

void TestSheetConvert::addedCategories()
{
    const RecordStore store = storeWithLocations();
    CategoryResolver resolver(store.categoryTree(8), u"Location"_s, true);
    QCOMPARE(resolver.resolve(u"House > Attic > Trunk"_s).text, u"Trunk : Attic : House"_s);
    QCOMPARE(resolver.resolve(u"Cellar"_s).text, u"Cellar"_s);
    QCOMPARE(
        resolver.resolve(u"attic/trunk"_s).text, u"Trunk : Attic : House"_s); // no second Trunk
    QVERIFY(resolver.treeChanged());
    QCOMPARE(resolver.addedNames(),
        (QStringList { u"Attic : House"_s, u"Trunk : Attic : House"_s, u"Cellar"_s }));
    QCOMPARE(categoryTreeToText(resolver.tree()),
        u"House\r\n\tKitchen\r\n\t\tDrawer\r\n\tMade / Home Made\r\n\tAttic\r\n\t\tTrunk\r\nGarage\r\n\tShelf\r\nShed\r\n\tShelf\r\nCellar\r\n"_s);
}

void TestSheetConvert::headings_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<bool>("headings");
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("synonyms") << QByteArray(
        "Item,Room,Price,Make,Serial,Date,Whatever\nLamp,Kitchen,12,Acme,S1,2024-01-02,x\n")
                              << true
                              << QStringList { u"name"_s, u"description8"_s, u"detail8"_s,
                                     u"description3"_s, u"detail5"_s, u"detail2"_s,
                                     u"leave out"_s };
    QTest::newRow("captions any case")
        << QByteArray("NAME,value,date received,serial #,LOCATION,Notes,Notes\nLamp,1,2,3,4,5,6\n")
        << true
        << QStringList { u"name"_s, u"detail1"_s, u"detail2"_s, u"detail5"_s, u"description8"_s,
               u"notes"_s, u"notes"_s };
    QTest::newRow("one field once")
        << QByteArray("Price,Paid\n1,2\n") << true << QStringList { u"detail8"_s, u"leave out"_s };
    QTest::newRow("text over numbers") << QByteArray("Thing,Worth it\nLamp,12\n") << true
                                       << QStringList { u"leave out"_s, u"leave out"_s };
    QTest::newRow("a record first")
        << QByteArray("Lamp,Kitchen,12.50\nChair,Hall,3\n") << false
        << QStringList { u"leave out"_s, u"leave out"_s, u"leave out"_s };
    QTest::newRow("numbers first") << QByteArray("Name,12\nChair,3\n") << false
                                   << QStringList { u"leave out"_s, u"leave out"_s };
}

void TestSheetConvert::headings()
{
    QFETCH(QByteArray, csv);
    QFETCH(bool, headings);
    QFETCH(QStringList, fields);
    const SheetTable table = tableOf(csv);
    const Mapping m = guessMapping(table, FieldCaptions::defaults());
    QCOMPARE(m.headings, headings);
    QStringList got;
    for (int c = 0; c < table.columnCount(); ++c)
        got.append(targetKey(m.target(c)));
    QCOMPARE(got, fields);
}

void TestSheetConvert::mappingFile()
{
    const SheetTable first = tableOf("Item,Cost,Room\nLamp,1,Kitchen\n");
    Mapping m = guessMapping(first, FieldCaptions::defaults());
    m.columns[1] = { Target::Detail, 1 };
    m.dates = DateOrder::MonthDayYear;
    m.refused = Refusal::Stop;
    m.delimiter = u";"_s;
    const QByteArray json = mappingToJson(m, first.rowTexts(0));
    // The same headings in another order map by heading.
    const SheetTable other = tableOf("Room,Item,Extra,COST\nHall,Chair,x,3\n");
    Mapping loaded;
    QString error;
    QVERIFY2(mappingFromJson(json, other, loaded, &error), qPrintable(error));
    QStringList keys;
    for (const Target &t : loaded.columns)
        keys.append(targetKey(t));
    QCOMPARE(keys, (QStringList { u"description8"_s, u"name"_s, u"leave out"_s, u"detail1"_s }));
    QCOMPARE(int(loaded.dates), int(DateOrder::MonthDayYear));
    QCOMPARE(int(loaded.refused), int(Refusal::Stop));
    QCOMPARE(loaded.delimiter, u";"_s);
    // Broken files say why and change nothing.
    Mapping untouched = loaded;
    QVERIFY(!mappingFromJson("{ not json", other, untouched, &error));
    QVERIFY(error.startsWith(u"The mapping file does not read"_s));
    QJsonObject o = QJsonDocument::fromJson(json).object();
    o.insert(u"dates"_s, u"someday"_s);
    QVERIFY(!mappingFromJson(QJsonDocument(o).toJson(), other, untouched, &error));
    QCOMPARE(error, u"The mapping file names an unknown date order \"someday\"."_s);
    QCOMPARE(untouched.columns, loaded.columns);
}

void TestSheetConvert::records()
{
    QTemporaryDir dir;
    QFile(dir.filePath(u"lamp.jpg"_s)).open(QIODevice::WriteOnly);
    RecordStore store = storeWithLocations();
    ItemRecord old;
    old.setName(u"Untitled 1"_s);
    store.append(old);
    const SheetTable table = tableOf(
        "Item,Room,Price,Date,Photo,Tags,For Sale,Code,Worth\n"
        "Lamp,Kitchen/Drawer,\"1.234,56 €\",14.03.2024,lamp.jpg,\"brass\nold\",yes,AB12,\n"
        ",Attic,cheap,someday,gone.jpg,,maybe,TOOLONGCODE,\n"
        "Fancy ✓ Chair,,,,,,,,\n");
    const Mapping m = guessMapping(table, store.captions);
    BuildOptions o;
    o.today = Today;
    o.random = [](int bound) { return bound - 1; };
    o.sheetFolder = dir.path();
    const Built b = buildRecords(table, m, store, o);
    QCOMPARE(b.recordCount, 3);
    QCOMPARE(int(b.records.size()), 3);
    const ItemRecord &lamp = *b.records[0];
    QCOMPARE(lamp.name(), u"Lamp"_s);
    QCOMPARE(lamp.description(8), u"Drawer : Kitchen : House"_s);
    QCOMPARE(lamp.detail(8), u"$1,234.56"_s);
    QCOMPARE(lamp.detail(2), u"2024/03/14"_s);
    QCOMPARE(lamp.detail(1), u"0"_s); // a new record's value where the cell is empty
    QCOMPARE(lamp.detail(3), u"2026"_s);
    QCOMPARE(lamp.pictureFile(1), dir.filePath(u"lamp.jpg"_s));
    QCOMPARE(lamp.pictureTitle(1), u"lamp"_s);
    QCOMPARE(lamp.pictureTitle(2), u"Untitled 2"_s);
    QCOMPARE(lamp.keywords(), (QStringList { u"brass"_s, u"old"_s }));
    QVERIFY(lamp.ForSale && !lamp.Wanted);
    QCOMPARE(lamp.recordCode(), u"AB12"_s);
    QVERIFY(lamp.notes().isEmpty());
    // Every value of the second row but none needs a choice; they go to Notes by default.
    const ItemRecord &second = *b.records[1];
    QCOMPARE(second.name(), u"Untitled 2"_s); // 1 is taken in the store
    QCOMPARE(second.recordCode(), u"88888888"_s);
    QCOMPARE(second.description(8), QString());
    QCOMPARE(second.detail(8), u"0"_s);
    QCOMPARE(second.notes(),
        (QStringList { u"Room: Attic"_s, u"Price: cheap"_s, u"Date: someday"_s,
            u"Photo: gone.jpg"_s, u"For Sale: maybe"_s, u"Code: TOOLONGCODE"_s }));
    // A character the file cannot hold is shown as it will be saved.
    QCOMPARE(b.records[2]->name(), u"Fancy ? Chair"_s);
    QCOMPARE(b.converted, 5); // location, price, date, picture path, the flag
    QCOMPARE(int(b.refused.size()), 6);
    QCOMPARE(refusedText(table, m, b.refused[1]), u"Row 3, Price: \"cheap\" is not an amount"_s);
    QCOMPARE(countsText(b), u"3 records, 5 values converted, 6 values need a choice"_s);
    QVERIFY(!b.stopped);

    // Appending is one step: the records at the end, the store's trees as they were.
    Built all = buildRecords(table, m, store, o);
    QCOMPARE(appendImportedRecords(store, std::move(all)), 3);
    QCOMPARE(store.count(), 4);
    QCOMPARE(store.at(1).name(), u"Lamp"_s);
}

// Records of a long sheet keep equal values together and their texts packed; each record's
// fields still change on their own, after the sheet and the build are gone.
void TestSheetConvert::equalValuesStandApart()
{
    QByteArray csv = "Item,Make,Serial,Paid\n";
    for (int i = 0; i < 6000; ++i)
        csv += "Thing " + QByteArray::number(i) + ",Acme,SN-" + QByteArray::number(i) + ","
            + QByteArray::number(i % 3) + "\n";
    std::vector<RecordPtr> records;
    size_t make = 0;
    {
        RecordStore store;
        const SheetTable table = tableOf(csv);
        Mapping m = guessMapping(table, store.captions);
        m.addCategories = true;
        make = size_t(m.target(1).index);
        BuildOptions o;
        o.today = QDate(2026, 1, 1);
        o.random = [](int) { return 1; };
        records = buildRecords(table, m, store, o).records;
    }
    QCOMPARE(records.size(), size_t(6000));
    ItemRecord &first = *records[0];
    first.setName(first.name() + u" and more"_s);
    QString maker = first.description(int(make));
    first.setDescription(int(make), maker.replace(u"Acme"_s, u"Other"_s));
    first.setDetail(8, first.detail(8) + u'!');
    QString code = first.recordCode();
    code[0] = u'Z';
    first.setRecordCode(code);
    QCOMPARE(first.name(), u"Thing 0 and more"_s);
    QCOMPARE(first.description(make), u"Other"_s);
    for (size_t i : { size_t(1), size_t(3), size_t(4000), size_t(5999) }) {
        const ItemRecord &r = *records[i];
        QCOMPARE(r.name(), u"Thing %1"_s.arg(i));
        QCOMPARE(r.description(make), u"Acme"_s);
        QCOMPARE(r.detail(5), u"SN-%1"_s.arg(i));
        QCOMPARE(r.detail(8), u"$%1.00"_s.arg(i % 3));
        QCOMPARE(r.recordCode(), u"BBBBBBBB"_s);
    }
}

void TestSheetConvert::picturesPerRecord()
{
    // Six slots: a seventh picture needs a choice, and so does a file whose name the catalogue
    // file (Windows-1252) cannot hold, which would point nowhere once saved.
    QTemporaryDir dir;
    QByteArray head;
    QByteArray row;
    for (int k = 1; k <= 7; ++k) {
        const QString name = u"p%1.jpg"_s.arg(k);
        QFile(dir.filePath(name)).open(QIODevice::WriteOnly);
        head += (k > 1 ? "," : "") + QByteArray("Photo");
        row += (k > 1 ? "," : "") + name.toUtf8();
    }
    QFile(dir.filePath(u"\u0109.jpg"_s)).open(QIODevice::WriteOnly);
    const SheetTable table = tableOf(head + ",Picture\n" + row + ",\xC4\x89.jpg\n");
    const Mapping m = guessMapping(table, FieldCaptions::defaults());
    RecordStore store;
    BuildOptions o;
    o.today = Today;
    o.sheetFolder = dir.path();
    const Built b = buildRecords(table, m, store, o);
    QCOMPARE(b.records[0]->pictureFile(6), dir.filePath(u"p6.jpg"_s));
    QCOMPARE(int(b.refused.size()), 2);
    QCOMPARE(b.refused[0].reason, u"is a seventh picture: a record holds six"_s);
    QCOMPARE(b.refused[1].reason, u"names a file whose name the catalogue file cannot hold"_s);
}

void TestSheetConvert::dateOrderFromColumn()
{
    // One value shows the column is month first: the ambiguous ones are read so too.
    const SheetTable table = tableOf("Name,Date\nA,03/04/2024\nB,12/25/2023\nC,7/1/2024\n");
    Mapping m = guessMapping(table, FieldCaptions::defaults());
    RecordStore store;
    BuildOptions o;
    o.today = Today;
    Built b = buildRecords(table, m, store, o);
    QVERIFY(b.refused.empty());
    QCOMPARE(b.records[0]->detail(2), u"2024/03/04"_s);
    QCOMPARE(b.records[2]->detail(2), u"2024/07/01"_s);
    // Without such a value they need a choice until the order is chosen.
    const SheetTable unclear = tableOf("Name,Date\nA,03/04/2024\nB,05/05/2023\n");
    m = guessMapping(unclear, FieldCaptions::defaults());
    b = buildRecords(unclear, m, store, o);
    QCOMPARE(int(b.refused.size()), 1);
    m.dates = DateOrder::DayMonthYear;
    b = buildRecords(unclear, m, store, o);
    QVERIFY(b.refused.empty());
    QCOMPARE(b.records[0]->detail(2), u"2024/04/03"_s);
}

void TestSheetConvert::choices()
{
    const SheetTable table = tableOf("Name,Paid,Value\nLamp,cheap,dear\nChair,5,6\n");
    Mapping m = guessMapping(table, FieldCaptions::defaults());
    RecordStore store;
    BuildOptions o;
    o.today = Today;
    m.refused = Refusal::LeaveEmpty;
    Built b = buildRecords(table, m, store, o);
    QVERIFY(b.records[0]->notes().isEmpty());
    QCOMPARE(b.records[0]->detail(8), u"0"_s);
    QCOMPARE(int(b.refused.size()), 2);
    // One value's own choice beats the general one.
    o.choices[{ 0, 2 }] = Refusal::IntoNotes;
    b = buildRecords(table, m, store, o);
    QCOMPARE(b.records[0]->notes(), QStringList { u"Value: dear"_s });
    o.choices[{ 0, 1 }] = Refusal::Stop;
    b = buildRecords(table, m, store, o);
    QVERIFY(b.stopped);
    QCOMPARE(b.stopMessage, u"Row 2, Paid: \"cheap\" is not an amount. Nothing was imported."_s);
    // The preview keeps only the first records but counts them all.
    o.choices.clear();
    o.keepRecords = 1;
    b = buildRecords(table, m, store, o);
    QCOMPARE(int(b.records.size()), 1);
    QCOMPARE(b.recordCount, 2);
    QCOMPARE(b.converted, 2);
}

QTEST_GUILESS_MAIN(TestSheetConvert)
#include "tst_sheetconvert.moc"
