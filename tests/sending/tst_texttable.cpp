// The fixed-width text table made from a report's export table.
#include <QTest>

#include "reports/exporttable.h"
#include "sending/texttable.h"

using namespace Qt::StringLiterals;

class TestTextTable : public QObject
{
    Q_OBJECT

private slots:
    void itemNumbersOn();
    void itemNumbersOffKeepTwoBlanks();
    void longestTextWidensItsColumn();
    void totalsAreLeftOut();
};

namespace {

ExportTable table(const QList<QStringList> &rows)
{
    ExportTable t;
    for (int r = 0; r < rows.size(); ++r) {
        t.addRow();
        for (int c = 0; c < rows[r].size(); ++c)
            t.setCell(r, c, rows[r][c]);
    }
    return t;
}

} // namespace

void TestTextTable::itemNumbersOn()
{
    const ExportTable t
        = table({ { u"#"_s, u"Name"_s }, { u"1."_s, u"Alice"_s }, { u"2."_s, u"Brian"_s } });
    const QStringList lines = reportTextTable(t, 2, true);
    // Widths 2 and 5: T = 2 x 2 + 7 = 11, so every line is 12 characters.
    const QStringList expected { QString(), u"------------"_s, u"#   Name    "_s, u"------------"_s,
        u"1.  Alice   "_s, u"2.  Brian   "_s, QString() };
    QCOMPARE(lines, expected);
}

void TestTextTable::itemNumbersOffKeepTwoBlanks()
{
    const ExportTable t = table({ { u"Name"_s, u"Paid"_s }, { u"Alice"_s, u"12.00"_s } });
    const QStringList lines = reportTextTable(t, 1, false);
    // T = 2 x (2 + 1) + 5 + 5 = 16.
    QCOMPARE(lines[1], QString(17, u'-'));
    QCOMPARE(lines[2], u"Name   Paid     "_s + u" "_s);
    QCOMPARE(lines[4], u"Alice  12.00    "_s + u" "_s);
}

void TestTextTable::longestTextWidensItsColumn()
{
    const ExportTable t = table({ { u"#"_s, u"Name"_s, u"Type"_s }, { u"1."_s, u"Al"_s, u"Lamp"_s },
        { u"2."_s, u"Bartholomew"_s, u"Cup"_s } });
    const QStringList lines = reportTextTable(t, 2, true);
    QCOMPARE(lines[2], u"#   Name         Type  "_s + u" "_s);
    QCOMPARE(lines[4], u"1.  Al           Lamp  "_s + u" "_s);
    QCOMPARE(lines[5], u"2.  Bartholomew  Cup   "_s + u" "_s);
}

void TestTextTable::totalsAreLeftOut()
{
    ExportTable t = table({ { u"#"_s, u"Name"_s }, { u"1."_s, u"Alice"_s }, {},
        { u"Total Paid :  0.00"_s }, { u"Total Value :  0.00"_s } });
    const QStringList lines = reportTextTable(t, 1, true);
    QCOMPARE(lines.size(), 6);
    QCOMPARE(lines[4], u"1.  Alice   "_s);
    // A line break inside a cell is shown as a blank, so the row stays one line.
    t.setCell(1, 1, u"Al\r\nce"_s);
    QCOMPARE(reportTextTable(t, 1, true)[4], u"1.  Al ce   "_s);
    // A table without rows still gives the frame.
    QCOMPARE(reportTextTable(ExportTable(), 0, true),
        (QStringList { QString(), u"-"_s, u" "_s, u"-"_s, QString() }));
}

QTEST_GUILESS_MAIN(TestTextTable)
#include "tst_texttable.moc"
