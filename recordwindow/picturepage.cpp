// The Images page and Change Picture Path.
#include "recordwindow/picturepage.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTabBar>
#include <QVBoxLayout>

#include "platform/dialogs.h"
#include "platform/imagelibrary.h"
#include "platform/pictureloader.h"
#include "store/editcommands.h"
#include "recordwindow/tview.h"
#include "store/valuestream.h"

namespace {

constexpr int PanelStrip = 200; // the control panel's strip on the right

const char *const TabNames[]
    = { "Image One", "Image Two", "Image Three", "Image Four", "Image Five", "Image Six" };

} // namespace

PictureFrame::PictureFrame(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("RecordImage"));
}

void PictureFrame::setImage(const QImage &image)
{
    m_image = image;
    update();
}

void PictureFrame::setStretch(bool on)
{
    m_stretch = on;
    update();
}

void PictureFrame::paintEvent(QPaintEvent *)
{
    if (m_image.isNull())
        return;
    QPainter p(this);
    if (m_stretch) {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(rect(), m_image);
    } else {
        p.drawImage(QPoint(0, 0), m_image); // clipped to the frame
    }
}

PicturePage::PicturePage(Dialogs &dialogs, QWidget *parent)
    : QWidget(parent)
    , m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("ImagesPage"));
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(6, 6, 6, 6);
    v->setSpacing(0);
    m_book = new QTabBar(this);
    m_book->setObjectName(QStringLiteral("ImageBook"));
    m_book->setExpanding(false);
    m_book->setDrawBase(true);
    for (const char *name : TabNames)
        m_book->addTab(QString::fromLatin1(name));
    v->addWidget(m_book);

    auto *body = new QWidget(this);
    body->setObjectName(QStringLiteral("ImageBody"));
    auto *h = new QHBoxLayout(body);
    h->setContentsMargins(0, 6, 0, 0);
    h->setSpacing(0);

    auto *border = new QFrame(body);
    border->setObjectName(QStringLiteral("ImageBorder"));
    border->setFrameShape(QFrame::StyledPanel);
    border->setFrameShadow(QFrame::Sunken);
    border->setAutoFillBackground(true);
    border->setBackgroundRole(QPalette::Base);
    m_border = border;
    m_picture = new PictureFrame(border);
    m_status = new QLabel(border);
    m_status->setObjectName(QStringLiteral("PicStat"));
    m_status->setAlignment(Qt::AlignCenter);
    m_status->hide();
    border->installEventFilter(this);
    h->addWidget(border, 1);

    // The panel strip: title box, buttons and tick, centred vertically.
    auto *strip = new QWidget(body);
    strip->setFixedWidth(PanelStrip);
    auto *sv = new QVBoxLayout(strip);
    sv->setContentsMargins(12, 0, 6, 0);
    sv->addStretch(1);
    m_panel = new QWidget(strip);
    m_panel->setObjectName(QStringLiteral("ImageControlPanel"));
    auto *pv = new QVBoxLayout(m_panel);
    pv->setContentsMargins(0, 0, 0, 0);
    pv->setSpacing(8);
    auto *titleLabel = new QLabel(QStringLiteral("Title"), m_panel);
    m_title = new QLineEdit(m_panel);
    m_title->setObjectName(QStringLiteral("ImageTitle"));
    m_title->setMaxLength(ValueStream::LongestText);
    titleLabel->setBuddy(m_title);
    auto *select = new QPushButton(QStringLiteral("Image File"), m_panel);
    select->setObjectName(QStringLiteral("SelectPicture"));
    select->setToolTip(QStringLiteral("Select a Picture File"));
    auto *clear = new QPushButton(QStringLiteral("Clear Image"), m_panel);
    clear->setObjectName(QStringLiteral("ClearPicture"));
    clear->setToolTip(QStringLiteral("Remove the Picture"));
    m_autoSize = new QCheckBox(QStringLiteral("Auto Size Image"), m_panel);
    m_autoSize->setObjectName(QStringLiteral("AutoSizeImage"));
    pv->addWidget(titleLabel);
    pv->addWidget(m_title);
    pv->addSpacing(6);
    pv->addWidget(select);
    pv->addWidget(clear);
    pv->addSpacing(6);
    pv->addWidget(m_autoSize);
    sv->addWidget(m_panel);
    sv->addStretch(1);
    h->addWidget(strip);
    v->addWidget(body, 1);

    connect(m_book, &QTabBar::currentChanged, this, &PicturePage::ImageBookChange);
    connect(m_title, &QLineEdit::textEdited, this, &PicturePage::ImageTitleChange);
    connect(select, &QPushButton::clicked, this, &PicturePage::SelectPictureClick);
    connect(clear, &QPushButton::clicked, this, &PicturePage::ClearPictureClick);
    connect(m_autoSize, &QCheckBox::clicked, this, &PicturePage::AutosizeClick);
}

