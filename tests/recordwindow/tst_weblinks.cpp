// Related records, link entries, search terms, engine addresses and the generated pages.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "recordwindow/weblinks.h"
#include "store/recordstore.h"

using namespace Qt::StringLiterals;

namespace {

ItemRecord record(const QString &name)
{
    ItemRecord r;
    r.setName(name);
    return r;
}

QList<int> related(const QList<ItemRecord> &records, int current, int field)
{
    RecordStore store;
    for (const ItemRecord &r : records)
        store.append(r);
    return relatedRecords(store, current, field);
}

} // namespace

class TestWebLinks : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void entryTexts();
    void parseAnchor_data();
    void parseAnchor();
    void relatedByDescription();
    void relatedByDetailAndStatus();
    void lowerCaseEquality_data();
    void lowerCaseEquality();
    void selectorFields();
    void searchTerm_data();
    void searchTerm();
    void encode_data();
    void encode();
    void engineAddresses();
    void redirectPage();
    void searchForm();
    void writePageBytesAndFailure();
    void openableAddresses_data();
    void openableAddresses();
};

void TestWebLinks::entryTexts()
{
    QCOMPARE(linkEntry(u"http://a.example/x?y=1&z"_s, u"A & B"_s),
        u"<A href=\"http://a.example/x?y=1&z\">A & B</A>"_s);
    QCOMPARE(linkEntry(QString(), u"t"_s), u"<A href=\"\">t</A>"_s);
    QCOMPARE(relatedRecordEntry(12, u"Lamp"_s), u"<A href=\"12\">Lamp</A>"_s);
}

void TestWebLinks::parseAnchor_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("anchor");
    QTest::addColumn<QString>("href");
    QTest::addColumn<QString>("text");
    QTest::newRow("stored form") << u"<A href=\"http://x.example/\">X site</A>"_s << true
                                 << u"http://x.example/"_s << u"X site"_s;
    QTest::newRow("lower case, blanks")
        << u" <a  HREF = \"3\" >Lamp</a> "_s << true << u"3"_s << u"Lamp"_s;
    QTest::newRow("empty href") << u"<A href=\"\">t</A>"_s << true << QString() << u"t"_s;
    QTest::newRow("references") << u"<A href=\"a?b=1&amp;c=2\">Tom &amp; Jerry &#233;&#x41;</A>"_s
                                << true << u"a?b=1&c=2"_s << u"Tom & Jerry \u00e9A"_s;
    QTest::newRow("raw ampersand and tag text")
        << u"<A href=\"1\">a & b </A> c</A>"_s << true << u"1"_s << u"a & b </A> c"_s;
    QTest::newRow("no closing tag")
        << u"<A href=\"http://x.example/\">X site"_s << false << QString() << QString();
    QTest::newRow("quote inside address")
        << u"<A href=\"http://x/\"evil\">t</A>"_s << false << QString() << QString();
    QTest::newRow("unclosed quote")
        << u"<A href=\"http://x/>t</A>"_s << false << QString() << QString();
    QTest::newRow("stray text first")
        << u"see <A href=\"1\">t</A>"_s << false << QString() << QString();
    QTest::newRow("not an anchor") << u"<Ahref=\"1\">t</A>"_s << false << QString() << QString();
    QTest::newRow("plain text") << u"just words"_s << false << QString() << QString();
    QTest::newRow("empty") << QString() << false << QString() << QString();
    const QString longAddress(10000, u'a');
    QTest::newRow("10,000 characters")
        << u"<A href=\""_s + longAddress + u"\">Long</A>"_s << true << longAddress << u"Long"_s;
    QTest::newRow("10,000 characters, unclosed")
        << u"<A href=\""_s + longAddress << false << QString() << QString();
}

void TestWebLinks::parseAnchor()
{
    QFETCH(QString, entry);
    QFETCH(bool, anchor);
    QFETCH(QString, href);
    QFETCH(QString, text);
    const auto a = ::parseAnchor(entry);
    QCOMPARE(a.has_value(), anchor);
    if (a) {
        QCOMPARE(a->href, href);
        QCOMPARE(a->text, text);
    }
}

