// larkspur-tool related and websearch, run as the real executable.
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "store/datafile.h"
#include "store/recordstore.h"

using namespace Qt::StringLiterals;

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run runTool(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(LARKSPUR_TOOL_PATH), args);
    Run r;
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace

class TestWebLinksTool : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void commands_data();
    void commands();

private:
    QTemporaryDir m_dir;
    QString m_file;
};

void TestWebLinksTool::initTestCase()
{
    RecordStore store;
    const auto add = [&](const QString &name, const QString &type, const QString &quantity) {
        ItemRecord r;
        r.setName(name);
        r.setDescription(2, type);
        r.setDetail(9, quantity);
        store.append(r);
    };
    add(u"Lamp"_s, u"Desk : Furniture"_s, u"01"_s);
    add(u"Table"_s, u"desk : furniture"_s, u"02"_s);
    add(u"Radio"_s, u"Radio : Electronics"_s, u"01"_s);
    store.at(0).setHistory(QStringList { u"Bought at auction"_s });
    m_file = m_dir.filePath(u"t.dat"_s);
    QVERIFY(DataFile::writeDatabase(m_file, store).ok);
}

void TestWebLinksTool::commands_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("errStart");
    QTest::newRow("related by number")
        << QStringList { u"related"_s, u"1"_s, u"2"_s } << 0 << u"2\tTable\n"_s << QString();
    QTest::newRow("related by caption")
        << QStringList { u"related"_s, u"1"_s, u"Quantity"_s } << 0 << u"3\tRadio\n"_s << QString();
    QTest::newRow("related, none")
        << QStringList { u"related"_s, u"3"_s, u"Type"_s } << 0 << QString() << QString();
    QTest::newRow("related, record out of range")
        << QStringList { u"related"_s, u"4"_s, u"2"_s } << 2 << QString()
        << u"larkspur-tool related: record must be a number from 1 to 3"_s;
    QTest::newRow("related, unknown field") << QStringList { u"related"_s, u"1"_s,
        u"22"_s } << 2 << QString() << u"larkspur-tool related: unknown field"_s;
    QTest::newRow("websearch")
        << QStringList { u"websearch"_s, u"1"_s } << 0
        << u"\"Lamp\" Bought at auction \"Desk \"\n"
           "https://www.altavista.com/cgi-bin/query?q=%22Lamp%22+Bought+at+auction+%22Desk+%22\n"_s
        << QString();
    QTest::newRow("websearch, engine by caption")
        << QStringList { u"websearch"_s, u"2"_s, u"northern light"_s } << 0
        << u"\"Table\" \"desk \"\nhttps://www.northernlight.com/nlquery.fcg?qr=%22Table%22+%22desk+%22\n"_s
        << QString();
    QTest::newRow("websearch, unknown engine") << QStringList { u"websearch"_s, u"1"_s,
        u"Gopher"_s } << 2 << QString() << u"larkspur-tool websearch: unknown engine"_s;
}

void TestWebLinksTool::commands()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, errStart);
    args.insert(1, m_file);
    const Run r = runTool(args);
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.out, out);
    QVERIFY2(r.err.startsWith(errStart), qPrintable(r.err));
    // A file that cannot be read fails with the program's message.
    args[1] = m_dir.filePath(u"missing.dat"_s);
    const Run missing = runTool(args);
    if (exitCode == 0) {
        QCOMPARE(missing.exitCode, 1);
        QCOMPARE(missing.err, u"Cannot open file "_s + args[1] + u'\n');
    }
}

QTEST_GUILESS_MAIN(TestWebLinksTool)
#include "test_weblinkstool.moc"
