// The activation coordinator: deactivate before activate, dialogs take and give back activation.
#include <QTest>
#include <QWidget>

#include "app/activation.h"
#include "tests/support/fakedialogs.h"

using namespace Qt::StringLiterals;

namespace {

struct Window : QWidget, ActivationClient
{
    Window(QString n, QStringList &log)
        : name(std::move(n))
        , log(log)
    {
    }
    void FormActivate() override
    {
        log << name + QStringLiteral("+");
        if (onActivate)
            onActivate();
    }
    void FormDeactivate() override { log << name + QStringLiteral("-"); }
    QString name;
    QStringList &log;
    std::function<void()> onActivate;
};

} // namespace

class TestActivation : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void deactivateBeforeActivate();
    void dialogTakesAndGivesBack();
    void dialogInsideHandlerDoesNotReenter();
};

void TestActivation::deactivateBeforeActivate()
{
    QStringList log;
    ActivationCoordinator c;
    Window a(QStringLiteral("a"), log), b(QStringLiteral("b"), log);
    c.registerWindow(&a, &a);
    c.registerWindow(&b, &b);
    c.activate(&a);
    c.activate(&a); // already active: nothing runs again
    c.activate(&b);
    QCOMPARE(log, (QStringList { u"a+"_s, u"a-"_s, u"b+"_s }));
    QCOMPARE(c.activeWindow(), &b);
}

void TestActivation::dialogTakesAndGivesBack()
{
    QStringList log;
    ActivationCoordinator c;
    FakeDialogs d;
    d.setModalObserver(&c);
    Window a(QStringLiteral("a"), log);
    c.registerWindow(&a, &a);
    c.activate(&a);
    d.information(QStringLiteral("hello"));
    QCOMPARE(log, (QStringList { u"a+"_s, u"a-"_s, u"a+"_s }));
}

void TestActivation::dialogInsideHandlerDoesNotReenter()
{
    QStringList log;
    ActivationCoordinator c;
    FakeDialogs d;
    d.setModalObserver(&c);
    Window a(QStringLiteral("a"), log);
    a.onActivate = [&] { d.information(QStringLiteral("inside")); };
    c.registerWindow(&a, &a);
    c.activate(&a);
    QCOMPARE(log, (QStringList { u"a+"_s }));
    QCOMPARE(c.activeWindow(), &a);
}

QTEST_MAIN(TestActivation)
#include "test_activation.moc"
