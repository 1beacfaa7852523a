// Tests of larkspur-tool: dump, build, check and sort, run as the real executable.
#include <QDir>
#include <sys/stat.h>

#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "tests/support/toolrun.h"
#include "tests/support/writefailures.h"
#include "store/csvfile.h"
#include "store/datafile.h"
#include "store/recordstore.h"

using namespace Qt::StringLiterals;

// Declared before the test data: moc cannot read past the raw JSON literals below.
class TestTool : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void dumpPrintsTheDatabase();
    void buildThenDumpRoundTrip();
    void buildFillsMissingKeys();
    void buildWarnsAboutUnencodableText();
    void buildRejects_data();
    void buildRejects();
    void buildReportsWriteFailure();
    void fileSizeLimitFailsTheWrite_data();
    void fileSizeLimitFailsTheWrite();
    void dumpThenBuildKeepsEveryTree();
    void importExportAppendsTheExportedRecords();
    void check_data();
    void check();
    void sortWritesTheOrder();
    void startsThroughTheLoader();
    void usage_data();
    void usage();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    QString writeFixture(const QString &name);

    std::unique_ptr<QTemporaryDir> m_dir;
};

namespace {

using Run = ToolRun;

Run runTool(const QStringList &args)
{
    return runProgram(QStringLiteral(LARKSPUR_TOOL_PATH), args, 60000);
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Two records with single-byte characters beyond ASCII in captions, texts and lists.
RecordStore fixtureStore()
{
    RecordStore s;
    s.captions.description[1] = u"Origine \u00e9"_s;
    s.captions.detail[1] = u"Valeur \u20ac"_s;
    s.categoryTexts[2] = u"Kitchen\r\n\tDrawer\r\nGarage\r\n"_s;

    ItemRecord a;
    a.setName(u"Caf\u00e9 lamp"_s);
    a.setRecordCode(u"AB3CD0EF"_s);
    a.setDetail(1, u"\u20ac12.50"_s);
    a.setDetail(9, u"01"_s);
    a.setDescription(2, u"Drawer : Kitchen"_s);
    a.setKeywords(QStringList { u"brass"_s, u"old"_s });
    a.setNotes(QStringList { u"said \"fragile\"\tback\\slash"_s });
    a.setLinks(QStringList { u"<a href=\"http://example.org\">Example</a>"_s });
    a.setPicture(1, ImageRecord { u"/pictures/lamp.jpg"_s, u"Front"_s, true });
    a.setPictureTitle(6, u"Untitled 6"_s);
    a.setSpareText(u"spare"_s);
    a.Wanted = true;
    s.append(a);

    ItemRecord b;
    b.setName(u"\u00dcnit"_s);
    b.ForTrade = true;
    b.ForSale = true;
    s.append(b);
    return s;
}

const char expectedFixtureJson[] = R"({
  "version": "1.43",
  "signature": "Larkspur Cataloguer",
  "descriptionCaptions": ["Origine é", "Type", "Manufacturer", "Purpose", "Condition",
    "Purchased", "Owner", "Location", "Payment Method", "Description 10"],
  "detailCaptions": ["Warranty", "Valeur €", "Date Received", "Copyright", "ID #", "Serial #",
    "Detail 6", "Detail 7", "Paid", "Quantity"],
  "categories": [[],
    [{"level": 0, "text": "Kitchen"}, {"level": 1, "text": "Drawer"}, {"level": 0, "text": "Garage"}],
    [], [], [], [], [], [], [], []],
  "records": [
    {
      "name": "Café lamp", "recordCode": "AB3CD0EF",
      "details": ["", "€12.50", "", "", "", "", "", "", "", "01"],
      "descriptions": ["", "Drawer : Kitchen", "", "", "", "", "", "", "", ""],
      "keywords": ["brass", "old"], "history": [],
      "notes": ["said \"fragile\"\tback\\slash"],
      "links": ["<a href=\"http://example.org\">Example</a>"],
      "pictures": [
        {"fileName": "/pictures/lamp.jpg", "title": "Front", "autoSize": true},
        {"fileName": "", "title": "", "autoSize": false},
        {"fileName": "", "title": "", "autoSize": false},
        {"fileName": "", "title": "", "autoSize": false},
        {"fileName": "", "title": "", "autoSize": false},
        {"fileName": "", "title": "Untitled 6", "autoSize": false}
      ],
      "spareText": "spare", "wanted": true, "forTrade": false, "forSale": false
    },
    {
      "name": "Ünit", "recordCode": "",
      "details": ["", "", "", "", "", "", "", "", "", ""],
      "descriptions": ["", "", "", "", "", "", "", "", "", ""],
      "keywords": [], "history": [], "notes": [], "links": [],
      "pictures": [
        {"fileName": "", "title": "", "autoSize": false},
        {"fileName": "", "title": "", "autoSize": false},
        {"fileName": "", "title": "", "autoSize": false},
        {"fileName": "", "title": "", "autoSize": false},
        {"fileName": "", "title": "", "autoSize": false},
        {"fileName": "", "title": "", "autoSize": false}
      ],
      "spareText": "", "wanted": false, "forTrade": true, "forSale": true
    }
  ]
})";