void TestWebLinks::relatedByDescription()
{
    const int type = 1; // description 2, "Type" by default
    ItemRecord tv = record(u"tv"_s);
    tv.setDescription(2, u"TV : Electronics"_s);
    ItemRecord lower = record(u"lower"_s);
    lower.setDescription(2, u"tv : electronics"_s);
    ItemRecord toy = record(u"toy"_s);
    toy.setDescription(2, u"TV : Toys"_s);
    ItemRecord part = record(u"part"_s);
    part.setDescription(2, u"TV"_s);
    ItemRecord empty1 = record(u"e1"_s);
    ItemRecord empty2 = record(u"e2"_s);
    const QList<ItemRecord> all { tv, lower, toy, part, empty1, empty2, tv };
    // Case-insensitive and whole value; the current record itself never, its twin yes.
    QCOMPARE(related(all, 0, type), (QList<int> { 1, 6 }));
    QCOMPARE(related(all, 2, type), QList<int>());
    // An empty value relates to every other empty value.
    QCOMPARE(related(all, 4, type), QList<int> { 5 });
    // Another description does not count.
    QCOMPARE(related(all, 0, 0), (QList<int> { 1, 2, 3, 4, 5, 6 }));
    // One record, or no valid current record, gives nothing.
    QCOMPARE(related({ tv }, 0, type), QList<int>());
    QCOMPARE(related(all, -1, type), QList<int>());
    QCOMPARE(related(all, 0, -1), QList<int>());
}

void TestWebLinks::relatedByDetailAndStatus()
{
    const int quantity = 10 + 9;
    ItemRecord a = record(u"a"_s);
    a.setDetail(9, u"02"_s);
    a.Wanted = true;
    a.ForTrade = true;
    ItemRecord b = record(u"b"_s); // agrees only in For Trade
    b.setDetail(9, u"02"_s);
    b.ForTrade = true;
    b.ForSale = true;
    ItemRecord c = record(u"c"_s); // differs in all three
    c.setDetail(9, u"2"_s);
    c.ForSale = true;
    ItemRecord d = record(u"d"_s);
    d.setDetail(9, u"02"_s);
    d.Wanted = true;
    d.ForTrade = true;
    d.setDetail(5, u"SN-X"_s);
    a.setDetail(5, u"sn-x"_s);
    QCOMPARE(related({ a, b, c, d }, 0, quantity), (QList<int> { 1, 3 }));
    QCOMPARE(related({ a, b, c, d }, 0, 10 + 5), QList<int> { 3 });
    QCOMPARE(related({ a, b, c, d }, 0, RelatedStatusField), (QList<int> { 1, 3 }));
    QVERIFY(!isRelated(a, c, RelatedStatusField));
    QVERIFY(isRelated(a, b, RelatedStatusField));
}

void TestWebLinks::lowerCaseEquality_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::newRow("ascii") << u"Desk : Furniture"_s << u"dESK : fURNITURE"_s;
    QTest::newRow("latin") << u"\u00c9TAG\u00c8RE"_s << u"\u00e9tag\u00e8re"_s;
    QTest::newRow("different") << u"TV : Electronics"_s << u"TV : Toys"_s;
    QTest::newRow("prefix") << u"TV"_s << u"TV : Electronics"_s;
    QTest::newRow("sharp s") << u"Stra\u00dfe"_s << u"STRASSE"_s;
    QTest::newRow("dotted I") << u"\u0130stanbul"_s << u"i\u0307stanbul"_s;
    QTest::newRow("dotted I, short") << u"\u0130stanbul"_s << u"istanbul"_s;
    QTest::newRow("sigma") << u"\u039f\u03a3"_s << u"\u03bf\u03c3"_s;
    QTest::newRow("beyond the BMP") << u"\U00010400x"_s << u"\U00010428X"_s;
    QTest::newRow("empty") << QString() << QString();
}

void TestWebLinks::lowerCaseEquality()
{
    // The quick comparison agrees with comparing the two texts lowered whole.
    QFETCH(QString, a);
    QFETCH(QString, b);
    ItemRecord x;
    ItemRecord y;
    x.setDetail(3, a);
    y.setDetail(3, b);
    QCOMPARE(isRelated(x, y, 13), a.toLower() == b.toLower());
    QCOMPARE(isRelated(y, x, 13), a.toLower() == b.toLower());
}

