// The Qt dialogs behind every message box, input box and file dialog of the program.
#include "platform/dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QInputDialog>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QPixmap>
#include <QPushButton>
#include <QSpacerItem>
#include <QSpinBox>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {

QString caption()
{
    return QStringLiteral("Larkspur Cataloguer");
}

// Shows a message box and returns the button that closed it (the escape button when closed by
// the window's close box or Esc).
QMessageBox::StandardButton showBox(QWidget *parent, QMessageBox::Icon icon, const QString &text,
    QMessageBox::StandardButtons buttons, QMessageBox::StandardButton escape)
{
    QMessageBox box(icon, caption(), text, buttons, parent);
    makeRoomForTitle(box);
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

void makeRoomForTitle(QDialog &box)
{
    // A box without a title of its own (a progress dialog) takes the program's name.
    if (box.windowTitle().isEmpty())
        box.setWindowTitle(caption());
    // A box is as wide as its text, and window managers cut a longer title short ("Larksp…").
    // Title bars use a bold face, with the window's buttons beside the title.
    QFont font = QApplication::font();
    font.setBold(true);
    const QFontMetrics metrics(font);
    const int need = metrics.horizontalAdvance(box.windowTitle()) + 8 * metrics.height();
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout()))
        grid->addItem(new QSpacerItem(need, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
            grid->rowCount(), 0, 1, grid->columnCount());
    else
        box.setMinimumWidth(need);
}

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

