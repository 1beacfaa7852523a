// The record window: shows and edits one record at a time; holds the File, Edit and other menus.
#pragma once

#include <array>
#include <functional>

#include <QMainWindow>
#include <QPointer>

#include "app/activation.h"
#include "app/appcontext.h"
#include "app/windowregistry.h"
#include "store/databasesession.h"

class QAction;
class QCheckBox;
class QDialog;
class QLabel;
class QLineEdit;
class QMenu;
class QTabWidget;
class SharedToolbar;
class QToolButton;
class DescriptionPage;
class DetailPage;
class InternetPage;
class RelatedPage;
class PickMenu;
class PicturePage;

class QuickFindBox;
class RecoveryKeeper;
namespace EarlierVersions {
struct Version;
}
class UndoActions;

class TView : public QMainWindow, public ActivationClient
{
    Q_OBJECT
public:
    explicit TView(AppContext &ctx, QWidget *parent = nullptr);
    ~TView() override;

    // A file named on the command line: opened at the first activation instead of the offer.
    void setStartupFile(const QString &path) { m_startupFile = path; }
    // The first start opens a copy of the sample household and says so in the status bar.
    // kept: where an earlier copy the user had changed was put aside, to be told.
    void setStartupSample(const QString &path, const QString &kept = {})
    {
        m_startupFile = path;
        m_startupIsSample = true;
        m_startupKeptSample = kept;
    }

    void FormActivate() override;
    void FormDeactivate() override;

    // Show record index (the current record index is set to it) / store the edits into it.
    void GetRecord(int index);
    void SaveRecord(int index);
    // Stores the shown record into the store when one is shown.
    void storeCurrent();

    // The display form of a description value under the "Short Description Values" tick.
    QString ReturnDescriptionValue(const QString &value) const;
    bool shortDescriptionValues() const;

    // Record commands.
    void PreviousClick();
    // The Find box's words changed: show a matching record when the shown one is not one.
    void QuickFindChange();
    void nextClick();
    void numberKeyPress();
    void NewRecordClick();
    void CopyRecordClick();
    void CutClick();
    void InsertRecordClick();
    void SortRecordBtnClick();
    void SortSelectClick(int sortKey);
    void QuickPrintClick();
    void PrintDetailClick();

    // The search list as the record window sees it.
    void SearchListBoxClick();
    void NextSearchClick();
    void PreviousSearchClick();

    // File commands; each returns whether it completed.
    void NewClick();
    bool OpenClick();
    void MergeClick();
    void ExportClick();
    // Appends the records of a file that Export wrote, as they were exported.
    void ImportExportedClick();
    // Appends the records of a CSV, TSV, XLSX or ODS file through the mapping window.
    void ImportSpreadsheetClick();
    bool SaveClick();
    bool SaveAsClick();
    void CloseClick();
    void AboutClick();
    void ShortDescriptionValues1Click();
    void ChangePicturePath1Click();
    // Help > Open Sample Catalogue: a fresh copy of the sample household, opened like Open.
    void OpenSampleCatalogue1Click();
    void NewRecordsFromPhotos1Click();

    // Descriptions and captions.
    void MakeMenu(int k);
    void DescBtnClick(int k);
    void DescClick(int k, const QString &value);
    void DescOneEnter(int k);
    void CustomizeLabels(QLabel *label);

    // Exit questions; false when the user cancelled.
    bool exitQuestions();

    // Whether the open database differs from its file: the one test for unsaved changes.
    bool hasUnsavedChanges();
    // A step that changed count records at once; more than one writes the recovery file now.
    void recordsChanged(int count);
    RecoveryKeeper &recoveryKeeper() { return *m_recovery; }
    // File > Open Earlier Version...: the kept versions of the open file, one opened as a copy.
    void OpenEarlierVersionClick();
    bool openEarlierVersion(const EarlierVersions::Version &version);

    bool saveEnabled() const { return m_saveEnabled; }
    bool mergeEnabled() const;
    RecordPtr clipboard() const { return m_clipboard; }
    // The record whose fields the boxes hold.
    RecordPtr shownRecord() const { return m_shown; }
    UndoActions *undoActions() const { return m_undoActions; }

