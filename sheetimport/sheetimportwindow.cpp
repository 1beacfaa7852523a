// The Import Spreadsheet mapping window.
#include "sheetimport/sheetimportwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/dialogs.h"
#include "sheetimport/previewmodel.h"
#include "store/recordstore.h"
#include "store/safewrite.h"

using namespace Qt::StringLiterals;

namespace SheetImport {

namespace {

const QString MappingFilter = u"Import Mapping|*.json"_s;

QComboBox *makeCombo(
    QWidget *parent, const QString &name, std::initializer_list<std::pair<QString, QVariant>> items)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(name);
    for (const auto &[text, data] : items)
        box->addItem(text, data);
    return box;
}

} // namespace

// A progress bar over the window (over its parent while the window is not up yet) for a read or
// build that may take long; the work calls back now and then and stops when Cancel is pressed.
class SheetImportWindow::WorkProgress
{
public:
    WorkProgress(SheetImportWindow *window, const QString &label, bool cancellable)
        : m_dialog(label, cancellable ? u"Cancel"_s : QString(), 0, 1000,
            window->isVisible() ? window : window->parentWidget())
    {
        m_cancellable = cancellable;
        m_dialog.setObjectName(u"SheetImportProgress"_s);
        m_dialog.setWindowTitle(window->windowTitle());
        m_dialog.setWindowModality(Qt::WindowModal);
        m_dialog.setMinimumDuration(500);
        m_dialog.setAutoReset(false);
        m_dialog.setAutoClose(false);
        m_dialog.setValue(0);
    }
    Progress callback()
    {
        return [this](int permille) {
            m_dialog.setValue(std::clamp(permille, 0, 999));
            // Until the bar is up, the window beneath keeps painting but takes no clicks.
            QCoreApplication::processEvents(
                m_dialog.isVisible() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
            return !m_cancellable || !m_dialog.wasCanceled();
        };
    }

private:
    QProgressDialog m_dialog;
    bool m_cancellable;
};

SheetImportWindow::SheetImportWindow(const RecordStore &store, Dialogs &dialogs, QDate today,
    std::function<int(int)> random, QWidget *parent)
    : QDialog(parent)
    , m_store(store)
    , m_dialogs(dialogs)
    , m_today(today)
    , m_random(std::move(random))
{
    setObjectName(u"SheetImport"_s);
    setWindowTitle(u"Import Spreadsheet"_s);
    auto *layout = new QVBoxLayout(this);
    m_fileLabel = new QLabel(this);
    m_fileLabel->setObjectName(u"FileLabel"_s);
    m_fileLabel->setWordWrap(true);
    layout->addWidget(m_fileLabel);

    auto *reading = new QGroupBox(u"Reading the file"_s, this);
    auto *readForm = new QHBoxLayout(reading);
    m_sheet = makeCombo(reading, u"Sheet"_s, {});
    m_delimiter = makeCombo(reading, u"Delimiter"_s,
        { { u"Comma"_s, u","_s }, { u"Semicolon"_s, u";"_s }, { u"Tab"_s, u"\t"_s },
            { u"Vertical bar"_s, u"|"_s } });
    m_encoding = makeCombo(reading, u"Encoding"_s,
        { { u"UTF-8"_s, int(TextEncoding::Utf8) },
            { u"UTF-16 (little-endian)"_s, int(TextEncoding::Utf16LE) },
            { u"UTF-16 (big-endian)"_s, int(TextEncoding::Utf16BE) },
            { u"Windows-1252"_s, int(TextEncoding::Windows1252) } });
    m_headings = new QCheckBox(u"First row holds headings"_s, reading);
    m_headings->setObjectName(u"Headings"_s);
    auto addLabelled = [&](QHBoxLayout *to, const QString &label, QWidget *w) {
        auto *l = new QLabel(label, reading);
        l->setBuddy(w);
        to->addWidget(l);
        to->addWidget(w);
        return l;
    };
    m_sheetLabel = addLabelled(readForm, u"&Sheet:"_s, m_sheet);
    m_delimiterLabel = addLabelled(readForm, u"&Delimiter:"_s, m_delimiter);
    m_encodingLabel = addLabelled(readForm, u"&Encoding:"_s, m_encoding);
    readForm->addWidget(m_headings);
    readForm->addStretch(1);
    layout->addWidget(reading);

    auto *values = new QGroupBox(u"Converting the values"_s, this);
    auto *valueForm = new QHBoxLayout(values);
    m_dates = makeCombo(values, u"DateOrder"_s,
        { { u"Automatic"_s, int(DateOrder::Auto) },
            { u"Day/Month/Year"_s, int(DateOrder::DayMonthYear) },
            { u"Month/Day/Year"_s, int(DateOrder::MonthDayYear) },
            { u"Year/Month/Day"_s, int(DateOrder::YearMonthDay) } });
    m_addCategories = new QCheckBox(u"Add new categories to the trees"_s, values);
    m_addCategories->setObjectName(u"AddCategories"_s);
    m_refused = makeCombo(values, u"Refused"_s,
        { { u"Import as text into Notes"_s, int(Refusal::IntoNotes) },
            { u"Leave the field empty"_s, int(Refusal::LeaveEmpty) },
            { u"Stop the import"_s, int(Refusal::Stop) } });
    addLabelled(valueForm, u"Ambiguous &dates:"_s, m_dates);
    valueForm->addWidget(m_addCategories);
    addLabelled(valueForm, u"&Values that do not convert:"_s, m_refused);
    valueForm->addStretch(1);
    layout->addWidget(values);

    auto *split = new QSplitter(Qt::Vertical, this);
    m_columns = new QTableWidget(split);
    m_columns->setObjectName(u"Columns"_s);
    m_columns->setColumnCount(3);
    m_columns->setHorizontalHeaderLabels({ u"Column"_s, u"Samples"_s, u"Field"_s });
    m_columns->verticalHeader()->hide();
    m_columns->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_columns->setSelectionMode(QAbstractItemView::NoSelection);
    m_columns->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Interactive);
    m_columns->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_columns->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Interactive);
    m_columns->setColumnWidth(0, 180);
    m_columns->setColumnWidth(2, 200);
    auto *previewBox = new QWidget(split);
    auto *previewLayout = new QVBoxLayout(previewBox);
    previewLayout->setContentsMargins(0, 0, 0, 0);
    auto *previewTitle = new QLabel(
        u"Preview of the first %1 records as they will be stored:"_s.arg(PreviewModel::Rows),
        previewBox);
    previewLayout->addWidget(previewTitle);
    m_model = new PreviewModel(this);
    m_previewView = new QTableView(previewBox);
    m_previewView->setObjectName(u"Preview"_s);
    m_previewView->setModel(m_model);
    m_previewView->setContextMenuPolicy(Qt::CustomContextMenu);
    m_previewView->horizontalHeader()->setDefaultSectionSize(150);
    m_previewView->setWordWrap(false);
    previewLayout->addWidget(m_previewView, 1);
    m_counts = new QLabel(previewBox);
    m_counts->setObjectName(u"Counts"_s);
    previewLayout->addWidget(m_counts);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);
    layout->addWidget(split, 1);

    // The mapping's own buttons at the left, apart from the ones that end the window.
    auto *buttonRow = new QHBoxLayout;
    auto *load = new QPushButton(u"&Load Mapping..."_s, this);
    load->setObjectName(u"LoadMapping"_s);
    load->setAutoDefault(false);
    auto *save = new QPushButton(u"Sa&ve Mapping..."_s, this);
    save->setObjectName(u"SaveMapping"_s);
    save->setAutoDefault(false);
    buttonRow->addWidget(load);
    buttonRow->addWidget(save);
    buttonRow->addStretch(1);
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *import = buttons->addButton(u"&Import"_s, QDialogButtonBox::AcceptRole);
    import->setObjectName(u"Import"_s);
    import->setDefault(true);
    QPushButton *cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName(u"Cancel"_s);
    buttonRow->addWidget(buttons);
    layout->addLayout(buttonRow);

    connect(load, &QPushButton::clicked, this, &SheetImportWindow::loadMappingClick);
    connect(save, &QPushButton::clicked, this, &SheetImportWindow::saveMappingClick);
    connect(import, &QPushButton::clicked, this, &SheetImportWindow::importClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    for (QComboBox *box : { m_sheet, m_delimiter, m_encoding }) {
        connect(box, &QComboBox::currentIndexChanged, this, [this] {
            if (!m_filling)
                reread();
        });
    }
    connect(m_headings, &QCheckBox::toggled, this, [this](bool on) {
        if (m_filling)
            return;
        // Headings name the columns, so the guess is made again from them (or from none).
        const Mapping guessed = guessMapping(m_read.table, m_store.captions);
        m_mapping.headings = on;
        m_mapping.columns = on ? guessed.columns : std::vector<Target>(guessed.columns.size());
        if (on && !guessed.headings) {
            for (int c = 0; c < m_read.table.columnCount(); ++c)
                m_mapping.columns[size_t(c)]
                    = guessTarget(m_read.table.cellText(0, c), m_store.captions);
        }
        m_choices.clear();
        fillColumns();
        refresh();
    });
    connect(m_dates, &QComboBox::currentIndexChanged, this, [this] {
        m_mapping.dates = DateOrder(m_dates->currentData().toInt());
        if (!m_filling)
            refresh();
    });
    connect(m_addCategories, &QCheckBox::toggled, this, [this](bool on) {
        m_mapping.addCategories = on;
        if (!m_filling)
            refresh();
    });
    connect(m_refused, &QComboBox::currentIndexChanged, this, [this] {
        m_mapping.refused = Refusal(m_refused->currentData().toInt());
        if (!m_filling)
            refresh();
    });
    connect(
        m_previewView, &QWidget::customContextMenuRequested, this, &SheetImportWindow::previewMenu);
    resize(1000, 700);
}