QStringList recordNames(const RecordStore &s)
{
    QStringList names;
    for (int i = 0; i < s.count(); ++i)
        names.append(s.at(i).name());
    return names;
}

} // namespace

void TestTool::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QString TestTool::writeFixture(const QString &name)
{
    const QString p = path(name);
    const DataFile::WriteResult written = DataFile::writeDatabase(p, fixtureStore());
    return written.ok ? p : QString();
}

void TestTool::dumpPrintsTheDatabase()
{
    const QString dat = writeFixture(u"fixture.dat"_s);
    QVERIFY(!dat.isEmpty());
    const Run r = runTool({ u"dump"_s, dat });
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.err, QByteArray());

    QJsonParseError error;
    const QJsonDocument got = QJsonDocument::fromJson(r.out, &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QJsonDocument expected = QJsonDocument::fromJson(expectedFixtureJson, &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(got, expected);
    // Windows-1252 texts come out as UTF-8, keys in the file's order.
    QVERIFY(r.out.contains("Caf\xc3\xa9 lamp"));
    QVERIFY(r.out.contains("\xe2\x82\xac"
                           "12.50"));
    QVERIFY(r.out.indexOf("\"version\"") < r.out.indexOf("\"signature\""));
    QVERIFY(r.out.indexOf("\"categories\"") < r.out.indexOf("\"records\""));

    // The version is the file's own, not the one the program writes.
    QByteArray bytes = fileBytes(dat);
    QVERIFY(bytes.startsWith("\x06\x04"
                             "1.43"));
    bytes.replace(2, 4, "0.99");
    QVERIFY(writeBytes(dat, bytes));
    const Run old = runTool({ u"dump"_s, dat });
    QCOMPARE(old.exitCode, 0);
    QCOMPARE(QJsonDocument::fromJson(old.out)[u"version"_s].toString(), u"0.99"_s);
}

void TestTool::buildThenDumpRoundTrip()
{
    const QString dat = writeFixture(u"fixture.dat"_s);
    QVERIFY(!dat.isEmpty());
    const Run dumped = runTool({ u"dump"_s, dat });
    QCOMPARE(dumped.exitCode, 0);
    const QString json = path(u"fixture.json"_s);
    QVERIFY(writeBytes(json, dumped.out));

    const QString rebuilt = path(u"rebuilt.dat"_s);
    const Run built = runTool({ u"build"_s, json, rebuilt });
    QCOMPARE(built.exitCode, 0);
    QCOMPARE(built.err, QByteArray());
    QCOMPARE(built.out, (rebuilt + u": 2 records written\n"_s).toUtf8());
    // Byte for byte the file the program wrote.
    QCOMPARE(fileBytes(rebuilt), fileBytes(dat));
    QCOMPARE(runTool({ u"dump"_s, rebuilt }).out, dumped.out);
}

void TestTool::buildFillsMissingKeys()
{
    const QString json = path(u"min.json"_s);
    QVERIFY(writeBytes(json,
        R"({"records": [{"name": "Lamp", "details": ["", "950"]}, {}],
            "categories": ["Top\n\tChild"]})"));
    const QString dat = path(u"min.dat"_s);
    const Run r = runTool({ u"build"_s, json, dat });
    QCOMPARE(r.exitCode, 0);

    RecordStore s;
    QVERIFY(DataFile::readDatabase(dat, s, false).ok());
    QCOMPARE(s.captions, FieldCaptions::defaults());
    QCOMPARE(s.categoryTexts[1], u"Top\r\n\tChild\r\n"_s);
    for (int k = 2; k <= 10; ++k)
        QCOMPARE(s.categoryTexts[size_t(k)], QString());
    QCOMPARE(s.count(), 2);
    ItemRecord lamp;
    lamp.setName(u"Lamp"_s);
    lamp.setDetail(1, u"950"_s);
    QCOMPARE(s.at(0), lamp);
    QCOMPARE(s.at(1), ItemRecord());
}

void TestTool::buildWarnsAboutUnencodableText()
{
    const QString json = path(u"snow.json"_s);
    QVERIFY(writeBytes(json, "{\"records\": [{\"name\": \"Lamp \xe2\x98\x83\"}]}"));
    const QString dat = path(u"snow.dat"_s);
    const Run r = runTool({ u"build"_s, json, dat });
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.err.contains("records[0].name: characters that Windows-1252 cannot hold are "
                            "written as \"?\""),
        r.err.constData());
    RecordStore s;
    QVERIFY(DataFile::readDatabase(dat, s, false).ok());
    QCOMPARE(s.at(0).name(), u"Lamp ?"_s);
}

