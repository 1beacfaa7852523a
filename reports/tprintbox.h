// The regular report window: the report designer with its format file, import, and the composing
// and previewing of the report.
#pragma once

#include <array>
#include <functional>
#include <optional>

#include <QMainWindow>

#include "app/activation.h"
#include "app/appcontext.h"
#include "reports/exporttable.h"
#include "reports/reportdefinition.h"
#include "reports/reportlayout.h"

class TExportInternet;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class QSplitter;
class QToolButton;
class ColumnBar;
class SharedToolbar;
class TZephPreview;

class TPrintBox : public QMainWindow, public ActivationClient
{
    Q_OBJECT
public:
    static constexpr int DefaultWidth = 599;
    static constexpr int DefaultHeight = 481;

    explicit TPrintBox(AppContext &ctx, QWidget *parent = nullptr);
    ~TPrintBox() override;

    void FormActivate() override;
    void FormDeactivate() override;

    // Item panel.
    void AddClick();
    void ItemClick(int code);
    void UndoClick();
    void clearClick();
    // Setup panel.
    void SetColumnsClick();
    void DoColumns();
    void sfontClick();
    void TitlefontClick();
    void Date1Click();
    void Value1Click();
    void WidthsSectionClick(int section);
    void WidthsSectionResize();
    void PortraitClick();
    void LandscapeClick();
    void CalculateSpace();
    // Toolbar.
    void LoadClick();
    void SaveReportBtnClick();
    void SetModeBtnClick();
    void ImportFileBtnClick();
    void ppreviewClick();
    // Both send buttons: the report composed and shown in the send window.
    void EmailReportBtnClick();
    void EnableScreen();

    // The design as the window holds it, and loading one into the window.
    ReportDefinition definition() const;
    void setDefinition(const ReportDefinition &definition);
    // Composes the report of the window's scope (with the page limit and its warning), keeping
    // the export table; the sending window reads the result and the table.
    ReportLayout::Result compose();
    const ExportTable &exportTable() const { return m_exportTable; }
    bool searchListOnly() const { return m_searchListOnly; }
    void setAllRecords(); // the HTML report window opens this one on all records
    int printableWidth() const { return m_printableWidth; }
    int printableHeight() const { return m_printableHeight; }

    QMenu *itemMenu() const { return m_ritems; }
    QMenu *fontMenu() const { return m_wfont; }
    ColumnBar *columnBar() const { return m_widths; }

    // Platform dialogs that the Dialogs adapter does not carry; tests replace them.
    // The font dialog: whatever it ends with, also on cancel, becomes the font.
    std::function<QFont(const QFont &initial, int maxPointSize)> fontDialog;
    std::function<std::optional<QColor>(const QColor &initial)> colourDialog;
    // Runs the preview modally; tests look at it instead.
    std::function<void(TZephPreview &)> runPreview;
    // Runs the send window modally; tests drive it instead.
    std::function<void(TExportInternet &)> runSendWindow;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildToolbar();
    void buildPanels();
    void appendItem(int code, const QString &caption);
    void disableForEmptyList();
    void updateCaption();
    void refreshItemMenu();
    void chooseFont(
        ReportFontDef &font, int maxSize, QLineEdit *sample, const QString &sampleText);
    bool checkMargin(QLineEdit *field);
    void applyOrientation(ReportOrientation orientation);
    PageGeometry geometry() const;
    bool shortDescriptions() const;
    void showInformation(const QString &text);
    void showError(const QString &text);

    AppContext &m_ctx;
    ReportDefinition m_def; // items, sections, colours, fonts and the sample texts
    ExportTable m_exportTable;
    bool m_searchListOnly = false;
    int m_printableWidth = 0;
    int m_printableHeight = 0;
    int m_ownModal = 0; // inside a dialog of this window: its return keeps the columns

    SharedToolbar *m_toolbar = nullptr;
    QToolButton *m_loadBtn, *m_saveBtn, *m_emailBtn, *m_ftpBtn, *m_modeBtn, *m_importBtn,
        *m_previewBtn;
    QMenu *m_reportMenu;
    QSplitter *m_splitter;
    QWidget *m_itemPanel;
    QWidget *m_setupPanel;
    QListWidget *m_fields;
    QPushButton *m_add, *m_undo, *m_clear;
    QMenu *m_ritems;
    QLineEdit *m_title;
    QCheckBox *m_rTitle, *m_headInd, *m_rDate, *m_rPageNumber, *m_pItemNumber, *m_pValue;
    QLineEdit *m_colNum;
    QPushButton *m_setBtn;
    QCheckBox *m_ic;
    ColumnBar *m_widths;
    std::array<QLineEdit *, 4> m_margins; // left, right, top, bottom
    std::array<QString, 4> m_validMargins;
    QRadioButton *m_portrait, *m_landscape;
    QPushButton *m_sFont;
    QMenu *m_wfont;
    QLineEdit *m_headerFont, *m_bodyFont, *m_valueFont;
};
