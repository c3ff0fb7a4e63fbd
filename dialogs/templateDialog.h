#pragma once

#include <QDialog>

class QListWidget;
class QDialogButtonBox;

// "New from Template": the templates a new document can start from, each with what it does; a
// double click or OK takes the one chosen.
class TemplateDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TemplateDialog(QWidget* parent = nullptr);

    QListWidget* list() const { return m_list; }
    QDialogButtonBox* buttonBox() const { return m_buttonBox; }
    // The name of the template chosen; empty when none is.
    QString chosen() const;

private:
    QListWidget* m_list;
    QDialogButtonBox* m_buttonBox;
};
