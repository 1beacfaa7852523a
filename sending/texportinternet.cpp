// The send window "Internet": three tabs over one text; the transport does the talking.
#include "sending/texportinternet.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/dialogs.h"
#include "reports/exporttable.h"
#include "sending/texttable.h"

using namespace Qt::StringLiterals;
using ReportSending::Kind;

namespace {

const QStringList mailEncryptions { u"None"_s, u"STARTTLS"_s, u"TLS"_s };
const QStringList newsEncryptions { u"None"_s, u"TLS"_s };

Encryption encryptionOf(const QComboBox *box)
{
    const QString text = box->currentText();
    if (text == "STARTTLS"_L1)
        return Encryption::StartTls;
    if (text == "TLS"_L1)
        return Encryption::Tls;
    return Encryption::None;
}

QLineEdit *lineEdit(QWidget *parent, const QString &name, int maxLength = 32767)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMaxLength(maxLength);
    return edit;
}

QComboBox *comboBox(QWidget *parent, const QString &name, const QStringList &items)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(name);
    box->addItems(items);
    return box;
}

QLabel *heading(QWidget *parent, const QString &text)
{
    auto *label = new QLabel(text, parent);
    QFont f = label->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.3);
    label->setFont(f);
    return label;
}

// A certificate file field with a button that picks the file.
QWidget *certificateRow(
    QWidget *parent, QLineEdit *field, const QString &buttonName, Dialogs &dialogs)
{
    auto *row = new QWidget(parent);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *browse = new QToolButton(row);
    browse->setObjectName(buttonName);
    browse->setText(u"..."_s);
    browse->setToolTip(u"Choose the certificate file"_s);
    QObject::connect(browse, &QToolButton::clicked, field, [field, &dialogs] {
        FileDialogOptions options;
        options.title = u"Trusted Certificate"_s;
        options.filter = u"PEM Certificate|*.pem;*.crt|All Files|*"_s;
        options.mustExist = true;
        const Dialogs::AskingWindow asking(dialogs, field->window());
        const QString path = dialogs.openFileName(options);
        if (!path.isEmpty())
            field->setText(path);
    });
    layout->addWidget(field);
    layout->addWidget(browse);
    return row;
}

// The port field follows the encryption while it still shows the previous choice's default.
void followDefaultPort(QLineEdit *port, Kind kind, Encryption from, Encryption to)
{
    if (port->text().trimmed() == QString::number(ReportSending::defaultPort(kind, from)))
        port->setText(QString::number(ReportSending::defaultPort(kind, to)));
}

} // namespace

TExportInternet::TExportInternet(
    AppContext &ctx, const ExportTable &table, int recordRows, bool itemNumbers, QWidget *parent)
    : QDialog(parent)
    , m_ctx(ctx)
    , m_table(table)
    , m_recordRows(recordRows)
    , m_itemNumbers(itemNumbers)
    , m_returnTo(ctx.activation.activeWindow())
{
    setObjectName(u"ExportInternet"_s);
    setWindowTitle(u"Internet"_s);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_DeleteOnClose, false);
    buildControls();
    resize(640, 520);
    m_ctx.activation.registerWindow(this, this);
}

TExportInternet::~TExportInternet()
{
    m_ctx.activation.unregisterWindow(this);
}

bool TExportInternet::networkAvailable(Dialogs &dialogs, bool (*available)())
{
    if (available())
        return true;
    dialogs.information(
        u"Sorry, you can only use this function on systems that have Winsock installed."_s);
    return false;
}

void TExportInternet::buildControls()
{
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(u"PageControl1"_s);
    m_tabs->addTab(buildMessagePage(), u"Message"_s);
    m_tabs->addTab(buildMailPage(), u"Send EMAIL"_s);
    m_tabs->addTab(buildNewsPage(), u"Post to Newsgroup"_s);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
}

QWidget *TExportInternet::buildMessagePage()
{
    auto *page = new QWidget(this);
    m_body = new QPlainTextEdit(page);
    m_body->setObjectName(u"MessageBody"_s);
    m_body->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_body->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_body->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The table only lines up in a font whose letters are all as wide.
    m_body->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(m_body);
    return page;
}

