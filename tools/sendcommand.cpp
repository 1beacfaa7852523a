// larkspur-tool send: the send window's Send and Post for scheduled jobs.
#include "tools/sendcommand.h"
#include "tools/readorreport.h"

#include <cstdio>

#include <QFile>
#include <QString>

#include <QDate>
#include <QPageSize>

#include "reports/exporttable.h"
#include "reports/reportformat.h"
#include "reports/reportlayout.h"
#include "sending/nntp.h"
#include "sending/reportsending.h"
#include "sending/smtp.h"
#include "sending/texttable.h"
#include "store/datafile.h"
#include "store/smallfile.h"
#include "store/recordstore.h"

using namespace Qt::StringLiterals;
using ReportSending::Kind;

namespace {

enum ExitCode { Success = 0, Failure = 1, Usage = 2 };

QString usageText()
{
    return u"usage: larkspur-tool send FORMAT.rpt IN.dat --mail --server HOST[:PORT] --from "
           u"ADDRESS "
           "--to ADDRESS [--to-name NAME] --subject TEXT [--priority normal|high|low] "
           "[--user NAME] [common options]\n"
           "       larkspur-tool send FORMAT.rpt IN.dat --news --server HOST[:PORT] --from ADDRESS "
           "--group GROUP --subject TEXT [--authenticate --user NAME] [common options]\n"
           "  common options: [--encryption none|starttls|tls] [--password-file FILE] "
           "[--ca-file FILE] [--allow-plain-password]\n"
           "  The password is the first line of FILE; --ca-file trusts a PEM certificate besides "
           "the system's;\n"
           "  a password goes without encryption only with --allow-plain-password.\n"_s;
}

int usageError(const QString &problem)
{
    writeTo(stderr, u"larkspur-tool send: "_s + problem + u'\n' + usageText());
    return Usage;
}

struct Options
{
    QString format;
    QString data;
    std::optional<Kind> kind;
    QString server, from, to, toName, subject, group, user, passwordFile, caFile;
    QString priority = u"Normal"_s;
    Encryption encryption = Encryption::None;
    bool authenticate = false;
    bool allowPlainPassword = false;
};

// The first line of the file, without its line end.
std::optional<QString> readPassword(const QString &path, QString &error)
{
    const SmallFile::Result file = SmallFile::read(path, SmallFile::SecretLimit);
    if (!file.ok()) {
        error = file.error;
        return std::nullopt;
    }
    const qsizetype end = file.bytes.indexOf('\n');
    QByteArray line = end < 0 ? file.bytes : file.bytes.left(end + 1);
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}

// Parses the options; an empty text when they are sound, else what is wrong.
QString parse(const QStringList &args, Options &o)
{
    QStringList positional;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (!a.startsWith(u"--"_s)) {
            positional += a;
            continue;
        }
        if (a == "--mail"_L1 || a == "--news"_L1) {
            const Kind k = a == "--mail"_L1 ? Kind::Mail : Kind::News;
            if (o.kind && *o.kind != k)
                return u"give either --mail or --news"_s;
            o.kind = k;
            continue;
        }
        if (a == "--authenticate"_L1) {
            o.authenticate = true;
            continue;
        }
        if (a == "--allow-plain-password"_L1) {
            o.allowPlainPassword = true;
            continue;
        }
        static const QStringList valued { u"--server"_s, u"--from"_s, u"--to"_s, u"--to-name"_s,
            u"--subject"_s, u"--priority"_s, u"--user"_s, u"--group"_s, u"--encryption"_s,
            u"--password-file"_s, u"--ca-file"_s };
        if (!valued.contains(a))
            return u"unknown option \"%1\""_s.arg(a);
        if (i + 1 >= args.size())
            return u"%1 needs a value"_s.arg(a);
        const QString v = args[++i];
        if (a == "--server"_L1) {
            o.server = v;
        } else if (a == "--from"_L1) {
            o.from = v;
        } else if (a == "--to"_L1) {
            o.to = v;
        } else if (a == "--to-name"_L1) {
            o.toName = v;
        } else if (a == "--subject"_L1) {
            o.subject = v;
        } else if (a == "--user"_L1) {
            o.user = v;
        } else if (a == "--group"_L1) {
            o.group = v;
        } else if (a == "--password-file"_L1) {
            o.passwordFile = v;
        } else if (a == "--ca-file"_L1) {
            o.caFile = v;
        } else if (a == "--priority"_L1) {
            const QString p = v.toLower();
            if (p != "normal"_L1 && p != "high"_L1 && p != "low"_L1)
                return u"--priority takes normal, high or low, not \"%1\""_s.arg(v);
            o.priority = p.left(1).toUpper() + p.mid(1);
        } else if (a == "--encryption"_L1) {
            const QString e = v.toLower();
            if (e == "none"_L1)
                o.encryption = Encryption::None;
            else if (e == "starttls"_L1)
                o.encryption = Encryption::StartTls;
            else if (e == "tls"_L1)
                o.encryption = Encryption::Tls;
            else
                return u"--encryption takes none, starttls or tls, not \"%1\""_s.arg(v);
        }
    }
    if (positional.size() != 2)
        return u"give the report format file and the database file"_s;
    o.format = positional[0];
    o.data = positional[1];
    if (!o.kind)
        return u"give --mail or --news"_s;
    if (o.server.isEmpty() || o.from.isEmpty() || o.subject.isEmpty())
        return u"--server, --from and --subject are needed"_s;
    if (*o.kind == Kind::Mail) {
        if (o.to.isEmpty())
            return u"--mail needs --to"_s;
        if (!o.group.isEmpty() || o.authenticate)
            return u"--group and --authenticate are for --news"_s;
    } else {
        if (o.group.isEmpty())
            return u"--news needs --group"_s;
        if (!o.to.isEmpty() || !o.toName.isEmpty())
            return u"--to and --to-name are for --mail"_s;
        if (o.encryption == Encryption::StartTls)
            return u"news takes --encryption none or tls"_s;
        if (o.authenticate && o.user.isEmpty())
            return u"--authenticate needs --user"_s;
    }
    return {};
}