void TestTool::buildRejects_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("message"); // after "IN.json: "

    QTest::newRow("not JSON") << QByteArray("{\n  \"records\": [\n  }")
                              << u"not valid JSON at line 3, column "_s;
    QTest::newRow("not an object")
        << QByteArray("[]") << u"expected a JSON object holding the database"_s;
    QTest::newRow("records not a list")
        << QByteArray(R"({"records": {}})") << u"records: expected a list of records"_s;
    QTest::newRow("no records") << QByteArray(R"({"records": []})")
                                << u"records: a database holds at least one record"_s;
    QTest::newRow("node level skips one")
        << QByteArray(R"({"categories": [[{"level": 0, "text": "A"}, {"level": 2, "text": "B"}]], "records": [{}]})")
        << u"categories[0][1].level: expected a whole number from 0 to 1"_s;
    QTest::newRow("first node not at the top")
        << QByteArray(R"({"categories": [[{"level": 1, "text": "A"}]], "records": [{}]})")
        << u"categories[0][0].level: expected a whole number from 0 to 0"_s;
    QTest::newRow("node without a level")
        << QByteArray(R"({"categories": [[{"text": "A"}]], "records": [{}]})")
        << u"categories[0][0].level: expected a whole number"_s;
    QTest::newRow("records missing")
        << QByteArray("{}") << u"records: a database holds at least one record"_s;
    QTest::newRow("name not a text")
        << QByteArray(R"({"records": [{"name": 5}]})") << u"records[0].name: expected a text"_s;
    QTest::newRow("eleven details")
        << QByteArray(R"({"records": [{}, {"details": ["","","","","","","","","","",""]}]})")
        << u"records[1].details: expected at most 10 texts, found 11"_s;
    QTest::newRow("seven pictures")
        << QByteArray(R"({"records": [{"pictures": [{},{},{},{},{},{},{}]}]})")
        << u"records[0].pictures: expected at most 6 pictures, found 7"_s;
    QTest::newRow("picture title not a text")
        << QByteArray(R"({"records": [{"pictures": [{}, {"title": 1}]}]})")
        << u"records[0].pictures[1].title: expected a text"_s;
    QTest::newRow("flag not a boolean") << QByteArray(R"({"records": [{"wanted": "yes"}]})")
                                        << u"records[0].wanted: expected true or false"_s;
    QTest::newRow("keyword line not a text")
        << QByteArray(R"({"records": [{"keywords": ["a", null]}]})")
        << u"records[0].keywords[1]: expected a text"_s;
    QTest::newRow("unknown record key, a misspelt name") << QByteArray(
        R"({"records": [{"Name": "Lamp"}]})") << u"records[0]: unknown key \"Name\""_s;
    QTest::newRow("unknown top-level key")
        << QByteArray(R"({"record": [{}]})") << u"record: unknown key \"record\""_s;
    QTest::newRow("record code of nine characters")
        << QByteArray(R"({"records": [{"recordCode": "ABCDEFGH9"}]})")
        << u"records[0].recordCode: more than 8 characters"_s;
    QTest::newRow("category skipping a level")
        << QByteArray(R"({"categories": ["", "Kitchen\r\n\t\tDrawer\r\n"], "records": [{}]})")
        << u"categories[1]: Invalid level (2) for item \"Drawer\""_s;
    QTest::newRow("eleven captions")
        << QByteArray(R"({"detailCaptions": ["","","","","","","","","","",""], "records": [{}]})")
        << u"detailCaptions: expected at most 10 texts, found 11"_s;
}

