// larkspur-tool build reads its JSON record by record: the same file and the same messages as
// reading the whole document, and nothing left behind when it fails.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "store/datafile.h"
#include "store/recordstore.h"
#include "tests/support/toolrun.h"
#include "tools/databasejson.h"

using namespace Qt::StringLiterals;

namespace {

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What build prints on standard error when the whole document is read at once.
QByteArray wholeDocumentMessages(const QString &in, const QByteArray &json, bool *ok)
{
    RecordStore store;
    const DatabaseJson::ParseResult parsed = DatabaseJson::fromJson(json, store);
    QString err;
    for (qsizetype i = 0; i < parsed.warnings.size() && i < 20; ++i)
        err += in + u": "_s + parsed.warnings[i] + u'\n';
    if (parsed.warnings.size() > 20)
        err += in + u": and %1 more warnings\n"_s.arg(parsed.warnings.size() - 20);
    if (!parsed.ok)
        err += in + u": "_s + parsed.error + u'\n';
    *ok = parsed.ok;
    return err.toUtf8();
}

QByteArray manyRecords(int n, const char *record)
{
    QByteArray json = "{\"records\": [\n";
    for (int i = 0; i < n; ++i)
        json += QByteArray(record) + (i + 1 < n ? ",\n" : "\n");
    return json + "]}\n";
}

} // namespace

class TestBuildStream : public QObject
{
    Q_OBJECT
private slots:
    void sameAsTheWholeDocument_data();
    void sameAsTheWholeDocument();
    void largerThanTheBuffer();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void TestBuildStream::sameAsTheWholeDocument_data()
{
    QTest::addColumn<QByteArray>("json");

    const QByteArray head = R"({"version": "1.43", "signature": "Larkspur Cataloguer",
  "descriptionCaptions": ["Room", "Caf\u00e9"], "detailCaptions": ["Bought"],
  "categories": [[{"level": 0, "text": "House"}, {"level": 1, "text": "Kitchen"}], "Shed\n\tBench"],
)";
    QTest::newRow("records") << head + R"(  "records": [
    {"name": "Lamp", "recordCode": "L1", "details": ["1 year", "$9.50"],
     "descriptions": ["House : Kitchen"], "keywords": ["light", "brass"], "notes": ["a", ""],
     "pictures": [{"fileName": "/p/lamp.jpg", "title": "Lamp", "autoSize": true}],
     "wanted": true, "forSale": false},
    {},
    {"name": "Teapot \"blue\" \\ \u00e9 \ud83d\ude00", "spareText": "x"}
  ]
}
)";
    QTest::newRow("byte order mark and no space")
        << QByteArray("\xef\xbb\xbf{\"records\":[{\"name\":\"A\"},{\"name\":\"B\"}]}");
    QTest::newRow("many warnings")
        << manyRecords(30, R"({"name": "snow \u2603", "notes": ["\u2603"]})");

    // Syntax errors anywhere are told before any other error, at the same place.
    QTest::newRow("missing comma in the third record")
        << QByteArray("{\"records\": [{}, {\"name\": \"a\"},\n  {\"name\": \"b\" \"notes\": []}]}");
    QTest::newRow("bad escape") << QByteArray(R"({"records": [{"name": "a\qb"}]})");
    QTest::newRow("bad UTF-8") << QByteArray("{\"records\": [{\"name\": \"a\xff\"}]}");
    QTest::newRow("illegal number") << QByteArray(R"({"records": [{"name": 01}]})");
    QTest::newRow("bad literal in the head") << QByteArray(R"({"version": tru, "records": [{}]})");
    QTest::newRow("garbage after the document") << QByteArray(R"({"records": [{}]} x)");
    QTest::newRow("trailing comma") << QByteArray(R"({"records": [{}, ]})");
    QTest::newRow("unterminated") << QByteArray(R"({"records": [{}, {"name": "a)");
    QTest::newRow("a record not an object") << QByteArray(R"({"records": [{}, 5]})");
    QTest::newRow("head error, later syntax error")
        << QByteArray(R"({"colour": 1, "records": [{}, {"name": }]})");
    QTest::newRow("record error, later syntax error")
        << QByteArray(R"({"records": [{"name": 5}, {}, {"name" "a"}]})");

    // Otherwise the first error, after the warnings before it.
    QTest::newRow("unknown head key") << QByteArray(R"({"colour": 1, "records": [{}]})");
    QTest::newRow("two record errors")
        << QByteArray(R"({"records": [{"name": "\u2603"}, {"wanted": 1}, {"name": 5}]})");
    QTest::newRow("keys in any order within a record")
        << QByteArray(R"({"records": [{"wanted": 1, "name": 5}]})");
    QTest::newRow("duplicate key, the last one holds")
        << QByteArray(R"({"records": [{"name": 5, "name": "a"}]})");
    // Other shapes are read whole.
    QTest::newRow("records before the captions")
        << QByteArray(R"({"records": [{"name": "a"}], "detailCaptions": ["X"]})");
    QTest::newRow("records twice") << QByteArray(R"({"records": [{}], "records": [{}, {}]})");
}