void TestWebLinks::selectorFields()
{
    FieldCaptions captions = FieldCaptions::defaults();
    captions.description[3] = u"Maker"_s;
    captions.detail[0] = u"Type"_s; // the same text as description 2: the first entry wins
    const QStringList entries = relatedFieldCaptions(captions);
    QCOMPARE(entries.size(), RelatedFieldCount);
    QCOMPARE(entries.first(), u"Origin"_s);
    QCOMPARE(entries.at(2), u"Maker"_s);
    QCOMPARE(entries.at(10), u"Type"_s);
    QCOMPARE(entries.at(19), u"Quantity"_s);
    QCOMPARE(entries.last(), u"Status"_s);
    QCOMPARE(relatedFieldFor(entries, u"Type"_s), 1);
    QCOMPARE(relatedFieldFor(entries, u"Status"_s), RelatedStatusField);
    QCOMPARE(relatedFieldFor(entries, u" "_s), -1);
    QCOMPARE(relatedFieldFor(entries, QString()), -1);
    QCOMPARE(relatedFieldFor(entries, u"type"_s), -1);
    captions.description[5].clear();
    QCOMPARE(relatedFieldFor(relatedFieldCaptions(captions), QString()), -1);
}

void TestWebLinks::searchTerm_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("history");
    QTest::addColumn<QStringList>("descriptions"); // boxes 1..n as shown
    QTest::addColumn<QString>("detail0");
    QTest::addColumn<QString>("term");
    QTest::newRow("lamp") << u"Lamp"_s << u"Bought at auction"_s
                          << QStringList { QString(), u"Desk : Furniture"_s } << QString()
                          << u"\"Lamp\" Bought at auction \"Desk \""_s;
    // The short display of the same value gives the same term.
    QTest::newRow("lamp, short values")
        << u"Lamp"_s << u"Bought at auction"_s << QStringList { QString(), u"Desk "_s } << QString()
        << u"\"Lamp\" Bought at auction \"Desk \""_s;
    QTest::newRow("named Empty") << u"Empty"_s << QString() << QStringList { u"Chair"_s }
                                 << u"2 years"_s << u" \"Chair\" 2 years"_s;
    QTest::newRow("no name") << QString() << u"h"_s << QStringList() << QString() << u" h"_s;
    QTest::newRow("all ten and warranty")
        << u"N"_s << QString()
        << QStringList { u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s, u"f"_s, u"g"_s, u"h"_s, u"i"_s,
               u"j : k"_s }
        << u"W"_s << u"\"N\" \"a\" \"b\" \"c\" \"d\" \"e\" \"f\" \"g\" \"h\" \"i\" \"j \" W"_s;
    QTest::newRow("nothing") << QString() << QString() << QStringList() << QString() << QString();
}

void TestWebLinks::searchTerm()
{
    QFETCH(QString, name);
    QFETCH(QString, history);
    QFETCH(QStringList, descriptions);
    QFETCH(QString, detail0);
    QFETCH(QString, term);
    ShownRecord shown;
    shown.name = name;
    shown.historyFirstLine = history;
    for (int k = 1; k <= descriptions.size(); ++k)
        shown.descriptions[size_t(k)] = descriptions.at(k - 1);
    shown.detail0 = detail0;
    QCOMPARE(generateSearchTerm(shown), term);
}

void TestWebLinks::encode_data()
{
    QTest::addColumn<QString>("term");
    QTest::addColumn<QString>("encoded");
    QTest::newRow("delimiters") << u"a&b=c?d \"e\""_s << u"a%26b%3dc%3fd+%22e%22"_s;
    QTest::newRow("plus and blank") << u"1+1 is 2"_s << u"1%2b1+is+2"_s;
    QTest::newRow("percent") << u"50%"_s << u"50%25"_s;
    QTest::newRow("others unchanged") << u"a-b_c.d/e:f*(g)'h'"_s << u"a-b_c.d/e:f*(g)'h'"_s;
    // Mends: "#" would end the query; non-ASCII goes as UTF-8 bytes.
    QTest::newRow("hash") << u"C# book"_s << u"C%23+book"_s;
    QTest::newRow("accent") << u"caf\u00e9"_s << u"caf%c3%a9"_s;
    QTest::newRow("beyond the BMP") << u"\U0001F600"_s << u"%f0%9f%98%80"_s;
    QTest::newRow("empty") << QString() << QString();
}