QWidget *TExportInternet::buildMailPage()
{
    auto *page = new QWidget(this);
    auto *setup = new QGroupBox(u"Setup"_s, page);
    auto *setupForm = new QFormLayout(setup);
    m_mailServer = lineEdit(setup, u"MailServer"_s);
    m_mailServer->setText(u"mail"_s);
    m_mailPort = lineEdit(setup, u"MailPort"_s);
    m_mailPort->setText(u"25"_s);
    m_mailEncryption = comboBox(setup, u"MailEncryption"_s, mailEncryptions);
    m_mailUser = lineEdit(setup, u"MailUserName"_s);
    m_mailUser->setPlaceholderText(u"only if the server asks you to sign in"_s);
    m_mailPassword = lineEdit(setup, u"MailPassword"_s);
    m_mailPassword->setEchoMode(QLineEdit::Password);
    m_mailCa = lineEdit(setup, u"MailCaFile"_s);
    m_mailCa->setPlaceholderText(u"a PEM file, for a server with its own certificate"_s);
    m_sender = lineEdit(setup, u"Edit2"_s, 255);
    m_priority = comboBox(setup, u"pMail"_s, { u"Normal"_s, u"High"_s, u"Low"_s });
    setupForm->addRow(u"Mail Server"_s, m_mailServer);
    setupForm->addRow(u"Default Port"_s, m_mailPort);
    setupForm->addRow(u"Encryption"_s, m_mailEncryption);
    setupForm->addRow(u"User Name"_s, m_mailUser);
    setupForm->addRow(u"Password"_s, m_mailPassword);
    setupForm->addRow(u"Trusted Certificate"_s,
        certificateRow(setup, m_mailCa, u"MailCaBrowse"_s, m_ctx.dialogs));
    setupForm->addRow(u"Sender (Email)"_s, m_sender);
    setupForm->addRow(u"Priority"_s, m_priority);
    connect(m_mailEncryption, &QComboBox::currentIndexChanged, this,
        &TExportInternet::MailEncryptionChange);

    auto *address = new QGroupBox(u"Address Information"_s, page);
    auto *addressForm = new QFormLayout(address);
    m_toName = lineEdit(address, u"ToName"_s, 255);
    m_toAddress = lineEdit(address, u"ToAddress"_s, 255);
    m_subject = lineEdit(address, u"Subject"_s, 255);
    addressForm->addRow(u"To Name:"_s, m_toName);
    addressForm->addRow(u"To Address:"_s, m_toAddress);
    addressForm->addRow(u"Subject"_s, m_subject);

    auto *send = new QPushButton(u"Send"_s, page);
    send->setObjectName(u"BitBtn1"_s);
    auto *close = new QPushButton(u"Close"_s, page);
    close->setObjectName(u"CloseEmail"_s);
    close->setToolTip(u"Close the Report Window"_s);
    connect(send, &QPushButton::clicked, this, &TExportInternet::BitBtn1Click);
    connect(close, &QPushButton::clicked, this, &TExportInternet::CloseEmailClick);
    m_buttons += { send, close };
    // Enter in a field must not send: the Send button would answer it even on the news page.
    for (QPushButton *b : { send, close })
        b->setAutoDefault(false);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(send);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(heading(page, u"Send EMAIL"_s));
    layout->addWidget(setup);
    layout->addWidget(address);
    layout->addStretch();
    layout->addLayout(buttons);
    return page;
}

