// The Qt dialogs: answers, captions, presets and file dialog options, driven headless.
#include <functional>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>

#include "platform/dialogs.h"

using namespace Qt::StringLiterals;

namespace {

class CountingObserver : public ModalObserver
{
public:
    int started = 0;
    int finished = 0;
    void modalStarted() override { ++started; }
    void modalFinished() override { ++finished; }
};

// Runs act on the modal dialog of type T that the next call shows. exec() makes the dialog
// modal before its event loop runs, so the first pass of that loop finds it; anything else (no
// dialog, or one of another type) is noted and rejected, so a wrong expectation fails at once
// instead of hanging.
template<class T> void whenShown(std::function<void(T *)> act, QString *problem)
{
    QTimer::singleShot(0, [act, problem] {
        QWidget *modal = QApplication::activeModalWidget();
        if (T *dialog = qobject_cast<T *>(modal)) {
            act(dialog);
            return;
        }
        *problem = modal ? QStringLiteral("unexpected dialog ")
                + QString::fromLatin1(modal->metaObject()->className())
                         : QStringLiteral("no dialog appeared");
        if (auto *d = qobject_cast<QDialog *>(modal))
            d->reject();
    });
}

// Types name into the file dialog's name box, as a user does, and accepts. selectFile() does not
// serve here: once the name box has the focus, it no longer fills it. The dialog decides from
// the name box and the file system alone, so it either closes now or never: a dialog still open
// (it refused the name) is noted and rejected.
void enterAndAccept(QFileDialog *d, const QString &name, QString *problem)
{
    auto *box = d->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    if (!box) {
        *problem = QStringLiteral("no name box");
        d->reject();
        return;
    }
    box->setText(name);
    static_cast<QDialog *>(d)->accept(); // QFileDialog hides it when it takes the name
    if (d->isVisible()) {
        *problem = QStringLiteral("the dialog refused ") + name;
        d->reject();
    }
}

// While it lives, closes any message box that appears and remembers that one did.
class MessageBoxGuard
{
public:
    MessageBoxGuard()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                asked = box->text();
                box->reject();
            }
        });
        m_timer.start(10);
    }
    QString asked;

private:
    QTimer m_timer;
};

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT

private slots:
    void messageBoxes_data();
    void messageBoxes();
    void informationWithAction_data();
    void informationWithAction();
    void boxesFitTheirTitleOverTheAskingWindow_data();
    void boxesFitTheirTitleOverTheAskingWindow();
    void progressDialogFitsTheProgramsName();
    void everyDialogOpensOverTheAskingWindow_data();
    void everyDialogOpensOverTheAskingWindow();
    void choice_data();
    void choice();
    void inputBox_data();
    void inputBox();
    void nameFilters_data();
    void nameFilters();
    void openDialogTakesOptions();
    void openDialogCancelGivesNothing();
    void saveDialogLeavesOverwriteQuestionToProgram();
};

void TestDialogs::messageBoxes_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("click"); // a QMessageBox::StandardButton, or 0 to press Esc
    QTest::addColumn<int>("expectedButtons");
    QTest::addColumn<int>("expectedIcon");
    QTest::addColumn<int>("expectedAnswer");

    const int yn = QMessageBox::Yes | QMessageBox::No;
    const int ync = yn | QMessageBox::Cancel;
    const int q = QMessageBox::Question;
    using A = Dialogs::Answer;
    QTest::newRow("information") << QStringLiteral("information") << int(QMessageBox::Ok)
                                 << int(QMessageBox::Ok) << int(QMessageBox::Information) << -1;
    QTest::newRow("error") << QStringLiteral("error") << int(QMessageBox::Ok)
                           << int(QMessageBox::Ok) << int(QMessageBox::Critical) << -1;
    QTest::newRow("yes/no: yes") << QStringLiteral("yesno") << int(QMessageBox::Yes) << yn << q
                                 << int(A::Yes);
    QTest::newRow("yes/no: no") << QStringLiteral("yesno") << int(QMessageBox::No) << yn << q
                                << int(A::No);
    QTest::newRow("yes/no: escape") << QStringLiteral("yesno") << 0 << yn << q << int(A::No);
    QTest::newRow("yes/no/cancel: yes")
        << QStringLiteral("yesnocancel") << int(QMessageBox::Yes) << ync << q << int(A::Yes);
    QTest::newRow("yes/no/cancel: no")
        << QStringLiteral("yesnocancel") << int(QMessageBox::No) << ync << q << int(A::No);
    QTest::newRow("yes/no/cancel: cancel")
        << QStringLiteral("yesnocancel") << int(QMessageBox::Cancel) << ync << q << int(A::Cancel);
    QTest::newRow("yes/no/cancel: escape")
        << QStringLiteral("yesnocancel") << 0 << ync << q << int(A::Cancel);
}