void TestBuildStream::sameAsTheWholeDocument()
{
    QFETCH(QByteArray, json);
    const QString in = path(u"in.json"_s);
    QVERIFY(writeBytes(in, json));
    const QString out = path(u"out.dat"_s);
    QFile::remove(out);

    bool ok = false;
    const QByteArray expectedErr = wholeDocumentMessages(in, json, &ok);
    const ToolRun r = runProgram(QStringLiteral(LARKSPUR_TOOL_PATH), { u"build"_s, in, out });
    QCOMPARE(r.errText(), QString::fromUtf8(expectedErr));
    QCOMPARE(r.exitCode, ok ? 0 : 1);
    if (!ok) {
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
            QStringList { u"in.json"_s });
        return;
    }
    RecordStore store;
    DatabaseJson::fromJson(json, store);
    QCOMPARE(r.outText(), out + u": %1 records written\n"_s.arg(store.count()));
    // Byte for byte what the whole-store writer writes.
    QCOMPARE(fileBytes(out), DataFile::encodeDatabase(store));
}

// Records that straddle the reader's pieces, and one larger than a piece.
void TestBuildStream::largerThanTheBuffer()
{
    QByteArray json = "{\"records\": [";
    const QByteArray longText(9 << 20, 'n');
    for (int i = 0; i < 60000; ++i)
        json += "{\"name\": \"Thing " + QByteArray::number(i) + "\", \"notes\": [\"a\", \"b\"]},";
    json += "{\"name\": \"long\", \"notes\": [\"" + longText + "\"]}, {\"name\": \"last\"}]}";
    const QString in = path(u"big.json"_s);
    QVERIFY(writeBytes(in, json));
    const QString out = path(u"big.dat"_s);
    const ToolRun r = runProgram(QStringLiteral(LARKSPUR_TOOL_PATH), { u"build"_s, in, out });
    QCOMPARE(r.errText(), QString());
    QCOMPARE(r.exitCode, 0);
    RecordStore store;
    QVERIFY(DatabaseJson::fromJson(json, store).ok);
    QCOMPARE(fileBytes(out), DataFile::encodeDatabase(store));

    // A syntax error far into the file is told at its line and column.
    json.insert(json.lastIndexOf("\"last\""), "\n\n  x");
    QVERIFY(writeBytes(in, json));
    QFile::remove(out);
    bool ok = true;
    const QByteArray expectedErr = wholeDocumentMessages(in, json, &ok);
    QVERIFY(!ok);
    QVERIFY2(expectedErr.contains("line 3, column 3"), expectedErr.constData());
    const ToolRun bad = runProgram(QStringLiteral(LARKSPUR_TOOL_PATH), { u"build"_s, in, out });
    QCOMPARE(bad.errText(), QString::fromUtf8(expectedErr));
    QVERIFY(!QFile::exists(out));
}

QTEST_GUILESS_MAIN(TestBuildStream)
#include "test_buildstream.moc"