SheetImportWindow::~SheetImportWindow() = default;

bool SheetImportWindow::open(const QString &path)
{
    m_path = path;
    {
        WorkProgress progress(this, u"Reading %1..."_s.arg(QFileInfo(path).fileName()), true);
        ReadOptions options;
        options.progress = progress.callback();
        m_read = readSheet(path, options);
    }
    if (!m_read.ok) {
        m_error = m_read.message; // empty when cancelled: nothing to tell
        return false;
    }
    m_mapping = guessMapping(m_read.table, m_store.captions);
    fillChoices();
    fillColumns();
    refresh();
    return true;
}

ReadOptions SheetImportWindow::readOptions() const
{
    ReadOptions o;
    if (m_read.format == SheetFormat::Text) {
        const QString d = m_delimiter->currentData().toString();
        o.delimiter = d.isEmpty() ? QChar() : d.front();
        o.encoding = TextEncoding(m_encoding->currentData().toInt());
    }
    o.sheet = std::max(0, m_sheet->currentIndex());
    return o;
}

SheetRead SheetImportWindow::readWithProgress(ReadOptions options)
{
    WorkProgress progress(this, u"Reading %1..."_s.arg(QFileInfo(m_path).fileName()), true);
    options.progress = progress.callback();
    return readSheet(m_path, options);
}