bool PicturePage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_border && event->type() == QEvent::Resize) {
        const QRect inner = m_border->contentsRect();
        m_picture->setGeometry(inner);
        m_status->setGeometry(inner);
    }
    return QWidget::eventFilter(watched, event);
}

void PicturePage::GetRecord(const RecordPtr &record)
{
    m_record = record;
    if (!m_record)
        return;
    const ImageRecord &slot = m_record->picture(m_slot);
    m_fileName = slot.FileName;
    m_title->setText(slot.Title);
    m_title->setCursorPosition(0);
    DisplayPicture();
}

void PicturePage::SaveRecord(ItemRecord &record) const
{
    record.setPictureFile(m_slot, m_fileName);
}

void PicturePage::showStatus(const QString &text)
{
    m_picture->hide();
    m_picture->setImage(QImage());
    m_status->setText(text);
    m_status->show();
}

void PicturePage::showPicture(const QImage &image)
{
    m_status->hide();
    m_picture->setImage(image);
    m_picture->show();
}

void PicturePage::DisplayPicture()
{
    if (m_fileName.isEmpty()) {
        showStatus(QStringLiteral("No Image File Selected"));
        return;
    }
    m_status->hide();
    m_picture->show();
    const QString ext = pictureExtension(m_fileName);
    Picture picture = (ext == u"gif" || ext == u"pcx") ? ImageLibrary::load(m_fileName)
                                                       : PictureLoader::load(m_fileName);
    if (picture.ok())
        showPicture(picture.image);
    else
        // Missing, unreadable, damaged or not a picture at all: the page says so rather than
        // leaving an empty frame.
        showStatus(QStringLiteral("Image File is Not Valid"));
}

void PicturePage::SelectPictureClick()
{
    const Dialogs::AskingWindow asking(m_dialogs, window());
    // The dialog hands activation away and back, which may show another record meanwhile: the
    // file goes to the record and slot the command was given for.
    const RecordPtr target = m_record;
    const int slot = m_slot;
    FileDialogOptions options;
    options.title = QStringLiteral("Open");
    options.fileName = m_fileName;
    // All picture types first, then the single types.
    QStringList patterns;
    for (const QString &ext : ImageLibrary::extensions())
        patterns << QStringLiteral("*.") + ext;
    options.filter = QStringLiteral("All Pictures|") + patterns.join(u';')
        + QStringLiteral(
            "|Windows Bitmap|*.bmp|JPEG Bitmat|*.jpg|PCX Bitmap|*.pcx|GIF Bitmap|*.gif");
    options.mustExist = true;
    const QString chosen = m_dialogs.openFileName(options);
    if (!chosen.isEmpty() && target) {
        Q_EMIT pictureFileChanged(target, slot, chosen);
        if (m_record == target && m_slot == slot)
            m_fileName = chosen;
    }
    DisplayPicture();
}

void PicturePage::ClearPictureClick()
{
    if (m_record)
        Q_EMIT pictureFileChanged(m_record, m_slot, QString());
    m_picture->hide();
    m_picture->setImage(QImage());
    m_fileName.clear();
}

void PicturePage::ImageTitleChange(const QString &text)
{
    if (m_record)
        Q_EMIT pictureTitleChanged(m_record, m_slot, text);
}

void PicturePage::AutosizeClick()
{
    m_picture->setStretch(m_autoSize->isChecked());
}

void PicturePage::ImageBookChange(int index)
{
    m_slot = std::clamp(index + 1, 1, int(ItemRecord::PictureCount));
    if (!m_record)
        return;
    const ImageRecord &slot = m_record->picture(m_slot);
    m_fileName = slot.FileName;
    DisplayPicture();
    m_title->setText(slot.Title);
    m_title->setCursorPosition(0);
}

void TView::ChangePicturePath1Click()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    // Cancelling returns the empty preset, and the question is asked all the same.
    const QString answer = m_ctx.dialogs.inputBox(
        QStringLiteral("New Path"), QStringLiteral("Please enter new path:"), QString());
    if (m_ctx.dialogs.askYesNo(QStringLiteral("Picture file path will be changed to ") + answer
            + QStringLiteral(" for all records.  Are you sure you want to continue ?"))
        == Dialogs::Answer::No)
        return;
    if (!answer.isEmpty()) {
        storeCurrent();
        m_ctx.history->push(std::make_unique<PicturePathCommand>(m_ctx.store, answer));
        // The box deactivates this window, which stores its controls: they must already show
        // the moved paths, or the old ones go back over them.
        GetRecord(m_ctx.store.currentIndex);
        recordsChanged(m_ctx.store.count());
        m_ctx.dialogs.information(QStringLiteral("Picture file path has been changed."));
        return;
    }
    GetRecord(m_ctx.store.currentIndex);
}
