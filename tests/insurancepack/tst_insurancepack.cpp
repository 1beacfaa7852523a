// The insurance pack as an insurer meets it: files read back with pdftotext, pdfinfo, sha256sum
// and Python's csv module, totals held against the regular report's.
#include <atomic>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "../support/toolrun.h"
#include "../support/writefailures.h"
#include "insurancepack/packcomposer.h"
#include "reports/reportlayout.h"
#include "platform/picture.h"
#include "store/datafile.h"
#include "store/recordstore.h"

using namespace Qt::StringLiterals;

namespace {

QString tool()
{
    return QStringLiteral(LARKSPUR_TOOL_PATH);
}

ToolRun runIn(const QString &dir, const QString &program, const QStringList &args)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(program, args);
    ToolRun r;
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

// The regular report's "Total Paid : " and "Total Value : " figures for some records.
std::pair<double, double> reportTotals(const QList<ItemRecord> &records)
{
    RecordStore store;
    for (const ItemRecord &r : records)
        store.append(r);
    ReportDefinition d;
    d.items.append({ 22, 0, QString() });
    d.columnCount = u"1"_s;
    ReportLayout::Options o;
    o.today = QDate(2026, 3, 4);
    o.pageLimit = false;
    const auto result
        = ReportLayout::compose(store, d, PageGeometry { QSize(4800, 6360), 600, 600 }, o);
    const ExportTable &t = result.table;
    auto number = [](const QString &cell) { return cell.section(u':', 1).trimmed().toDouble(); };
    return { number(t.cell(t.rowCount() - 2, 0)), number(t.cell(t.rowCount() - 1, 0)) };
}

double dollars(const QString &text)
{
    return QString(text).remove(u'$').remove(u',').toDouble();
}

} // namespace

class TestInsurancePack : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void packFilesAndManifest();
    void pdfTotalsMatchTheReport();
    void pdfPagesAndMissingPicture();
    void summaryColumns_data();
    void summaryColumns();
    void htmlAndCsv();
    void cancelledPackLeavesNothing();
    void unwritableFolder_data();
    void unwritableFolder();
    void unreadablePictureSaysWhy();

private:
    QTemporaryDir m_dir;
    QString m_db;
    QString m_pack;
    QList<ItemRecord> m_records;
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString pdfText(const QStringList &extra = {}) const
    {
        const ToolRun r = runProgram(u"pdftotext"_s,
            QStringList { u"-layout"_s } + extra
                + QStringList { m_pack + u"/inventory.pdf"_s, u"-"_s });
        return r.outText();
    }
};

