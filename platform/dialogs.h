// Every message box, input box and file dialog goes through this adapter so tests can script them.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

class QDialog;
class QWidget;

// Told when a modal dialog opens and closes, so window activation can follow as it does on screen.
class ModalObserver
{
public:
    virtual ~ModalObserver() = default;
    virtual void modalStarted() = 0;
    virtual void modalFinished() = 0;
};

struct FileDialogOptions
{
    QString title;
    QString folder; // starting folder
    QString fileName; // preset file name (usually empty)
    QString filter; // as the user sees it, e.g. "Larkspur Cataloguer File|*.dat"
    QString defaultSuffix; // without the full stop, e.g. "dat"
    bool mustExist = false; // open dialog: only existing files
    int filterIndex = 0; // the filter selected when the dialog opens, from 0
};

// A font as the font dialog with effects offers it: face, size, style and colour.
struct FontChoice
{
    QFont font;
    QColor colour = Qt::black;
};

class Dialogs
{
public:
    enum class Answer { Yes, No, Cancel };

    virtual ~Dialogs() = default;

    virtual void information(const QString &text) = 0;
    // An outcome that needs no answer ("File Saved"), shown in the status bar of the window where
    // the command was given; in a box where that window has no status bar.
    virtual void status(QWidget * /*window*/, const QString &text) { information(text); }
    virtual void error(const QString &text) = 0;
    // A finished job's outcome with one more button beside OK, such as "Open Folder"; true when
    // the user chose that button.
    virtual bool informationWithAction(const QString &text, const QString &action) = 0;
    virtual Answer askYesNo(const QString &text) = 0; // Yes or No
    virtual Answer askYesNoCancel(const QString &text) = 0;
    // A question with buttons of its own ("Recover", "Discard", "Later"): the index of the
    // button chosen; closing the box chooses the last one.
    virtual int askChoice(const QString &text, const QStringList &buttons) = 0;
    // A question whose two answers are named for what they do ("Open Read-Only", "Open Anyway"),
    // with Cancel beside them: Yes for the first, No for the second.
    virtual Answer askChoice(const QString &text, const QString &yesText, const QString &noText)
        = 0;
    // Cancelling returns the preset, so callers compare the answer with it.
    virtual QString inputBox(const QString &title, const QString &prompt, const QString &preset) = 0;
    // Empty when the user chose no file.
    virtual QString openFileName(const FileDialogOptions &options) = 0;
    virtual QString saveFileName(const FileDialogOptions &options) = 0;
    // A folder; empty when the user chose none.
    virtual QString folderName(const FileDialogOptions &options) = 0;
    // Font dialog with effects, preset to choice; maxPointSize > 0 limits the size. False, with
    // choice unchanged, when the user cancelled.
    virtual bool chooseFont(FontChoice &choice, int maxPointSize = 0) = 0;
    // Colour dialog preset to colour; false, with colour unchanged, when the user cancelled.
    virtual bool chooseColour(QColor &colour) = 0;
    // The pages to print, from..to within 1..pageCount (preset to from and to); false when the
    // user cancelled.
    virtual bool printRange(int pageCount, int &from, int &to) = 0;

    // Every dialog opened while a command of `window` runs is that window's child, so it opens
    // over it (a maximised, modal, stay-on-top preview included), whichever window the
    // platform calls active.
    class AskingWindow
    {
    public:
        AskingWindow(Dialogs &d, QWidget *window)
            : m_d(d)
            , m_previous(d.m_asking)
        {
            m_d.m_asking = window;
        }
        ~AskingWindow() { m_d.m_asking = m_previous; }
        AskingWindow(const AskingWindow &) = delete;
        AskingWindow &operator=(const AskingWindow &) = delete;

    private:
        Dialogs &m_d;
        QWidget *m_previous;
    };
    QWidget *askingWindow() const { return m_asking; }
    // The parent of a dialog: the asking window, else the topmost modal window (a dialog under
    // it could not be answered), else the active one.
    QWidget *parentWindow() const;

    void setModalObserver(ModalObserver *observer) { m_observer = observer; }

protected:
    // RAII guard used by implementations around every dialog they show.
    class ModalScope
    {
    public:
        explicit ModalScope(Dialogs &d) : m_d(d)
        {
            if (m_d.m_observer)
                m_d.m_observer->modalStarted();
        }
        ~ModalScope()
        {
            if (m_d.m_observer)
                m_d.m_observer->modalFinished();
        }
        ModalScope(const ModalScope &) = delete;
        ModalScope &operator=(const ModalScope &) = delete;

    private:
        Dialogs &m_d;
    };

private:
    ModalObserver *m_observer = nullptr;
    QWidget *m_asking = nullptr;
};

// A filter in the form "Larkspur Cataloguer File|*.dat" (description|patterns pairs, patterns
// separated by ';') as Qt's name filters, e.g. "Larkspur Cataloguer File (*.dat)". A filter
// without '|' is taken to be in Qt's form already.
QStringList qtNameFilters(const QString &filter);

// Widens a box so that its title is not cut short in the title bar.
void makeRoomForTitle(QDialog &box);

// Production implementation: QMessageBox, QInputDialog, QFileDialog, titled "Larkspur Cataloguer".
class QtDialogs : public Dialogs
{
public:
    // How long an outcome stays in a status bar unless another replaces it.
    static constexpr int StatusMilliseconds = 10000;

    void information(const QString &text) override;
    void status(QWidget *window, const QString &text) override;
    void error(const QString &text) override;
    bool informationWithAction(const QString &text, const QString &action) override;
    Answer askYesNo(const QString &text) override;
    Answer askYesNoCancel(const QString &text) override;
    int askChoice(const QString &text, const QStringList &buttons) override;
    Answer askChoice(const QString &text, const QString &yesText, const QString &noText) override;
    QString inputBox(const QString &title, const QString &prompt, const QString &preset) override;
    QString openFileName(const FileDialogOptions &options) override;
    QString saveFileName(const FileDialogOptions &options) override;
    QString folderName(const FileDialogOptions &options) override;
    bool chooseFont(FontChoice &choice, int maxPointSize = 0) override;
    bool chooseColour(QColor &colour) override;
    bool printRange(int pageCount, int &from, int &to) override;
};
