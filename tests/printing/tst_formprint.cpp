// Window-image and detail printing: print sizes, and real jobs into PDF files read back.
#include <optional>

#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include "app/formprint.h"
#include "platform/printer.h"
#include "store/itemrecord.h"

namespace {

QString run(const QString &program, const QStringList &args, bool *ok = nullptr)
{
    QProcess p;
    p.start(program, args);
    const bool done
        = p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (ok)
        *ok = done;
    return QString::fromUtf8(p.readAllStandardOutput());
}

int pdfPages(const QString &pdf)
{
    const QString info = run(QStringLiteral("pdfinfo"), { pdf });
    const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// The text of a PDF laid out as printed, one string per printed line, trailing blanks and page
// breaks dropped.
QStringList pdfTextLines(const QString &pdf)
{
    bool ok = false;
    QString text = run(
        QStringLiteral("pdftotext"), { QStringLiteral("-layout"), pdf, QStringLiteral("-") }, &ok);
    if (!ok)
        return { QStringLiteral("<pdftotext failed>") };
    text.remove(u'\f');
    QStringList lines;
    for (const QString &line : text.split(u'\n')) {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty())
            lines << trimmed;
    }
    return lines;
}

bool near(QColor a, QColor b)
{
    return qAbs(a.red() - b.red()) < 40 && qAbs(a.green() - b.green()) < 40
        && qAbs(a.blue() - b.blue()) < 40;
}

QColor averageColour(const QImage &image, QRect area)
{
    double r = 0, g = 0, b = 0;
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x, ++n) {
            const QColor c = image.pixelColor(x, y);
            r += c.red();
            g += c.green();
            b += c.blue();
        }
    return n ? QColor(int(r / n + 0.5), int(g / n + 0.5), int(b / n + 0.5)) : QColor();
}

// The bounding box of the pixels close to a colour, or of all but white ones.
QRect boxOf(const QImage &image, std::optional<QColor> colour)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (colour ? near(c, *colour) : !near(c, Qt::white))
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

const QColor windowColour(200, 30, 30);
const QColor cornerColour(30, 40, 210);

// A window in one colour with a differently coloured top-left corner, so a drawn image shows
// where it lies and which way up it is.
class ColourWindow : public QWidget
{
public:
    ColourWindow()
    {
        setWindowTitle(QStringLiteral("Colour window"));
        resize(400, 300);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), windowColour);
        p.fillRect(QRect(0, 0, width() / 4, height() / 4), cornerColour);
        // A strip of far more than 256 shades, as antialiased text and gradients give.
        for (int x = 0; x < 400 && gradient; ++x)
            p.fillRect(QRect(x, height() - 8, 1, 8), QColor(x % 256, (x * 7) % 256, 255 - x % 256));
    }

public:
    bool gradient = false;
};

} // namespace

