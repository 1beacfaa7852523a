// The send window: the report as an editable text table, mailed or posted to a newsgroup.
#pragma once

#include <chrono>

#include <QDialog>
#include <QPointer>

#include "app/activation.h"
#include "app/appcontext.h"
#include "sending/nntp.h"
#include "sending/reportsending.h"
#include "sending/smtp.h"

class ExportTable;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

class TExportInternet : public QDialog, public ActivationClient
{
    Q_OBJECT
public:
    // The table is read when the window first activates; recordRows rows follow the heading.
    TExportInternet(AppContext &ctx, const ExportTable &table, int recordRows, bool itemNumbers,
        QWidget *parent = nullptr);
    ~TExportInternet() override;

    // The opening check of the report window's send buttons: false, after telling the user,
    // when the system cannot open network sockets.
    static bool networkAvailable(Dialogs &dialogs, bool (*available)() = WinsockLoaded);

    void FormActivate() override;
    void FormDeactivate() override;

    void BitBtn1Click(); // Send
    void BitBtn2Click(); // Post
    void CloseEmailClick();
    void CloseNewsClick();
    void MailEncryptionChange();
    void NewsEncryptionChange();

    // Each wait of the transport; tests use a short one.
    void setTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    bool isBusy() const { return m_busy; }

public slots:
    void done(int result) override;
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    QWidget *buildMessagePage();
    QWidget *buildMailPage();
    QWidget *buildNewsPage();
    QStringList bodyLines() const;
    bool readCertificate(QLineEdit *field, QList<QSslCertificate> &out);
    // False when the user would rather not send a password without encryption.
    bool passwordMayGo(bool inClear, const QString &server, bool &allowed);
    void setBusy(bool busy);

    AppContext &m_ctx;
    const ExportTable &m_table;
    const int m_recordRows;
    const bool m_itemNumbers;
    bool m_filled = false; // the text table is made once, so edits survive later activations
    bool m_active = false;
    bool m_busy = false;
    std::chrono::milliseconds m_timeout { 60000 };
    QPointer<QWidget> m_returnTo;
    TmsSMTP m_smtp;
    TmsNNTP m_nntp;

    QTabWidget *m_tabs = nullptr;
    QPlainTextEdit *m_body = nullptr;
    QLineEdit *m_mailServer = nullptr;
    QLineEdit *m_mailPort = nullptr;
    QComboBox *m_mailEncryption = nullptr;
    QLineEdit *m_mailUser = nullptr;
    QLineEdit *m_mailPassword = nullptr;
    QLineEdit *m_mailCa = nullptr;
    QLineEdit *m_sender = nullptr;
    QComboBox *m_priority = nullptr;
    QLineEdit *m_toName = nullptr;
    QLineEdit *m_toAddress = nullptr;
    QLineEdit *m_subject = nullptr;
    QLineEdit *m_newsServer = nullptr;
    QLineEdit *m_newsPort = nullptr;
    QComboBox *m_newsEncryption = nullptr;
    QLineEdit *m_newsEmail = nullptr;
    QComboBox *m_newsAuth = nullptr;
    QLineEdit *m_newsUser = nullptr;
    QLineEdit *m_newsPassword = nullptr;
    QLineEdit *m_newsCa = nullptr;
    QLineEdit *m_newsGroup = nullptr;
    QLineEdit *m_newsSubject = nullptr;
    QList<QPushButton *> m_buttons;
};
