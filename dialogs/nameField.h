#pragma once

#include <QLineEdit>

class BlockItem;
class EditDialog;
class QFormLayout;

// The "&Name:" field of a block's settings dialog: it shows the block's user name; OK checks a
// changed name before anything is stored (the dialog stays open after a refusal, titled with the
// block's user name) and stores it afterwards.
class NameField : public QLineEdit
{
    Q_OBJECT
public:
    NameField(BlockItem* block, EditDialog* dialog);

    // Adds the field as the form's first row.
    void addTo(QFormLayout* form);
    // Whether the user changed the name shown.
    bool edited() const;
    // False, after telling the user why, when the typed name cannot be the block's.
    bool acceptable();
    // Gives the block a changed name; true when it changed.
    bool store();

private:
    QString typed() const;

    BlockItem* m_pBlock;
    EditDialog* m_pDialog;
    QString m_shown;
};