QWidget *TExportInternet::buildNewsPage()
{
    auto *page = new QWidget(this);
    auto *setup = new QGroupBox(u"Setup"_s, page);
    auto *setupForm = new QFormLayout(setup);
    m_newsServer = lineEdit(setup, u"NewsServer"_s);
    m_newsServer->setText(u"news"_s);
    m_newsPort = lineEdit(setup, u"NewsPort"_s);
    m_newsPort->setText(u"119"_s);
    m_newsEncryption = comboBox(setup, u"NewsEncryption"_s, newsEncryptions);
    m_newsEmail = lineEdit(setup, u"NewsEmail"_s, 255);
    m_newsAuth = comboBox(setup, u"NewsAuth"_s, { u"True"_s, u"False"_s });
    m_newsAuth->setCurrentText(u"False"_s);
    m_newsUser = lineEdit(setup, u"NewsUserName"_s);
    m_newsPassword = lineEdit(setup, u"NewsPassword"_s);
    m_newsPassword->setEchoMode(QLineEdit::Password);
    m_newsCa = lineEdit(setup, u"NewsCaFile"_s);
    m_newsCa->setPlaceholderText(u"a PEM file, for a server with its own certificate"_s);
    setupForm->addRow(u"News Server"_s, m_newsServer);
    setupForm->addRow(u"Default Port"_s, m_newsPort);
    setupForm->addRow(u"Encryption"_s, m_newsEncryption);
    setupForm->addRow(u"Trusted Certificate"_s,
        certificateRow(setup, m_newsCa, u"NewsCaBrowse"_s, m_ctx.dialogs));
    setupForm->addRow(u"Email"_s, m_newsEmail);
    setupForm->addRow(u"Authenticate"_s, m_newsAuth);
    setupForm->addRow(u"User Name"_s, m_newsUser);
    setupForm->addRow(u"Password"_s, m_newsPassword);
    connect(m_newsEncryption, &QComboBox::currentIndexChanged, this,
        &TExportInternet::NewsEncryptionChange);

    auto *group = new QGroupBox(u"Group Information"_s, page);
    auto *groupForm = new QFormLayout(group);
    m_newsGroup = lineEdit(group, u"NewsGroup"_s);
    m_newsSubject = lineEdit(group, u"NewsSubject"_s, 255);
    groupForm->addRow(u"News Group"_s, m_newsGroup);
    groupForm->addRow(u"Subject"_s, m_newsSubject);

    auto *post = new QPushButton(u"Post"_s, page);
    post->setObjectName(u"BitBtn2"_s);
    auto *close = new QPushButton(u"Close"_s, page);
    close->setObjectName(u"CloseNews"_s);
    close->setToolTip(u"Close the Report Window"_s);
    connect(post, &QPushButton::clicked, this, &TExportInternet::BitBtn2Click);
    connect(close, &QPushButton::clicked, this, &TExportInternet::CloseNewsClick);
    m_buttons += { post, close };
    for (QPushButton *b : { post, close })
        b->setAutoDefault(false);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(post);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(heading(page, u"Post to Newsgroup"_s));
    layout->addWidget(setup);
    layout->addWidget(group);
    layout->addStretch();
    layout->addLayout(buttons);
    return page;
}

void TExportInternet::FormActivate()
{
    m_active = true;
    if (m_filled)
        return;
    m_filled = true;
    m_body->setPlainText(reportTextTable(m_table, m_recordRows, m_itemNumbers).join(u'\n'));
}

void TExportInternet::FormDeactivate()
{
    m_active = false;
}

QStringList TExportInternet::bodyLines() const
{
    return m_body->toPlainText().split(u'\n');
}

bool TExportInternet::readCertificate(QLineEdit *field, QList<QSslCertificate> &out)
{
    const QString path = field->text().trimmed();
    if (path.isEmpty())
        return true;
    const QString error = ReportSending::loadCertificates(path, out);
    if (error.isEmpty())
        return true;
    m_ctx.dialogs.error(error);
    return false;
}

bool TExportInternet::passwordMayGo(bool inClear, const QString &server, bool &allowed)
{
    if (!inClear)
        return true;
    allowed = m_ctx.dialogs.askYesNo(ReportSending::plainPasswordQuestion(server))
        == Dialogs::Answer::Yes;
    return allowed;
}

