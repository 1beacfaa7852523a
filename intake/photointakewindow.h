// The preview of new records from a folder of photos: one row per proposed record with its first
// photo's thumbnail, an editable name, the Location, the date and a check box.
#pragma once

#include <deque>
#include <functional>
#include <vector>

#include <QAbstractTableModel>
#include <QCache>
#include <QDialog>
#include <QImage>
#include <QSet>
#include <QThreadPool>

#include "intake/photointake.h"

class Dialogs;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableView;
class RecordStore;

class PhotoIntakeModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Add, Name, Location, Date, Photos, ColumnCount };
    static constexpr int ThumbnailSize = 64;

    explicit PhotoIntakeModel(QObject *parent = nullptr);
    ~PhotoIntakeModel() override;

    void setProposals(std::vector<PhotoIntake::Proposal> proposals);
    const std::vector<PhotoIntake::Proposal> &proposals() const { return m_proposals; }
    // Thumbnails are made only for rows this says are on screen.
    void setRowShown(std::function<bool(int)> shown) { m_rowShown = std::move(shown); }
    // Thumbnails made so far (the benchmark and tests read it).
    int thumbnailsMade() const { return m_made; }
    bool thumbnailsPending() const { return m_running > 0 || !m_queue.empty(); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    void thumbnailReady(int row);

private:
    void requestThumbnail(int row) const;
    void pump();
    void thumbnailDone(int generation, int row, const QImage &image);

    std::vector<PhotoIntake::Proposal> m_proposals;
    std::function<bool(int)> m_rowShown;
    QThreadPool m_pool;
    mutable QCache<int, QImage> m_thumbnails;
    mutable QSet<int> m_requested; // queued or being made
    mutable std::deque<int> m_queue; // newest request last
    int m_running = 0;
    int m_generation = 0; // proposals given so far; late thumbnails of older ones are dropped
    int m_made = 0;
};

class PhotoIntakeWindow : public QDialog
{
    Q_OBJECT
public:
    PhotoIntakeWindow(const RecordStore &store, QWidget *parent = nullptr);
    ~PhotoIntakeWindow() override;

    // Reads the folder behind a progress bar with Cancel; false when the user cancelled.
    bool read(const QString &folder, const PhotoIntake::Progress &progress);
    // The rows as the user left them: names edited, checks set.
    const std::vector<PhotoIntake::Proposal> &proposals() const { return m_model->proposals(); }
    const PhotoIntake::Scan &scan() const { return m_scan; }
    PhotoIntakeModel *model() const { return m_model; }
    QTableView *view() const { return m_view; }
    void setGap(int seconds);
    // Boxes for a failed copy and the folder question when the catalogue has no file yet.
    void setDialogs(Dialogs *dialogs) { m_dialogs = dialogs; }
    // Copies the photos whose paths the catalogue cannot store beside the catalogue (the offer's
    // button); false when nothing was copied.
    bool copyUnstorable();

private:
    void regroup();
    void showUnstorable();

    const RecordStore &m_store;
    Dialogs *m_dialogs = nullptr;
    QString m_folder;
    QSet<QString> m_used;
    PhotoIntake::Scan m_scan;
    QLabel *m_unstorable = nullptr;
    QPushButton *m_copy = nullptr;
    PhotoIntakeModel *m_model = nullptr;
    QTableView *m_view = nullptr;
    QSpinBox *m_gap = nullptr;
    QLabel *m_summary = nullptr;
};
