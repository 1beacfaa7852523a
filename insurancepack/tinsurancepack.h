// The Insurance Pack window: which records, grouped how, with what cover and photos, written into
// which folder; "Make Pack" runs the composer on a worker with a progress bar and Cancel, and
// ends with a box that names the folder and offers to open it.
#pragma once

#include <memory>

#include <QMainWindow>

#include "app/activation.h"
#include "app/appcontext.h"

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QProgressDialog;
class QPushButton;
class QRadioButton;
class SharedToolbar;
namespace InsurancePack {
class Job;
}

class TInsurancePack : public QMainWindow, public ActivationClient
{
    Q_OBJECT
public:
    explicit TInsurancePack(AppContext &ctx, QWidget *parent = nullptr);
    ~TInsurancePack() override;

    void FormActivate() override;
    void FormDeactivate() override;

    void BrowseBtnClick();
    // True when a pack was started; packFinished tells how it ended.
    bool MakePackBtnClick();
    void OpenPdfBtnClick();
    bool making() const;

    // The settings keep one line per key: line breaks and backslashes travel escaped.
    static QString escapeCover(const QString &text);
    static QString unescapeCover(const QString &text);

Q_SIGNALS:
    // After the pack's last box: true when a pack was written.
    void packFinished(bool written);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void fillGroupBy();
    QString defaultFolder() const;
    void keepSetting(const QString &key, const QString &value);
    void saveSettings();
    void packDone();

    AppContext &m_ctx;
    SharedToolbar *m_toolbar = nullptr;
    QRadioButton *m_allRecords = nullptr;
    QRadioButton *m_searchList = nullptr;
    QComboBox *m_groupBy = nullptr;
    QPlainTextEdit *m_cover = nullptr;
    QComboBox *m_photos = nullptr;
    QLineEdit *m_folder = nullptr;
    QLineEdit *m_timestamp = nullptr;
    QPushButton *m_make = nullptr;
    QPushButton *m_openPdf = nullptr;
    QString m_lastPdf;
    std::unique_ptr<InsurancePack::Job> m_job;
    QProgressDialog *m_progress = nullptr;
};
