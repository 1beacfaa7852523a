// The preview window: shows the finished pages of the page engine, prints them and exports the
// export table.
#pragma once

#include <functional>

#include <QDialog>

#include "reports/exporttable.h"
#include "reports/zephprinter.h"

class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QScrollArea;
class QSpinBox;
class QToolButton;
class Dialogs;
class Printer;

class TZephPreview;

// The page view: paints the shown page at the preview's scale.
class PreviewPage : public QWidget
{
    Q_OBJECT
public:
    explicit PreviewPage(TZephPreview &preview, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TZephPreview &m_preview;
};

class TZephPreview : public QDialog
{
    Q_OBJECT
public:
    TZephPreview(TZephPrinter &printer, Printer &device, Dialogs &dialogs, const ExportTable &table,
        QWidget *parent = nullptr);

    // The page range of the print dialog: false when cancelled. Tests replace it.
    std::function<bool(int pageCount, int &from, int &to)> printDialog;

    // Opening (Preview): the first page at "Fit Width" for the window's width.
    void prepare();

    void ZoomExit();
    void ZoomChange(int index); // an item chosen from the list
    void SpinEdit1Change();
    void MarginButtonClick();
    void GridButtonClick();
    void PrintBtnClick();
    void ExportCSVClick();
    void ExportHTMLClick();
    // Prints pages from..to on the device; false when the job could not be started.
    bool PrintPages(int from, int to);

    int scale() const { return m_scale; }
    int shownPage() const { return m_page; }
    TZephPrinter &printer() const { return m_printer; }
    QMenu *exportMenu() const { return m_exportMenu; }
    PreviewPage *pageView() const { return m_view; }
    // Applies a zoom text as leaving the field does; false when it is not valid.
    bool applyZoom(const QString &text);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void layoutView();
    void updatePagesLabel(int page);
    void exportTo(const QString &filter, const QString &suffix, const QByteArray &bytes);

    TZephPrinter &m_printer;
    Printer &m_device;
    Dialogs &m_dialogs;
    const ExportTable &m_table;
    QComboBox *m_zoom;
    QSpinBox *m_spin;
    QLabel *m_pages;
    QToolButton *m_marginButton;
    QToolButton *m_gridButton;
    QPushButton *m_printBtn;
    QPushButton *m_exportBtn;
    QPushButton *m_closeBtn;
    QMenu *m_exportMenu;
    QScrollArea *m_scroll;
    QWidget *m_canvas;
    PreviewPage *m_view;
    int m_scale = 96;
    int m_page = 1;
    bool m_typed = false; // typed in a field since the last Enter
};
