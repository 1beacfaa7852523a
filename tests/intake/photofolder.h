// A folder of photos made for the tests: EXIF dates and orientations written by exiftool, a
// damaged photo, a text file named .jpg, folders named after Location nodes and one that is not.
#pragma once

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "store/recordstore.h"
#include "tests/support/testpictures.h"

// Locations as a pick menu offers them.
inline const QString LocationTree = QStringLiteral("Kitchen\r\nGarage\r\n\tShelf\r\n");

struct PhotoFolder
{
    QTemporaryDir dir;
    QString root; // the folder the user picks: <tmp>/photos
    QDateTime base { QDate(2026, 12, 8), QTime(10, 0, 0) };
    QStringList exiftoolArgs;

    QString write(const QString &relative, const QByteArray &bytes)
    {
        const QString path = root + QLatin1Char('/') + relative;
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }
    // A photo taken `seconds` after base, by its EXIF date; orientation 0 writes none.
    QString photo(const QString &relative, int seconds, int orientation = 0)
    {
        const QString path = write(relative, TestPictures::jpegBytes(TestPictures::halves(80, 40)));
        exiftoolArgs << QStringLiteral("-overwrite_original")
                     << (QStringLiteral("-DateTimeOriginal=")
                            + base.addSecs(seconds).toString(QStringLiteral("yyyy:MM:dd HH:mm:ss")));
        if (orientation)
            exiftoolArgs << QStringLiteral("-Orientation#=%1").arg(orientation);
        exiftoolArgs << path << QStringLiteral("-execute");
        return path;
    }
    // A photo with no EXIF date: its modification time tells.
    QString undated(const QString &relative, const QDateTime &modified)
    {
        const QString path = write(relative, TestPictures::jpegBytes(TestPictures::halves(40, 80)));
        QFile f(path);
        if (!f.open(QIODevice::ReadWrite) || !f.setFileTime(modified, QFileDevice::FileModificationTime))
            qFatal("cannot set the time of %s", qPrintable(path));
        return path;
    }

    PhotoFolder()
    {
        root = dir.filePath(QStringLiteral("photos"));
        // Kitchen: two taken 10 s apart, one 100 s later.
        photo(QStringLiteral("Kitchen/IMG_2041.jpg"), 0);
        photo(QStringLiteral("Kitchen/IMG_2042.jpg"), 10);
        photo(QStringLiteral("Kitchen/IMG_2043.jpg"), 110);
        // Garage/Shelf: eight in 5 s steps, the first turned by its orientation; six and two.
        photo(QStringLiteral("Garage/Shelf/blue_vase-01.jpg"), 1000, 6);
        for (int i = 2; i <= 8; ++i)
            photo(QStringLiteral("Garage/Shelf/blue_vase-%1.jpg").arg(i, 2, 10, QLatin1Char('0')), 1000 + 5 * i, 3);
        // Attic is no Location node: no EXIF date; a note, a text named .jpg, a damaged photo.
        undated(QStringLiteral("Attic/PXL_20261208_101500123.jpg"), QDateTime(QDate(2025, 3, 4), QTime(12, 0)));
        write(QStringLiteral("Attic/notes.txt"), "not a picture\n");
        write(QStringLiteral("Attic/list.jpg"), "a text file named like a photo\n");
        write(QStringLiteral("Attic/damaged.jpg"), TestPictures::jpegBytes(TestPictures::halves(80, 40)).left(60));
        QFile args(dir.filePath(QStringLiteral("exiftool.args")));
        if (!args.open(QIODevice::WriteOnly))
            qFatal("cannot write the exiftool arguments");
        args.write(exiftoolArgs.join(QLatin1Char('\n')).toUtf8() + '\n');
        args.close();
        QProcess exiftool;
        exiftool.start(QStringLiteral("exiftool"), { QStringLiteral("-q"), QStringLiteral("-@"), args.fileName() });
        if (!exiftool.waitForFinished(120000) || exiftool.exitCode() != 0)
            qFatal("exiftool failed: %s", exiftool.readAllStandardError().constData());
    }
};

inline void prepareStore(RecordStore &store)
{
    store.categoryTexts[8] = LocationTree;
}
