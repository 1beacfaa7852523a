// The Insurance Pack window over the widget-free composer.
#include "insurancepack/tinsurancepack.h"

#include <atomic>

#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "app/sharedtoolbar.h"
#include "insurancepack/packcomposer.h"
#include "platform/clock.h"
#include "platform/desktopshell.h"
#include "platform/dialogs.h"
#include "platform/settingsstore.h"
#include "platform/windowsize.h"

namespace {
const QString CoverKey = QStringLiteral("INSURANCE COVER");
const QString FolderKey = QStringLiteral("INSURANCE FOLDER");
} // namespace

TInsurancePack::TInsurancePack(AppContext &ctx, QWidget *parent)
    : QMainWindow(parent)
    , m_ctx(ctx)
{
    setObjectName(QStringLiteral("InsurancePack"));
    setWindowTitle(QStringLiteral("Insurance Pack"));
    setAttribute(Qt::WA_DeleteOnClose);

    m_toolbar = new SharedToolbar(this, m_ctx.windows);
    addToolBar(Qt::TopToolBarArea, m_toolbar);
    using A = SharedToolbar::Action;
    m_toolbar->add(A::Search, QStringLiteral("SearchBtn"), QStringLiteral("Perform Search"));
    m_toolbar->add(
        A::Spreadsheet, QStringLiteral("SpreadSheetBtn"), QStringLiteral("Generate Spreadsheet"));
    m_toolbar->add(A::Record, QStringLiteral("RecordBtn"), QStringLiteral("Record View"));
    m_toolbar->add(A::QuickSave, QStringLiteral("QuickSaveBtn"), QStringLiteral("Save Database"));
    m_toolbar->add(A::Help, QStringLiteral("HelpBtn"), QStringLiteral("Display Help"));
    m_toolbar->add(A::Close, QStringLiteral("CloseBtn"), QStringLiteral("Close"));
    m_toolbar->setHelpTopic(QStringLiteral("Insurance Pack"));

    auto *central = new QWidget(this);
    auto *form = new QFormLayout;
    m_allRecords = new QRadioButton(QStringLiteral("All records"), central);
    m_allRecords->setObjectName(QStringLiteral("AllRecords"));
    m_searchList = new QRadioButton(QStringLiteral("The search list"), central);
    m_searchList->setObjectName(QStringLiteral("SearchList"));
    m_allRecords->setChecked(true);
    auto *which = new QHBoxLayout;
    which->addWidget(m_allRecords);
    which->addWidget(m_searchList);
    which->addStretch();
    form->addRow(QStringLiteral("Records:"), which);
    m_groupBy = new QComboBox(central);
    m_groupBy->setObjectName(QStringLiteral("GroupBy"));
    form->addRow(QStringLiteral("Group by:"), m_groupBy);
    m_cover = new QPlainTextEdit(central);
    m_cover->setObjectName(QStringLiteral("CoverText"));
    m_cover->setPlaceholderText(QStringLiteral("Your name, address and policy number"));
    m_cover->setTabChangesFocus(true);
    form->addRow(QStringLiteral("Cover text:"), m_cover);
    m_photos = new QComboBox(central);
    m_photos->setObjectName(QStringLiteral("Photos"));
    m_photos->addItems({ QStringLiteral("Full pages"), QStringLiteral("Small (four to a row)"),
        QStringLiteral("None") });
    form->addRow(QStringLiteral("Photos:"), m_photos);
    m_folder = new QLineEdit(central);
    m_folder->setObjectName(QStringLiteral("PackFolder"));
    auto *browse = new QPushButton(QStringLiteral("Browse..."), central);
    browse->setObjectName(QStringLiteral("BrowseBtn"));
    auto *where = new QHBoxLayout;
    where->addWidget(m_folder);
    where->addWidget(browse);
    form->addRow(QStringLiteral("Folder:"), where);

    m_make = new QPushButton(QStringLiteral("Make Pack"), central);
    m_make->setObjectName(QStringLiteral("MakePackBtn"));
    m_make->setDefault(true);
    m_openPdf = new QPushButton(QStringLiteral("Open PDF"), central);
    m_openPdf->setObjectName(QStringLiteral("OpenPdfBtn"));
    m_openPdf->setEnabled(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_openPdf);
    buttons->addWidget(m_make);
    auto *v = new QVBoxLayout(central);
    v->addWidget(new QLabel(
        QStringLiteral(
            "One folder for the insurer: a PDF with a cover, a summary per group and a page per "
            "possession with its photos, an offline web page, a spreadsheet file, a copy of the "
            "catalogue and a manifest that proves nothing changed since."),
        central));
    v->itemAt(0)->widget()->setProperty("wordWrap", true);
    v->addLayout(form);
    v->addLayout(buttons);
    setCentralWidget(central);
    statusBar()->setObjectName(QStringLiteral("StatusBar"));

    connect(browse, &QPushButton::clicked, this, &TInsurancePack::BrowseBtnClick);
    connect(m_make, &QPushButton::clicked, this, &TInsurancePack::MakePackBtnClick);
    connect(m_openPdf, &QPushButton::clicked, this, &TInsurancePack::OpenPdfBtnClick);

    m_cover->setPlainText(unescapeCover(m_ctx.settings.readString(CoverKey, QString())));
    m_folder->setText(defaultFolder());
    WindowSize::restore(
        this, m_ctx.settings, QStringLiteral("PackW:"), QStringLiteral("PackH:"), QSize(560, 460));
    m_ctx.activation.registerWindow(this, this);
}