void TestWebLinks::encode()
{
    QFETCH(QString, term);
    QFETCH(QString, encoded);
    QCOMPARE(EncodeSearchTerm(term), encoded);
}

void TestWebLinks::engineAddresses()
{
    const auto engines = searchEngines();
    QVERIFY(engines.size() >= 8);
    const char *const firstSix[][4] = { { "AltaVista", "AltaVista", "/cgi-bin/query", "q" },
        { "Excite", "Excite", "/search.gw", "search" }, { "Go", "Go", "/Split", "qt" },
        { "Hotbot", "Hotbot", "/", "MT" }, { "Lycos", "Lycos", "/srch/", "query" },
        { "NorthernLight", "Northern Light", "/nlquery.fcg", "qr" } };
    for (int i = 0; i < 6; ++i) {
        const SearchEngine &e = engines[size_t(i)];
        QCOMPARE(QLatin1StringView(e.name), QLatin1StringView(firstSix[i][0]));
        QCOMPARE(QLatin1StringView(e.caption), QLatin1StringView(firstSix[i][1]));
        const QString address = searchAddress(e, u"a b"_s);
        QVERIFY2(address.endsWith(QLatin1StringView(firstSix[i][2]) + u'?'
                     + QLatin1StringView(firstSix[i][3]) + u"=a+b"_s),
            qPrintable(address));
    }
    bool duck = false;
    for (const SearchEngine &e : engines) {
        const QString address = searchAddress(e, u"x"_s);
        QVERIFY2(address.startsWith(u"https://"_s), qPrintable(address));
        duck = duck || address == u"https://duckduckgo.com/?q=x"_s;
    }
    QVERIFY(duck);
}

void TestWebLinks::redirectPage()
{
    QCOMPARE(redirectPageLines(u"http://www.example.com/a?b=c"_s),
        (QStringList { u"<html><head>"_s, u"<meta HTTP-EQUIV=\"Refresh\" CONTENT=\"0;"_s,
            u"URL=http://www.example.com/a?b=c\">"_s,
            u"<title></title></head><body></body></html>"_s }));
    // Mend: a quote can no longer end the attribute and start markup of its own.
    QCOMPARE(redirectPageLines(u"http://x/\"><script>alert(1)</script>&y"_s).at(2),
        u"URL=http://x/&quot;&gt;&lt;script&gt;alert(1)&lt;/script&gt;&amp;y\">"_s);
    // Characters beyond ASCII go %-encoded so the single-byte page keeps them.
    QCOMPARE(redirectPageLines(u"https://b\u00fccher.example/\u20ac"_s).at(2),
        u"URL=https://b%C3%BCcher.example/%E2%82%AC\">"_s);
}

