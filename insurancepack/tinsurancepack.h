// The Insurance Pack window: which records, grouped how, with what cover and photos, written into
// which folder; "Make Pack" runs the composer with a progress bar and Cancel.
#pragma once

#include <QMainWindow>

#include "app/activation.h"
#include "app/appcontext.h"

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class SharedToolbar;

class TInsurancePack : public QMainWindow, public ActivationClient
{
    Q_OBJECT
public:
    explicit TInsurancePack(AppContext &ctx, QWidget *parent = nullptr);
    ~TInsurancePack() override;

    void FormActivate() override;
    void FormDeactivate() override;

    void BrowseBtnClick();
    // True when a pack was written.
    bool MakePackBtnClick();
    void OpenPdfBtnClick();

    // The settings keep one line per key: line breaks and backslashes travel escaped.
    static QString escapeCover(const QString &text);
    static QString unescapeCover(const QString &text);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void fillGroupBy();
    QString defaultFolder() const;

    AppContext &m_ctx;
    SharedToolbar *m_toolbar = nullptr;
    QRadioButton *m_allRecords = nullptr;
    QRadioButton *m_searchList = nullptr;
    QComboBox *m_groupBy = nullptr;
    QPlainTextEdit *m_cover = nullptr;
    QComboBox *m_photos = nullptr;
    QLineEdit *m_folder = nullptr;
    QPushButton *m_make = nullptr;
    QPushButton *m_openPdf = nullptr;
    QString m_lastPdf;
};
