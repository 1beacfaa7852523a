// The record window's Images page and Change Picture Path: slots on tabs, titles written at
// once, choosing and clearing files, the frame's texts, Auto Size and the path rewriting.
#include <cstring>

#include <QAction>
#include <QBuffer>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include "platform/dialogs.h"
#include "recordwindow/picturepage.h"
#include "store/picturepath.h"
#include "recordwindow/tview.h"
#include "tests/support/apptest.h"
#include "tests/support/heifpictures.h"
#include "tests/support/testpictures.h"

using namespace TestPictures;

namespace {

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format, 100))
        qFatal("no %s writer: install qt6-image-formats-plugins", format);
    return bytes;
}

struct Fixture
{
    AppTest t;
    std::unique_ptr<TView> v;

    Fixture()
    {
        v = std::make_unique<TView>(t.ctx);
        t.activation.activate(v.get());
        t.store.clear();
        for (int i = 1; i <= 3; ++i) {
            ItemRecord r;
            r.setName(QStringLiteral("Item %1").arg(i));
            for (int s = 1; s <= 6; ++s)
                r.setPictureTitle(s, QStringLiteral("Untitled %1").arg(s));
            t.store.append(r);
        }
        v->GetRecord(0);
        v->findChild<QTabWidget *>(QStringLiteral("RecordBook"))->setCurrentWidget(page());
        v->resize(700, 520);
        v->show();
    }
    PicturePage *page() const { return v->findChild<PicturePage *>(QStringLiteral("ImagesPage")); }
    QTabBar *book() const { return v->findChild<QTabBar *>(QStringLiteral("ImageBook")); }
    QLineEdit *title() const { return v->findChild<QLineEdit *>(QStringLiteral("ImageTitle")); }
    QString status() const
    {
        QLabel *l = page()->status();
        return l->isVisibleTo(page()) ? l->text() : QString();
    }
    QString write(const QString &name, const QByteArray &bytes) const
    {
        const QString path = t.path(name);
        writeFile(path, bytes);
        return path;
    }
    // Shows record i with slot 1 holding `file`.
    void showWith(const QString &file, int i = 0)
    {
        t.store.at(i).setPictureFile(1, file);
        v->GetRecord(i);
    }
};

} // namespace

class TestPicturePage : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void frameTexts_data();
    void frameTexts();
    void turnedPhotoStandsUpright();
    void titleIsWrittenAtOnce();
    void choosingAndCancelling();
    void clearing();
    void autoSizeIsAWindowSetting();
    void pathParts_data();
    void pathParts();
    void changePicturePath_data();
    void changePicturePath();
    void changePicturePathAnsweredNo();
};

void TestPicturePage::frameTexts_data()
{
    QTest::addColumn<QString>("name"); // "" for no file, "-" prefix for a file not written
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QSize>("picture"); // empty: no picture
    const QByteArray jpeg = jpegBytes(halves(40, 30));
    QTest::newRow("no file") << "" << QByteArray() << "No Image File Selected" << QSize();
    QTest::newRow("photo.jpeg") << "photo.jpeg" << jpeg << "" << QSize(40, 30);
    QTest::newRow("scan.JPG") << "scan.JPG" << jpeg << "" << QSize(40, 30);
    QTest::newRow("scan.bmp") << "scan.bmp" << bmpBytes(qRgb(1, 2, 3), qRgb(4, 5, 6)) << ""
                              << QSize(2, 2);
    QTest::newRow("old.pcx to the library")
        << "old.pcx" << pcxBytes(halves(12, 8)) << "" << QSize(12, 8);
    QTest::newRow("missing file") << "-gone.jpg" << QByteArray() << "Image File is Not Valid"
                                  << QSize();
    QTest::newRow("missing gif") << "-gone.GIF" << QByteArray() << "Image File is Not Valid"
                                 << QSize();
    QTest::newRow("damaged jpeg") << "cut.jpg" << jpeg.left(jpeg.size() / 2)
                                  << "Image File is Not Valid" << QSize();
    QTest::newRow("unknown extension")
        << "notes.txt" << QByteArray("hello") << "Image File is Not Valid" << QSize();
    QTest::newRow("gif holding text")
        << "PHOTO.GIF" << QByteArray("text") << "Image File is Not Valid" << QSize();
    // Whatever the album draws opens here too.
    QTest::newRow("photo.png") << "photo.png" << encoded(halves(30, 20), "png") << ""
                               << QSize(30, 20);
    QTest::newRow("photo.webp") << "photo.webp" << encoded(halves(30, 20), "webp") << ""
                                << QSize(30, 20);
    QTest::newRow("phone.HEIC") << "phone.HEIC" << heifBytes(halves(64, 48)) << ""
                                << QSize(64, 48);
    QTest::newRow("damaged heic") << "cut.heic" << heifBytes(halves(64, 48)).left(200)
                                  << "Image File is Not Valid" << QSize();
}

