#include "editor/prompts.h"

#include <QFileDialog>
#include <QInputDialog>

Prompts::~Prompts() = default;

QMessageBox::StandardButton Prompts::message(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                             const QString& text, QMessageBox::StandardButtons buttons,
                                             QMessageBox::StandardButton defaultButton, const QPoint* at)
{
    QMessageBox box(icon, title, text, buttons, parent);
    box.setDefaultButton(defaultButton);
    if (at)
        box.move(*at);
    return QMessageBox::StandardButton(box.exec());
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

int Prompts::exec(QDialog* dialog)
{
    return dialog->exec();
}

void Prompts::warning(QWidget* parent, const QString& title, const QString& text)
{
    message(parent, QMessageBox::Warning, title, text, QMessageBox::Ok, QMessageBox::Ok);
}