void TestDialogs::boxesFitTheirTitleOverTheAskingWindow_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("information") << QStringLiteral("information");
    QTest::newRow("error") << QStringLiteral("error");
    QTest::newRow("yes/no") << QStringLiteral("yesno");
    QTest::newRow("yes/no/cancel: save changes?") << QStringLiteral("yesnocancel");
}

void TestDialogs::boxesFitTheirTitleOverTheAskingWindow()
{
    QFETCH(QString, kind);
    QtDialogs dialogs;
    QWidget asking;
    asking.setWindowTitle(QStringLiteral("Preview"));
    asking.show();
    QWidget other; // the platform's active window, which must not become the parent
    other.show();
    other.activateWindow();
    QString problem;
    int width = 0;
    QWidget *parent = nullptr;
    whenShown<QMessageBox>(
        [&](QMessageBox *box) {
            width = box->width();
            parent = box->parentWidget();
            box->button(box->standardButtons().testFlag(QMessageBox::Ok) ? QMessageBox::Ok
                                                                         : QMessageBox::No)
                ->click();
        },
        &problem);
    {
        const Dialogs::AskingWindow scope(dialogs, &asking);
        const QString text = QStringLiteral("Done.");
        if (kind == u"information")
            dialogs.information(text);
        else if (kind == u"error")
            dialogs.error(text);
        else if (kind == u"yesno")
            dialogs.askYesNo(text);
        else
            dialogs.askYesNoCancel(text);
    }
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(parent, &asking);
    QFont bold = QApplication::font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    QVERIFY2(width >= metrics.horizontalAdvance(QStringLiteral("Larkspur Cataloguer"))
                + 4 * metrics.height(),
        qPrintable(QString::number(width)));
}

void TestDialogs::progressDialogFitsTheProgramsName()
{
    QWidget asking;
    asking.show();
    QProgressDialog progress(
        QStringLiteral("Reading..."), QStringLiteral("Cancel"), 0, 10, &asking);
    makeRoomForTitle(progress);
    progress.setMinimumDuration(0);
    progress.setValue(1); // shows it at its own size
    QVERIFY(progress.isVisible());
    QCOMPARE(progress.windowTitle(), QStringLiteral("Larkspur Cataloguer"));
    QFont bold = QApplication::font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    QVERIFY2(progress.width()
            >= metrics.horizontalAdvance(progress.windowTitle()) + 4 * metrics.height(),
        qPrintable(QString::number(progress.width())));
}

void TestDialogs::everyDialogOpensOverTheAskingWindow_data()
{
    QTest::addColumn<QString>("kind");
    for (const char *kind : { "input", "open", "save", "folder", "font", "colour", "print range" })
        QTest::newRow(kind) << QString::fromLatin1(kind);
}