void TestPicturePage::frameTexts()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, status);
    QFETCH(QSize, picture);
    Fixture f;
    // A picture first, so a rejected file must not leave it standing.
    f.showWith(f.write(QStringLiteral("first.bmp"), bmpBytes(qRgb(9, 9, 9), qRgb(9, 9, 9))), 1);
    QString path;
    if (name.startsWith(u'-'))
        path = f.t.path(name.mid(1));
    else if (!name.isEmpty())
        path = f.write(name, bytes);
    f.showWith(path);
    QCOMPARE(f.status(), status);
    QCOMPARE(f.page()->frame()->image().size(), picture.isEmpty() ? QSize(0, 0) : picture);
    if (name.startsWith(u"ph")) {
        // The picture itself, not merely its size: red left half, blue right half.
        QVERIFY(isReddish(f.page()->frame()->image().pixel(2, picture.height() / 2)));
        QVERIFY(isBluish(f.page()->frame()->image().pixel(picture.width() - 3, picture.height() / 2)));
    }
    QVERIFY(f.t.dialogs.shown.isEmpty());
}

void TestPicturePage::turnedPhotoStandsUpright()
{
    Fixture f;
    f.showWith(f.write(QStringLiteral("phone.jpg"), jpegWithOrientation(halves(64, 32), 6)));
    const QImage &img = f.page()->frame()->image();
    QCOMPARE(img.size(), QSize(32, 64));
    QVERIFY(isReddish(img.pixel(16, 4)));
    QVERIFY(isBluish(img.pixel(16, 60)));
}

void TestPicturePage::titleIsWrittenAtOnce()
{
    Fixture f;
    f.book()->setCurrentIndex(1);
    QCOMPARE(f.title()->text(), QStringLiteral("Untitled 2"));
    f.title()->selectAll();
    QTest::keyClicks(f.title(), QStringLiteral("Front view"));
    QCOMPARE(f.t.store.at(0).pictureTitle(2), QStringLiteral("Front view"));
    f.book()->setCurrentIndex(4);
    QCOMPARE(f.title()->text(), QStringLiteral("Untitled 5"));
    f.book()->setCurrentIndex(1);
    QCOMPARE(f.title()->text(), QStringLiteral("Front view"));
    // The slot stays selected when another record is shown.
    f.v->GetRecord(1);
    QCOMPARE(f.page()->selectedSlot(), 2);
    QCOMPARE(f.title()->text(), QStringLiteral("Untitled 2"));
    QCOMPARE(f.t.store.at(1).pictureTitle(2), QStringLiteral("Untitled 2"));
}

