// Every toolbar button of every window has a name that a screen reader reads: the buttons show only
// pictures, and a tooltip is not read as a name.
#include <QAccessible>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "album/talbumview.h"
#include "graph/tgraphdisplay.h"
#include "htmlreport/thtmlreport.h"
#include "recordwindow/tview.h"
#include "reports/tprintbox.h"
#include "search/tsearch.h"
#include "spreadsheet/tsnapshot.h"
#include "tests/support/apptest.h"

using namespace Qt::StringLiterals;

class TestAccessibleNames : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void toolbarButtonsAreNamed_data();
    void toolbarButtonsAreNamed();
};

void TestAccessibleNames::toolbarButtonsAreNamed_data()
{
    QTest::addColumn<QString>("window");
    for (const char *w :
        { "record", "spreadsheet", "search", "album", "graph", "html report", "report designer" })
        QTest::newRow(w) << QString::fromLatin1(w);
}

void TestAccessibleNames::toolbarButtonsAreNamed()
{
    QFETCH(QString, window);
    AppTest t;
    TView view(t.ctx);
    t.windows.setWindow(WindowKind::Record, &view);
    std::unique_ptr<QWidget> other;
    if (window == u"spreadsheet")
        other = std::make_unique<TSnapShot>(t.ctx);
    else if (window == u"search")
        other = std::make_unique<TSearch>(t.ctx);
    else if (window == u"album")
        other = std::make_unique<TAlbumView>(t.ctx);
    else if (window == u"graph")
        other = std::make_unique<TGraphDisplay>(t.ctx);
    else if (window == u"html report")
        other = std::make_unique<THTMLReport>(t.ctx);
    else if (window == u"report designer")
        other = std::make_unique<TPrintBox>(t.ctx);
    QWidget *w = other ? other.get() : &view;

    QStringList names, unnamed;
    int buttons = 0;
    for (const QToolBar *bar : w->findChildren<QToolBar *>()) {
        for (QToolButton *b : bar->findChildren<QToolButton *>()) {
            // Qt's own overflow arrow, and the Find box's clear button inside its line edit.
            if (b->inherits("QToolBarExtension") || b->parentWidget() != bar)
                continue;
            ++buttons;
            QAccessibleInterface *a = QAccessible::queryAccessibleInterface(b);
            QVERIFY(a);
            const QString name = a->text(QAccessible::Name).trimmed();
            if (name.isEmpty())
                unnamed << b->objectName();
            names << name;
        }
    }
    QVERIFY(buttons >= 5);
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u", "_s)));
    // Told apart by name alone, as a screen reader's list of buttons shows them.
    QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), names.size());
}

QTEST_MAIN(TestAccessibleNames)
#include "test_accessiblenames.moc"