void TestDialogs::everyDialogOpensOverTheAskingWindow()
{
    QFETCH(QString, kind);
    QtDialogs dialogs;
    QWidget asking;
    asking.show();
    QWidget other; // the platform's active window, which must not become the parent
    other.show();
    QApplication::setActiveWindow(&other);
    QString problem;
    QWidget *parent = nullptr;
    whenShown<QDialog>(
        [&](QDialog *d) {
            parent = d->parentWidget();
            d->reject();
        },
        &problem);
    {
        const Dialogs::AskingWindow scope(dialogs, &asking);
        FileDialogOptions o;
        FontChoice font;
        QColor colour(Qt::red);
        int from = 1, to = 2;
        if (kind == u"input")
            dialogs.inputBox(QStringLiteral("Title"), QStringLiteral("Prompt"), QString());
        else if (kind == u"open")
            dialogs.openFileName(o);
        else if (kind == u"save")
            dialogs.saveFileName(o);
        else if (kind == u"folder")
            dialogs.folderName(o);
        else if (kind == u"font")
            dialogs.chooseFont(font);
        else if (kind == u"colour")
            dialogs.chooseColour(colour);
        else
            dialogs.printRange(2, from, to);
    }
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(parent, &asking);
}

void TestDialogs::messageBoxes()
{
    QFETCH(QString, kind);
    QFETCH(int, click);
    QFETCH(int, expectedButtons);
    QFETCH(int, expectedIcon);
    QFETCH(int, expectedAnswer);

    QtDialogs dialogs;
    CountingObserver observer;
    dialogs.setModalObserver(&observer);
    const QString text = QStringLiteral("Would you like to load the file /tmp/a.dat ?");

    QString problem;
    QString seenTitle, seenText;
    int seenButtons = 0, seenIcon = 0, startedWhileShown = 0, finishedWhileShown = 0;
    whenShown<QMessageBox>(
        [&](QMessageBox *box) {
            seenTitle = box->windowTitle();
            seenText = box->text();
            seenButtons = int(box->standardButtons());
            seenIcon = int(box->icon());
            startedWhileShown = observer.started;
            finishedWhileShown = observer.finished;
            if (click)
                box->button(QMessageBox::StandardButton(click))->click();
            else
                QTest::keyClick(box, Qt::Key_Escape);
        },
        &problem);

    int answer = -1;
    if (kind == u"information")
        dialogs.information(text);
    else if (kind == u"error")
        dialogs.error(text);
    else if (kind == u"yesno")
        answer = int(dialogs.askYesNo(text));
    else
        answer = int(dialogs.askYesNoCancel(text));

    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(seenTitle, QStringLiteral("Larkspur Cataloguer"));
    QCOMPARE(seenText, text);
    QCOMPARE(seenButtons, expectedButtons);
    QCOMPARE(seenIcon, expectedIcon);
    QCOMPARE(answer, expectedAnswer);
    QCOMPARE(startedWhileShown, 1);
    QCOMPARE(finishedWhileShown, 0);
    QCOMPARE(observer.finished, 1);
}

void TestDialogs::informationWithAction_data()
{
    QTest::addColumn<QString>("press");
    QTest::addColumn<bool>("chosen");
    QTest::newRow("action") << u"action"_s << true;
    QTest::newRow("OK") << u"ok"_s << false;
    QTest::newRow("Escape") << u"escape"_s << false;
}

// An outcome box with one more button: an information box with OK, the action beside it, and
// only that button counts as choosing it.
void TestDialogs::informationWithAction()
{
    QFETCH(QString, press);
    QFETCH(bool, chosen);
    QtDialogs dialogs;
    CountingObserver observer;
    dialogs.setModalObserver(&observer);
    const QString text = u"The insurance pack is ready in\n/tmp/a very long folder name"_s;
    QString problem, seenText, seenTitle;
    int seenIcon = 0;
    QStringList buttons;
    whenShown<QMessageBox>(
        [&](QMessageBox *box) {
            seenTitle = box->windowTitle();
            seenText = box->text();
            seenIcon = int(box->icon());
            for (QAbstractButton *b : box->buttons())
                buttons << b->text().remove(u'&');
            if (press == u"action") {
                for (QAbstractButton *b : box->buttons())
                    if (b->text() == u"Open Folder")
                        b->click();
            } else if (press == u"ok") {
                box->button(QMessageBox::Ok)->click();
            } else {
                QTest::keyClick(box, Qt::Key_Escape);
            }
        },
        &problem);
    const bool answer = dialogs.informationWithAction(text, u"Open Folder"_s);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(seenTitle, u"Larkspur Cataloguer"_s);
    QCOMPARE(seenText, text);
    QCOMPARE(seenIcon, int(QMessageBox::Information));
    buttons.sort();
    QCOMPARE(buttons, (QStringList { u"OK"_s, u"Open Folder"_s }));
    QCOMPARE(answer, chosen);
}

