// The search window: criteria for a search run over the store and the search-list commands.
#pragma once

#include <array>

#include <QMainWindow>

#include "app/activation.h"
#include "app/appcontext.h"
#include "search/searchmatch.h"

class QCheckBox;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTabWidget;
class CriteriaMenu;
class DescriptionCriteriaPage;
class DetailCriteriaPage;
class NotesCriteriaPage;
class SharedToolbar;

class TSearch : public QMainWindow, public ActivationClient
{
    Q_OBJECT
public:
    explicit TSearch(AppContext &ctx, QWidget *parent = nullptr);
    ~TSearch() override;

    void FormActivate() override;
    void FormDeactivate() override;

    // The search run over the whole store with the criteria the controls hold.
    void DoSearchClick();
    // Pops up the criteria menu of description k (1..10) at its button.
    void BitBtnClick(int k);
    // A criteria menu item was chosen for description k.
    void DescClick(int k, const QString &fullName);

    // The search list.
    void ClearClick();
    void ExtractClick();
    void Extract1Click();
    void Remove1Click();
    void AddRangeBtnClick();
    void PrintScreenBtnClick();

    // The controls read into one value, as a run takes them.
    SearchCriteria criteria() const;

    CriteriaMenu *criteriaMenu(int k) const { return m_menus[size_t(k)]; }
    QMenu *extractMenu() const { return m_extractType; }

private:
    void buildControls();
    void buildToolbar();
    QWidget *buildLeftPanel();
    void applyCaptions();
    void applyMasks();
    void rebuildMenus();

    AppContext &m_ctx;
    SharedToolbar *m_toolbar = nullptr;
    QCheckBox *m_descriptionBox = nullptr; // DescriptionBox
    QCheckBox *m_detailBox = nullptr; // DetailBox
    QCheckBox *m_noteBox = nullptr; // NoteBox
    std::array<QCheckBox *, 3> m_flagBoxes {}; // BoxOne, BoxTwo, BoxThree
    QPushButton *m_clear = nullptr; // Clear
    QPushButton *m_extract = nullptr; // Extract
    QPushButton *m_doSearch = nullptr; // DoSearch
    QProgressBar *m_progress = nullptr; // SearchProgress
    QSpinBox *m_lowRange = nullptr; // LowRange
    QSpinBox *m_highRange = nullptr; // HighRange
    QLineEdit *m_status = nullptr; // Status, kept hidden
    QMenu *m_extractType = nullptr; // ExtractType
    QTabWidget *m_book = nullptr;
    DescriptionCriteriaPage *m_descPage = nullptr;
    DetailCriteriaPage *m_detailPage = nullptr;
    NotesCriteriaPage *m_notesPage = nullptr;
    std::array<CriteriaMenu *, 11> m_menus {}; // SearchMenu1..SearchMenu10, [0] unused
};