void TestTool::buildRejects()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, message);

    const QString in = path(u"in.json"_s);
    QVERIFY(writeBytes(in, json));
    const QString out = path(u"out.dat"_s);
    const Run r = runTool({ u"build"_s, in, out });
    QCOMPARE(r.exitCode, 1);
    const QString err = QString::fromUtf8(r.err);
    QVERIFY2(err.startsWith(in + u": "_s + message), qPrintable(err));
    QVERIFY(err.endsWith(u'\n'));
    QVERIFY(!QFile::exists(out));
}

void TestTool::buildReportsWriteFailure()
{
    const QString missingIn = path(u"absent.json"_s);
    const Run noInput = runTool({ u"build"_s, missingIn, path(u"out.dat"_s) });
    QCOMPARE(noInput.exitCode, 1);
    QCOMPARE(QString::fromUtf8(noInput.err),
        u"Cannot open file "_s + missingIn + u": No such file or directory\n"_s);

    const QString in = path(u"in.json"_s);
    QVERIFY(writeBytes(in, R"({"records": [{}]})"));
    const QString out = path(u"no such folder/out.dat"_s);
    const Run r = runTool({ u"build"_s, in, out });
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(QString::fromUtf8(r.err),
        u"Cannot create file "_s + out + u": No such file or directory\n"_s);
    QCOMPARE(r.out, QByteArray());
}

// Records whose exported texts are larger than the limits below.
RecordStore bigStore()
{
    RecordStore s = fixtureStore();
    for (int i = 0; i < 100; ++i) {
        ItemRecord r;
        r.setName(u"Record %1"_s.arg(i));
        r.setDescription(1, QString(60, u'd'));
        r.setNotes(QStringList { QString(60, u'n') });
        s.append(r);
    }
    return s;
}

void TestTool::fileSizeLimitFailsTheWrite_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("inPlace");
    QTest::newRow("build") << u"build"_s << false;
    QTest::newRow("build in a folder that takes no new file") << u"build"_s << true;
    QTest::newRow("export") << u"export"_s << false;
    QTest::newRow("export in a folder that takes no new file") << u"export"_s << true;
}

