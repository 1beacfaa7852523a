// The restart with the C library's huge-page heap: once, with the arguments as given, the
// caller's own tunables kept and given back to children, and no restart where the caller chose.
#include <QFile>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

class TestLargePages : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void restart_data();
    void restart();
};

void TestLargePages::restart_data()
{
    QTest::addColumn<QString>("callerTunables"); // empty: not set
    QTest::addColumn<bool>("hugePages");
    QTest::addColumn<QString>("expected"); // the lines after the huge-page one
    const QString args = u"argument=IN.dat\nargument=two words\nargument=\n"_s;
    QTest::newRow("none of the caller's")
        << QString() << true << u"children get=(unset)\nmark left=0\n"_s + args;
    QTest::newRow("the caller's own kept")
        << u"glibc.malloc.arena_max=2"_s << true
        << u"children get=glibc.malloc.arena_max=2\nmark left=0\n"_s + args;
    QTest::newRow("the caller chose")
        << u"glibc.malloc.hugetlb=0"_s << false
        << u"children get=glibc.malloc.hugetlb=0\nmark left=0\n"_s + args;
}

void TestLargePages::restart()
{
    QFETCH(QString, callerTunables);
    QFETCH(bool, hugePages);
    QFETCH(QString, expected);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(u"GLIBC_TUNABLES"_s);
    env.remove(u"LARKSPUR_HEAP_RESTARTED"_s);
    if (!callerTunables.isEmpty())
        env.insert(u"GLIBC_TUNABLES"_s, callerTunables);
    QProcess probe;
    probe.setProcessEnvironment(env);
    probe.start(QStringLiteral(LARKSPUR_PROBE_PATH), { u"IN.dat"_s, u"two words"_s, QString() });
    QVERIFY(probe.waitForFinished(60000));
    QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
    QCOMPARE(probe.exitCode(), 0);
    QStringList lines = QString::fromLocal8Bit(probe.readAllStandardOutput()).split(u'\n');
    QVERIFY(lines.size() > 2);
    // Restarted once, whatever the caller's tunables, unless the caller chose the heap.
    QCOMPARE(lines.takeFirst(), hugePages ? u"restarted=1"_s : u"restarted=0"_s);
    // The kernel's setting decides whether there is anything to ask for.
    QFile setting(u"/sys/kernel/mm/transparent_hugepage/enabled"_s);
    const bool onRequest
        = setting.open(QIODevice::ReadOnly) && setting.readAll().contains("[madvise]");
    QCOMPARE(lines.takeFirst(),
        u"heap asks for huge pages="_s
            + (!onRequest       ? u"not asked under this system's setting"_s
                    : hugePages ? u"yes"_s
                                : u"no"_s));
    QCOMPARE(lines.join(u'\n'), expected);
}

QTEST_MAIN(TestLargePages)
#include "tst_largepages.moc"