void SheetImportWindow::reread()
{
    SheetRead read = readWithProgress(readOptions());
    if (!read.ok) {
        if (!read.cancelled)
            m_dialogs.error(read.message);
        fillChoices(); // back to what was read before
        return;
    }
    m_read = std::move(read);
    const Mapping kept = m_mapping;
    m_mapping = guessMapping(m_read.table, m_store.captions);
    m_mapping.dates = kept.dates;
    m_mapping.addCategories = kept.addCategories;
    m_mapping.refused = kept.refused;
    m_choices.clear();
    fillChoices();
    fillColumns();
    refresh();
}

void SheetImportWindow::fillChoices()
{
    m_filling = true;
    const bool text = m_read.format == SheetFormat::Text;
    m_sheet->clear();
    m_sheet->addItems(m_read.sheetNames);
    m_sheet->setCurrentIndex(m_read.sheet);
    // A text file has no sheets, a workbook no delimiter or encoding.
    m_sheet->setEnabled(!text && m_read.sheetNames.size() > 1);
    m_sheet->setVisible(!text);
    m_sheetLabel->setVisible(!text);
    for (QWidget *w : { static_cast<QWidget *>(m_delimiter), static_cast<QWidget *>(m_encoding),
             static_cast<QWidget *>(m_delimiterLabel), static_cast<QWidget *>(m_encodingLabel) })
        w->setVisible(text);
    m_delimiter->setEnabled(text);
    m_encoding->setEnabled(text);
    if (text) {
        int d = m_delimiter->findData(QString(m_read.delimiter));
        if (d < 0) {
            m_delimiter->addItem(u"\""_s + m_read.delimiter + u'"', QString(m_read.delimiter));
            d = m_delimiter->count() - 1;
        }
        m_delimiter->setCurrentIndex(d);
        m_encoding->setCurrentIndex(m_encoding->findData(int(m_read.encoding)));
    }
    m_headings->setChecked(m_mapping.headings);
    m_dates->setCurrentIndex(m_dates->findData(int(m_mapping.dates)));
    m_addCategories->setChecked(m_mapping.addCategories);
    m_refused->setCurrentIndex(m_refused->findData(int(m_mapping.refused)));
    QString what;
    if (text) {
        what = u"text file, %1, delimiter %2"_s.arg(
            encodingName(m_read.encoding), m_delimiter->currentText().toLower());
    } else {
        what = u"%1 workbook, %2 sheet(s)"_s
                   .arg(m_read.format == SheetFormat::Xlsx ? u"XLSX"_s : u"ODS"_s)
                   .arg(m_read.sheetNames.size());
    }
    m_fileLabel->setText(
        u"%1 (%2): %3 rows, %4 columns."_s.arg(QDir::toNativeSeparators(m_path), what)
            .arg(m_read.table.rowCount())
            .arg(m_read.table.columnCount()));
    m_filling = false;
}