class TestFormPrint : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        for (const char *tool : { "pdfinfo", "pdftotext", "pdfimages", "pdftoppm" })
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                QFAIL(qPrintable(QStringLiteral("%1 (poppler-utils) is not installed")
                                     .arg(QString::fromLatin1(tool))));
    }

    void printSize_data()
    {
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QSize>("page");
        QTest::addColumn<QSize>("expected");
        // Portrait: the page's full width, height scaled by the same factor.
        QTest::newRow("portrait, wide window")
            << QSize(800, 600) << QSize(2480, 3508) << QSize(2480, 1860);
        QTest::newRow("portrait, rounds down") << QSize(3, 2) << QSize(100, 200) << QSize(100, 67);
        QTest::newRow("portrait, half rounds up")
            << QSize(8, 3) << QSize(100, 1000) << QSize(100, 38);
        // Landscape (and square) pages: the page's full height.
        QTest::newRow("landscape") << QSize(800, 600) << QSize(3508, 2480) << QSize(3307, 2480);
        QTest::newRow("landscape, rounds") << QSize(7, 3) << QSize(1000, 500) << QSize(1000, 429);
        QTest::newRow("square page is not portrait")
            << QSize(200, 300) << QSize(1000, 1000) << QSize(667, 1000);
        // A window that would run off the page's other side is shrunk to fit it.
        QTest::newRow("tall window on portrait page")
            << QSize(200, 800) << QSize(1000, 1400) << QSize(350, 1400);
        QTest::newRow("wide window on landscape page")
            << QSize(1000, 200) << QSize(1400, 1000) << QSize(1400, 280);
        QTest::newRow("empty window") << QSize(0, 300) << QSize(1000, 1400) << QSize();
        QTest::newRow("empty page") << QSize(300, 300) << QSize(0, 0) << QSize();
    }

    void printSize()
    {
        QFETCH(QSize, window);
        QFETCH(QSize, page);
        QFETCH(QSize, expected);
        QCOMPARE(formPrintSize(window, page), expected);
    }

    void captureIsIndexedWithFullColourTable_data()
    {
        QTest::addColumn<bool>("gradient");
        QTest::newRow("few colours") << false;
        QTest::newRow("many colours") << true;
    }

    // A window of few colours comes through exactly; one of more than 256 keeps every area's
    // colour on average (the table spans the colours, dithering does the rest).
    void captureIsIndexedWithFullColourTable()
    {
        QFETCH(bool, gradient);
        ColourWindow w;
        w.gradient = gradient;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QImage image = captureWindowImage(&w);
        QCOMPARE(image.format(), QImage::Format_Indexed8);
        QCOMPARE(image.colorCount(), 256);
        QVERIFY(image.width() >= w.width() && image.height() >= w.height());
        const QPoint inside(image.width() - (w.width() / 2), image.height() - (w.height() / 2));
        const QPoint corner(image.width() - w.width() + 10, image.height() - w.height() + 10);
        if (!gradient) {
            QCOMPARE(image.pixelColor(inside), windowColour);
            QCOMPARE(image.pixelColor(corner), cornerColour);
        } else {
            QVERIFY(near(averageColour(image, QRect(inside, QSize(24, 24))), windowColour));
            QVERIFY(near(averageColour(image, QRect(corner, QSize(24, 24))), cornerColour));
        }
    }

    void windowImageFillsThePage_data()
    {
        QTest::addColumn<QPageLayout::Orientation>("orientation");
        QTest::newRow("portrait") << QPageLayout::Portrait;
        QTest::newRow("landscape") << QPageLayout::Landscape;
    }

    // Printed into a PDF, rendered back at 72 dots per inch (one pixel per point): the window's
    // image starts at the printable area's top-left corner and spans its width (portrait) or
    // height (landscape).
    void windowImageFillsThePage()
    {
        QFETCH(QPageLayout::Orientation, orientation);
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("form.pdf"));
        ColourWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QSize captured = captureWindowImage(&w).size();

        PdfPrinter printer(pdf, orientation, 150);
        QCOMPARE(printer.orientation(), orientation);
        const QRectF area = printer.pageLayout().paintRectPoints();
        QVERIFY(FormPrint(&w, printer));
        QCOMPARE(pdfPages(pdf), 1);

        // The whole window image is embedded once, at its own pixel size.
        const QString list = run(QStringLiteral("pdfimages"), { QStringLiteral("-list"), pdf });
        const auto m
            = QRegularExpression(QStringLiteral("^\\s*1\\s+\\d+\\s+image\\s+(\\d+)\\s+(\\d+)"),
                QRegularExpression::MultilineOption)
                  .match(list);
        QVERIFY2(m.hasMatch(), qPrintable(list));
        QCOMPARE(QSize(m.captured(1).toInt(), m.captured(2).toInt()), captured);

        const QString base = dir.filePath(QStringLiteral("page"));
        bool ok = false;
        run(QStringLiteral("pdftoppm"),
            { QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-png"),
                QStringLiteral("-singlefile"), pdf, base },
            &ok);
        QVERIFY(ok);
        const QImage page(base + QStringLiteral(".png"));
        QVERIFY(!page.isNull());
        // The window's frame is part of the image, so the image is everything that is not paper.
        const QRect drawn = boxOf(page, std::nullopt);
        const QRect corner = boxOf(page, cornerColour);
        QVERIFY(!drawn.isEmpty());
        const int tolerance = 2;
        QVERIFY2(qAbs(drawn.left() - area.left()) <= tolerance,
            qPrintable(QString::number(drawn.left())));
        QVERIFY2(
            qAbs(drawn.top() - area.top()) <= tolerance, qPrintable(QString::number(drawn.top())));
        if (orientation == QPageLayout::Portrait) {
            QVERIFY2(qAbs(drawn.width() - area.width()) <= tolerance,
                qPrintable(QString::number(drawn.width())));
            QVERIFY(drawn.height() < area.height());
        } else {
            QVERIFY2(qAbs(drawn.height() - area.height()) <= tolerance,
                qPrintable(QString::number(drawn.height())));
            QVERIFY(drawn.width() < area.width());
        }
        // Proportions kept, and the right way up.
        QVERIFY(qAbs(double(drawn.width()) / drawn.height()
                    - double(captured.width()) / captured.height())
            < 0.02);
        QVERIFY(!corner.isEmpty());
        QVERIFY(corner.left() - drawn.left() <= 2 * tolerance);
        QVERIFY(corner.top() - drawn.top() <= 2 * tolerance);
        QVERIFY(qAbs(corner.width() - drawn.width() / 4) <= 2 * tolerance);
    }

    void detailLines_data()
    {
        QTest::addColumn<QStringList>("keywords");
        QTest::addColumn<QStringList>("history");
        QTest::addColumn<QStringList>("notes");
        QTest::addColumn<QStringList>("expected");
        const QStringList none;
        const QStringList notes { QStringLiteral("Bought at the county fair"),
            QStringLiteral("Lid repaired in 2019"), QStringLiteral("Keep out of the sun") };
        QTest::newRow("only notes") << none << none << notes << notes;
        QTest::newRow("all empty") << none << none << none << none;
        QTest::newRow("in box order")
            << QStringList { QStringLiteral("oak"), QStringLiteral("chest") }
            << QStringList { QStringLiteral("From grandmother") }
            << QStringList { QStringLiteral("Heavy") }
            << QStringList { QStringLiteral("oak"), QStringLiteral("chest"),
                   QStringLiteral("From grandmother"), QStringLiteral("Heavy") };
    }

    // A record's Keywords, History and Notes print as their lines and nothing else.
    void detailLines()
    {
        QFETCH(QStringList, keywords);
        QFETCH(QStringList, history);
        QFETCH(QStringList, notes);
        QFETCH(QStringList, expected);
        ItemRecord record;
        record.setKeywords(keywords);
        record.setHistory(history);
        record.setNotes(notes);
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("detail.pdf"));
        PdfPrinter printer(pdf);
        QVERIFY(printDetailLines(record.keywords() + record.history() + record.notes(), printer));
        QCOMPARE(pdfPages(pdf), 1);
        QCOMPARE(pdfTextLines(pdf), expected);
    }

    // Empty lines keep their place, and a line past the right edge is not wrapped onto another.
    void detailLinesAreNotWrapped()
    {
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("long.pdf"));
        PdfPrinter printer(pdf);
        QString longLine;
        for (int i = 0; i < 40; ++i)
            longLine += QStringLiteral("word%1 ").arg(i);
        QVERIFY(printDetailLines(
            { QStringLiteral("first"), QString(), longLine, QStringLiteral("last") }, printer));
        const QStringList lines = pdfTextLines(pdf);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.at(0), QStringLiteral("first"));
        QVERIFY2(
            lines.at(1).startsWith(QStringLiteral("word0 word1 word2")), qPrintable(lines.at(1)));
        QCOMPARE(lines.at(2), QStringLiteral("last"));

        // The blank line is printed as one: "last" lies three line spacings below "first".
        QProcess p;
        p.start(QStringLiteral("pdftotext"), { QStringLiteral("-bbox"), pdf, QStringLiteral("-") });
        QVERIFY(p.waitForFinished(60000));
        const QString bbox = QString::fromUtf8(p.readAllStandardOutput());
        auto yOf = [&](const QString &word) {
            const auto m
                = QRegularExpression(QStringLiteral("yMin=\"([0-9.]+)\"[^>]*>%1<").arg(word))
                      .match(bbox);
            return m.hasMatch() ? m.captured(1).toDouble() : -1.0;
        };
        const double first = yOf(QStringLiteral("first"));
        const double second = yOf(QStringLiteral("word0"));
        const double last = yOf(QStringLiteral("last"));
        QVERIFY(first >= 0 && second > first && last > second);
        QVERIFY(qAbs((last - first) - 3 * ((second - first) / 2)) < 1.0);
    }

    // Lines go on to new pages when a page is full, none lost or repeated.
    void detailLinesRunOntoNewPages()
    {
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("pages.pdf"));
        PdfPrinter printer(pdf);
        QStringList lines;
        for (int i = 1; i <= 150; ++i)
            lines << QStringLiteral("Line %1").arg(i);
        QVERIFY(printDetailLines(lines, printer));
        QCOMPARE(pdfPages(pdf), 3);
        QCOMPARE(pdfTextLines(pdf), lines);
    }

    void jobThatCannotStartPrintsNothing()
    {
        // A folder that does not exist cannot take the PDF file.
        PdfPrinter printer(QStringLiteral("/nonexistent-folder/x.pdf"));
        QVERIFY(!printDetailLines({ QStringLiteral("x") }, printer));
        ColourWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(!FormPrint(&w, printer));
        QVERIFY(!printer.painter());
    }
};

QTEST_MAIN(TestFormPrint)
#include "tst_formprint.moc"
