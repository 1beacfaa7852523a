// Preview window of new records from photos.
#include "intake/photointakewindow.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QHash>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

#include "platform/dialogs.h"
#include "platform/jpegdecoder.h"
#include "store/recordstore.h"

namespace {

QImage makeThumbnail(const QString &path, int size)
{
    QImage image;
    if (JpegDecoder::isJpegFile(path)) {
        // The DCT gives a picture near the size wanted without decoding the whole photo.
        image = JpegDecoder::decodeScaled(path, QSize(size, size)).image;
    } else {
        QImageReader reader(path);
        reader.setAutoTransform(true);
        const QSize full = reader.size();
        if (full.isValid())
            reader.setScaledSize(
                full.scaled(size, size, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
        image = reader.read();
    }
    if (image.isNull())
        return {};
    return image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

} // namespace

PhotoIntakeModel::PhotoIntakeModel(QObject *parent)
    : QAbstractTableModel(parent)
    , m_thumbnails(16 << 20)
{
    m_pool.setMaxThreadCount(2);
}

PhotoIntakeModel::~PhotoIntakeModel()
{
    m_pool.clear();
    m_pool.waitForDone();
}

void PhotoIntakeModel::setProposals(std::vector<PhotoIntake::Proposal> proposals)
{
    beginResetModel();
    m_proposals = std::move(proposals);
    m_thumbnails.clear();
    m_requested.clear();
    m_queue.clear();
    ++m_generation;
    endResetModel();
}

int PhotoIntakeModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_proposals.size());
}

int PhotoIntakeModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant PhotoIntakeModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const PhotoIntake::Proposal &p = m_proposals[size_t(index.row())];
    switch (index.column()) {
    case Add:
        if (role == Qt::CheckStateRole)
            return p.checked ? Qt::Checked : Qt::Unchecked;
        if (role == Qt::DecorationRole) {
            if (const QImage *image = m_thumbnails.object(index.row()))
                return *image;
            requestThumbnail(index.row());
            return {};
        }
        if (role == Qt::SizeHintRole)
            return QSize(ThumbnailSize + 40, ThumbnailSize + 6);
        return {};
    case Name:
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return p.name;
        return {};
    case Location:
        return role == Qt::DisplayRole ? QVariant(p.location) : QVariant();
    case Date:
        return role == Qt::DisplayRole
            ? QVariant(p.taken.date().toString(QStringLiteral("yyyy/MM/dd")))
            : QVariant();
    case Photos:
        if (role == Qt::DisplayRole)
            return QString::number(p.photos.size());
        if (role == Qt::ToolTipRole)
            return p.photos.join(QLatin1Char('\n'));
        return {};
    default:
        return {};
    }
}

bool PhotoIntakeModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.row() >= rowCount())
        return false;
    PhotoIntake::Proposal &p = m_proposals[size_t(index.row())];
    if (index.column() == Add && role == Qt::CheckStateRole) {
        p.checked = value.toInt() == Qt::Checked;
    } else if (index.column() == Name && role == Qt::EditRole) {
        p.name = value.toString();
    } else {
        return false;
    }
    emit dataChanged(index, index, { role });
    return true;
}

Qt::ItemFlags PhotoIntakeModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.column() == Add)
        f |= Qt::ItemIsUserCheckable;
    if (index.column() == Name)
        f |= Qt::ItemIsEditable;
    return f;
}

QVariant PhotoIntakeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Add:
        return QStringLiteral("Add");
    case Name:
        return QStringLiteral("Name");
    case Location:
        return QStringLiteral("Location");
    case Date:
        return QStringLiteral("Date");
    case Photos:
        return QStringLiteral("Photos");
    default:
        return {};
    }
}

void PhotoIntakeModel::requestThumbnail(int row) const
{
    if (m_requested.contains(row))
        return;
    m_requested.insert(row);
    m_queue.push_back(row);
    // Started from the event loop: data() is called while painting.
    QMetaObject::invokeMethod(
        const_cast<PhotoIntakeModel *>(this), &PhotoIntakeModel::pump, Qt::QueuedConnection);
}