// Past a file-size limit the tool is not killed half-way: the write fails, the old bytes stay,
// and the reason is told.
void TestTool::fileSizeLimitFailsTheWrite()
{
    QFETCH(QString, command);
    QFETCH(bool, inPlace);
    const QString dat = path(u"big.dat"_s);
    QVERIFY(DataFile::writeDatabase(dat, bigStore()).ok);
    QString in = dat;
    if (command == u"build"_s) {
        const Run dumped = runTool({ u"dump"_s, dat });
        QCOMPARE(dumped.exitCode, 0);
        in = path(u"big.json"_s);
        QVERIFY(writeBytes(in, dumped.out));
    }
    const QString sub = path(u"out"_s);
    QVERIFY(QDir().mkpath(sub));
    const QString out = sub + u"/target"_s;
    const QByteArray old("old contents");
    QVERIFY(writeBytes(out, old));
    const QString kept = path(u"data"_s);

    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_DATA_HOME"_s, kept);
    p.setProcessEnvironment(env);
    {
        std::unique_ptr<ClosedFolder> closed;
        if (inPlace)
            closed = std::make_unique<ClosedFolder>(sub);
        // The limit is set in the child alone; the signal keeps its default there.
        p.start(u"prlimit"_s,
            { u"--fsize=4096"_s, u"--"_s, QStringLiteral(LARKSPUR_TOOL_PATH), command, in, out });
        QVERIFY(p.waitForFinished(60000));
    }
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 1);
    QCOMPARE(QString::fromUtf8(p.readAllStandardError()),
        u"Cannot write file "_s + out + u": File too large\n"_s);
    QCOMPARE(fileBytes(out), old);
    QCOMPARE(QDir(sub).entryList(QDir::Files | QDir::Hidden), QStringList { u"target"_s });
    QVERIFY(QDir(kept + u"/Larkspur/kept"_s).entryList(QDir::Files).isEmpty());
}

// The text form cannot carry a node text that starts with a blank or holds a line break; the
// JSON carries every tree a file can hold, so dump then build gives the same bytes.
void TestTool::dumpThenBuildKeepsEveryTree()
{
    RecordStore s = fixtureStore();
    s.setCategoryTree(1,
        { { u" Attic"_s, { { u"\tBox"_s, { { u""_s, {} } } }, { u"Shelf, top"_s, {} } } },
            { u"Line\r\nbreak"_s, {} }, { u"  "_s, {} } });
    CategoryTree deep { { u"0"_s, {} } };
    for (int level = 1; level < 40; ++level)
        deep = { { QString::number(level), std::move(deep) } };
    s.setCategoryTree(10, deep);
    const QString dat = path(u"trees.dat"_s);
    QVERIFY(DataFile::writeDatabase(dat, s).ok);

    const Run dumped = runTool({ u"dump"_s, dat });
    QCOMPARE(dumped.exitCode, 0);
    const QString json = path(u"trees.json"_s);
    QVERIFY(writeBytes(json, dumped.out));
    const QString back = path(u"back.dat"_s);
    const Run built = runTool({ u"build"_s, json, back });
    QCOMPARE(built.exitCode, 0);
    QCOMPARE(fileBytes(back), fileBytes(dat));
}

// export, then import-export into a new database and into an existing one: every exported
// field of every record comes back as it was.
void TestTool::importExportAppendsTheExportedRecords()
{
    RecordStore s = fixtureStore();
    ItemRecord r;
    r.setDescription(1, u"Chair, Oak : Furniture"_s);
    r.setDescription(2, u"5\" tall"_s);
    r.setDescription(3, u"two\r\nlines"_s);
    r.setDetail(1, u"$0,012.50"_s);
    r.setDetail(8, u"$1,200.00"_s);
    r.setDetail(9, u" "_s);
    r.ForTrade = true;
    s.append(r);
    const QString dat = path(u"in.dat"_s);
    QVERIFY(DataFile::writeDatabase(dat, s).ok);
    const QString csv = path(u"out.csv"_s);
    QCOMPARE(runTool({ u"export"_s, dat, csv }).exitCode, 0);

    const QString made = path(u"made.dat"_s);
    Run imported = runTool({ u"import-export"_s, csv, made });
    QCOMPARE(imported.exitCode, 0);
    QCOMPARE(imported.outText(), made + u": 3 records imported, 3 in all\n"_s);
    imported = runTool({ u"import-export"_s, csv, made });
    QCOMPARE(imported.exitCode, 0);
    QCOMPARE(imported.outText(), made + u": 3 records imported, 6 in all\n"_s);

    RecordStore back;
    QVERIFY(DataFile::readDatabase(made, back, false).ok());
    QCOMPARE(back.count(), 6);
    for (int i = 0; i < back.count(); ++i) {
        const ItemRecord &a = s.at(i % 3);
        const ItemRecord &b = back.at(i);
        for (int k = 1; k <= ItemRecord::DescriptionCount; ++k)
            QCOMPARE(b.description(k), a.description(k));
        for (int k = 0; k < ItemRecord::DetailCount; ++k)
            QCOMPARE(b.detail(k), a.detail(k));
        // Only one status is exported: the first of Wanted, For Trade, For Sale.
        QCOMPARE(b.Wanted, a.Wanted);
        QCOMPARE(b.ForTrade, a.ForTrade && !a.Wanted);
        QCOMPARE(b.ForSale, a.ForSale && !a.Wanted && !a.ForTrade);
    }

    // A file that is not an export appends nothing.
    const QString other = path(u"other.csv"_s);
    QVERIFY(writeBytes(other, "a,b,c\r\n"));
    const Run refused = runTool({ u"import-export"_s, other, made });
    QCOMPARE(refused.exitCode, 1);
    QCOMPARE(refused.errText(),
        other + u" is not an exported file: line 1 holds 3 fields, not 21. Nothing was imported.\n"_s);
    QVERIFY(DataFile::readDatabase(made, back, false).ok());
    QCOMPARE(back.count(), 6);
}