void TestDialogs::choice_data()
{
    QTest::addColumn<int>("press"); // a button's index, or -1 for Escape, -2 for Enter
    QTest::addColumn<int>("expected");
    QTest::newRow("first") << 0 << 0;
    QTest::newRow("middle") << 1 << 1;
    QTest::newRow("last") << 2 << 2;
    QTest::newRow("Escape chooses the last") << -1 << 2;
    QTest::newRow("Enter chooses the first") << -2 << 0;
}

void TestDialogs::choice()
{
    QFETCH(int, press);
    QFETCH(int, expected);
    QtDialogs dialogs;
    CountingObserver observer;
    dialogs.setModalObserver(&observer);
    const QStringList buttons { QStringLiteral("Recover"), QStringLiteral("Discard"),
        QStringLiteral("Later") };
    QString problem, seenTitle;
    QStringList seenButtons;
    whenShown<QMessageBox>(
        [&](QMessageBox *box) {
            seenTitle = box->windowTitle();
            for (QAbstractButton *b : box->buttons())
                seenButtons << b->text();
            if (press >= 0) {
                for (QAbstractButton *b : box->buttons())
                    if (b->text() == buttons[press])
                        b->click();
            } else {
                QTest::keyClick(box, press == -1 ? Qt::Key_Escape : Qt::Key_Return);
            }
        },
        &problem);
    const int got = dialogs.askChoice(QStringLiteral("Recover the changes?"), buttons);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(seenTitle, QStringLiteral("Larkspur Cataloguer"));
    seenButtons.sort();
    QCOMPARE(seenButtons,
        (QStringList {
            QStringLiteral("Discard"), QStringLiteral("Later"), QStringLiteral("Recover") }));
    QCOMPARE(got, expected);
    QCOMPARE(observer.finished, 1);
}

void TestDialogs::inputBox_data()
{
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QString>("expected");
    QTest::newRow("ok") << true << QStringLiteral("Garden Shed");
    QTest::newRow("cancel after typing") << false << QStringLiteral("New Item");
}

void TestDialogs::inputBox()
{
    QFETCH(bool, accept);
    QFETCH(QString, expected);

    QtDialogs dialogs;
    CountingObserver observer;
    dialogs.setModalObserver(&observer);
    QString problem, seenTitle, seenPrompt, seenPreset;
    whenShown<QInputDialog>(
        [&](QInputDialog *dialog) {
            seenTitle = dialog->windowTitle();
            seenPrompt = dialog->labelText();
            seenPreset = dialog->textValue();
            QLineEdit *edit = dialog->findChild<QLineEdit *>();
            edit->selectAll();
            QTest::keyClicks(edit, QStringLiteral("Garden Shed"));
            if (accept)
                dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
            else
                dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->click();
        },
        &problem);
    const QString got = dialogs.inputBox(QStringLiteral("Add Category"),
        QStringLiteral("Enter the new name"), QStringLiteral("New Item"));
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(seenTitle, QStringLiteral("Add Category"));
    QCOMPARE(seenPrompt, QStringLiteral("Enter the new name"));
    QCOMPARE(seenPreset, QStringLiteral("New Item"));
    QCOMPARE(got, expected);
    QCOMPARE(observer.started, 1);
    QCOMPARE(observer.finished, 1);
}

void TestDialogs::nameFilters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("database") << QStringLiteral("Larkspur Cataloguer File|*.dat")
                              << QStringList { QStringLiteral("Larkspur Cataloguer File (*.dat)") };
    QTest::newRow("two pairs, several patterns")
        << QStringLiteral("Pictures|*.jpg;*.bmp|All Files|*.*")
        << QStringList { QStringLiteral("Pictures (*.jpg *.bmp)"),
               QStringLiteral("All Files (*.*)") };
    QTest::newRow("pattern missing")
        << QStringLiteral("Anything|") << QStringList { QStringLiteral("Anything (*)") };
    QTest::newRow("Qt form passes")
        << QStringLiteral("Reports (*.rpt)") << QStringList { QStringLiteral("Reports (*.rpt)") };
    QTest::newRow("none") << QString() << QStringList();
}

