// larkspur-tool totals, run as the real executable over a small database.
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
    QByteArray out;
    QString err;
};

Run runTool(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(LARKSPUR_TOOL_PATH), args);
    Run r;
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace

class TestTotalsCommand : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void totals_data();
    void totals();
    void errors_data();
    void errors();

private:
    QTemporaryDir m_dir;
    QString m_file;
};

void TestTotalsCommand::initTestCase()
{
    RecordStore store;
    store.categoryTexts[8]
        = u"House\r\n\tKitchen\r\n\t\tDrawer\r\n\tGarage\r\n\tCaf\u00e9\r\nShed\r\n"_s;
    const auto add = [&](const QString &location, const QString &value, const QString &paid,
                         const QString &quantity) {
        ItemRecord r;
        r.setName(u"Item"_s);
        r.setDescription(8, location);
        r.setDetail(1, value);
        r.setDetail(8, paid);
        r.setDetail(9, quantity);
        store.append(std::move(r));
    };
    add(u"Drawer : Kitchen : House"_s, u"$1,250.00"_s, u"$1,000"_s, u"02"_s);
    add(u"Kitchen : House"_s, u"10.50"_s, u"4"_s, u"2 "_s);
    add(u"Garage : House"_s, u"7"_s, u"3"_s, u""_s);
    add(u"House"_s, u"1000"_s, u"1000"_s, u"1"_s);
    add(u"Shed"_s, u"1"_s, u"1"_s, u"1"_s);
    add(u"Caf\u00e9 : House"_s, u"2"_s, u"2"_s, u"1"_s);
    m_file = m_dir.filePath(u"home.dat"_s);
    QVERIFY(DataFile::writeDatabase(m_file, store).ok);
}

void TestTotalsCommand::totals_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("out");
    QTest::newRow("top-level node")
        << QStringList { u"8"_s }
        << QByteArray("5\tHouse\n1\tShed\nPaid\t$3010.00\nValue\t$3520.50\n");
    QTest::newRow("node") << QStringList { u"8"_s, u"--node"_s, u"House"_s }
                          << QByteArray("2\tKitchen\n1\tGarage\n1\tCaf\xc3\xa9\n"
                                        "Paid\t$2009.00\nValue\t$2519.50\n");
    QTest::newRow("deeper, other case") << QStringList { u"8"_s,
        u"--node=kitchen : house"_s } << QByteArray("1\tDrawer\nPaid\t$2000.00\nValue\t$2500.00\n");
    QTest::newRow("leaf") << QStringList { u"8"_s, u"--node"_s, u"Drawer : Kitchen : House"_s }
                          << QByteArray("Paid\t$0.00\nValue\t$0.00\n");
    QTest::newRow("empty tree") << QStringList { u"3"_s }
                                << QByteArray("Paid\t$0.00\nValue\t$0.00\n");
}

void TestTotalsCommand::totals()
{
    QFETCH(QStringList, args);
    const Run r = runTool(QStringList { u"totals"_s, m_file } + args);
    QCOMPARE(r.err, QString());
    QCOMPARE(r.exitCode, 0);
    QTEST(r.out, "out");
}

void TestTotalsCommand::errors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("err");
    QTest::newRow("K zero") << QStringList { u"FILE"_s, u"0"_s } << 2 << u"usage:"_s;
    QTest::newRow("K eleven") << QStringList { u"FILE"_s, u"11"_s } << 2 << u"usage:"_s;
    QTest::newRow("K word") << QStringList { u"FILE"_s, u"Type"_s } << 2 << u"usage:"_s;
    QTest::newRow("no K") << QStringList { u"FILE"_s } << 2 << u"usage:"_s;
    QTest::newRow("--node alone") << QStringList { u"FILE"_s, u"8"_s, u"--node"_s } << 2
                                  << u"usage:"_s;
    QTest::newRow("no such node") << QStringList { u"FILE"_s, u"8"_s, u"--node"_s,
        u"Attic : House"_s } << 1 << u"no category \"Attic : House\""_s;
    QTest::newRow("no such file") << QStringList { u"MISSING"_s, u"8"_s } << 1 << u"missing.dat"_s;
}

void TestTotalsCommand::errors()
{
    QFETCH(QStringList, args);
    for (QString &a : args) {
        if (a == u"FILE"_s)
            a = m_file;
        else if (a == u"MISSING"_s)
            a = m_dir.filePath(u"missing.dat"_s);
    }
    const Run r = runTool(QStringList { u"totals"_s } + args);
    QTEST(r.exitCode, "exitCode");
    QFETCH(QString, err);
    QVERIFY2(r.err.contains(err), qPrintable(r.err));
    QCOMPARE(r.out, QByteArray());
}

QTEST_GUILESS_MAIN(TestTotalsCommand)
#include "tst_totalscommand.moc"
