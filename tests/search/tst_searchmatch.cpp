// The search tests (number reader, description, notes, detail, flag filter) and the search run.
#include <cmath>
#include <limits>
#include <vector>

#include <QTest>

#include "search/searchmatch.h"

namespace {

struct Flags
{
    bool wanted = false;
    bool forTrade = false;
    bool forSale = false;
};

ItemRecord makeRecord(const QString &name, const QString &type = QString(), Flags flags = {})
{
    ItemRecord r;
    r.setName(name);
    r.setDescription(2, type);
    r.setDetail(2, QStringLiteral("2001/04/17"));
    r.setDetail(3, QStringLiteral("2001"));
    r.setDetail(4, QStringLiteral("0012345"));
    r.setDetail(9, QStringLiteral("1 "));
    r.Wanted = flags.wanted;
    r.ForTrade = flags.forTrade;
    r.ForSale = flags.forSale;
    return r;
}

QList<bool> membership(const RecordStore &store)
{
    QList<bool> out;
    for (const RecordPtr &r : store.records())
        out.push_back(r->OnSearchList);
    return out;
}

QList<bool> oldMembership(const RecordStore &store)
{
    QList<bool> out;
    for (const RecordPtr &r : store.records())
        out.push_back(r->WasOnSearchList);
    return out;
}

} // namespace