void PhotoIntakeModel::pump()
{
    while (m_running < m_pool.maxThreadCount() && !m_queue.empty()) {
        // The newest request first: after a fast scroll the rows now on screen come before
        // those scrolled past, which are dropped and asked for again if they come back.
        const int row = m_queue.back();
        m_queue.pop_back();
        if (row >= rowCount() || (m_rowShown && !m_rowShown(row))) {
            m_requested.remove(row);
            continue;
        }
        ++m_running;
        const QString path = m_proposals[size_t(row)].photos.value(0);
        const int generation = m_generation;
        m_pool.start([this, path, row, generation] {
            const QImage image = makeThumbnail(path, ThumbnailSize);
            QMetaObject::invokeMethod(
                this, [this, generation, row, image] { thumbnailDone(generation, row, image); },
                Qt::QueuedConnection);
        });
    }
}

void PhotoIntakeModel::thumbnailDone(int generation, int row, const QImage &image)
{
    --m_running;
    if (generation == m_generation && row < rowCount()) {
        // A photo that does not decode keeps an empty square, not a request that repeats.
        QImage shown = image.isNull() ? QImage(1, 1, QImage::Format_ARGB32) : image;
        if (image.isNull())
            shown.fill(Qt::transparent);
        m_thumbnails.insert(row, new QImage(shown), int(qMax<qsizetype>(1, shown.sizeInBytes())));
        ++m_made;
        const QModelIndex at = index(row, Add);
        emit dataChanged(at, at, { Qt::DecorationRole });
        emit thumbnailReady(row);
    }
    pump();
}

PhotoIntakeWindow::PhotoIntakeWindow(const RecordStore &store, QWidget *parent)
    : QDialog(parent)
    , m_store(store)
{
    setObjectName(QStringLiteral("PhotoIntake"));
    setWindowTitle(QStringLiteral("New Records from Photos"));
    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("Summary"));
    m_summary->setWordWrap(true);
    top->addWidget(m_summary, 1);
    top->addWidget(new QLabel(QStringLiteral("Photos taken within"), this));
    m_gap = new QSpinBox(this);
    m_gap->setObjectName(QStringLiteral("Gap"));
    m_gap->setRange(0, 24 * 3600);
    m_gap->setValue(PhotoIntake::DefaultGapSeconds);
    m_gap->setSuffix(QStringLiteral(" s"));
    top->addWidget(m_gap);
    top->addWidget(new QLabel(QStringLiteral("of each other are one record"), this));
    layout->addLayout(top);

    // The offer for photos whose paths the catalogue cannot store; shown only when there are any.
    auto *offer = new QHBoxLayout;
    m_unstorable = new QLabel(this);
    m_unstorable->setObjectName(QStringLiteral("UnstorableText"));
    m_unstorable->setWordWrap(true);
    offer->addWidget(m_unstorable, 1);
    m_copy = new QPushButton(QStringLiteral("Copy Under New Names"), this);
    m_copy->setObjectName(QStringLiteral("CopyUnstorable"));
    offer->addWidget(m_copy);
    layout->addLayout(offer);
    connect(m_copy, &QPushButton::clicked, this, [this] { copyUnstorable(); });

    m_model = new PhotoIntakeModel(this);
    m_view = new QTableView(this);
    m_view->setObjectName(QStringLiteral("Proposals"));
    m_view->setModel(m_model);
    m_view->setIconSize(QSize(PhotoIntakeModel::ThumbnailSize, PhotoIntakeModel::ThumbnailSize));
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->verticalHeader()->setDefaultSectionSize(PhotoIntakeModel::ThumbnailSize + 6);
    m_view->verticalHeader()->hide();
    m_view->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_view->setColumnWidth(PhotoIntakeModel::Add, PhotoIntakeModel::ThumbnailSize + 44);
    m_view->setColumnWidth(PhotoIntakeModel::Name, 260);
    m_view->setColumnWidth(PhotoIntakeModel::Location, 200);
    m_view->setColumnWidth(PhotoIntakeModel::Date, 90);
    m_view->horizontalHeader()->setStretchLastSection(true);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
        | QAbstractItemView::SelectedClicked);
    m_view->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_model->setRowShown([this](int row) {
        const int top = m_view->rowAt(0);
        const int bottom = m_view->rowAt(m_view->viewport()->height() - 1);
        return top >= 0 && row >= top && row <= (bottom < 0 ? m_model->rowCount() - 1 : bottom);
    });
    layout->addWidget(m_view, 1);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *add
        = buttons->addButton(QStringLiteral("Add Records"), QDialogButtonBox::AcceptRole);
    add->setObjectName(QStringLiteral("AddRecords"));
    QPushButton *cancel
        = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    connect(m_gap, &QSpinBox::valueChanged, this, [this] { regroup(); });
    resize(820, 600);
}