QWidget *Dialogs::parentWindow() const
{
    if (QWidget *w = askingWindow())
        return w->window();
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

void QtDialogs::information(const QString &text)
{
    ModalScope scope(*this);
    showBox(parentWindow(), QMessageBox::Information, text, QMessageBox::Ok, QMessageBox::Ok);
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
    showBox(parentWindow(), QMessageBox::Critical, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool QtDialogs::informationWithAction(const QString &text, const QString &action)
{
    ModalScope scope(*this);
    QMessageBox box(QMessageBox::Information, caption(), text, QMessageBox::Ok, parentWindow());
    box.setObjectName(QStringLiteral("InformationWithAction"));
    makeRoomForTitle(box);
    QPushButton *chosen = box.addButton(action, QMessageBox::ActionRole);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    // Long paths stay selectable and whole rather than cut at the screen's edge.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
    return box.clickedButton() == chosen;
}

Dialogs::Answer QtDialogs::askYesNo(const QString &text)
{
    ModalScope scope(*this);
    const auto button = showBox(parentWindow(), QMessageBox::Question, text,
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return button == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

Dialogs::Answer QtDialogs::askYesNoCancel(const QString &text)
{
    ModalScope scope(*this);
    const auto button = showBox(parentWindow(), QMessageBox::Question, text,
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

int QtDialogs::askChoice(const QString &text, const QStringList &buttons)
{
    ModalScope scope(*this);
    QMessageBox box(QMessageBox::Question, caption(), text, QMessageBox::NoButton, parentWindow());
    QList<QAbstractButton *> added;
    for (qsizetype i = 0; i < buttons.size(); ++i) {
        // The first is the one Enter chooses; the last the one Escape chooses.
        const auto role = i == 0      ? QMessageBox::AcceptRole
            : i + 1 == buttons.size() ? QMessageBox::RejectRole
                                      : QMessageBox::DestructiveRole;
        added.append(box.addButton(buttons[i], role));
    }
    if (!added.isEmpty()) {
        box.setDefaultButton(qobject_cast<QPushButton *>(added.first()));
        box.setEscapeButton(added.last());
    }
    makeRoomForTitle(box);
    box.exec();
    const qsizetype chosen = added.indexOf(box.clickedButton());
    return int(chosen >= 0 ? chosen : buttons.size() - 1);
}

Dialogs::Answer QtDialogs::askChoice(
    const QString &text, const QString &yesText, const QString &noText)
{
    ModalScope scope(*this);
    QMessageBox box(QMessageBox::Question, caption(), text, QMessageBox::NoButton, parentWindow());
    QPushButton *yes = box.addButton(yesText, QMessageBox::AcceptRole);
    QPushButton *no = box.addButton(noText, QMessageBox::DestructiveRole);
    QPushButton *cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(yes);
    box.setEscapeButton(cancel);
    makeRoomForTitle(box);
    box.exec();
    if (box.clickedButton() == yes)
        return Answer::Yes;
    if (box.clickedButton() == no)
        return Answer::No;
    return Answer::Cancel;
}

QString QtDialogs::inputBox(const QString &title, const QString &prompt, const QString &preset)
{
    ModalScope scope(*this);
    QInputDialog dialog(parentWindow());
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
    QFileDialog dialog(parentWindow());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(options.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    prepareFileDialog(dialog, options);
    return runFileDialog(dialog);
}

QString QtDialogs::folderName(const FileDialogOptions &options)
{
    ModalScope scope(*this);
    QFileDialog dialog(parentWindow());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setWindowTitle(options.title);
    if (!options.folder.isEmpty())
        dialog.setDirectory(options.folder);
    return runFileDialog(dialog);
}

QString QtDialogs::saveFileName(const FileDialogOptions &options)
{
    ModalScope scope(*this);
    QFileDialog dialog(parentWindow());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The program asks its own overwrite question after the dialog closes.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    prepareFileDialog(dialog, options);
    return runFileDialog(dialog);
}

namespace {

// The sixteen colours a font dialog with effects offers.
struct NamedColour
{
    const char *name;
    QRgb rgb;
};
constexpr NamedColour fontColours[] = { { "Black", 0x000000 }, { "Maroon", 0x800000 },
    { "Green", 0x008000 }, { "Olive", 0x808000 }, { "Navy", 0x000080 }, { "Purple", 0x800080 },
    { "Teal", 0x008080 }, { "Gray", 0x808080 }, { "Silver", 0xC0C0C0 }, { "Red", 0xFF0000 },
    { "Lime", 0x00FF00 }, { "Yellow", 0xFFFF00 }, { "Blue", 0x0000FF }, { "Fuchsia", 0xFF00FF },
    { "Aqua", 0x00FFFF }, { "White", 0xFFFFFF } };

QIcon swatch(const QColor &c)
{
    QPixmap pm(16, 12);
    pm.fill(c);
    return QIcon(pm);
}

} // namespace

bool QtDialogs::chooseFont(FontChoice &choice, int maxPointSize)
{
    ModalScope scope(*this);
    // Qt's font dialog has no colour, so it is embedded with a colour box beside it.
    QDialog dialog(parentWindow());
    dialog.setWindowTitle(QStringLiteral("Font"));
    auto *fonts = new QFontDialog(&dialog);
    fonts->setWindowFlags(Qt::Widget);
    fonts->setOptions(QFontDialog::NoButtons);
    fonts->setCurrentFont(choice.font);
    auto *colours = new QComboBox(&dialog);
    colours->setObjectName(QStringLiteral("FontColour"));
    int current = -1;
    for (const NamedColour &n : fontColours) {
        const QColor c = QColor::fromRgb(n.rgb);
        colours->addItem(swatch(c), QString::fromLatin1(n.name), c);
        if (c.rgb() == choice.colour.rgb())
            current = colours->count() - 1;
    }
    if (current < 0) { // a colour of the desktop or the user's own keeps its place
        colours->addItem(swatch(choice.colour), QStringLiteral("Current"), choice.colour);
        current = colours->count() - 1;
    }
    colours->setCurrentIndex(current);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto *colourRow = new QFormLayout;
    colourRow->addRow(QStringLiteral("Colour:"), colours);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(fonts);
    layout->addLayout(colourRow);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    choice.font = fonts->currentFont();
    if (maxPointSize > 0 && choice.font.pointSize() > maxPointSize)
        choice.font.setPointSize(maxPointSize);
    choice.colour = colours->currentData().value<QColor>();
    return true;
}

bool QtDialogs::chooseColour(QColor &colour)
{
    ModalScope scope(*this);
    const QColor chosen = QColorDialog::getColor(colour, parentWindow());
    if (!chosen.isValid())
        return false;
    colour = chosen;
    return true;
}

bool QtDialogs::printRange(int pageCount, int &from, int &to)
{
    ModalScope scope(*this);
    QDialog dialog(parentWindow());
    dialog.setObjectName(QStringLiteral("PrintDialog"));
    dialog.setWindowTitle(QStringLiteral("Print"));
    auto *form = new QFormLayout(&dialog);
    auto *fromBox = new QSpinBox(&dialog);
    auto *toBox = new QSpinBox(&dialog);
    for (QSpinBox *b : { fromBox, toBox })
        b->setRange(1, std::max(1, pageCount));
    fromBox->setValue(from);
    toBox->setValue(to);
    form->addRow(QStringLiteral("Print pages from"), fromBox);
    form->addRow(QStringLiteral("to"), toBox);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    from = fromBox->value();
    to = toBox->value();
    return true;
}