void TestInsurancePack::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // A noisy photo and a phone photo standing on its side, with a date taken.
    QImage photo(1200, 800, QImage::Format_RGB32);
    QRandomGenerator rng(7);
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y, qRgb(x % 256, y % 256, int(rng.bounded(256))));
    QVERIFY(photo.save(path(u"desk.jpg"_s), "JPEG", 85));
    QVERIFY(photo.scaled(600, 400).save(path(u"phone.jpg"_s), "JPEG", 85));
    const ToolRun exif = runProgram(u"exiftool"_s,
        { u"-q"_s, u"-overwrite_original"_s, u"-n"_s, u"-Orientation=6"_s,
            u"-DateTimeOriginal=2024:05:06 07:08:09"_s, path(u"phone.jpg"_s) });
    QCOMPARE(exif.exitCode, 0);

    const QStringList rooms { u"Kitchen"_s, u"Living Room"_s, QString() };
    for (int i = 0; i < 9; ++i) {
        ItemRecord r;
        r.setName(i == 4 ? u"Vase <script>alert(1)</script>"_s : u"Item %1"_s.arg(i));
        r.setRecordCode(u"C%1"_s.arg(i));
        r.setDetail(1, i == 0 ? u"$1,234.50"_s : u"%1.25"_s.arg(i * 10));
        r.setDetail(8, u"%1"_s.arg(i * 3));
        r.setDetail(9, i % 3 == 0 ? u"2"_s : (i == 5 ? u"two"_s : QString()));
        r.setDescription(8, rooms[i % 3]);
        r.setNotes({ u"bought in \"town\", paid cash"_s });
        // Kitchen (0, 3, 6) has more captioned fields than Living Room, one far too long for
        // its column.
        if (i == 0) {
            r.setDescription(3, u"Acme Lamps"_s);
            r.setDetail(5, u"SN-100"_s);
        }
        if (i == 3)
            r.setDescription(3, u"Globex"_s);
        if (i == 6)
            r.setDescription(3, QStringList(40, u"Longword"_s).join(u' ') + u" Finalword"_s);
        if (i == 1) {
            r.setPicture(1, { path(u"desk.jpg"_s), u"Front"_s, false });
            r.setPicture(2, { path(u"phone.jpg"_s), u"Side"_s, false });
        }
        if (i == 2)
            r.setPicture(1, { path(u"gone.jpg"_s), u"Gone"_s, false });
        m_records.append(r);
    }
    RecordStore store;
    for (const ItemRecord &r : m_records)
        store.append(r);
    m_db = path(u"house.dat"_s);
    QVERIFY(DataFile::writeDatabase(m_db, store).ok);
    QFile cover(path(u"cover.txt"_s));
    QVERIFY(cover.open(QIODevice::WriteOnly));
    cover.write("Jane Doe\n1 Mill Road\nPolicy 42-7");
    cover.close();

    m_pack = path(u"pack"_s);
    const ToolRun r = runProgram(
        tool(), { u"insurance-pack"_s, m_db, m_pack, u"--cover-file"_s, path(u"cover.txt"_s) });
    QVERIFY2(r.exitCode == 0, r.err.constData());
}

void TestInsurancePack::packFilesAndManifest()
{
    for (const QString &name :
        { u"inventory.pdf"_s, u"inventory.html"_s, u"inventory.csv"_s, u"catalogue.dat"_s,
            u"manifest.sha256"_s, u"photos/desk.jpg"_s, u"photos/phone.jpg"_s })
        QVERIFY2(QFile::exists(m_pack + u'/' + name), qPrintable(name));
    QCOMPARE(QDir(m_dir.path())
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                 .filter(u".part"_s),
        QStringList());
    QCOMPARE(runIn(m_pack, u"sha256sum"_s, { u"-c"_s, u"manifest.sha256"_s }).exitCode, 0);

    // A changed byte in a copied photo is caught (on a copy of the pack, so others keep theirs).
    const QString copy = path(u"tampered"_s);
    QCOMPARE(runProgram(u"cp"_s, { u"-r"_s, m_pack, copy }).exitCode, 0);
    QFile f(copy + u"/photos/desk.jpg"_s);
    QVERIFY(f.open(QIODevice::ReadWrite));
    f.seek(f.size() / 2);
    char c = 0;
    f.getChar(&c);
    f.seek(f.size() / 2);
    f.putChar(char(c ^ 0x55));
    f.close();
    const ToolRun check = runIn(copy, u"sha256sum"_s, { u"-c"_s, u"manifest.sha256"_s });
    QCOMPARE(check.exitCode, 1);
    QVERIFY(check.outText().contains(u"photos/desk.jpg: FAILED"_s));
}