PhotoIntakeWindow::~PhotoIntakeWindow() = default;

bool PhotoIntakeWindow::read(const QString &folder, const PhotoIntake::Progress &progress)
{
    m_folder = folder;
    m_used = PhotoIntake::usedPicturePaths(m_store);
    m_scan = PhotoIntake::scanFolder(folder, m_used, progress);
    if (m_scan.cancelled)
        return false;
    regroup();
    showUnstorable();
    return true;
}

void PhotoIntakeWindow::showUnstorable()
{
    const int count = int(m_scan.unstorable.size());
    m_unstorable->setVisible(count > 0);
    m_copy->setVisible(count > 0);
    if (count == 0)
        return;
    const QString beside = PhotoIntake::copyFolderFor(m_store.fileName);
    m_unstorable->setText(
        (count == 1 ? QStringLiteral("1 photo has a name the catalogue cannot store.")
                    : QStringLiteral("%1 photos have names the catalogue cannot store.").arg(count))
        + QLatin1Char(' ')
        + (beside.isEmpty()
                ? QStringLiteral("Copies under names it can store can be added instead.")
                : QStringLiteral("Copies under names it can store can be added from %1.")
                      .arg(QDir::toNativeSeparators(beside))));
}

bool PhotoIntakeWindow::copyUnstorable()
{
    QString folder = PhotoIntake::copyFolderFor(m_store.fileName);
    if (folder.isEmpty() && m_dialogs) {
        // An untitled catalogue has no folder to stand beside: the user names one.
        const Dialogs::AskingWindow asking(*m_dialogs, this);
        FileDialogOptions options;
        options.title = QStringLiteral("Copy Photos To");
        folder = m_dialogs->folderName(options);
    }
    if (folder.isEmpty())
        return false;
    const PhotoIntake::CopyResult copy = PhotoIntake::copyUnstorable(m_scan, folder, m_used);
    regroup();
    showUnstorable();
    if (!copy.ok && m_dialogs) {
        const Dialogs::AskingWindow asking(*m_dialogs, this);
        m_dialogs->error(copy.message);
    }
    return copy.copied + copy.reused > 0;
}

void PhotoIntakeWindow::setGap(int seconds)
{
    m_gap->setValue(seconds);
}

void PhotoIntakeWindow::regroup()
{
    // A group that stays the same keeps the name typed for it and its tick.
    QHash<QStringList, std::pair<QString, bool>> kept;
    for (const PhotoIntake::Proposal &p : m_model->proposals())
        kept.insert(p.photos, { p.name, p.checked });
    std::vector<PhotoIntake::Proposal> proposals
        = PhotoIntake::groupPhotos(m_scan, m_folder, m_gap->value(), m_store);
    for (PhotoIntake::Proposal &p : proposals) {
        if (const auto it = kept.constFind(p.photos); it != kept.cend()) {
            p.name = it->first;
            p.checked = it->second;
        }
    }
    m_model->setProposals(std::move(proposals));
    QString text = QStringLiteral("%1 new records from %2 photos in %3.")
                       .arg(m_model->rowCount())
                       .arg(m_scan.photos.size())
                       .arg(QDir::toNativeSeparators(m_folder));
    if (const QString left = PhotoIntake::leftOutText(m_scan); !left.isEmpty())
        text += QLatin1Char(' ') + left + QLatin1Char('.');
    m_summary->setText(text);
}