void SheetImportWindow::fillColumns()
{
    m_filling = true;
    // The table deletes replaced boxes later: until then they must answer to no name or signal.
    for (QComboBox *old : m_columns->findChildren<QComboBox *>()) {
        old->setObjectName(QString());
        old->disconnect(this);
    }
    const SheetTable &table = m_read.table;
    const std::vector<Target> targets = allTargets();
    m_columns->setRowCount(table.columnCount());
    for (int c = 0; c < table.columnCount(); ++c) {
        auto *heading = new QTableWidgetItem(columnHeading(table, m_mapping, c));
        heading->setToolTip(u"Column "_s + columnLetters(c));
        m_columns->setItem(c, 0, heading);
        QStringList samples;
        for (int r = m_mapping.headings ? 1 : 0; r < table.rowCount() && samples.size() < 3; ++r) {
            const QString v = table.cellText(r, c).simplified();
            if (!v.isEmpty())
                samples.append(v);
        }
        m_columns->setItem(c, 1, new QTableWidgetItem(samples.join(u"   |   "_s)));
        auto *field = new QComboBox(m_columns);
        field->setObjectName(u"Field%1"_s.arg(c));
        for (const Target &t : targets)
            field->addItem(targetCaption(t, m_store.captions), targetKey(t));
        field->setCurrentIndex(field->findData(targetKey(m_mapping.target(c))));
        connect(field, &QComboBox::currentIndexChanged, this, [this, c, field] {
            if (!m_filling)
                setColumnTarget(c, targetFromKey(field->currentData().toString()));
        });
        m_columns->setCellWidget(c, 2, field);
    }
    m_filling = false;
}

void SheetImportWindow::setColumnTarget(int column, const Target &target)
{
    if (column < 0 || column >= m_read.table.columnCount())
        return;
    m_mapping.columns.resize(size_t(m_read.table.columnCount()));
    m_mapping.columns[size_t(column)] = target;
    if (auto *field = m_columns->findChild<QComboBox *>(u"Field%1"_s.arg(column))) {
        m_filling = true;
        field->setCurrentIndex(field->findData(targetKey(target)));
        m_filling = false;
    }
    refresh();
}

void SheetImportWindow::setChoice(int record, int column, Refusal choice)
{
    m_choices[{ record, column }] = choice;
    refresh();
}

BuildOptions SheetImportWindow::buildOptions(int keep) const
{
    BuildOptions o;
    o.today = m_today;
    o.random = m_random;
    o.sheetFolder = QFileInfo(m_path).absolutePath();
    o.keepRecords = keep;
    o.choices = m_choices;
    return o;
}

void SheetImportWindow::refresh()
{
    {
        // The counts take every row: a long sheet shows a bar, without Cancel, as the preview
        // must follow the choice just made.
        WorkProgress progress(this, u"Converting the values..."_s, false);
        BuildOptions options = buildOptions(PreviewModel::Rows);
        options.progress = progress.callback();
        m_preview = buildRecords(m_read.table, m_mapping, m_store, options);
    }
    m_model->setPreview(&m_read.table, m_mapping, m_store.captions, m_preview);
    QString counts = countsText(m_preview) + u'.';
    if (const qsizetype n = m_preview.addedCategories.size(); n > 0)
        counts += n == 1 ? u" 1 new category."_s : u" %1 new categories."_s.arg(n);
    m_counts->setText(counts);
}