void TestDialogs::nameFilters()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);
    QCOMPARE(qtNameFilters(filter), expected);
}

void TestDialogs::openDialogTakesOptions()
{
    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("stock.dat"));
    {
        QFile f(existing);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    FileDialogOptions options;
    options.title = QStringLiteral("Load a Database");
    options.folder = dir.path();
    options.filter = QStringLiteral("Larkspur Cataloguer File|*.dat");
    options.defaultSuffix = QStringLiteral("dat");
    options.mustExist = true;

    QtDialogs dialogs;
    MessageBoxGuard guard; // a question of the dialog's own would otherwise wait forever
    QString problem, seenTitle, seenFolder, seenSuffix;
    QStringList seenFilters;
    int seenMode = -1, seenAccept = -1;
    whenShown<QFileDialog>(
        [&](QFileDialog *d) {
            seenTitle = d->windowTitle();
            seenFolder = d->directory().absolutePath();
            seenFilters = d->nameFilters();
            seenSuffix = d->defaultSuffix();
            seenMode = int(d->fileMode());
            seenAccept = int(d->acceptMode());
            enterAndAccept(d, existing, &problem);
        },
        &problem);
    const QString got = dialogs.openFileName(options);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(guard.asked, QString());
    QCOMPARE(got, existing);
    QCOMPARE(seenTitle, QStringLiteral("Load a Database"));
    QCOMPARE(seenFolder, QDir(dir.path()).absolutePath());
    QCOMPARE(seenFilters, QStringList { QStringLiteral("Larkspur Cataloguer File (*.dat)") });
    QCOMPARE(seenSuffix, QStringLiteral("dat"));
    QCOMPARE(seenMode, int(QFileDialog::ExistingFile));
    QCOMPARE(seenAccept, int(QFileDialog::AcceptOpen));
}

void TestDialogs::openDialogCancelGivesNothing()
{
    QtDialogs dialogs;
    CountingObserver observer;
    dialogs.setModalObserver(&observer);
    QString problem;
    whenShown<QFileDialog>([](QFileDialog *d) { d->reject(); }, &problem);
    FileDialogOptions options;
    options.title = QStringLiteral("Merge with File");
    options.fileName = QStringLiteral("preset.dat");
    QCOMPARE(dialogs.openFileName(options), QString());
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(observer.started, 1);
    QCOMPARE(observer.finished, 1);
}

void TestDialogs::saveDialogLeavesOverwriteQuestionToProgram()
{
    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("old.dat"));
    {
        QFile f(existing);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    FileDialogOptions options;
    options.title = QStringLiteral("Save As");
    options.folder = dir.path();
    options.filter = QStringLiteral("Larkspur Cataloguer File|*.dat");
    options.defaultSuffix = QStringLiteral("dat");

    QtDialogs dialogs;
    // An existing file is taken without a question of the dialog's own.
    MessageBoxGuard guard;
    QString problem;
    bool noConfirm = false;
    int seenAccept = -1;
    whenShown<QFileDialog>(
        [&](QFileDialog *d) {
            noConfirm = d->testOption(QFileDialog::DontConfirmOverwrite);
            seenAccept = int(d->acceptMode());
            enterAndAccept(d, existing, &problem);
        },
        &problem);
    const QString got = dialogs.saveFileName(options);
    QCOMPARE(guard.asked, QString());
    QCOMPARE(got, existing);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QVERIFY(noConfirm);
    QCOMPARE(seenAccept, int(QFileDialog::AcceptSave));

    // A name without an extension gets the default one.
    whenShown<QFileDialog>(
        [&](QFileDialog *d) { enterAndAccept(d, QStringLiteral("inventory"), &problem); },
        &problem);
    QCOMPARE(dialogs.saveFileName(options), dir.filePath(QStringLiteral("inventory.dat")));
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
