// Every kind of file the program writes, written onto a full file system: the write fails with
// the system's reason and the old file keeps its bytes.
#include <cerrno>
#include <csignal>

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QPageSize>
#include <QRegularExpression>
#include <QStandardPaths>
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
#include "tests/support/writefailures.h"

using namespace Qt::StringLiterals;

namespace {

enum class Writer { Bytes, Database, Export, ExportTable, ReportFormat, WebPage, Settings, Pdf };

RecordStore smallStore()
{
    RecordStore s;
    ItemRecord r;
    r.setName(u"Lamp"_s);
    r.setDescription(1, u"Brass, old"_s);
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

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The safe write's system calls as they are made, and a close that reports EIO on demand,
// as a network or FUSE file system does when the data did not reach the server.
class RecordedCalls
{
public:
    RecordedCalls()
        : m_saved(SafeWrite::systemCalls())
    {
        events().clear();
        failCloseOf() = QString();
        SafeWrite::systemCalls() = { &fsync, &close, &rename };
    }
    ~RecordedCalls() { SafeWrite::systemCalls() = m_saved; }
    RecordedCalls(const RecordedCalls &) = delete;
    RecordedCalls &operator=(const RecordedCalls &) = delete;

    static QStringList &events()
    {
        static QStringList list;
        return list;
    }
    // The next close of a file whose name starts with this reports EIO (after really closing).
    static QString &failCloseOf()
    {
        static QString prefix;
        return prefix;
    }

private:
    static QString nameOf(int fd)
    {
        return QFile::symLinkTarget(u"/proc/self/fd/"_s + QString::number(fd));
    }
    static int fsync(int fd)
    {
        events().append(u"fsync "_s + nameOf(fd));
        return ::fsync(fd);
    }
    static int close(int fd)
    {
        const QString name = nameOf(fd);
        events().append(u"close "_s + name);
        const int result = ::close(fd);
        if (!failCloseOf().isEmpty() && name.startsWith(failCloseOf())) {
            failCloseOf().clear();
            errno = EIO;
            return -1;
        }
        return result;
    }
    static int rename(const char *from, const char *to)
    {
        events().append(u"rename "_s + QFile::decodeName(from) + u" "_s + QFile::decodeName(to));
        return ::rename(from, to);
    }

    SafeWrite::SystemCalls m_saved;
};

} // namespace

class TestSafeWrite : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void fullFileSystemKeepsTheOldFile_data();
    void fullFileSystemKeepsTheOldFile();
    void syncedBeforeItTakesTheName_data();
    void syncedBeforeItTakesTheName();
    void failedCloseKeepsTheOldFile_data();
    void failedCloseKeepsTheOldFile();
    void readOnlyFileSystemSaysWhy_data();
    void readOnlyFileSystemSaysWhy();
    void stoppedInPlaceWriteLeavesAPrivateCopy_data();
    void stoppedInPlaceWriteLeavesAPrivateCopy();

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

void TestSafeWrite::syncedBeforeItTakesTheName_data()
{
    QTest::addColumn<bool>("inPlace");
    QTest::newRow("beside, renamed over") << false;
    QTest::newRow("in place") << true;
}

// A file renamed over the old one before its bytes are on disk can come back empty after a
// power cut: the bytes are synced before the name moves (or, in place, before the close).
void TestSafeWrite::syncedBeforeItTakesTheName()
{
    QFETCH(bool, inPlace);
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"db"_s);
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + u"/inv.dat"_s;
    QVERIFY(writeBytes(path, "old contents"));
    SafeWrite::Result result;
    {
        std::unique_ptr<ClosedFolder> closed;
        if (inPlace)
            closed = std::make_unique<ClosedFolder>(folder);
        RecordedCalls calls;
        result = SafeWrite::write(path, QByteArrayView("new contents"));
    }
    QVERIFY2(result.ok(), qPrintable(result.message));
    QCOMPARE(fileBytes(path), QByteArray("new contents"));
    const QStringList &events = RecordedCalls::events();
    if (inPlace) {
        const qsizetype synced = events.lastIndexOf(u"fsync "_s + path);
        QVERIFY2(synced >= 0, qPrintable(events.join(u'\n')));
        QVERIFY2(synced < events.lastIndexOf(u"close "_s + path), qPrintable(events.join(u'\n')));
        return;
    }
    const qsizetype renamed = events.indexOf(
        QRegularExpression(u"^rename .* "_s + QRegularExpression::escape(path) + u'$'));
    QVERIFY2(renamed >= 0, qPrintable(events.join(u'\n')));
    const QString temp = events[renamed].section(u' ', 1, 1);
    QVERIFY(temp.startsWith(folder + u'/'));
    const qsizetype synced = events.indexOf(u"fsync "_s + temp);
    QVERIFY2(synced >= 0 && synced < renamed, qPrintable(events.join(u'\n')));
    QVERIFY2(events.indexOf(u"close "_s + temp) < renamed, qPrintable(events.join(u'\n')));
    // and the new name itself is made lasting by syncing the folder
    QVERIFY2(
        events.indexOf(u"fsync "_s + folder, renamed) > renamed, qPrintable(events.join(u'\n')));
}