void SheetImportWindow::previewMenu(const QPoint &at)
{
    const QModelIndex index = m_previewView->indexAt(at);
    const RefusedValue *refused = m_model->refusedAt(index);
    if (!refused)
        return;
    const int record = refused->record;
    const int column = refused->column;
    QMenu menu(this);
    menu.setObjectName(u"ChoiceMenu"_s);
    const std::pair<QString, Refusal> choices[]
        = { { u"Import as Text into Notes"_s, Refusal::IntoNotes },
              { u"Leave Empty"_s, Refusal::LeaveEmpty }, { u"Stop the Import"_s, Refusal::Stop } };
    for (const auto &[text, choice] : choices) {
        QAction *a = menu.addAction(text);
        a->setCheckable(true);
        a->setChecked(refused->choice == choice);
        connect(a, &QAction::triggered, this,
            [this, record, column, choice = choice] { setChoice(record, column, choice); });
    }
    menu.exec(m_previewView->viewport()->mapToGlobal(at));
}

void SheetImportWindow::loadMappingClick()
{
    FileDialogOptions options;
    options.title = u"Load Mapping"_s;
    options.filter = MappingFilter;
    options.mustExist = true;
    const QString path = m_dialogs.openFileName(options);
    if (path.isEmpty())
        return;
    QFile f(path);
    if (!QFileInfo(path).isFile() || QFileInfo(path).size() > (1 << 20)
        || !f.open(QIODevice::ReadOnly)) {
        m_dialogs.error(u"Cannot read mapping file %1"_s.arg(path));
        return;
    }
    const QByteArray json = f.readAll();
    Mapping loaded;
    QString error;
    // The read choices first: they decide the columns the mapping is fitted to.
    SheetTable none;
    if (!mappingFromJson(json, none, loaded, &error)) {
        m_dialogs.error(error);
        return;
    }
    ReadOptions o = readOptions();
    if (!loaded.encoding.isEmpty() && m_read.format == SheetFormat::Text)
        o.encoding = encodingFromName(loaded.encoding);
    if (!loaded.delimiter.isEmpty() && m_read.format == SheetFormat::Text)
        o.delimiter = loaded.delimiter[0];
    if (loaded.sheet >= 0)
        o.sheet = loaded.sheet;
    SheetRead read = readWithProgress(o);
    if (!read.ok) {
        if (!read.cancelled)
            m_dialogs.error(read.message);
        return;
    }
    if (!mappingFromJson(json, read.table, loaded, &error)) {
        m_dialogs.error(error);
        return;
    }
    m_read = std::move(read);
    m_mapping = loaded;
    m_choices.clear();
    fillChoices();
    fillColumns();
    refresh();
}

void SheetImportWindow::saveMappingClick()
{
    FileDialogOptions options;
    options.title = u"Save Mapping"_s;
    options.filter = MappingFilter;
    options.defaultSuffix = u"json"_s;
    const QString path = m_dialogs.saveFileName(options);
    if (path.isEmpty())
        return;
    Mapping m = m_mapping;
    if (m_read.format == SheetFormat::Text) {
        m.encoding = encodingName(m_read.encoding);
        m.delimiter = QString(m_read.delimiter);
    } else {
        m.sheet = m_read.sheet;
    }
    const QByteArray json = mappingToJson(m,
        m_mapping.headings && m_read.table.rowCount() > 0 ? m_read.table.rowTexts(0)
                                                          : QStringList());
    const SafeWrite::Result r = SafeWrite::write(
        path, [&json](QIODevice &out) { return out.write(json) == json.size(); });
    if (!r.ok())
        m_dialogs.error(r.message);
}

void SheetImportWindow::importClick()
{
    Built built;
    {
        WorkProgress progress(this, u"Converting the records..."_s, true);
        BuildOptions options = buildOptions(-1);
        options.progress = progress.callback();
        built = buildRecords(m_read.table, m_mapping, m_store, options);
    }
    if (built.cancelled)
        return; // nothing is imported; the window stays for another try
    if (built.stopped) {
        m_dialogs.error(built.stopMessage);
        return;
    }
    if (built.recordCount == 0) {
        m_dialogs.error(u"The sheet holds no records to import."_s);
        return;
    }
    m_result = std::move(built);
    accept();
}

} // namespace SheetImport