void TestTool::check_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("reads") << u"good"_s << 0;
    QTest::newRow("wrong signature") << u"signature"_s << 1;
    QTest::newRow("ends inside the last record") << u"truncated"_s << 1;
    QTest::newRow("empty file") << u"empty"_s << 1;
    QTest::newRow("missing file") << u"missing"_s << 1;
    QTest::newRow("FIFO") << u"fifo"_s << 1;
    QTest::newRow("device") << u"device"_s << 1;
    QTest::newRow("2 GB of zero bytes") << u"zeros"_s << 1;
}

void TestTool::check()
{
    QFETCH(QString, kind);
    QFETCH(int, exitCode);

    QString dat = writeFixture(u"file.dat"_s);
    QVERIFY(!dat.isEmpty());
    QByteArray bytes = fileBytes(dat);
    if (kind == u"signature"_s)
        bytes[8] = 'l'; // "larkspur Cataloguer": the match is case-sensitive
    else if (kind == u"truncated"_s)
        bytes.chop(1);
    else if (kind == u"empty"_s)
        bytes.clear();
    if (kind == u"missing"_s || kind == u"fifo"_s) {
        QVERIFY(QFile::remove(dat));
        if (kind == u"fifo"_s)
            QCOMPARE(::mkfifo(QFile::encodeName(dat).constData(), 0600), 0);
    } else if (kind == u"device"_s) {
        dat = u"/dev/zero"_s;
    } else if (kind == u"zeros"_s) {
        QFile f(dat);
        QVERIFY(f.resize(0) && f.resize(qint64(2) << 30)); // sparse: takes no disk
    } else {
        QVERIFY(writeBytes(dat, bytes));
    }

    const Run r = runTool({ u"check"_s, dat });
    QCOMPARE(r.exitCode, exitCode);
    if (kind == u"good"_s) {
        QCOMPARE(QString::fromUtf8(r.out), dat + u": 2 records\n"_s);
        QCOMPARE(r.err, QByteArray());
    } else if (kind == u"missing"_s) {
        QCOMPARE(QString::fromUtf8(r.err), u"Cannot open file "_s + dat + u"\n"_s);
    } else {
        QCOMPARE(QString::fromUtf8(r.err), dat + u" is not a valid Larkspur Cataloguer file.\n"_s);
        QCOMPARE(r.out, QByteArray());
    }
}