void TExportInternet::setBusy(bool busy)
{
    m_busy = busy;
    // The transport keeps the window running while it waits; a second press must not start a
    // second dialogue on the same connection.
    for (QPushButton *b : std::as_const(m_buttons))
        b->setEnabled(!busy);
    if (busy)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TExportInternet::BitBtn1Click()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    if (m_busy)
        return;
    const ReportSending::PortText port = ReportSending::parsePort(m_mailPort->text());
    if (!port.error.isEmpty()) {
        m_ctx.dialogs.error(port.error);
        return;
    }
    ReportSending::MailSettings s;
    if (!readCertificate(m_mailCa, s.caCertificates))
        return;
    s.server = m_mailServer->text().trimmed();
    s.port = port.port;
    s.encryption = encryptionOf(m_mailEncryption);
    s.user = m_mailUser->text();
    s.password = m_mailPassword->text();
    s.sender = m_sender->text().trimmed();
    s.priority = m_priority->currentText();
    s.toName = m_toName->text();
    s.toAddress = m_toAddress->text().trimmed();
    s.subject = m_subject->text();
    s.timeout = m_timeout;
    if (!passwordMayGo(ReportSending::passwordInClear(s), s.server, s.allowPlainPassword))
        return;
    setBusy(true);
    const TransportResult result = ReportSending::sendMail(m_smtp, s, bodyLines());
    setBusy(false);
    if (result.ok)
        m_ctx.dialogs.information(u"Your message has been sent. "_s);
    else
        m_ctx.dialogs.error(result.error);
}

void TExportInternet::BitBtn2Click()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    if (m_busy)
        return;
    const ReportSending::PortText port = ReportSending::parsePort(m_newsPort->text());
    if (!port.error.isEmpty()) {
        m_ctx.dialogs.error(port.error);
        return;
    }
    ReportSending::NewsSettings s;
    if (!readCertificate(m_newsCa, s.caCertificates))
        return;
    s.server = m_newsServer->text().trimmed();
    s.port = port.port;
    s.encryption = encryptionOf(m_newsEncryption);
    s.authenticate = m_newsAuth->currentText() == "True"_L1;
    s.user = m_newsUser->text();
    s.password = m_newsPassword->text();
    s.sender = m_newsEmail->text().trimmed();
    s.groups = m_newsGroup->text().trimmed();
    s.subject = m_newsSubject->text();
    s.timeout = m_timeout;
    if (!passwordMayGo(ReportSending::passwordInClear(s), s.server, s.allowPlainPassword))
        return;
    setBusy(true);
    const TransportResult result = ReportSending::postArticle(m_nntp, s, bodyLines());
    setBusy(false);
    if (result.ok)
        m_ctx.dialogs.information(u"Your message has been posted. "_s);
    else
        m_ctx.dialogs.error(result.error);
}

void TExportInternet::MailEncryptionChange()
{
    const Encryption to = encryptionOf(m_mailEncryption);
    for (Encryption from : { Encryption::None, Encryption::StartTls, Encryption::Tls })
        followDefaultPort(m_mailPort, Kind::Mail, from, to);
}

void TExportInternet::NewsEncryptionChange()
{
    const Encryption to = encryptionOf(m_newsEncryption);
    for (Encryption from : { Encryption::None, Encryption::Tls })
        followDefaultPort(m_newsPort, Kind::News, from, to);
}

void TExportInternet::CloseEmailClick()
{
    close();
}

void TExportInternet::CloseNewsClick()
{
    close();
}

void TExportInternet::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_ctx.activation.activate(this);
}

void TExportInternet::closeEvent(QCloseEvent *event)
{
    // The transfer cannot be cancelled; the window closes once it has ended.
    if (m_busy) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TExportInternet::reject()
{
    if (!m_busy)
        QDialog::reject();
}

void TExportInternet::done(int result)
{
    if (m_busy)
        return;
    // The news connection ends with the window.
    m_nntp.quit();
    QDialog::done(result);
    if (!m_active)
        return;
    if (m_ctx.activation.activeWindow() == this) {
        QWidget *back = m_returnTo && m_returnTo != this && m_returnTo->isVisible()
            ? m_returnTo.data()
            : nullptr;
        m_ctx.activation.activate(back);
    }
    FormDeactivate();
}