void TestInsurancePack::pdfTotalsMatchTheReport()
{
    const QString text = pdfText();
    const QStringList groups { u"Kitchen"_s, u"Living Room"_s, u"(none)"_s };
    QList<ItemRecord> byGroup[3];
    for (int i = 0; i < m_records.size(); ++i)
        byGroup[i % 3 == 2 ? 2 : i % 3].append(m_records[i]);
    for (int g = 0; g < 3; ++g) {
        const QRegularExpression line(u"Subtotal "_s + QRegularExpression::escape(groups[g])
            + u"\\s+(\\$[0-9.,]+)\\s+(\\$[0-9.,]+)"_s);
        const auto m = line.match(text);
        QVERIFY2(m.hasMatch(), qPrintable(groups[g]));
        const auto [paid, value] = reportTotals(byGroup[g]);
        QCOMPARE(dollars(m.captured(1)), paid);
        QCOMPARE(dollars(m.captured(2)), value);
    }
    const auto grand
        = QRegularExpression(u"Grand Total\\s+(\\$[0-9.,]+)\\s+(\\$[0-9.,]+)"_s).match(text);
    QVERIFY(grand.hasMatch());
    const auto [paid, value] = reportTotals(m_records);
    QCOMPARE(dollars(grand.captured(1)), paid);
    QCOMPARE(dollars(grand.captured(2)), value);
    QVERIFY(text.contains(u"Total Paid: "_s + grand.captured(1)));
    QVERIFY(text.contains(u"Total Value: "_s + grand.captured(2)));
    QVERIFY(text.contains(u"Policy 42-7"_s));
    QVERIFY(text.contains(u"Taken 2024-05-06 07:08"_s));
}

void TestInsurancePack::pdfPagesAndMissingPicture()
{
    const ToolRun info = runProgram(u"pdfinfo"_s, { m_pack + u"/inventory.pdf"_s });
    const auto pages = QRegularExpression(u"Pages:\\s+(\\d+)"_s).match(info.outText());
    QVERIFY(pages.hasMatch());
    const int n = pages.captured(1).toInt();
    QVERIFY(n >= 5); // cover, summary, three groups, photo list
    QVERIFY(info.outText().contains(u"(letter)"_s));
    for (int i = 1; i <= n; ++i) {
        const QString page = pdfText({ u"-f"_s, QString::number(i), u"-l"_s, QString::number(i) });
        QVERIFY2(page.contains(u"Page %1 of %2"_s.arg(i).arg(n)), qPrintable(page));
    }
    const QString text = pdfText();
    QVERIFY(text.contains(u"Picture missing: "_s + path(u"gone.jpg"_s)));
    QVERIFY(text.contains(u"Photos included: 2, not included: 1"_s));
    // The last page lists each photo with the SHA-256 sha256sum gives for the copy.
    const QString last = pdfText({ u"-f"_s, QString::number(n) });
    const QString sum = runProgram(u"sha256sum"_s, { m_pack + u"/photos/phone.jpg"_s })
                            .outText()
                            .section(u' ', 0, 0);
    QVERIFY(last.contains(u"photos/phone.jpg"_s));
    QVERIFY(last.contains(sum));
    // The PDF's pictures as poppler lists them: the desk photo landscape, the phone photo (600
    // x 400 stored, EXIF orientation 6) upright, both whole JPEGs.
    const QStringList images
        = runProgram(u"pdfimages"_s, { u"-list"_s, m_pack + u"/inventory.pdf"_s })
              .outText()
              .split(u'\n')
              .mid(2);
    QStringList sizes;
    for (const QString &line : images) {
        const QStringList f = line.simplified().split(u' ');
        if (f.size() > 9 && f[2] == u"image"_s)
            sizes << f[3] + u'x' + f[4] + u' ' + f[5] + u' ' + f[8];
    }
    QCOMPARE(sizes, (QStringList { u"1200x800 rgb jpeg"_s, u"400x600 rgb jpeg"_s }));
    // The photos are put in after Qt wrote the PDF, which moves every later object: poppler
    // mends a wrong cross-reference table unseen, qpdf names every offset that misses (exit 3).
    const ToolRun check = runProgram(u"qpdf"_s, { u"--check"_s, m_pack + u"/inventory.pdf"_s });
    QVERIFY2(check.exitCode == 0, qPrintable(check.outText() + check.errText()));
}

void TestInsurancePack::summaryColumns_data()
{
    QTest::addColumn<QString>("page");
    QTest::newRow("letter") << u"letter"_s;
    QTest::newRow("a4") << u"a4"_s;
}

