// File > Import Spreadsheet: the mapping window. Lists the sheet's columns with samples and a
// field for each, the read choices (sheet, delimiter, encoding, headings, date order), and a
// preview of the first records as they will be stored with the counts.
#pragma once

#include <functional>
#include <map>

#include <QDate>
#include <QDialog>

#include "sheetimport/sheetrecords.h"
#include "sheetimport/sheettable.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QTableView;
class QTableWidget;
class Dialogs;
class RecordStore;

namespace SheetImport {

class PreviewModel;

class SheetImportWindow : public QDialog
{
    Q_OBJECT
public:
    SheetImportWindow(const RecordStore &store, Dialogs &dialogs, QDate today,
        std::function<int(int)> random, QWidget *parent = nullptr);
    ~SheetImportWindow() override;

    // Reads the file; false with errorText() when it does not read.
    bool open(const QString &path);
    QString errorText() const { return m_error; }

    const Mapping &mapping() const { return m_mapping; }
    const SheetRead &sheet() const { return m_read; }
    const Built &preview() const { return m_preview; }
    PreviewModel *previewModel() const { return m_model; }
    // The records to append once the window was accepted.
    Built takeResult() { return std::move(m_result); }

    // The handlers behind the controls, for the buttons and for tests.
    void setColumnTarget(int column, const Target &target);
    void setChoice(int record, int column, Refusal choice);
    void loadMappingClick();
    void saveMappingClick();
    void importClick();

private:
    class WorkProgress;
    SheetRead readWithProgress(ReadOptions options);
    void reread();
    void fillColumns();
    void fillChoices();
    void refresh();
    void previewMenu(const QPoint &at);
    ReadOptions readOptions() const;
    BuildOptions buildOptions(int keep) const;

    const RecordStore &m_store;
    Dialogs &m_dialogs;
    QDate m_today;
    std::function<int(int)> m_random;
    QString m_path;
    QString m_error;
    SheetRead m_read;
    Mapping m_mapping;
    Built m_preview;
    Built m_result;
    std::map<std::pair<int, int>, Refusal> m_choices;
    bool m_filling = false;

    QLabel *m_fileLabel = nullptr;
    QLabel *m_sheetLabel = nullptr;
    QLabel *m_delimiterLabel = nullptr;
    QLabel *m_encodingLabel = nullptr;
    QComboBox *m_sheet = nullptr;
    QComboBox *m_delimiter = nullptr;
    QComboBox *m_encoding = nullptr;
    QCheckBox *m_headings = nullptr;
    QComboBox *m_dates = nullptr;
    QCheckBox *m_addCategories = nullptr;
    QComboBox *m_refused = nullptr;
    QTableWidget *m_columns = nullptr;
    QTableView *m_previewView = nullptr;
    PreviewModel *m_model = nullptr;
    QLabel *m_counts = nullptr;
};

} // namespace SheetImport