void TestSafeWrite::failedCloseKeepsTheOldFile_data()
{
    QTest::addColumn<bool>("inPlace");
    QTest::newRow("beside, renamed over") << false;
    QTest::newRow("in place") << true;
}

// A close that reports EIO is a write that failed: the old file stays, with the usual message.
void TestSafeWrite::failedCloseKeepsTheOldFile()
{
    QFETCH(bool, inPlace);
    QStandardPaths::setTestModeEnabled(true);
    QDir(SafeWrite::keptFolder()).removeRecursively();
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"db"_s);
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + u"/inv.dat"_s;
    QVERIFY(writeBytes(path, "old contents"));
    SafeWrite::Result result;
    {
        std::unique_ptr<ClosedFolder> closed;
        if (inPlace)
            closed = std::make_unique<ClosedFolder>(folder);
        RecordedCalls calls;
        // The file written: the target itself in place, else the new file beside it.
        RecordedCalls::failCloseOf() = inPlace ? path : folder + u"/.inv.dat."_s;
        result = SafeWrite::write(path, QByteArrayView("new contents"));
    }
    QVERIFY(!result.ok());
    QCOMPARE(result.message, u"Cannot write file "_s + path + u": Input/output error"_s);
    QCOMPARE(fileBytes(path), QByteArray("old contents"));
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList { u"inv.dat"_s });
    QVERIFY(QDir(SafeWrite::keptFolder()).entryList(QDir::Files).isEmpty());
}

void TestSafeWrite::readOnlyFileSystemSaysWhy_data()
{
    QTest::addColumn<bool>("exists");
    QTest::newRow("a new file") << false;
    QTest::newRow("over a file") << true;
}

void TestSafeWrite::readOnlyFileSystemSaysWhy()
{
    QFETCH(bool, exists);
    const QString path = m_mount + u"/inv.dat"_s;
    if (exists)
        QVERIFY(writeBytes(path, "old contents"));
    QVERIFY2(::mount(nullptr, QFile::encodeName(m_mount).constData(), nullptr,
                 MS_REMOUNT | MS_RDONLY, nullptr)
            == 0,
        std::strerror(errno));
    const SafeWrite::Result result = SafeWrite::write(path, QByteArrayView("new contents"));
    QCOMPARE(result.failure, SafeWrite::Failure::CannotCreate);
    QCOMPARE(result.message, u"Cannot create file "_s + path + u": Read-only file system"_s);
    QCOMPARE(fileBytes(path), exists ? QByteArray("old contents") : QByteArray());
}

void TestSafeWrite::stoppedInPlaceWriteLeavesAPrivateCopy_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("owner only") << 0600;
    QTest::newRow("group reads") << 0640;
}

// A write in place killed half-way leaves the copy of the old file, findable from the file's
// name and as private as the file itself.
void TestSafeWrite::stoppedInPlaceWriteLeavesAPrivateCopy()
{
    QFETCH(int, mode);
    QStandardPaths::setTestModeEnabled(true);
    QDir(SafeWrite::keptFolder()).removeRecursively();
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"db"_s);
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + u"/inv.dat"_s;
    const QByteArray old(100000, 'o');
    QVERIFY(writeBytes(path, old));
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(mode)), 0);
    QCOMPARE(SafeWrite::keptCopyOf(path), QString());
    {
        ClosedFolder closed(folder);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            SafeWrite::write(path, [](QIODevice &out) {
                out.write(QByteArray(5000, 'n'));
                ::raise(SIGKILL);
                return true;
            });
            ::_exit(0);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    }
    QCOMPARE(fileBytes(path), QByteArray(5000, 'n'));
    const QString kept = SafeWrite::keptCopyOf(path);
    QVERIFY(!kept.isEmpty());
    QCOMPARE(fileBytes(kept), old);
    struct stat st = {};
    QCOMPARE(::stat(QFile::encodeName(kept).constData(), &st), 0);
    QCOMPARE(int(st.st_mode & 0777), mode);
    // Another file of the same name elsewhere has no copy.
    QCOMPARE(SafeWrite::keptCopyOf(dir.filePath(u"inv.dat"_s)), QString());
    QDir(SafeWrite::keptFolder()).removeRecursively();
}

QTEST_MAIN(TestSafeWrite)
#include "tst_safewrite.moc"
