// The installed default category files: present, CR LF text, and indented as a tree can be built.
#include <QDir>
#include <QFile>
#include <QSet>
#include <QTest>

class TestDefaultCategories : public QObject
{
    Q_OBJECT

private slots:
    void wellFormed_data();
    void wellFormed();
};

void TestDefaultCategories::wellFormed_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("firstLine");
    // The first entry of each, to catch a file written for the wrong caption.
    const char *first[] = { "Bought New", "Furniture", "Unknown", "Household", "Mint",
        "Department Store", "Self", "House", "Cash", "Insurance" };
    for (int k = 1; k <= 10; ++k)
        QTest::addRow("description%d.def", k) << k << QString::fromLatin1(first[k - 1]);
}

void TestDefaultCategories::wellFormed()
{
    QFETCH(int, number);
    QFETCH(QString, firstLine);

    const QString folder = qEnvironmentVariable("LARKSPUR_DATA_DIR");
    QVERIFY2(!folder.isEmpty(), "LARKSPUR_DATA_DIR is not set");
    QFile file(QDir(folder).filePath(QStringLiteral("description%1.def").arg(number)));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    const QByteArray data = file.readAll();

    QVERIFY(data.endsWith("\r\n"));
    for (qsizetype i = 0; i < data.size(); ++i) {
        const char c = data[i];
        if (c == '\r')
            QVERIFY2(i + 1 < data.size() && data[i + 1] == '\n', "CR without LF");
        else if (c == '\n')
            QVERIFY2(i > 0 && data[i - 1] == '\r', "LF without CR");
        else
            QVERIFY2(c == '\t' || (c >= 0x20 && c < 0x7F), "not printable ASCII");
    }

    QList<QByteArray> lines = data.split('\n');
    lines.removeLast(); // after the final line end
    QVERIFY(lines.size() >= 4);
    int previousLevel = -1;
    // Names already used under each open parent, to keep full names unambiguous.
    QList<QSet<QByteArray>> siblings;
    for (QByteArray line : std::as_const(lines)) {
        line.chop(1); // the CR
        qsizetype level = 0;
        while (level < line.size() && line[level] == '\t')
            ++level;
        const QByteArray text = line.mid(level);
        const QByteArray where = file.fileName().toLocal8Bit() + ": " + line;
        QVERIFY2(level <= previousLevel + 1, where.constData());
        QVERIFY2(!text.isEmpty() && text.trimmed() == text, where.constData());
        // A colon would cut the short value; " : " joins full names.
        QVERIFY2(!text.contains(':'), where.constData());
        QVERIFY2(text.size() <= 255, where.constData());
        siblings.resize(level + 1);
        QVERIFY2(!siblings[level].contains(text), where.constData());
        siblings[level].insert(text);
        previousLevel = int(level);
    }
    QCOMPARE(QString::fromLatin1(lines.first().chopped(1)), firstLine);
}

QTEST_GUILESS_MAIN(TestDefaultCategories)
#include "tst_defaultcategories.moc"