void TestPicturePage::choosingAndCancelling()
{
    Fixture f;
    const QString photo = f.write(QStringLiteral("photo.jpeg"), jpegBytes(halves(20, 10)));
    f.book()->setCurrentIndex(2);
    f.t.dialogs.file(photo);
    f.v->findChild<QPushButton *>(QStringLiteral("SelectPicture"))->click();
    QCOMPARE(f.t.dialogs.shown.size(), 1);
    // All picture types first, the single types kept after it.
    const QStringList filters = qtNameFilters(f.t.dialogs.shown[0].file.filter);
    QCOMPARE(f.t.dialogs.shown[0].file.filterIndex, 0);
    QVERIFY(filters.value(0).startsWith(QStringLiteral("All Pictures (")));
    for (const char *pattern : { "*.jpg", "*.png", "*.gif", "*.pcx", "*.webp", "*.heic" })
        QVERIFY2(filters.value(0).contains(QLatin1String(pattern)), pattern);
    QCOMPARE(filters.mid(1),
        qtNameFilters(QStringLiteral(
            "Windows Bitmap|*.bmp|JPEG Bitmat|*.jpg|PCX Bitmap|*.pcx|GIF Bitmap|*.gif")));
    QCOMPARE(f.t.store.at(0).pictureFile(3), photo);
    QCOMPARE(f.page()->frame()->image().size(), QSize(20, 10));
    // Cancelled: the slot keeps its file, the dialog started on it.
    f.t.dialogs.file(QString());
    f.v->findChild<QPushButton *>(QStringLiteral("SelectPicture"))->click();
    QCOMPARE(f.t.dialogs.shown[1].file.fileName, photo);
    QCOMPARE(f.t.store.at(0).pictureFile(3), photo);
    QCOMPARE(f.page()->pictureFile(), photo);
}

void TestPicturePage::clearing()
{
    Fixture f;
    f.showWith(f.write(QStringLiteral("photo.jpg"), jpegBytes(halves(20, 10))));
    f.v->findChild<QPushButton *>(QStringLiteral("ClearPicture"))->click();
    QVERIFY(f.t.store.at(0).pictureFile(1).isEmpty());
    QVERIFY(!f.page()->frame()->isVisibleTo(f.page()));
    QCOMPARE(f.status(), QString()); // the frame stays empty until shown again
    f.v->storeCurrent();
    QVERIFY(f.t.store.at(0).pictureFile(1).isEmpty());
    f.v->GetRecord(0);
    QCOMPARE(f.status(), QStringLiteral("No Image File Selected"));
}

void TestPicturePage::autoSizeIsAWindowSetting()
{
    Fixture f;
    const QString photo = f.write(QStringLiteral("photo.jpg"), jpegBytes(halves(20, 10)));
    f.t.store.at(1).setPictureFile(1, photo);
    f.showWith(photo);
    auto *tick = f.v->findChild<QCheckBox *>(QStringLiteral("AutoSizeImage"));
    QVERIFY(!tick->isChecked());
    QVERIFY(!f.page()->frame()->stretch());
    tick->click();
    QVERIFY(f.page()->frame()->stretch());
    f.v->GetRecord(1);
    QVERIFY(tick->isChecked());
    QVERIFY(f.page()->frame()->stretch());
    QVERIFY(!f.t.store.at(1).pictureAutoSize(1)); // the record's flag is only carried
    // Stretched, the frame's pixels are all the picture's: red on the left, blue on the right.
    const QImage shot = f.page()->frame()->grab().toImage();
    QVERIFY(isReddish(shot.pixel(5, shot.height() - 5)));
    QVERIFY(isBluish(shot.pixel(shot.width() - 5, shot.height() - 5)));
}

void TestPicturePage::pathParts_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("old");
    QTest::addColumn<QString>("result");
    QTest::newRow("D:\\Pictures") << "D:\\Pictures"
                                  << "C:\\Old\\cat.jpg"
                                  << "D:\\Pictures\\cat.jpg";
    QTest::newRow("D:\\Pictures\\") << "D:\\Pictures\\"
                                    << "C:\\Old\\cat.jpg"
                                    << "D:\\Pictures\\cat.jpg";
    QTest::newRow("unix folder") << "/home/ann/Pictures"
                                 << "C:\\Old\\cat.jpg"
                                 << "/home/ann/Pictures/cat.jpg";
    QTest::newRow("unix folder with /") << "/home/ann/Pictures/"
                                        << "/media/old/cat.jpg"
                                        << "/home/ann/Pictures/cat.jpg";
    QTest::newRow("drive only") << "/mnt/photos"
                                << "C:cat.jpg"
                                << "/mnt/photos/cat.jpg";
    QTest::newRow("bare name") << "/mnt/photos"
                               << "cat.jpg"
                               << "/mnt/photos/cat.jpg";
}

