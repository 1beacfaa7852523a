// The HTML report window: a field list, header and footer HTML, font and colour, and the page.
#pragma once

#include <array>

#include <QMainWindow>

#include "app/activation.h"
#include "app/appcontext.h"
#include "app/tableprint.h"
#include "htmlreport/htmlreportdesign.h"

class QAction;
class QCheckBox;
class QLabel;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
class SharedToolbar;

class THTMLReport : public QMainWindow, public ActivationClient
{
    Q_OBJECT
public:
    explicit THTMLReport(AppContext &ctx, QWidget *parent = nullptr);
    ~THTMLReport() override;

    void FormActivate() override;
    void FormDeactivate() override;

    // Handlers.
    void AddBtnClick();
    void OnItemClick(QAction *entry);
    void RemoveBtnClick();
    void MoveUpBtnClick();
    void MoveDownBtnClick();
    void ClearBtnClick();
    // Each returns whether the page was written.
    bool ViewReportBtnClick();
    bool SaveHTMLBtnClick();
    void LoadHeaderBtnClick();
    void LoadFooterBtnClick();
    void LoadFormatBtnClick();
    void SaveFormatBtnClick();
    void SelectFontBtnClick();
    void SelectColorBtnClick();
    void ppreviewClick();
    void PrintSettings1Click();
    bool Print1Click();
    void ReportBtnClick();

    // The design as the controls hold it, and the report table of the last generation.
    HtmlReportDesign design() const;
    const ExportTable &reportData() const { return m_reportData; }
    // The page for the current design and records, as View and Save HTML write it.
    QByteArray pageBytes();

    QMenu *itemMenu() const { return m_ritems; }
    QAction *itemEntry(int code) const { return m_entries[size_t(code)]; }
    QMenu *printMenu() const { return m_printMenu; }
    QMenu *reportMenu() const { return m_reportMenu; }
    TablePrintDialog *printDialog() const { return m_printing->dialog(); }
    const TablePrintSettings &printSettings() const { return m_printing->settings(); }
    void setPrintSettings(const TablePrintSettings &s) { m_printing->setSettings(s); }
    TablePrintGrid printGrid() const;

private:
    void buildControls();
    void buildToolbar();
    void buildMenus();
    // Fills the report table (heading row and at most 1000 record rows, with the warning when
    // records are left out) and writes the header and footer work files.
    void GenerateReport();
    void setListButtonsEnabled(bool on);
    void addToList(const HtmlReportItem &item);
    void swapRows(int a, int b);
    void showSample();
    bool shortDescriptions() const;
    QString loadLinesInto(QPlainTextEdit *edit);

    AppContext &m_ctx;
    SharedToolbar *m_toolbar = nullptr;
    QListWidget *m_fields = nullptr; // Fields
    QPushButton *m_addBtn = nullptr;
    QPushButton *m_removeBtn = nullptr;
    QPushButton *m_moveUpBtn = nullptr;
    QPushButton *m_moveDownBtn = nullptr;
    QPushButton *m_viewReportBtn = nullptr;
    QPushButton *m_saveHtmlBtn = nullptr;
    QCheckBox *m_searchList = nullptr; // SearchList
    QLabel *m_sample = nullptr; // the report font on the report colour
    QPlainTextEdit *m_header = nullptr; // HeaderHTML
    QPlainTextEdit *m_footer = nullptr; // FooterHTML
    QToolButton *m_clearBtn = nullptr;
    QToolButton *m_previewBtn = nullptr; // ppreview
    QMenu *m_ritems = nullptr;
    std::array<QAction *, 23> m_entries {};
    QMenu *m_printMenu = nullptr; // PrintMenu
    QMenu *m_reportMenu = nullptr; // ReportMenu
    TablePrinting *m_printing = nullptr; // its dialog is HTMLPrintDialog

    QList<HtmlReportItem> m_items; // in the order of Fields
    VclValues::Font m_font; // ReportFont
    qint32 m_colour = VclValues::clWhite; // ReportColor
    ExportTable m_reportData; // ReportData
    bool m_leftForDialog = false; // the last deactivation was for one of this window's dialogs
};