// pdftotext -layout puts each word where it stands on the page: the summary's captions head
// real columns, the values stand under them, amounts end under Paid and Value.
void TestInsurancePack::summaryColumns()
{
    QFETCH(QString, page);
    QString pack = m_pack;
    if (page != u"letter"_s) {
        pack = path(u"pack-"_s + page);
        const ToolRun r
            = runProgram(tool(), { u"insurance-pack"_s, m_db, pack, u"--page"_s, page });
        QVERIFY2(r.exitCode == 0, r.err.constData());
    }
    const ToolRun run = runProgram(u"pdftotext"_s,
        { u"-layout"_s, u"-f"_s, u"2"_s, u"-l"_s, u"2"_s, pack + u"/inventory.pdf"_s, u"-"_s });
    const QStringList lines = run.outText().split(u'\n');
    auto lineWith = [&](const QString &start, const QString &what) {
        const qsizetype from = lines.indexOf(start);
        for (qsizetype i = std::max<qsizetype>(0, from); i < lines.size(); ++i)
            if (lines[i].contains(what))
                return lines[i];
        return QString();
    };
    const QString kitchenHeader = lineWith(QString(), u"Manufacturer"_s);
    QVERIFY2(!kitchenHeader.isEmpty(), qPrintable(run.outText()));
    const QStringList order { u"Name"_s, u"Manufacturer"_s, u"Serial #"_s, u"Quantity"_s, u"Paid"_s,
        u"Value"_s };
    for (qsizetype i = 1; i < order.size(); ++i)
        QVERIFY2(kitchenHeader.lastIndexOf(order[i - 1]) < kitchenHeader.lastIndexOf(order[i]),
            qPrintable(kitchenHeader));
    // Text columns start where their caption starts; amounts end where theirs ends.
    const QString item0 = lineWith(QString(), u"Item 0"_s);
    auto near = [](qsizetype a, qsizetype b) { return std::abs(a - b) <= 2; };
    QVERIFY2(near(item0.indexOf(u"Acme Lamps"_s), kitchenHeader.indexOf(u"Manufacturer"_s)),
        qPrintable(kitchenHeader + u'\n' + item0));
    QVERIFY2(near(item0.indexOf(u"SN-100"_s), kitchenHeader.indexOf(u"Serial #"_s)),
        qPrintable(kitchenHeader + u'\n' + item0));
    QVERIFY2(near(item0.indexOf(u"2 "_s, kitchenHeader.indexOf(u"Quantity"_s) - 2),
                 kitchenHeader.indexOf(u"Quantity"_s)),
        qPrintable(kitchenHeader + u'\n' + item0));
    const auto amounts = QRegularExpression(u"(\\$[0-9.,]+)\\s+(\\$[0-9.,]+)\\s*$"_s).match(item0);
    QVERIFY2(amounts.hasMatch(), qPrintable(item0));
    QVERIFY(near(amounts.capturedEnd(1), kitchenHeader.indexOf(u"Paid"_s) + 4));
    QVERIFY(near(amounts.capturedEnd(2), kitchenHeader.lastIndexOf(u"Value"_s) + 5));
    // A group shows only the captions it has values for.
    const QString livingHeader = lineWith(u"Living Room"_s, u"Name"_s);
    QVERIFY(livingHeader.contains(u"Paid"_s));
    QVERIFY2(!livingHeader.contains(u"Manufacturer"_s), qPrintable(livingHeader));
    // The long value wraps inside its column: every word is there, none cut off.
    const QString all = run.outText();
    QCOMPARE(all.count(u"Longword"_s), 40);
    QVERIFY(all.contains(u"Finalword"_s));
}