void TestPicturePage::pathParts()
{
    QFETCH(QString, folder);
    QFETCH(QString, old);
    QFETCH(QString, result);
    QCOMPARE(PicturePath::join(folder, PicturePath::fileNamePart(old)), result);
}

void TestPicturePage::changePicturePath_data()
{
    QTest::addColumn<QString>("answer"); // "" is also what a cancelled input box returns
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QStringList>("messages");
    const QString cat = QStringLiteral("C:\\Old\\cat.jpg");
    QTest::newRow("new folder")
        << "D:\\Pictures"
        << "D:\\Pictures\\cat.jpg"
        << QStringList { QStringLiteral("Picture file path will be changed to D:\\Pictures for all "
                                        "records.  Are you sure you want to continue ?"),
               QStringLiteral("Picture file path has been changed.") };
    QTest::newRow("cancelled input box")
        << "" << cat
        << QStringList { QStringLiteral("Picture file path will be changed to  for all records.  "
                                        "Are you sure you want to continue ?") };
}

void TestPicturePage::changePicturePath()
{
    QFETCH(QString, answer);
    QFETCH(QString, expected);
    QFETCH(QStringList, messages);
    Fixture f;
    f.t.store.at(1).setPictureFile(1, QStringLiteral("C:\\Old\\cat.jpg"));
    f.t.store.at(2).setPictureFile(6, QStringLiteral("/media/cd/dog.bmp"));
    // The record on screen moves too, though every box deactivates the window and stores it.
    f.t.store.at(0).setPictureFile(1, QStringLiteral("C:\\Old\\shown.jpg"));
    f.v->GetRecord(0);
    // An edit in the window not yet stored goes in first.
    f.v->findChild<QLineEdit *>(QStringLiteral("RecordName"))->setText(QStringLiteral("Edited"));
    f.t.dialogs.input(answer);
    f.t.dialogs.answer(Dialogs::Answer::Yes);
    f.v->findChild<QAction *>(QStringLiteral("ChangePicturePath1"))->trigger();
    QCOMPARE(f.t.dialogs.shown[0].text, QStringLiteral("New Path|Please enter new path:|"));
    QCOMPARE(f.t.dialogs.texts(), messages);
    QCOMPARE(f.t.store.at(1).pictureFile(1), expected);
    QVERIFY(f.t.store.at(0).pictureFile(2).isEmpty()); // an empty slot stays empty
    QVERIFY(f.t.store.at(1).pictureFile(2).isEmpty());
    if (!answer.isEmpty()) {
        QCOMPARE(f.t.store.at(2).pictureFile(6), QStringLiteral("D:\\Pictures\\dog.bmp"));
        QCOMPARE(f.t.store.at(0).name(), QStringLiteral("Edited"));
        QCOMPARE(f.t.store.at(0).pictureFile(1), QStringLiteral("D:\\Pictures\\shown.jpg"));
        f.v->storeCurrent(); // what the window shows now is the moved path, too
        QCOMPARE(f.t.store.at(0).pictureFile(1), QStringLiteral("D:\\Pictures\\shown.jpg"));
    } else {
        QCOMPARE(f.t.store.at(0).pictureFile(1), QStringLiteral("C:\\Old\\shown.jpg"));
    }
}

void TestPicturePage::changePicturePathAnsweredNo()
{
    Fixture f;
    f.t.store.at(1).setPictureFile(1, QStringLiteral("C:\\Old\\cat.jpg"));
    f.t.dialogs.input(QStringLiteral("/new"));
    f.t.dialogs.answer(Dialogs::Answer::No);
    f.v->findChild<QAction *>(QStringLiteral("ChangePicturePath1"))->trigger();
    QCOMPARE(f.t.dialogs.texts().size(), 1);
    QCOMPARE(f.t.store.at(1).pictureFile(1), QStringLiteral("C:\\Old\\cat.jpg"));
}

QTEST_MAIN(TestPicturePage)
#include "test_picturepage.moc"
