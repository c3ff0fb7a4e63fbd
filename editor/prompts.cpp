#include "editor/prompts.h"
#include "editor/textViewWidth.h"

#include <QDialog>
#include <QFileDialog>
#include <QGridLayout>
#include <QInputDialog>
#include <QScreen>
#include <QTextEdit>

namespace {
// The toolkit shows a box's details in a narrow view that wraps every line. Details list one item
// a line (a verify report, one difference each), so the view keeps the lines whole and is as wide
// as the longest one, up to half the screen; longer lines scroll.
void fitDetails(QMessageBox& shown)
{
    auto* view = shown.findChild<QTextEdit*>();
    if (!view)
        return;
    view->setLineWrapMode(QTextEdit::NoWrap);
    view->setMinimumWidth(
        qMin(unwrappedWidth(*view, shown.detailedText()), shown.screen()->availableGeometry().width() / 2));
}

// The toolkit sizes a box by its text, but the window manager draws the title in a bold font
// beside the box's icon and buttons: a short text would cut the title short ("Lo… ror"). A spacer
// as wide as that title bar keeps the box wide enough.
void keepTitleWhole(QMessageBox& shown)
{
    auto* grid = qobject_cast<QGridLayout*>(shown.layout());
    if (!grid || shown.windowTitle().isEmpty())
        return;
    QFont bold = shown.font();
    bold.setBold(true);
    const int width = QFontMetrics(bold).horizontalAdvance(shown.windowTitle()) + Prompts::TITLE_BAR_EXTRA;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0,
                  1, grid->columnCount());
}
} // namespace

Prompts::~Prompts() = default;

QMessageBox::StandardButton Prompts::ask(QWidget* parent, const Box& box)
{
    QMessageBox shown(box.icon, box.title, box.text, box.buttons, parent);
    shown.setInformativeText(box.informative);
    shown.setDetailedText(box.details);
    fitDetails(shown);
    keepTitleWhole(shown);
    shown.setDefaultButton(box.defaultButton);
    if (box.at)
        shown.move(*box.at);
    return QMessageBox::StandardButton(shown.exec());
}

QMessageBox::StandardButton Prompts::message(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                             const QString& text, QMessageBox::StandardButtons buttons,
                                             QMessageBox::StandardButton defaultButton, const QPoint* at)
{
    Box shown;
    shown.icon = icon;
    shown.title = title;
    shown.text = text;
    shown.buttons = buttons;
    shown.defaultButton = defaultButton;
    shown.at = at;
    return ask(parent, shown);
}

QString Prompts::openFileName(QWidget* parent, const QString& caption, const QString& dir,
                              const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QString Prompts::saveFileName(QWidget* parent, const QString& caption, const QString& dir,
                              const QString& filter)
{
    return QFileDialog::getSaveFileName(parent, caption, dir, filter);
}

QString Prompts::text(QWidget* parent, const QString& title, const QString& label, const QString& text,
                      bool* ok)
{
    return QInputDialog::getText(parent, title, label, QLineEdit::Normal, text, ok);
}

QString Prompts::existingDirectory(QWidget* parent, const QString& caption, const QString& dir)
{
    return QFileDialog::getExistingDirectory(parent, caption, dir, QFileDialog::ShowDirsOnly);
}

int Prompts::exec(QDialog& dialog)
{
    return dialog.exec();
}

void Prompts::warning(QWidget* parent, const QString& title, const QString& text)
{
    message(parent, QMessageBox::Warning, title, text, QMessageBox::Ok, QMessageBox::Ok);
}
