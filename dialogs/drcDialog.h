#pragma once

#include <QDialog>

class QTextEdit;

// The design-rule-check report, read-only. In its continue form (before a download with
// warnings) it offers "&Download" and "&Cancel"; Download emits drcClosed(true) and closes. In its
// plain form it shows only the report. A click on a line marks it and tells which (lineChosen),
// so that the window can show the block the line names.
class DrcDialog : public QDialog
{
    Q_OBJECT
public:
    DrcDialog(bool bContinue, QWidget* parent = nullptr);

    // The report view, which the design rule check fills.
    QTextEdit* getEdit() const { return m_textEdit; }
    bool isContinueForm() const { return m_bContinue; }

signals:
    void drcClosed(bool bContinue);
    void lineChosen(const QString& line);

public slots:
    void on_downloadButton_clicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void chooseLineAt(const QPoint& pos);

    QTextEdit* m_textEdit;
    bool m_bContinue;
};