void TestTool::sortWritesTheOrder()
{
    RecordStore s;
    const QStringList names { u"pear"_s, u"apple"_s, u"Fig"_s, u"Apple"_s };
    const QStringList values { u"$1,200.00"_s, u"950"_s, QString(), u"-20"_s };
    for (qsizetype i = 0; i < names.size(); ++i) {
        ItemRecord r;
        r.setName(names[i]);
        r.setDetail(1, values[i]);
        s.append(r);
    }
    const QString in = path(u"in.dat"_s);
    QVERIFY(DataFile::writeDatabase(in, s).ok);
    const QByteArray before = fileBytes(in);

    const QString out = path(u"by value.dat"_s);
    const Run byValue = runTool({ u"sort"_s, u"12"_s, in, out });
    QCOMPARE(byValue.exitCode, 0);
    QCOMPARE(QString::fromUtf8(byValue.out), out + u": 4 records sorted by Value\n"_s);
    QCOMPARE(fileBytes(in), before);
    RecordStore sorted;
    QVERIFY(DataFile::readDatabase(out, sorted, false).ok());
    QCOMPARE(recordNames(sorted), (QStringList { u"Fig"_s, u"Apple"_s, u"apple"_s, u"pear"_s }));

    // Without OUT.dat the input is sorted in place; apple and Apple keep their order.
    const Run byName = runTool({ u"sort"_s, u"21"_s, in });
    QCOMPARE(byName.exitCode, 0);
    QCOMPARE(QString::fromUtf8(byName.out), in + u": 4 records sorted by Name\n"_s);
    RecordStore inPlace;
    QVERIFY(DataFile::readDatabase(in, inPlace, false).ok());
    QCOMPARE(recordNames(inPlace), (QStringList { u"apple"_s, u"Apple"_s, u"Fig"_s, u"pear"_s }));

    // A file that does not read is reported and nothing is written.
    const Run missing = runTool({ u"sort"_s, u"21"_s, path(u"absent.dat"_s), out });
    QCOMPARE(missing.exitCode, 1);
    QCOMPARE(
        QString::fromUtf8(missing.err), u"Cannot open file "_s + path(u"absent.dat"_s) + u"\n"_s);
}

// Started through the dynamic loader, as a debugger or a wrapper does, the tool runs as it is.
void TestTool::startsThroughTheLoader()
{
    const QString dat = writeFixture(u"file.dat"_s);
    QVERIFY(!dat.isEmpty());
    const QString loader = u"/lib64/ld-linux-x86-64.so.2"_s;
    QVERIFY(QFile::exists(loader));
    const Run r = runProgram(loader, { QStringLiteral(LARKSPUR_TOOL_PATH), u"check"_s, dat }, 60000);
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(QString::fromUtf8(r.out), dat + u": 2 records\n"_s);
}

void TestTool::usage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("no arguments") << QStringList {} << 2;
    QTest::newRow("unknown command") << QStringList { u"frobnicate"_s, u"x.dat"_s } << 2;
    QTest::newRow("dump without file") << QStringList { u"dump"_s } << 2;
    QTest::newRow("dump with two files") << QStringList { u"dump"_s, u"a"_s, u"b"_s } << 2;
    QTest::newRow("build with one file") << QStringList { u"build"_s, u"a.json"_s } << 2;
    QTest::newRow("check without file") << QStringList { u"check"_s } << 2;
    QTest::newRow("sort without file") << QStringList { u"sort"_s, u"12"_s } << 2;
    QTest::newRow("sort with too many")
        << QStringList { u"sort"_s, u"1"_s, u"a"_s, u"b"_s, u"c"_s } << 2;
    QTest::newRow("sort key 0") << QStringList { u"sort"_s, u"0"_s, u"IN"_s } << 2;
    QTest::newRow("sort key 22") << QStringList { u"sort"_s, u"22"_s, u"IN"_s } << 2;
    QTest::newRow("sort key not a number") << QStringList { u"sort"_s, u"name"_s, u"IN"_s } << 2;
    QTest::newRow("help") << QStringList { u"--help"_s } << 0;
}

void TestTool::usage()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);

    // IN names a real file: a rejected key must leave it untouched.
    const QString in = writeFixture(u"in.dat"_s);
    QVERIFY(!in.isEmpty());
    const QByteArray before = fileBytes(in);
    args.replaceInStrings(u"IN"_s, in);

    const Run r = runTool(args);
    QCOMPARE(r.exitCode, exitCode);
    const QByteArray text = exitCode == 0 ? r.out : r.err;
    QVERIFY2(text.contains("usage: larkspur-tool dump FILE.dat\n"), text.constData());
    QVERIFY(text.contains("larkspur-tool sort KEY IN.dat [OUT.dat]\n"));
    QCOMPARE(fileBytes(in), before);
}

QTEST_GUILESS_MAIN(TestTool)
#include "test_tool.moc"