TInsurancePack::~TInsurancePack()
{
    m_ctx.activation.unregisterWindow(this);
}

QString TInsurancePack::escapeCover(const QString &text)
{
    QString out;
    for (const QChar c : text) {
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c != u'\r')
            out += c;
    }
    // The settings file drops blanks at either end of a value.
    return out.trimmed();
}

QString TInsurancePack::unescapeCover(const QString &text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 1 < text.size()) {
            out += text[i + 1] == u'n' ? QChar(u'\n') : text[i + 1];
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

QString TInsurancePack::defaultFolder() const
{
    const QString kept = m_ctx.settings.readString(FolderKey, QString());
    const QString base = !kept.isEmpty()  ? kept
        : !m_ctx.store.fileName.isEmpty() ? QFileInfo(m_ctx.store.fileName).absolutePath()
                                          : QDir::homePath();
    return QDir(base).filePath(QStringLiteral("Insurance Pack ")
        + m_ctx.clock.today().toString(QStringLiteral("yyyy-MM-dd")));
}

void TInsurancePack::fillGroupBy()
{
    const int chosen = m_groupBy->count() ? m_groupBy->currentIndex() + 1
                                          : InsurancePack::defaultGroupBy(m_ctx.store);
    m_groupBy->clear();
    for (int k = 1; k <= 10; ++k)
        m_groupBy->addItem(m_ctx.store.captions.description[size_t(k)]);
    m_groupBy->setCurrentIndex(chosen - 1);
}

void TInsurancePack::FormActivate()
{
    m_toolbar->refreshAvailability();
    fillGroupBy();
}

void TInsurancePack::FormDeactivate()
{
    m_ctx.settings.writeString(CoverKey, escapeCover(m_cover->toPlainText()));
    WindowSize::save(this, m_ctx.settings, QStringLiteral("PackW:"), QStringLiteral("PackH:"));
}

void TInsurancePack::closeEvent(QCloseEvent *event)
{
    FormDeactivate();
    event->accept();
}

void TInsurancePack::BrowseBtnClick()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    FileDialogOptions o;
    o.title = QStringLiteral("Folder for the Insurance Pack");
    o.folder = QFileInfo(m_folder->text()).absolutePath();
    const QString chosen = m_ctx.dialogs.folderName(o);
    if (!chosen.isEmpty())
        m_folder->setText(QDir(chosen).filePath(QFileInfo(m_folder->text()).fileName()));
}

bool TInsurancePack::MakePackBtnClick()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    const QString folder = QDir::cleanPath(m_folder->text().trimmed());
    if (folder.isEmpty() || folder == QStringLiteral(".")) {
        m_ctx.dialogs.error(QStringLiteral("Choose the folder to write the pack into."));
        return false;
    }
    m_ctx.settings.writeString(CoverKey, escapeCover(m_cover->toPlainText()));
    m_ctx.settings.writeString(FolderKey, QFileInfo(folder).absolutePath());

    InsurancePack::Options options;
    options.groupBy = m_groupBy->currentIndex() + 1;
    options.coverText = m_cover->toPlainText();
    options.photos = m_photos->currentIndex() == 0 ? InsurancePack::Photos::Full
        : m_photos->currentIndex() == 1            ? InsurancePack::Photos::Small
                                                   : InsurancePack::Photos::None;
    options.a4 = QLocale::system().measurementSystem() == QLocale::MetricSystem;
    options.searchListOnly = m_searchList->isChecked();

    QProgressDialog progress(
        QStringLiteral("Making the insurance pack..."), QStringLiteral("Cancel"), 0, 1000, this);
    progress.setObjectName(QStringLiteral("PackProgress"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    std::atomic_bool cancel = false;
    const InsurancePack::Result r = InsurancePack::make(
        m_ctx.store,
        m_ctx.store.fileName.isEmpty() ? QStringLiteral("Untitled.dat") : m_ctx.store.fileName,
        folder, options,
        [&](int permille) {
            progress.setValue(permille); // a modal progress dialog takes its events here
            if (progress.wasCanceled())
                cancel = true;
        },
        &cancel);
    progress.reset();
    if (r.cancelled) {
        m_ctx.dialogs.status(
            this, QStringLiteral("Insurance pack cancelled; nothing was written."));
        return false;
    }
    if (!r.ok) {
        m_ctx.dialogs.error(r.message);
        return false;
    }
    m_lastPdf = QDir(r.folder).filePath(QStringLiteral("inventory.pdf"));
    m_openPdf->setEnabled(true);
    m_ctx.dialogs.status(this,
        QStringLiteral("Insurance pack written to %1: %2 records, %3 photos, %4 missing.")
            .arg(QDir::toNativeSeparators(r.folder))
            .arg(r.records)
            .arg(r.photosIncluded)
            .arg(r.photosMissing));
    return true;
}

void TInsurancePack::OpenPdfBtnClick()
{
    if (!m_lastPdf.isEmpty())
        m_ctx.shell.open(m_lastPdf);
}
