// Window sizes under a real window manager: the size keys hold the outer size, title bar and
// border included, so a window reopens exactly as large as it was closed.
#include <QGuiApplication>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include "platform/settingsstore.h"
#include "platform/windowsize.h"

using namespace Qt::StringLiterals;

class TestWindowFrame : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void restoredSizeIncludesTheFrame_data();
    void restoredSizeIncludesTheFrame();
    void restoreOnAFramedWindowKeepsTheTitleBar();
};

void TestWindowFrame::initTestCase()
{
    // Only a real X server with a window manager draws a title bar.
    QCOMPARE(QGuiApplication::platformName(), u"xcb"_s);
}

void TestWindowFrame::restoredSizeIncludesTheFrame_data()
{
    QTest::addColumn<QSize>("stored");
    QTest::newRow("record window") << QSize(700, 520);
    QTest::newRow("tall") << QSize(480, 900);
    QTest::newRow("absent: the default") << QSize();
}

void TestWindowFrame::restoredSizeIncludesTheFrame()
{
    QFETCH(QSize, stored);
    QTemporaryDir dir;
    IniSettingsStore settings(dir.filePath(u"Larkspur.ini"_s));
    if (stored.isValid()) {
        settings.writeInteger(u"ViewW:"_s, stored.width());
        settings.writeInteger(u"ViewH:"_s, stored.height());
    }
    const QSize defaults(640, 480);
    const QSize outer = stored.isValid() ? stored : defaults;

    QMainWindow window;
    WindowSize::restore(&window, settings, u"ViewW:"_s, u"ViewH:"_s, defaults);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // The window manager frames the window on its own time; wait (bounded) until it has.
    QTRY_VERIFY_WITH_TIMEOUT(!window.windowHandle()->frameMargins().isNull(), 10000);
    const QMargins frame = window.windowHandle()->frameMargins();
    QVERIFY2(frame.top() > frame.bottom(), "a title bar above the window");
    QTRY_COMPARE_WITH_TIMEOUT(window.frameGeometry().size(), outer, 10000);
    QCOMPARE(
        window.size(), outer - QSize(frame.left() + frame.right(), frame.top() + frame.bottom()));

    // Closing writes the same outer size back: a window keeps its size from run to run.
    WindowSize::save(&window, settings, u"ViewW:"_s, u"ViewH:"_s);
    QCOMPARE(settings.readInteger(u"ViewW:"_s, 0), outer.width());
    QCOMPARE(settings.readInteger(u"ViewH:"_s, 0), outer.height());
}

void TestWindowFrame::restoreOnAFramedWindowKeepsTheTitleBar()
{
    // A window already on screen has its frame: a size restored then counts it at once.
    QTemporaryDir dir;
    IniSettingsStore settings(dir.filePath(u"Larkspur.ini"_s));
    QMainWindow window;
    window.resize(640, 480);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY_WITH_TIMEOUT(!window.windowHandle()->frameMargins().isNull(), 10000);
    const QMargins frame = window.windowHandle()->frameMargins();
    const QSize outer(560, 430);
    settings.writeInteger(u"ViewW:"_s, outer.width());
    settings.writeInteger(u"ViewH:"_s, outer.height());
    WindowSize::restore(&window, settings, u"ViewW:"_s, u"ViewH:"_s, QSize(640, 480));
    QCOMPARE(
        window.size(), outer - QSize(frame.left() + frame.right(), frame.top() + frame.bottom()));
    QTRY_COMPARE_WITH_TIMEOUT(window.frameGeometry().size(), outer, 10000);
}

QTEST_MAIN(TestWindowFrame)
#include "tst_windowframe.moc"
