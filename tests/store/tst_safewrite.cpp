// Every kind of file the program writes, written onto a full file system: the write fails with
// the system's reason and the old file keeps its bytes.
#include <cerrno>

#include <sys/mount.h>

#include <QDir>
#include <QFile>
#include <QPageSize>
#include <QTemporaryDir>
#include <QTest>

#include "platform/settingsstore.h"
#include "recordwindow/weblinks.h"
#include "reports/exporttable.h"
#include "reports/reportdefinition.h"
#include "reports/reportformat.h"
#include "reports/zephprinter.h"
#include "store/csvfile.h"
#include "store/datafile.h"
#include "store/safewrite.h"

using namespace Qt::StringLiterals;

namespace {

enum class Writer { Bytes, Database, Export, ExportTable, ReportFormat, WebPage, Settings, Pdf };

RecordStore smallStore()
{
    RecordStore s;
    ItemRecord r;
    r.Name = u"Lamp"_s;
    r.Descriptions[1] = u"Brass, old"_s;
    s.append(r);
    return s;
}

// Writes a small file of each kind; the message of a failure, or empty.
QString writeSmall(Writer writer, const QString &path)
{
    QString error;
    switch (writer) {
    case Writer::Bytes:
        return SafeWrite::write(path, QByteArrayView("new contents")).message;
    case Writer::Database:
        return DataFile::writeDatabase(path, smallStore()).message;
    case Writer::Export:
        CsvFile::exportFile(path, smallStore(), &error);
        return error;
    case Writer::ExportTable: {
        ExportTable t;
        t.setCell(0, 0, u"Lamp"_s);
        ExportWriters::writeFile(path, ExportWriters::csv(t), &error);
        return error;
    }
    case Writer::ReportFormat:
        return ReportFormat::save(path, ReportDefinition()).message;
    case Writer::WebPage:
        writePage(path, { u"<html>"_s, u"</html>"_s }, &error);
        return error;
    case Writer::Settings: {
        // The settings only warn (a failure fails the test when the warning does not come).
        const QString expected = u"Cannot write file "_s + path + u": No space left on device"_s;
        QTest::ignoreMessage(QtWarningMsg, qPrintable(u"Settings: "_s + expected));
        IniSettingsStore(path).writeString(u"LAST FILE"_s, u"/home/a/x.dat"_s);
        return expected;
    }
    case Writer::Pdf: {
        TZephPrinter printer(PageGeometry::fromInches(8.5, 11));
        printer.NewPage();
        printer.Finish();
        writePdf(printer, QPageSize(QPageSize::Letter), false, path, &error);
        return error;
    }
    }
    return {};
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestSafeWrite : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void fullFileSystemKeepsTheOldFile_data();
    void fullFileSystemKeepsTheOldFile();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_mount;
};

void TestSafeWrite::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_mount = m_dir->filePath(u"tiny"_s);
    QVERIFY(QDir().mkpath(m_mount));
    // A tmpfs of its own, which the test can fill (the superuser cannot write past a full one).
    QVERIFY2(::mount("tmpfs", QFile::encodeName(m_mount).constData(), "tmpfs", 0, "size=64k") == 0,
        std::strerror(errno));
}

void TestSafeWrite::cleanup()
{
    ::umount2(QFile::encodeName(m_mount).constData(), MNT_DETACH);
    m_dir.reset();
}

void TestSafeWrite::fullFileSystemKeepsTheOldFile_data()
{
    QTest::addColumn<Writer>("writer");
    QTest::newRow("bytes") << Writer::Bytes;
    QTest::newRow("database") << Writer::Database;
    QTest::newRow("File > Export") << Writer::Export;
    QTest::newRow("report CSV/HTML") << Writer::ExportTable;
    QTest::newRow("report format") << Writer::ReportFormat;
    QTest::newRow("web link page") << Writer::WebPage;
    QTest::newRow("settings") << Writer::Settings;
    QTest::newRow("report PDF") << Writer::Pdf;
}

void TestSafeWrite::fullFileSystemKeepsTheOldFile()
{
    QFETCH(Writer, writer);
    const QString path = m_mount + u"/old.file"_s;
    const QByteArray old("[SETTINGS]\r\nold contents\r\n");
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(old) == old.size());
    }
    // Fill every block that is left.
    {
        QFile filler(m_mount + u"/filler"_s);
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size()) { }
        QVERIFY(filler.size() > 0);
    }

    const QString message = writeSmall(writer, path);
    QVERIFY2(!message.isEmpty(), "the write was reported as done");
    QCOMPARE(message, u"Cannot write file "_s + path + u": No space left on device"_s);
    QCOMPARE(fileBytes(path), old);
    QCOMPARE(QDir(m_mount).entryList(QDir::Files | QDir::Hidden),
        (QStringList { u"filler"_s, u"old.file"_s }));
}

QTEST_MAIN(TestSafeWrite)
#include "tst_safewrite.moc"