int plainPasswordRefused(const QString &server)
{
    writeTo(stderr,
        u"The password for %1 would go unencrypted, readable by anyone on the network; use "
        "--encryption starttls or tls, or --allow-plain-password if you accept that\n"_s.arg(
            server));
    return Failure;
}

int sendReportTable(const QStringList &body, const Options &o)
{
    QString password;
    if (!o.passwordFile.isEmpty()) {
        QString error;
        const std::optional<QString> p = readPassword(o.passwordFile, error);
        if (!p) {
            writeTo(stderr, error + u'\n');
            return Failure;
        }
        password = *p;
    }
    QList<QSslCertificate> trusted;
    if (!o.caFile.isEmpty()) {
        const QString error = ReportSending::loadCertificates(o.caFile, trusted);
        if (!error.isEmpty()) {
            writeTo(stderr, error + u'\n');
            return Failure;
        }
    }
    TransportResult result;
    QString done;
    if (*o.kind == Kind::Mail) {
        ReportSending::MailSettings s;
        s.server = o.server;
        s.port = ReportSending::defaultPort(Kind::Mail, o.encryption);
        s.encryption = o.encryption;
        s.user = o.user;
        s.password = password;
        s.caCertificates = trusted;
        s.sender = o.from;
        s.priority = o.priority;
        s.toName = o.toName;
        s.toAddress = o.to;
        s.subject = o.subject;
        s.allowPlainPassword = o.allowPlainPassword;
        if (ReportSending::passwordInClear(s) && !s.allowPlainPassword)
            return plainPasswordRefused(s.server);
        TmsSMTP smtp;
        result = ReportSending::sendMail(smtp, s, body);
        done = u"Mail sent to %1"_s.arg(o.to);
    } else {
        ReportSending::NewsSettings s;
        s.server = o.server;
        s.port = ReportSending::defaultPort(Kind::News, o.encryption);
        s.encryption = o.encryption;
        s.authenticate = o.authenticate;
        s.user = o.user;
        s.password = password;
        s.caCertificates = trusted;
        s.sender = o.from;
        s.groups = o.group;
        s.subject = o.subject;
        s.allowPlainPassword = o.allowPlainPassword;
        if (ReportSending::passwordInClear(s) && !s.allowPlainPassword)
            return plainPasswordRefused(s.server);
        TmsNNTP nntp;
        result = ReportSending::postArticle(nntp, s, body);
        if (result.ok) {
            // The server's answer to QUIT does not undo a post it has accepted.
            nntp.quit();
        }
        done = u"Article posted to %1"_s.arg(o.group);
    }
    if (!result.ok) {
        writeTo(stderr, result.error + u'\n');
        return Failure;
    }
    writeTo(stdout, done + u'\n');
    return Success;
}

// The report as the window composes it, as its text table; false after telling why not.
bool composeTextTable(const Options &o, QStringList &body)
{
    ReportDefinition definition;
    const ReportFormat::Result format = ReportFormat::load(o.format, definition);
    if (!format.ok()) {
        writeTo(stderr, format.message + u'\n');
        return false;
    }
    RecordStore store;
    const DataFile::ReadResult read = DataFile::readDatabase(o.data, store, false);
    if (read.outcome != DataFile::ReadOutcome::Read) {
        if (read.outcome == DataFile::ReadOutcome::CannotOpen)
            writeTo(stderr,
                (read.message.isEmpty() ? u"Cannot open file %1"_s.arg(o.data) : read.message)
                    + u'\n');
        else
            writeTo(stderr,
                o.data + u" is not a valid "_s + QString::fromLatin1(DataFile::Signature)
                    + u" file.\n"_s);
        return false;
    }
    store.databaseOpen = true;
    store.fileName = o.data;
    // The page size only decides where pages break; the table does not depend on it.
    const QSizeF inches = QPageSize(QPageSize::Letter).size(QPageSize::Inch);
    const PageGeometry geometry = ReportLayout::oriented(
        PageGeometry::fromInches(inches.width(), inches.height()), definition.orientation);
    ReportLayout::Options options;
    options.today = QDate::currentDate();
    options.pageLimit = false;
    const ReportLayout::Result result = ReportLayout::compose(store, definition, geometry, options);
    body = reportTextTable(result.table, result.recordsComposed, definition.showItemNumbers);
    return true;
}

} // namespace

int sendCommand(const QStringList &args)
{
    if (args.contains(u"--help"_s) || args.contains(u"-h"_s)) {
        writeTo(stdout, usageText());
        return Success;
    }
    Options o;
    if (const QString problem = parse(args, o); !problem.isEmpty())
        return usageError(problem);
    QStringList body;
    if (!composeTextTable(o, body))
        return Failure;
    return sendReportTable(body, o);
}