    // Changes one record as one step of the history: the boxes are stored first, the change
    // lands on `target` whatever record the window shows meanwhile, and `target` is shown.
    // False when the record has left the store or the change changes nothing.
    enum EditOption {
        ShowChange = 0,
        KeepBoxes = 1, // the caller's box already shows the change
        JoinTyping = 2 | KeepBoxes, // a keystroke joining the typing step before it
    };
    bool editRecord(const RecordPtr &target, const std::function<void(ItemRecord &)> &change,
        const QString &label, EditOption option = ShowChange);

Q_SIGNALS:
    // A pick-menu choice put text into description box k (the spreadsheet mirrors it).
    void descriptionChosen(int k, const QString &shownText);
    // Asks the application to end (Close, or the close box once its questions are answered).
    void quitRequested();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenus();
    void stepThroughFound(int direction);
    void buildToolbar();
    void buildPages();
    void setSaveEnabled(bool on);
    void setDeleteEnabled(bool on);
    void setInsertEnabled(bool on);
    void updateTitle();
    ItemRecord makeNewRecord() const;
    void appendNewRecord();
    bool writeTo(const QString &path);
    void resetCaptionsAndCategories();
    void resetToNewDatabase();
    // Reads path as the open database, asking first when another program has it open;
    // cancelled is set when the user chose not to open it.
    DataFile::ReadResult openDatabaseFile(const QString &path, bool &cancelled);
    // For a file that did not read: offers the copy a stopped save kept of it; true when the
    // copy was read in its place.
    bool offerKeptCopy(const QString &path);
    bool saveOpenFile(QWidget *window);
    bool loadDatabase(const QString &path, const QString &outcome);
    void showOpened(const QString &outcome);
    static QString sampleNote();
    void tellKeptSample(const QString &kept);
    void saveSettings();
    void applyCaptions();
    void buildPickMenus();
    void buildSortMenus(QMenu *edit);
    void updateSortCaptions();
    void refreshWindowCommands();
    void runModal(QDialog &dialog);
    // The shown record with the edits its boxes hold, without storing them.
    void fillFromControls(ItemRecord &r) const;
    // The database as Save would write it now.
    QByteArray recoverySnapshot();
    // "Load anyway ?": true when the user lets the open database go.
    bool confirmLoad();
    // At start-up: offers the work a crash left behind; true when a database was recovered.
    bool offerRecovery();
    // Shows the current record after a step was undone or redone from any window.
    void showStep();

    AppContext &m_ctx;
    QString m_startupFile;
    bool m_startupIsSample = false;
    QString m_startupKeptSample;
    bool m_firstActivationDone = false;
    bool m_mergeMode = false;
    bool m_saveEnabled = false;
    bool m_lastWriteFailed = false;
    bool m_closing = false;
    DatabaseSession m_session; // the open file: its lock and what it was when read or saved
    // Deactivated by a dialog of one of this window's own commands: on its return the command
    // goes on with the record it was given for, so the Find box must not move the window.
    bool m_awayForOwnDialog = false;
    RecordPtr m_clipboard;
    RecordPtr m_shown; // the record whose fields the controls hold
    RecoveryKeeper *m_recovery = nullptr;
    QString m_recoveredFrom; // the recovery file read at start-up, removed once ours is written

    // Toolbar row.
    SharedToolbar *m_toolbar = nullptr;
    QuickFindBox *m_findBox = nullptr;
    QToolButton *m_sortBtn = nullptr;
    QToolButton *m_printBtn = nullptr;
    QLineEdit *m_name = nullptr; // RecordName
    QLineEdit *m_number = nullptr; // number
    QCheckBox *m_searchListBox = nullptr; // SearchListBox
    QLabel *m_nameLabel = nullptr; // Label6
    QToolButton *m_quickSaveBtn = nullptr;
    QToolButton *m_deleteBtn = nullptr;
    QToolButton *m_insertBtn = nullptr;

    // Menus.
    QAction *m_saveAction = nullptr;
    QAction *m_mergeAction = nullptr;
    QAction *m_deleteAction = nullptr;
    QAction *m_insertAction = nullptr;
    QAction *m_shortDescAction = nullptr;
    QAction *m_aboutAction = nullptr;

    QTabWidget *m_book = nullptr; // RecordBook
    DescriptionPage *m_descPage = nullptr;
    DetailPage *m_detailPage = nullptr;
    RelatedPage *m_relatedPage = nullptr;
    InternetPage *m_internetPage = nullptr;
    PicturePage *m_picturePage = nullptr;
    std::array<PickMenu *, 11> m_pickMenus {}; // DescMenu1..DescMenu10
    std::array<QAction *, 22> m_sortActions {}; // Sort1..Sort20, N211
    QMenu *m_sortSubmenu = nullptr;
    QMenu *m_sortPopup = nullptr; // SortMenu
    bool m_inDescriptionEditor = false;
    std::vector<std::pair<QAction *, WindowKind>> m_viewActions;
    UndoActions *m_undoActions = nullptr;
};
