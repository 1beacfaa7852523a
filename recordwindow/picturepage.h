// The record window's Images page: six picture slots on tabs, the picture frame, the title box
// and the buttons that choose and clear a slot's file.
#pragma once

#include <QImage>
#include <QWidget>

#include "store/recordstore.h"

class Dialogs;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabBar;

// The frame's picture: drawn from the top-left at its own size and clipped, or stretched.
class PictureFrame : public QWidget
{
    Q_OBJECT
public:
    explicit PictureFrame(QWidget *parent);
    void setImage(const QImage &image);
    const QImage &image() const { return m_image; }
    void setStretch(bool on);
    bool stretch() const { return m_stretch; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_image;
    bool m_stretch = false;
};

class PicturePage : public QWidget
{
    Q_OBJECT
public:
    PicturePage(Dialogs &dialogs, QWidget *parent);

    // The record window's show and store operations hand over the shown record.
    void GetRecord(const RecordPtr &record);
    void SaveRecord(ItemRecord &record) const;

    // Handlers.
    void DisplayPicture();
    void SelectPictureClick();
    void ClearPictureClick();
    void ImageTitleChange(const QString &text);
    void AutosizeClick();
    void ImageBookChange(int index);

    int selectedSlot() const { return m_slot; }
    QString pictureFile() const { return m_fileName; }
    PictureFrame *frame() const { return m_picture; }
    QLabel *status() const { return m_status; }

Q_SIGNALS:
    // A picture file chosen (empty: cleared) for a slot of the record that was shown when the
    // command was given; the window makes it a step on that record, wherever it has moved.
    void pictureFileChanged(const RecordPtr &record, int slot, const QString &path);
    // The title of a slot typed in: stored at once, each keystroke joining one typing step.
    void pictureTitleChanged(const RecordPtr &record, int slot, const QString &title);

private:
    void layoutPanel();
    void showStatus(const QString &text);
    void showPicture(const QImage &image);

    Dialogs &m_dialogs;
    RecordPtr m_record; // the record the window shows
    QString m_fileName; // the window's picture file
    int m_slot = 1;
    QTabBar *m_book = nullptr; // ImageBook
    QWidget *m_border = nullptr; // ImageBorder
    PictureFrame *m_picture = nullptr; // RecordImage
    QLabel *m_status = nullptr; // PicStat
    QWidget *m_panel = nullptr; // ImageControlPanel
    QLineEdit *m_title = nullptr; // ImageTitle
    QCheckBox *m_autoSize = nullptr; // AutoSizeImage

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