void TestWebLinks::searchForm()
{
    for (const QStringList &templ : { bookStoreTemplate(), magazineStoreTemplate() }) {
        QCOMPARE(templ.filter(SearchPlaceholder, Qt::CaseSensitive).size(), 1);
        const QStringList filled = fillSearchForm(templ, u"Moby Dick"_s);
        QCOMPARE(filled.size(), templ.size());
        const qsizetype at = templ.indexOf(SearchPlaceholder);
        QCOMPARE(filled.at(at), u"Value=\"Moby Dick\""_s);
        for (qsizetype i = 0; i < templ.size(); ++i) {
            if (i != at)
                QCOMPARE(filled.at(i), templ.at(i));
        }
        QCOMPARE(fillSearchForm(templ, QString()).at(at), u"Value=\"\""_s);
        // Mend: the search text is escaped, so a quote stays inside the value.
        QCOMPARE(fillSearchForm(templ, u"12\" <b>Ruler</b> & 'Co'"_s).at(at),
            u"Value=\"12&quot; &lt;b&gt;Ruler&lt;/b&gt; &amp; &#39;Co&#39;\""_s);
    }
    const QString book = bookStoreTemplate().join(u'\n');
    for (const QString &needed :
        { u"onLoad=\"document.forms[0].submit()\""_s, u"Book Search ... Please Wait"_s,
            u"method=\"get\""_s, u"/exec/obidos/external-search\""_s,
            u"name=\"keyword\" size=\"10\""_s, u"name=\"mode\" value=\"blended\""_s,
            u"name=\"tag\" value=\"marrowfield\""_s, u"name=\"tag-id\" value=\"marrowfield\""_s,
            u"name=\"placement\" value=\"ap-search-go-btn.gif\""_s,
            u"/assoc/us/ap-search-go-btn.gif?tag-id=marrowfield\""_s,
            u"width=\"21\" height=\"21\""_s, u"width=\"126\" height=\"32\""_s })
        QVERIFY2(book.contains(needed), qPrintable(needed));
    const QString magazine = magazineStoreTemplate().join(u'\n');
    for (const QString &needed : { u"onLoad=\"document.forms[0].submit()\""_s,
             u"Magazine Search ... Please Wait"_s, u"name=\"MagMall\" method=\"POST\""_s,
             u"/cgi-bin/webcart/webcart.cgi\""_s, u"name=\"RET\" value=\"25\""_s,
             u"type=\"submit\" value=\"FindMagazines\""_s, u"name=\"DOSEARCH\" value=\"YES\""_s,
             u"name=\"FIRST_TIME\" value=\"Yes\""_s, u"name=\"START\" value=\"1\""_s,
             u"name=\"DBF\" value=\"\""_s, u"name=\"LOGIC\" value=\"1\""_s,
             u"name=\"REFER\" value=\"marrowfield\""_s, u"name=\"CODE\" value=\"PHOLD\""_s,
             u"Type in a magazine <input type=\"text\" name=\"OCATS\" size=\"12\""_s })
        QVERIFY2(magazine.contains(needed), qPrintable(needed));
    // The placeholder is matched with its letter case.
    QCOMPARE(
        fillSearchForm({ u"insertsearchhere"_s }, u"x"_s), QStringList { u"insertsearchhere"_s });
}

void TestWebLinks::writePageBytesAndFailure()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"go.htm"_s);
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("an older, longer page that must be replaced whole");
    old.close();
    QString message;
    QVERIFY(writePage(
        path, redirectPageLines(u"http://a/\u00e9"_s) + QStringList { u"\u00e9"_s }, &message));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(),
        QByteArray("<html><head>\r\n<meta HTTP-EQUIV=\"Refresh\" CONTENT=\"0;\r\n"
                   "URL=http://a/%C3%A9\">\r\n<title></title></head><body></body></html>\r\n"
                   "\xe9\r\n"));
    const QString missing = dir.filePath(u"no-such-folder/go.htm"_s);
    QVERIFY(!writePage(missing, { u"x"_s }, &message));
    QCOMPARE(message, u"Cannot create file "_s + missing + u": No such file or directory"_s);
}

void TestWebLinks::openableAddresses_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("openable");
    QTest::newRow("http") << u"http://www.example.com"_s << true;
    QTest::newRow("HTTP as preset") << u"HTTP://www.example.com"_s << true;
    QTest::newRow("https") << u"https://example.com/a?b"_s << true;
    QTest::newRow("ftp") << u"ftp://ftp.example.com/pub"_s << true;
    QTest::newRow("mailto") << u"MailTo:someone@example.com"_s << true;
    QTest::newRow("javascript") << u"javascript:alert(1)"_s << false;
    QTest::newRow("javascript hidden") << u" java\tscript:alert(1)"_s << false;
    QTest::newRow("file") << u"file:///etc/passwd"_s << false;
    QTest::newRow("data") << u"data:text/html,<b>x</b>"_s << false;
    QTest::newRow("no scheme") << u"www.example.com"_s << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("https lookalike") << u"httpsx://example.com"_s << false;
}

void TestWebLinks::openableAddresses()
{
    QFETCH(QString, address);
    QFETCH(bool, openable);
    QCOMPARE(isOpenableAddress(address), openable);
}

QTEST_GUILESS_MAIN(TestWebLinks)
#include "tst_weblinks.moc"
