// The Qt dialogs behind every message box, input box and file dialog of the program.
#include "platform/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMainWindow>
#include <QMessageBox>
#include <QStatusBar>

namespace {

QString caption()
{
    return QStringLiteral("Larkspur Cataloguer");
}

// Shows a message box and returns the button that closed it (the escape button when closed by
// the window's close box or Esc).
QMessageBox::StandardButton showBox(QMessageBox::Icon icon, const QString &text,
    QMessageBox::StandardButtons buttons, QMessageBox::StandardButton escape)
{
    QMessageBox box(icon, caption(), text, buttons, QApplication::activeWindow());
    box.setDefaultButton(buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok);
    box.setEscapeButton(escape);
    return QMessageBox::StandardButton(box.exec());
}

void prepareFileDialog(QFileDialog &dialog, const FileDialogOptions &options)
{
    dialog.setWindowTitle(options.title);
    if (!options.folder.isEmpty())
        dialog.setDirectory(options.folder);
    const QStringList filters = qtNameFilters(options.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters.value(options.filterIndex, filters.first()));
    }
    dialog.setDefaultSuffix(options.defaultSuffix);
    if (!options.fileName.isEmpty())
        dialog.selectFile(options.fileName);
}

QString runFileDialog(QFileDialog &dialog)
{
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

} // namespace

QStringList qtNameFilters(const QString &filter)
{
    if (filter.isEmpty())
        return {};
    if (!filter.contains(u'|'))
        return { filter };
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        QStringList patterns = parts.value(i + 1).split(u';', Qt::SkipEmptyParts);
        for (QString &p : patterns)
            p = p.trimmed();
        patterns.removeAll(QString());
        if (patterns.isEmpty())
            patterns << QStringLiteral("*");
        out << description + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return out;
}

void QtDialogs::information(const QString &text)
{
    ModalScope scope(*this);
    showBox(QMessageBox::Information, text, QMessageBox::Ok, QMessageBox::Ok);
}

void QtDialogs::status(QWidget *window, const QString &text)
{
    if (auto *main = qobject_cast<QMainWindow *>(window ? window->window() : nullptr)) {
        main->statusBar()->showMessage(text, StatusMilliseconds);
        return;
    }
    information(text);
}

void QtDialogs::error(const QString &text)
{
    ModalScope scope(*this);
    showBox(QMessageBox::Critical, text, QMessageBox::Ok, QMessageBox::Ok);
}

Dialogs::Answer QtDialogs::askYesNo(const QString &text)
{
    ModalScope scope(*this);
    const auto button
        = showBox(QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return button == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

Dialogs::Answer QtDialogs::askYesNoCancel(const QString &text)
{
    ModalScope scope(*this);
    const auto button = showBox(QMessageBox::Question, text,
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Cancel);
    switch (button) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

QString QtDialogs::inputBox(const QString &title, const QString &prompt, const QString &preset)
{
    ModalScope scope(*this);
    QInputDialog dialog(QApplication::activeWindow());
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(preset);
    if (dialog.exec() != QDialog::Accepted)
        return preset;
    return dialog.textValue();
}

QString QtDialogs::openFileName(const FileDialogOptions &options)
{
    ModalScope scope(*this);
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(options.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    prepareFileDialog(dialog, options);
    return runFileDialog(dialog);
}

QString QtDialogs::saveFileName(const FileDialogOptions &options)
{
    ModalScope scope(*this);
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The program asks its own overwrite question after the dialog closes.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    prepareFileDialog(dialog, options);
    return runFileDialog(dialog);
}
