// The help window over the installed help pages: topics, context numbers, fallbacks, links.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include "platform/helpviewer.h"

namespace {

QString programFolder()
{
    return qEnvironmentVariable("LARKSPUR_DATA_DIR");
}

QString helpFolder()
{
    return QDir(programFolder()).filePath(QStringLiteral("help"));
}

QTextBrowser *browserOf(const QtHelpViewer &viewer)
{
    return viewer.window()
        ? viewer.window()->findChild<QTextBrowser *>(QStringLiteral("HelpBrowser"))
        : nullptr;
}

QLabel *noticeOf(const QtHelpViewer &viewer)
{
    return viewer.window()->findChild<QLabel *>(QStringLiteral("HelpNotice"));
}

QString shownPage(const QtHelpViewer &viewer)
{
    return QFileInfo(browserOf(viewer)->source().toLocalFile()).fileName();
}

} // namespace

class TestHelpViewer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(QFileInfo::exists(helpFolder()), qPrintable(helpFolder())); }

    void contents()
    {
        QtHelpViewer viewer(programFolder());
        QVERIFY(!viewer.window());
        viewer.showContents(QStringLiteral("Larkhelp.hlp"));
        QVERIFY(viewer.window() && viewer.window()->isVisible());
        QCOMPARE(viewer.window()->windowTitle(), QStringLiteral("Larkspur Cataloguer Help"));
        QCOMPARE(shownPage(viewer), QStringLiteral("index.html"));
        QCOMPARE(browserOf(viewer)->documentTitle(), QStringLiteral("Larkspur Cataloguer Help"));
        QVERIFY(noticeOf(viewer)->isHidden());
        // The help file asked for is shown; both files show the same pages.
        QCOMPARE(viewer.helpFile(), QStringLiteral("Larkhelp.hlp"));
        auto *file = viewer.window()->findChild<QLabel *>(QStringLiteral("HelpFile"));
        QVERIFY(file->text().contains(QStringLiteral("Larkhelp.hlp")));
        viewer.showContents(QStringLiteral("Larkspur.hlp"));
        QCOMPARE(shownPage(viewer), QStringLiteral("index.html"));
        QVERIFY(file->text().contains(QStringLiteral("Larkspur.hlp")));
    }

    void topic_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("pageTitle");
        QTest::newRow("Introduction") << "Introduction"
                                      << "introduction.html"
                                      << "Introduction";
        QTest::newRow("Getting Started") << "Getting Started"
                                         << "getting-started.html"
                                         << "Getting Started";
        QTest::newRow("Search Function") << "Search Function"
                                         << "search.html"
                                         << "Search Function";
        QTest::newRow("Spreadsheet View") << "Spreadsheet View"
                                          << "spreadsheet.html"
                                          << "Spreadsheet View";
        QTest::newRow("Album View") << "Album View"
                                    << "album.html"
                                    << "Album View";
        QTest::newRow("Graph Function") << "Graph Function"
                                        << "graph.html"
                                        << "Graph Function";
        QTest::newRow("HTML Reports") << "HTML Reports"
                                      << "html-reports.html"
                                      << "HTML Reports";
        QTest::newRow("Regular Reports") << "Regular Reports"
                                         << "regular-reports.html"
                                         << "Regular Reports";
        QTest::newRow("Customizing the Software") << "Customizing the Software"
                                                  << "customizing.html"
                                                  << "Customizing the Software";
        QTest::newRow("letter case ignored") << "search function"
                                             << "search.html"
                                             << "Search Function";
    }

    void topic()
    {
        QFETCH(QString, title);
        QFETCH(QString, page);
        QFETCH(QString, pageTitle);
        QtHelpViewer viewer(programFolder());
        viewer.showTopic(QStringLiteral("Larkhelp.hlp"), title);
        QCOMPARE(shownPage(viewer), page);
        QCOMPARE(browserOf(viewer)->documentTitle(), pageTitle);
        QVERIFY(noticeOf(viewer)->isHidden());
        // The contents list marks the page shown.
        auto *list = viewer.window()->findChild<QListWidget *>(QStringLiteral("HelpContents"));
        QVERIFY(list->currentItem());
        QCOMPARE(list->currentItem()->text().toLower(), pageTitle.toLower());
    }

    void context_data()
    {
        QTest::addColumn<int>("context");
        QTest::addColumn<QString>("page");
        QTest::newRow("record window") << 1000 << "record-window.html";
        QTest::newRow("search") << 2000 << "search.html";
        QTest::newRow("report designer") << 3000 << "regular-reports.html";
        QTest::newRow("album") << 6000 << "album.html";
        QTest::newRow("spreadsheet") << 7000 << "spreadsheet.html";
    }

    void context()
    {
        QFETCH(int, context);
        QFETCH(QString, page);
        QtHelpViewer viewer(programFolder());
        viewer.showContext(QStringLiteral("Larkspur.hlp"), context);
        QCOMPARE(shownPage(viewer), page);
        QVERIFY(noticeOf(viewer)->isHidden());
        QCOMPARE(viewer.helpFile(), QStringLiteral("Larkspur.hlp"));
    }

    // An unknown topic or context shows the contents with a line saying so, which goes away once
    // a known page is shown.
    void unknownFallsBackToContents()
    {
        QtHelpViewer viewer(programFolder());
        viewer.showTopic(QStringLiteral("Larkhelp.hlp"), QStringLiteral("Juggling"));
        QCOMPARE(shownPage(viewer), QStringLiteral("index.html"));
        QVERIFY(!noticeOf(viewer)->isHidden());
        QCOMPARE(
            noticeOf(viewer)->text(), QStringLiteral("The help topic \"Juggling\" was not found."));

        viewer.showTopic(QStringLiteral("Larkhelp.hlp"), QStringLiteral("Album View"));
        QCOMPARE(shownPage(viewer), QStringLiteral("album.html"));
        QVERIFY(noticeOf(viewer)->isHidden());

        viewer.showContext(QStringLiteral("Larkhelp.hlp"), 4242);
        QCOMPARE(shownPage(viewer), QStringLiteral("index.html"));
        QVERIFY(!noticeOf(viewer)->isHidden());
        QVERIFY(noticeOf(viewer)->text().contains(QStringLiteral("4242")));
    }

    // The contents list and the Back and Forward buttons move between pages.
    void navigation()
    {
        QtHelpViewer viewer(programFolder());
        viewer.showContents(QStringLiteral("Larkhelp.hlp"));
        auto *list = viewer.window()->findChild<QListWidget *>(QStringLiteral("HelpContents"));
        const auto found = list->findItems(QStringLiteral("Graph Function"), Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        const QRect at = list->visualItemRect(found.first());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at.center());
        QCOMPARE(shownPage(viewer), QStringLiteral("graph.html"));

        auto *back = viewer.window()->findChild<QAction *>(QStringLiteral("HelpBackAction"));
        auto *forward = viewer.window()->findChild<QAction *>(QStringLiteral("HelpForwardAction"));
        QVERIFY(back->isEnabled());
        back->trigger();
        QCOMPARE(shownPage(viewer), QStringLiteral("index.html"));
        QVERIFY(forward->isEnabled());
        forward->trigger();
        QCOMPARE(shownPage(viewer), QStringLiteral("graph.html"));
        viewer.window()->findChild<QAction *>(QStringLiteral("HelpContentsAction"))->trigger();
        QCOMPARE(shownPage(viewer), QStringLiteral("index.html"));
    }

    // A program folder without help pages shows a message instead of failing.
    void missingPages()
    {
        QTemporaryDir dir;
        QtHelpViewer viewer(dir.path());
        viewer.showTopic(QStringLiteral("Larkhelp.hlp"), QStringLiteral("Introduction"));
        QVERIFY(viewer.window()->isVisible());
        QVERIFY(!noticeOf(viewer)->isHidden());
        QVERIFY(noticeOf(viewer)->text().startsWith(QStringLiteral("The help pages are missing")));
    }

    // Every page the index names exists, every title of the contents is a distinct page, and
    // every link between pages leads to a page that exists.
    void pagesAndLinksExist()
    {
        const QDir folder(helpFolder());
        const HelpTopics topics = HelpTopics::load(folder.filePath(QStringLiteral("topics.txt")));
        QVERIFY(topics.titles.size() >= 9);
        QCOMPARE(topics.contexts.size(), 5);
        QStringList pages { QStringLiteral("index.html") };
        for (const auto &e : topics.titles)
            pages << e.page;
        for (const auto &c : topics.contexts)
            pages << c.second;
        pages.removeDuplicates();

        const QRegularExpression href(QStringLiteral("href=\"([^\"#]*)(#[^\"]*)?\""));
        QStringList linkedFromContents;
        for (const QString &page : std::as_const(pages)) {
            QFile f(folder.filePath(page));
            QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(page));
            const QString html = QString::fromUtf8(f.readAll());
            QVERIFY2(html.contains(QStringLiteral("<title>")), qPrintable(page));
            for (auto it = href.globalMatch(html); it.hasNext();) {
                const QString target = it.next().captured(1);
                if (target.isEmpty() || target.contains(u':'))
                    continue; // an anchor on the same page, or an outside address
                QVERIFY2(QFileInfo::exists(folder.filePath(target)),
                    qPrintable(page + QStringLiteral(" links to missing ") + target));
                if (page == QStringLiteral("index.html"))
                    linkedFromContents << target;
            }
        }
        // The contents page leads to every page.
        for (const QString &page : std::as_const(pages))
            if (page != QStringLiteral("index.html"))
                QVERIFY2(linkedFromContents.contains(page), qPrintable(page));
    }
};

QTEST_MAIN(TestHelpViewer)
#include "tst_helpviewer.moc"