class TestSearchMatch : public QObject
{
    Q_OBJECT

private slots:
    void numberReader_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("reads");
        QTest::addColumn<double>("value");
        const double inf = std::numeric_limits<double>::infinity();
        QTest::newRow("digits") << QStringLiteral("12") << true << 12.0;
        QTest::newRow("leading blank") << QStringLiteral(" 12") << true << 12.0;
        QTest::newRow("trailing blank") << QStringLiteral("12 ") << false << 0.0;
        QTest::newRow("sign point exponent") << QStringLiteral("-1.5e3") << true << -1500.0;
        QTest::newRow("plus, exponent sign") << QStringLiteral("+2E+2") << true << 200.0;
        QTest::newRow("negative exponent") << QStringLiteral("  25e-2") << true << 0.25;
        QTest::newRow("point without digits after") << QStringLiteral("1.") << false << 0.0;
        QTest::newRow("point without digits before") << QStringLiteral(".5") << false << 0.0;
        QTest::newRow("empty") << QString() << false << 0.0;
        QTest::newRow("blanks only") << QStringLiteral("   ") << false << 0.0;
        QTest::newRow("thousands comma") << QStringLiteral("1,000") << false << 0.0;
        QTest::newRow("exponent without digits") << QStringLiteral("1e") << false << 0.0;
        QTest::newRow("sign only") << QStringLiteral("-") << false << 0.0;
        QTest::newRow("two signs") << QStringLiteral("--1") << false << 0.0;
        QTest::newRow("leading tab") << QStringLiteral("\t12") << false << 0.0;
        QTest::newRow("blank after sign") << QStringLiteral("- 1") << false << 0.0;
        QTest::newRow("masked date") << QStringLiteral("0000/01/01") << false << 0.0;
        QTest::newRow("masked digit, blank") << QStringLiteral("0 ") << false << 0.0;
        QTest::newRow("leading zeros") << QStringLiteral("00000000") << true << 0.0;
        QTest::newRow("long") << QStringLiteral("1").repeated(80) << true << 1.1111111111111111e79;
        QTest::newRow("overflow") << QStringLiteral("1e999") << true << inf;
        QTest::newRow("negative overflow") << QStringLiteral("-1e999") << true << -inf;
        QTest::newRow("underflow") << QStringLiteral("1e-999") << true << 0.0;
        QTest::newRow("huge exponent") << QStringLiteral("1e99999999999999999999") << true << inf;
    }
    void numberReader()
    {
        QFETCH(QString, text);
        QFETCH(bool, reads);
        QFETCH(double, value);
        double got = -42;
        QCOMPARE(readDecimalNumber(text, &got), reads);
        QCOMPARE(readDecimalNumber(text), reads);
        if (reads) {
            if (std::isinf(value))
                QCOMPARE(got, value);
            else
                QVERIFY2(std::abs(got - value) <= std::abs(value) * 1e-15,
                    qPrintable(QString::number(got)));
        }
    }

    void descriptionTest_data()
    {
        QTest::addColumn<QString>("criterion");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("holds");
        const QString furniture = QStringLiteral("Furniture");
        QTest::newRow("same") << furniture << furniture << true;
        QTest::newRow("child's full name")
            << furniture << QStringLiteral("Chairs : Furniture") << true;
        QTest::newRow("merely contains")
            << furniture << QStringLiteral("Furniture Polish : Cleaning") << true;
        QTest::newRow("case significant") << furniture << QStringLiteral("furniture") << false;
        QTest::newRow("not contained") << furniture << QStringLiteral("Tables") << false;
        QTest::newRow("empty criterion") << QString() << QStringLiteral("Tables") << false;
        QTest::newRow("empty criterion, empty value") << QString() << QString() << false;
        QTest::newRow("lower-case any is a condition")
            << QStringLiteral("any") << QStringLiteral("Tables") << false;
        QTest::newRow("ANY") << SearchText::any() << QString() << true;
    }
    void descriptionTest()
    {
        QFETCH(QString, criterion);
        QFETCH(QString, stored);
        QFETCH(bool, holds);
        SearchCriteria c;
        c.descriptions[7] = criterion;
        ItemRecord r;
        r.setDescription(7, stored);
        QCOMPARE(::descriptionTest(r, c), holds);
    }

    void descriptionTestNeedsEveryCriterion()
    {
        SearchCriteria c;
        ItemRecord r;
        r.setDescription(1, QStringLiteral("Chairs : Furniture"));
        r.setDescription(10, QStringLiteral("Garage"));
        QVERIFY(::descriptionTest(r, c)); // all ten at "ANY"
        c.descriptions[1] = QStringLiteral("Furniture");
        c.descriptions[10] = QStringLiteral("Garage");
        QVERIFY(::descriptionTest(r, c));
        c.descriptions[10] = QStringLiteral("Attic");
        QVERIFY(!::descriptionTest(r, c));
    }

    void notesTest_data()
    {
        QTest::addColumn<QString>("criterion");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<bool>("holds");
        QTest::newRow("folded") << QStringLiteral("red")
                                << QStringList { QStringLiteral("Red car") } << true;
        QTest::newRow("upper-case criterion")
            << QStringLiteral("RED") << QStringList { QStringLiteral("bored") } << true;
        QTest::newRow("later line")
            << QStringLiteral("van")
            << QStringList { QStringLiteral("car"), QStringLiteral("Vans") } << true;
        QTest::newRow("not across a line break")
            << QStringLiteral("red")
            << QStringList { QStringLiteral("a spare"), QStringLiteral("d wheel") } << false;
        QTest::newRow("no lines") << QStringLiteral("red") << QStringList() << false;
        QTest::newRow("empty criterion")
            << QString() << QStringList { QStringLiteral("x") } << false;
        QTest::newRow("only A-Z folded")
            << QStringLiteral("\u00e9t\u00e9") << QStringList { QStringLiteral("\u00c9T\u00c9") }
            << false;
        QTest::newRow("longer than the line")
            << QStringLiteral("reddish") << QStringList { QStringLiteral("red") } << false;
    }
    void notesTest()
    {
        QFETCH(QString, criterion);
        QFETCH(QStringList, lines);
        QFETCH(bool, holds);
        QCOMPARE(::notesTest(criterion, lines), holds);
    }

    void detailTest_data()
    {
        QTest::addColumn<int>("detail"); // -1 for the name
        QTest::addColumn<QString>("low");
        QTest::addColumn<QString>("high");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("holds");
        auto row = [](const char *name, int detail, const char *low, const char *high,
                       const QString &value, bool holds) {
            QTest::newRow(name) << detail << QString::fromUtf8(low) << QString::fromUtf8(high)
                                << value << holds;
        };
        // Money details go through the numeric cleanup.
        row("money above", 1, "100", "500", QStringLiteral("$1,250.00"), false);
        row("money inside", 1, "100", "500", QStringLiteral("$250"), true);
        row("money empty is 0", 1, "100", "500", QString(), false);
        row("money bounds inclusive", 8, "100", "500", QStringLiteral("500.00"), true);
        row("money decimals", 8, "1.5", "2", QStringLiteral("$1.75"), true);
        row("money defaults take empty", 1, "00000000", "99999999", QString(), true);
        row("money emptied high is 0", 1, "100", "", QStringLiteral("$150"), false);
        row("money not cleaned elsewhere", 0, "100", "500", QStringLiteral("$250"), false);
        // Numbers compare as numbers, not texts.
        row("numeric not text", 0, "2", "10", QStringLiteral("9"), true);
        row("numeric below", 0, "2", "10", QStringLiteral("1.5"), false);
        row("numeric exponent", 0, "-1e3", "0", QStringLiteral("-999"), true);
        row("value not a number: text range", 0, "1", "5", QStringLiteral("3 apples"), true);
        // A text range over the value's prefixes, A-Z folded.
        row("range cat", 5, "B", "D", QStringLiteral("Cat"), true);
        row("range dog", 5, "B", "D", QStringLiteral("Dog"), true);
        row("range elk", 5, "B", "D", QStringLiteral("Elk"), false);
        row("range apple", 5, "B", "D", QStringLiteral("Apple"), false);
        row("range folded", 5, "b", "d", QStringLiteral("CAT"), true);
        row("range empty value", 5, "B", "D", QString(), false);
        row("range short value is a prefix", 5, "Bat", "D", QStringLiteral("Ba"), false);
        row("folds to capitals", 5, "_", "~", QStringLiteral("a"), false);
        row("file code order", 5, "~", "\u00ff", QStringLiteral("\u20ac"), true);
        // The window's initial masked texts.
        row("date empty", 2, "0000/01/01", "2050/12/12", QStringLiteral("    /  /  "), false);
        row("date inside", 2, "0000/01/01", "2050/12/12", QStringLiteral("1999/05/03"), true);
        row("date after", 2, "0000/01/01", "2050/12/12", QStringLiteral("2051/01/01"), false);
        row("year empty", 3, "0000", "2050", QStringLiteral("    "), false);
        row("year inside", 3, "0000", "2050", QStringLiteral("1999"), true);
        row("year after", 3, "0000", "2050", QStringLiteral("2051"), false);
        row("id empty", 4, "0000000", "9999999", QStringLiteral("       "), false);
        row("id set", 4, "0000000", "9999999", QStringLiteral("1234567"), true);
        row("quantity empty", 9, "0 ", "99", QStringLiteral("  "), false);
        row("quantity one digit", 9, "0 ", "99", QStringLiteral("5 "), true);
        row("quantity two digits", 9, "0 ", "99", QStringLiteral("12"), true);
        // One bound only: containment of that bound.
        row("low only contained", 0, "warr", "", QStringLiteral("Full Warranty"), true);
        row("low only 15", 0, "5", "", QStringLiteral("15"), true);
        row("low only 4", 0, "5", "", QStringLiteral("4"), false);
        row("high only", -1, "", "red", QStringLiteral("Bored"), true);
        row("name range up to Z takes zebra", -1, "A", "Z", QStringLiteral("zebra"), true);
        row("both empty", -1, "", "", QStringLiteral("anything"), false);
    }
    void detailTest()
    {
        QFETCH(int, detail);
        QFETCH(QString, low);
        QFETCH(QString, high);
        QFETCH(QString, value);
        QFETCH(bool, holds);
        QCOMPARE(::detailTest(low, high, value, isMoneyDetail(detail)), holds);
        // The run reaches the same verdict through the detail's own field.
        RecordStore store;
        ItemRecord r;
        SearchCriteria c;
        c.detailGroup = true;
        for (DetailRange &d : c.details)
            d = {};
        if (detail < 0) {
            r.setName(value);
            c.name = { low, high };
        } else {
            r.setDetail(detail, value);
            c.details[size_t(detail)] = { low, high };
        }
        store.append(r);
        const bool active = !low.isEmpty() || !high.isEmpty();
        QCOMPARE(runSearch(store, c).newCount, (holds || !active) ? 1 : 0);
    }

    void flagVerdict_data()
    {
        QTest::addColumn<bool>("wanted");
        QTest::addColumn<bool>("forTrade");
        QTest::addColumn<bool>("forSale");
        QTest::addColumn<bool>("boxOne");
        QTest::addColumn<bool>("boxTwo");
        QTest::addColumn<bool>("boxThree");
        QTest::addColumn<bool>("verdict");
        QTest::newRow("no flags, no boxes")
            << false << false << false << false << false << false << true;
        QTest::newRow("wanted, box one")
            << true << false << false << true << false << false << true;
        QTest::newRow("wanted, not box one")
            << true << false << false << false << true << true << false;
        QTest::newRow("for trade, box two")
            << false << true << false << false << true << false << true;
        QTest::newRow("for trade, not box two")
            << false << true << false << true << false << true << false;
        QTest::newRow("for sale and wanted, box one only")
            << true << false << true << true << false << false << false;
        QTest::newRow("for sale and wanted, box three only")
            << true << false << true << false << false << true << true;
        QTest::newRow("wanted and for trade, box two decides")
            << true << true << false << false << true << false << true;
        QTest::newRow("all three, box three decides")
            << true << true << true << true << true << false << false;
    }
    void flagVerdict()
    {
        QFETCH(bool, wanted);
        QFETCH(bool, forTrade);
        QFETCH(bool, forSale);
        QFETCH(bool, boxOne);
        QFETCH(bool, boxTwo);
        QFETCH(bool, boxThree);
        QFETCH(bool, verdict);
        ItemRecord r = makeRecord(QStringLiteral("x"), QString(), { wanted, forTrade, forSale });
        SearchCriteria c;
        c.wantedBox = boxOne;
        c.forTradeBox = boxTwo;
        c.forSaleBox = boxThree;
        QCOMPARE(::flagVerdict(r, c), verdict);
    }

    void initialCriteria()
    {
        const SearchCriteria c;
        QVERIFY(!c.descriptionGroup && !c.detailGroup && !c.notesGroup);
        for (int k = 1; k <= 10; ++k)
            QCOMPARE(c.descriptions[size_t(k)], QStringLiteral("ANY"));
        QVERIFY(!c.name.isActive());
        for (int d : { 0, 5, 6, 7 })
            QVERIFY(!c.details[size_t(d)].isActive());
        QCOMPARE(c.details[2].low, QStringLiteral("0000/01/01"));
        QCOMPARE(c.details[2].high, QStringLiteral("2050/12/12"));
        QCOMPARE(c.details[9].low, QStringLiteral("0 "));
        QVERIFY(c.wantedBox && c.forTradeBox && c.forSaleBox);
    }

    // Each row: which groups are ticked and how, over the same five records.
    void run_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QList<bool>>("members");
        QTest::addColumn<QString>("outcome");
        // Records: 0 chair (for sale + wanted), 1 sofa, 2 polish, 3 lamp (already a member),
        // 4 desk with empty masked details.
        QTest::newRow("no group") << QStringLiteral("none")
                                  << QList<bool> { false, false, false, true, false }
                                  << QStringLiteral("No new items found.");
        QTest::newRow("description all ANY")
            << QStringLiteral("describe-any") << QList<bool> { true, true, true, true, true }
            << QStringLiteral("4 new items found.");
        QTest::newRow("notes group without texts passes every flag")
            << QStringLiteral("notes-empty-no-boxes")
            << QList<bool> { true, true, true, true, true } << QStringLiteral("4 new items found.");
        QTest::newRow("parent criterion")
            << QStringLiteral("describe-furniture") << QList<bool> { true, true, true, true, false }
            << QStringLiteral("3 new items found.");
        QTest::newRow("flag filter: box one only") << QStringLiteral("describe-furniture-box-one")
                                                   << QList<bool> { false, true, true, true, false }
                                                   << QStringLiteral("2 new items found.");
        QTest::newRow("flag filter: box three only")
            << QStringLiteral("describe-furniture-box-three")
            << QList<bool> { true, true, true, true, false }
            << QStringLiteral("3 new items found.");
        QTest::newRow("emptied description box")
            << QStringLiteral("describe-empty") << QList<bool> { false, false, false, true, false }
            << QStringLiteral("No new items found.");
        QTest::newRow("detail defaults drop empty masked details")
            << QStringLiteral("detail-defaults") << QList<bool> { true, true, true, true, false }
            << QStringLiteral("3 new items found.");
        QTest::newRow("notes word")
            << QStringLiteral("notes-red") << QList<bool> { false, true, false, true, false }
            << QStringLiteral("1 new item found.");
        QTest::newRow("every group must pass")
            << QStringLiteral("describe-furniture+notes-red+detail-defaults")
            << QList<bool> { false, true, false, true, false }
            << QStringLiteral("1 new item found.");
        QTest::newRow("one group fails") << QStringLiteral("describe-furniture+notes-blue")
                                         << QList<bool> { false, false, false, true, false }
                                         << QStringLiteral("No new items found.");
        QTest::newRow("two notes boxes") << QStringLiteral("notes-red+history-grand")
                                         << QList<bool> { false, true, false, true, false }
                                         << QStringLiteral("1 new item found.");
        QTest::newRow("name range")
            << QStringLiteral("name-c-p") << QList<bool> { true, false, true, true, true }
            << QStringLiteral("3 new items found.");
    }
    void run()
    {
        QFETCH(QString, setup);
        QFETCH(QList<bool>, members);
        QFETCH(QString, outcome);

        RecordStore store;
        store.append(makeRecord(
            QStringLiteral("Chair"), QStringLiteral("Chairs : Furniture"), { true, false, true }));
        ItemRecord sofa = makeRecord(QStringLiteral("Sofa"), QStringLiteral("Furniture"));
        sofa.setKeywords(QStringList { QStringLiteral("Red velvet"), QStringLiteral("three seats") });
        sofa.setHistory(QStringList { QStringLiteral("From Grandmother") });
        store.append(sofa);
        ItemRecord polish
            = makeRecord(QStringLiteral("Polish"), QStringLiteral("Furniture Polish : Cleaning"));
        polish.setKeywords(QStringList { QStringLiteral("a spare"), QStringLiteral("d tin") });
        store.append(polish);
        ItemRecord lamp = makeRecord(QStringLiteral("Lamp"), QStringLiteral("furniture"));
        lamp.OnSearchList = true;
        store.append(lamp);
        ItemRecord desk = makeRecord(QStringLiteral("Desk"), QStringLiteral("Desks"));
        desk.setDetail(2, QStringLiteral("    /  /  "));
        desk.setDetail(9, QStringLiteral("  "));
        store.append(desk);

        SearchCriteria c;
        for (const QString &part : setup.split(u'+')) {
            if (part.startsWith(u"describe")) {
                c.descriptionGroup = true;
                if (part.contains(u"furniture"))
                    c.descriptions[2] = QStringLiteral("Furniture");
                if (part == u"describe-empty")
                    c.descriptions[2] = QString();
                if (part.endsWith(u"box-one"))
                    c.forSaleBox = false;
                if (part.endsWith(u"box-three"))
                    c.wantedBox = false;
            } else if (part.startsWith(u"notes")) {
                c.notesGroup = true;
                if (part == u"notes-empty-no-boxes")
                    c.wantedBox = c.forTradeBox = c.forSaleBox = false;
                if (part == u"notes-red")
                    c.notes[0] = QStringLiteral("red");
                if (part == u"notes-blue")
                    c.notes[0] = QStringLiteral("blue");
            } else if (part == u"history-grand") {
                c.notes[1] = QStringLiteral("GRAND");
            } else if (part == u"detail-defaults") {
                c.detailGroup = true;
            } else if (part == u"name-c-p") {
                c.detailGroup = true;
                for (DetailRange &d : c.details)
                    d = {};
                c.name = { QStringLiteral("c"), QStringLiteral("p") };
            }
        }

        const SearchRunResult result = runSearch(store, c);
        QCOMPARE(membership(store), members);
        QCOMPARE(result.outcome, outcome);
        QCOMPARE(store.scope, RecordScope::SearchList);
        // Only the record that was a member before counts as old.
        QCOMPARE(oldMembership(store), (QList<bool> { false, false, false, true, false }));
        // The records that joined are exactly those counted.
        int joined = 0;
        for (qsizetype i = 0; i < members.size(); ++i)
            joined += members[i] && !store.at(int(i)).WasOnSearchList;
        QCOMPARE(result.newCount, joined);
    }

    void runTwiceFindsNothingNew()
    {
        RecordStore store;
        for (int i = 0; i < 4; ++i)
            store.append(makeRecord(QStringLiteral("Item %1").arg(i)));
        SearchCriteria c;
        c.detailGroup = true;
        c.name = { QStringLiteral("item 1"), QStringLiteral("item 2") };
        QCOMPARE(runSearch(store, c).outcome, QStringLiteral("2 new items found."));
        const QList<bool> after = membership(store);
        const SearchRunResult again = runSearch(store, c);
        QCOMPARE(again.newCount, 0);
        QCOMPARE(again.outcome, QStringLiteral("No new items found."));
        QCOMPARE(membership(store), after);
        QCOMPARE(oldMembership(store), after); // now old members
    }

    void memberByCheckBoxIsNotNew()
    {
        RecordStore store;
        ItemRecord r = makeRecord(QStringLiteral("Clock"));
        r.OnSearchList = r.WasOnSearchList = true; // ticked in the record window
        store.append(r);
        SearchCriteria c;
        c.notesGroup = true; // passes every record
        const SearchRunResult result = runSearch(store, c);
        QCOMPARE(result.newCount, 0);
        QVERIFY(store.at(0).OnSearchList);
        QVERIFY(store.at(0).WasOnSearchList);
    }

    void emptyStore()
    {
        RecordStore store;
        SearchCriteria c;
        c.descriptionGroup = true;
        int calls = 0;
        const SearchRunResult result = runSearch(store, c, [&](int) { ++calls; });
        QCOMPARE(result.outcome, QStringLiteral("No new items found."));
        QCOMPARE(calls, 0);
        QCOMPARE(store.scope, RecordScope::SearchList);
    }

    void outcomeText_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("text");
        QTest::newRow("none") << 0 << QStringLiteral("No new items found.");
        QTest::newRow("one") << 1 << QStringLiteral("1 new item found.");
        QTest::newRow("two") << 2 << QStringLiteral("2 new items found.");
        QTest::newRow("many") << 12345 << QStringLiteral("12345 new items found.");
    }
    void outcomeText()
    {
        QFETCH(int, count);
        QFETCH(QString, text);
        QCOMPARE(searchOutcomeText(count), text);
    }

    void progress_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<QList<int>>("expected"); // empty: only check the shape
        QTest::newRow("three") << 3 << QList<int> { 33, 67, 100 };
        QTest::newRow("one") << 1 << QList<int> { 100 };
        QTest::newRow("eight, halves round up")
            << 8 << QList<int> { 13, 25, 38, 50, 63, 75, 88, 100 };
        QTest::newRow("many") << 1001 << QList<int>();
    }
    void progress()
    {
        QFETCH(int, records);
        QFETCH(QList<int>, expected);
        RecordStore store;
        for (int i = 0; i < records; ++i)
            store.append(ItemRecord());
        QList<int> seen;
        runSearch(store, SearchCriteria(), [&](int percent) { seen.append(percent); });
        if (!expected.isEmpty()) {
            QCOMPARE(seen, expected);
        } else {
            QCOMPARE(seen.size(), 101); // once per change (0..100), not once per record
            QCOMPARE(seen.first(), 0);
            QCOMPARE(seen.last(), 100);
            for (qsizetype i = 1; i < seen.size(); ++i)
                QVERIFY(seen[i] > seen[i - 1]);
        }
    }
};

QTEST_GUILESS_MAIN(TestSearchMatch)
#include "tst_searchmatch.moc"
