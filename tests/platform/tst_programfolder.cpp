// The program folder: the executable's folder, or a seeded per-user folder when that is read only.
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "platform/programfolder.h"

namespace {

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestProgramFolder : public QObject
{
    Q_OBJECT

private slots:
    void filePathJoinsTheName();
    void defaultIsTheExecutableFolderOrTheUserDataFolder();
    void writableInstalledFolderIsUsed();
    void readOnlyInstalledFolderFallsBackToSeededUserFolder();
    void seedingKeepsTheUsersFiles();
    void uncreatableUserFolderFallsBackToInstalled();
    void isWritableFolder();
    void readOnlyPermissionsAreNotWritable();
};

void TestProgramFolder::filePathJoinsTheName()
{
    QCOMPARE(QtProgramFolder(QStringLiteral("/opt/larkspur")).filePath(QStringLiteral("go.htm")),
        QStringLiteral("/opt/larkspur/go.htm"));
    QCOMPARE(QtProgramFolder(QStringLiteral("/opt/larkspur/")).filePath(QStringLiteral("go.htm")),
        QStringLiteral("/opt/larkspur/go.htm"));
}

void TestProgramFolder::defaultIsTheExecutableFolderOrTheUserDataFolder()
{
    // Keep a fallback away from the real per-user folder.
    QTemporaryDir dataHome;
    const QByteArray oldDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
    const QString got = QtProgramFolder().path();
    if (oldDataHome.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", oldDataHome);

    const QString exeFolder = QCoreApplication::applicationDirPath();
    QCOMPARE(got,
        QtProgramFolder::isWritableFolder(exeFolder)
            ? exeFolder
            : dataHome.filePath(QStringLiteral("larkspur")));
}

void TestProgramFolder::writableInstalledFolderIsUsed()
{
    QTemporaryDir dir;
    const QString installed = dir.filePath(QStringLiteral("installed"));
    const QString user = dir.filePath(QStringLiteral("user"));
    QVERIFY(QDir().mkpath(installed));
    writeFile(installed + QStringLiteral("/description1.def"), "Kitchen\r\n");
    QCOMPARE(QtProgramFolder::resolve(installed, true, user), installed);
    QVERIFY(!QFileInfo::exists(user));
}

void TestProgramFolder::readOnlyInstalledFolderFallsBackToSeededUserFolder()
{
    QTemporaryDir dir;
    const QString installed = dir.filePath(QStringLiteral("installed"));
    const QString user = dir.filePath(QStringLiteral("share/larkspur"));
    writeFile(installed + QStringLiteral("/description1.def"), "Kitchen\r\n\tDrawer\r\n");
    writeFile(installed + QStringLiteral("/description10.def"), "Insured\r\n");
    writeFile(installed + QStringLiteral("/help/index.htm"), "<p>Help</p>");
    writeFile(installed + QStringLiteral("/help/pictures/logo.png"), "PNG");
    writeFile(installed + QStringLiteral("/larkspur"), "program");
    writeFile(installed + QStringLiteral("/go.htm"), "stale");
    // An installed copy is often read only; the user's copy must still take Make Default.
    QFile::setPermissions(installed + QStringLiteral("/description1.def"),
        QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);

    QCOMPARE(QtProgramFolder::resolve(installed, false, user), user);

    QCOMPARE(readFile(user + QStringLiteral("/description1.def")), "Kitchen\r\n\tDrawer\r\n");
    QCOMPARE(readFile(user + QStringLiteral("/description10.def")), "Insured\r\n");
    QCOMPARE(readFile(user + QStringLiteral("/help/index.htm")), "<p>Help</p>");
    QCOMPARE(readFile(user + QStringLiteral("/help/pictures/logo.png")), "PNG");
    QVERIFY(!QFileInfo::exists(user + QStringLiteral("/larkspur")));
    QVERIFY(!QFileInfo::exists(user + QStringLiteral("/go.htm")));
    QVERIFY(QFile::permissions(user + QStringLiteral("/description1.def"))
                .testFlag(QFileDevice::WriteOwner));
}

void TestProgramFolder::seedingKeepsTheUsersFiles()
{
    QTemporaryDir dir;
    const QString installed = dir.filePath(QStringLiteral("installed"));
    const QString user = dir.filePath(QStringLiteral("user"));
    writeFile(installed + QStringLiteral("/description1.def"), "Kitchen\r\n");
    writeFile(installed + QStringLiteral("/description2.def"), "Chairs\r\n");
    writeFile(user + QStringLiteral("/description1.def"), "My own\r\n");

    QCOMPARE(QtProgramFolder::resolve(installed, false, user), user);
    QCOMPARE(readFile(user + QStringLiteral("/description1.def")), "My own\r\n");
    QCOMPARE(readFile(user + QStringLiteral("/description2.def")), "Chairs\r\n");
}

void TestProgramFolder::uncreatableUserFolderFallsBackToInstalled()
{
    QTemporaryDir dir;
    const QString installed = dir.filePath(QStringLiteral("installed"));
    writeFile(installed + QStringLiteral("/description1.def"), "Kitchen\r\n");
    const QString blocker = dir.filePath(QStringLiteral("blocker"));
    writeFile(blocker, "a file, not a folder");
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("cannot create")));
    QCOMPARE(QtProgramFolder::resolve(installed, false, blocker + QStringLiteral("/larkspur")),
        installed);
}

void TestProgramFolder::isWritableFolder()
{
    QTemporaryDir dir;
    QVERIFY(QtProgramFolder::isWritableFolder(dir.path()));
    QVERIFY(QDir(dir.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                .isEmpty()); // the probe leaves nothing behind
    QVERIFY(!QtProgramFolder::isWritableFolder(dir.filePath(QStringLiteral("missing"))));
    writeFile(dir.filePath(QStringLiteral("file")), "x");
    QVERIFY(!QtProgramFolder::isWritableFolder(dir.filePath(QStringLiteral("file"))));
    // Not even the superuser may create files here.
    QVERIFY(!QtProgramFolder::isWritableFolder(QStringLiteral("/proc")));
}

void TestProgramFolder::readOnlyPermissionsAreNotWritable()
{
    if (geteuid() == 0)
        QSKIP("permission bits do not bind the superuser");
    QTemporaryDir dir;
    const QString readOnly = dir.filePath(QStringLiteral("readonly"));
    QVERIFY(QDir().mkpath(readOnly));
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const bool writable = QtProgramFolder::isWritableFolder(readOnly);
    QFile::setPermissions(
        readOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QVERIFY(!writable);
}

QTEST_GUILESS_MAIN(TestProgramFolder)
#include "tst_programfolder.moc"