void TestInsurancePack::htmlAndCsv()
{
    QFile html(m_pack + u"/inventory.html"_s);
    QVERIFY(html.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(html.readAll());
    QVERIFY(!page.contains(u"<script>"_s));
    QVERIFY(page.contains(u"Vase &lt;script&gt;alert(1)&lt;/script&gt;"_s));
    QVERIFY(page.contains(u"src=\"photos/desk.jpg\""_s));
    QVERIFY(page.contains(u"Picture missing: "_s));

    const ToolRun csv = runProgram(u"python3"_s,
        { u"-c"_s,
            u"import csv,sys\n"
            "rows=list(csv.reader(open(sys.argv[1],newline='',encoding='utf-8')))\n"
            "assert all(len(r)==27 for r in rows), rows\n"
            "print(len(rows)-1)\n"
            "print(len([r for r in rows if r[1]=='Item 1'][0][26].split('\\n')))\n"_s,
            m_pack + u"/inventory.csv"_s });
    QVERIFY2(csv.exitCode == 0, csv.err.constData());
    QCOMPARE(csv.outText(), u"9\n2\n"_s);
}

void TestInsurancePack::cancelledPackLeavesNothing()
{
    RecordStore store;
    QVERIFY(DataFile::readDatabase(m_db, store, false).ok());
    std::atomic_bool cancel = false;
    const QString folder = path(u"cancelled"_s);
    const auto before = QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden);
    const InsurancePack::Result r = InsurancePack::make(
        store, m_db, folder, {}, [&](int) { cancel = true; }, &cancel);
    QVERIFY(!r.ok);
    QVERIFY(r.cancelled);
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden), before);
}

void TestInsurancePack::unwritableFolder_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("message");
    QTest::newRow("parent is a regular file") << u"file"_s << u"Cannot create the pack folder in"_s;
    QTest::newRow("folder exists") << u"exists"_s << u"already exists"_s;
    QTest::newRow("file-size limit") << u"limit"_s << u"Cannot copy"_s;
}

void TestInsurancePack::unwritableFolder()
{
    QFETCH(QString, how);
    QFETCH(QString, message);
    QTemporaryDir dir;
    QString out = dir.filePath(u"pack"_s);
    if (how == u"file"_s) {
        QFile f(dir.filePath(u"plain"_s));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        out = dir.filePath(u"plain/pack"_s);
    } else if (how == u"exists"_s) {
        QVERIFY(QDir(dir.path()).mkdir(u"pack"_s));
    }
    const auto before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden);
    ToolRun r;
    {
        // The child inherits the limit: the photo copies and the PDF cannot be written whole.
        std::unique_ptr<FileSizeLimit> limit;
        if (how == u"limit"_s) {
            limit = std::make_unique<FileSizeLimit>(20000);
            QVERIFY(limit->ok());
        }
        r = runProgram(tool(), { u"insurance-pack"_s, m_db, out });
    }
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(
        r.errText().contains(u"larkspur-tool insurance-pack: "_s) && r.errText().contains(message),
        r.err.constData());
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden), before);
}

// A picture too large to read is left out of the pack with its own reason, and the rest of the
// pack is still made.
void TestInsurancePack::unreadablePictureSaysWhy()
{
    QTemporaryDir dir;
    const QString picture = dir.filePath(u"huge.jpg"_s);
    QVERIFY(QFile(picture).open(QIODevice::WriteOnly));
    // Sparse: past any picture the program takes, nothing on disk.
    QVERIFY(QFile::resize(picture, PictureLimits::MaxFileBytes + 1));
    RecordStore store;
    ItemRecord r;
    r.setName(u"Piano"_s);
    r.setPicture(1, { picture, u"Front"_s, false });
    store.append(r);
    const QString db = dir.filePath(u"piano.dat"_s);
    QVERIFY(DataFile::writeDatabase(db, store).ok);
    const QString pack = dir.filePath(u"pack"_s);
    const ToolRun run = runProgram(tool(), { u"insurance-pack"_s, db, pack });
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.outText().contains(u"0 photos included, 1 missing"_s), run.out.constData());
    QVERIFY(QDir(pack + u"/photos"_s).entryList(QDir::Files).isEmpty());
    const ToolRun text = runProgram(u"pdftotext"_s, { pack + u"/inventory.pdf"_s, u"-"_s });
    QVERIFY2(text.outText().simplified().contains(u"Not included, larger than 256 MB"_s),
        text.out.constData());
}

QTEST_MAIN(TestInsurancePack)
#include "tst_insurancepack.moc"
