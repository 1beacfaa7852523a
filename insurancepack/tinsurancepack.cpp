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
#include <QStandardPaths>
#include <QStatusBar>
#include <QVBoxLayout>

#include "app/sharedtoolbar.h"
#include "insurancepack/packcomposer.h"
#include "insurancepack/packjob.h"
#include "insurancepack/timestamp.h"
#include "platform/clock.h"
#include "platform/desktopshell.h"
#include "platform/dialogs.h"
#include "platform/settingsstore.h"
#include "platform/windowsize.h"

namespace {
const QString CoverKey = QStringLiteral("INSURANCE COVER");
const QString FolderKey = QStringLiteral("INSURANCE FOLDER");
const QString TimestampKey = QStringLiteral("INSURANCE TIMESTAMP");
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
    m_timestamp = new QLineEdit(central);
    m_timestamp->setObjectName(QStringLiteral("TimestampAddress"));
    m_timestamp->setPlaceholderText(QStringLiteral("None: nothing is sent anywhere"));
    m_timestamp->setToolTip(QStringLiteral(
        "The address of an RFC 3161 time-stamping service. It signs the time together with the "
        "SHA-256 of manifest.sha256 (nothing else leaves the computer), so an insurer can check "
        "that the pack existed then. The reply is kept as manifest.sha256.tsr."));
    form->addRow(QStringLiteral("Timestamp service:"), m_timestamp);

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
    m_timestamp->setText(m_ctx.settings.readString(TimestampKey, QString()));
    WindowSize::restore(
        this, m_ctx.settings, QStringLiteral("PackW:"), QStringLiteral("PackH:"), QSize(560, 460));
    m_ctx.activation.registerWindow(this, this);
}

TInsurancePack::~TInsurancePack()
{
    m_job.reset(); // cancels a pack still being made, and waits for it to clear up
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
    // The user's documents, never the catalogue's folder: the sample's is a hidden data folder
    // that opening the sample again replaces.
    QString base = m_ctx.settings.readString(FolderKey, QString());
    if (base.isEmpty())
        base = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (base.isEmpty())
        base = QDir::homePath();
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

// Every write of the settings file waits for the disk: only changed values are written, so
// Make Pack answers at once.
void TInsurancePack::keepSetting(const QString &key, const QString &value)
{
    if (m_ctx.settings.readString(key, QString()) != value)
        m_ctx.settings.writeString(key, value);
}

void TInsurancePack::saveSettings()
{
    keepSetting(CoverKey, escapeCover(m_cover->toPlainText()));
    keepSetting(TimestampKey, m_timestamp->text().trimmed());
}

void TInsurancePack::FormDeactivate()
{
    saveSettings();
    WindowSize::save(this, m_ctx.settings, QStringLiteral("PackW:"), QStringLiteral("PackH:"));
}

void TInsurancePack::closeEvent(QCloseEvent *event)
{
    FormDeactivate();
    // Closing the window gives up the pack it is making; the half-made folder goes with it.
    m_job.reset();
    event->accept();
}

bool TInsurancePack::making() const
{
    return m_job != nullptr;
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
    if (m_job)
        return false;
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    const QString folder = QDir::cleanPath(m_folder->text().trimmed());
    if (folder.isEmpty() || folder == QStringLiteral(".")) {
        m_ctx.dialogs.error(QStringLiteral("Choose the folder to write the pack into."));
        return false;
    }
    const QString address = m_timestamp->text().trimmed();
    if (!address.isEmpty()) {
        const QString problem = Timestamp::addressProblem(address);
        if (!problem.isEmpty()) {
            m_ctx.dialogs.error(problem);
            return false;
        }
    }
    saveSettings();
    keepSetting(FolderKey, QFileInfo(folder).absolutePath());

    InsurancePack::Options options;
    options.groupBy = m_groupBy->currentIndex() + 1;
    options.coverText = m_cover->toPlainText();
    options.photos = m_photos->currentIndex() == 0 ? InsurancePack::Photos::Full
        : m_photos->currentIndex() == 1            ? InsurancePack::Photos::Small
                                                   : InsurancePack::Photos::None;
    options.a4 = QLocale::system().measurementSystem() == QLocale::MetricSystem;
    options.searchListOnly = m_searchList->isChecked();
    options.timestampAddress = address;

    m_job = std::make_unique<InsurancePack::Job>(m_ctx.store,
        m_ctx.store.fileName.isEmpty() ? QStringLiteral("Untitled.dat") : m_ctx.store.fileName,
        folder, options);
    // Not modal: a modal progress dialog runs a nested event loop in every setValue. The
    // window's own controls wait instead, and the rest of the program stays usable.
    m_progress = new QProgressDialog(
        QStringLiteral("Making the insurance pack..."), QStringLiteral("Cancel"), 0, 1000, this);
    m_progress->setObjectName(QStringLiteral("PackProgress"));
    m_progress->setWindowTitle(windowTitle());
    makeRoomForTitle(*m_progress);
    m_progress->setWindowModality(Qt::NonModal);
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    m_progress->setMinimumDuration(0);
    connect(m_progress, &QProgressDialog::canceled, this, [this] {
        if (m_job)
            m_job->cancel();
    });
    connect(m_job.get(), &InsurancePack::Job::progressed, m_progress, &QProgressDialog::setValue);
    connect(m_job.get(), &InsurancePack::Job::finished, this, &TInsurancePack::packDone);
    centralWidget()->setEnabled(false);
    m_progress->setValue(0);
    m_progress->show();
    m_job->start();
    return true;
}

void TInsurancePack::packDone()
{
    const InsurancePack::Result r = m_job->result();
    // Deleted once this signal of its has returned; its thread has ended already.
    m_job.release()->deleteLater();
    delete m_progress;
    m_progress = nullptr;
    centralWidget()->setEnabled(true);

    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    if (r.cancelled) {
        m_ctx.dialogs.status(
            this, QStringLiteral("Insurance pack cancelled; nothing was written."));
        emit packFinished(false);
        return;
    }
    if (!r.ok) {
        m_ctx.dialogs.error(r.message);
        emit packFinished(false);
        return;
    }
    m_lastPdf = QDir(r.folder).filePath(QStringLiteral("inventory.pdf"));
    m_openPdf->setEnabled(true);
    QString text = QStringLiteral("The insurance pack is ready in\n%1\n\n%2 records, %3 photos "
                                  "included, %4 missing.")
                       .arg(QDir::toNativeSeparators(r.folder))
                       .arg(r.records)
                       .arg(r.photosIncluded)
                       .arg(r.photosMissing);
    if (r.timestamped)
        text += QStringLiteral("\nmanifest.sha256 was timestamped at %1 UTC.")
                    .arg(r.timestampTime.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    else if (!r.timestampProblem.isEmpty())
        text += QStringLiteral("\n\nThe pack has NO timestamp: the service at %1 gave none (%2).")
                    .arg(m_timestamp->text().trimmed(), r.timestampProblem);
    if (m_ctx.dialogs.informationWithAction(text, QStringLiteral("Open Folder"))
        && !m_ctx.shell.open(r.folder))
        m_ctx.dialogs.error(QStringLiteral("The desktop could not open %1.")
                                .arg(QDir::toNativeSeparators(r.folder)));
    emit packFinished(true);
}

void TInsurancePack::OpenPdfBtnClick()
{
    if (!m_lastPdf.isEmpty())
        m_ctx.shell.open(m_lastPdf);
}
