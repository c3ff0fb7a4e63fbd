#include "dialogs/editHost.h"

EditHost::~EditHost() = default;

QMessageBox::StandardButton EditHost::message(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                              const QString& text, QMessageBox::StandardButtons buttons,
                                              QMessageBox::StandardButton defaultButton)
{
    return prompts().message(parent, icon, title, text, buttons, defaultButton);
}

QString EditHost::existingDirectory(QWidget* parent, const QString& caption, const QString& dir)
{
    return prompts().existingDirectory(parent, caption, dir);
}
