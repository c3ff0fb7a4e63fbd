#pragma once

#include "io/documentHistory.h"

#include <QObject>
#include <QString>

#include <memory>

class Document;

// One open document with its history: the document itself, the name of its file, the states it
// went through for undo and redo, and which of them was last saved and which last sent to the
// module. Every change goes through an edit scope: whatever happens while a scope lives is one
// step of the history, recorded when the outermost scope ends, and only when the document
// changed. Undo and redo re-read only the sheets that differ between the two states; the
// connection settings follow only a step that changed them, so the module the user chose stays
// the target whatever else is undone.
class DocumentSession : public QObject
{
    Q_OBJECT

public:
    // Scopes nest: the outermost one records the step.
    class [[nodiscard]] Edit
    {
    public:
        explicit Edit(DocumentSession* session);
        Edit(Edit&& other) noexcept;
        ~Edit();
        Edit(const Edit&) = delete;
        Edit& operator=(const Edit&) = delete;
        Edit& operator=(Edit&&) = delete;

    private:
        DocumentSession* m_pSession;
    };

    explicit DocumentSession(QObject* parent = nullptr);
    ~DocumentSession() override;

    Document* document() const { return m_document.get(); }
    QString fileName() const { return m_fileName; }
    void setFileName(const QString& fileName) { m_fileName = fileName; }
    const DocumentHistory& history() const { return m_history; }

    Edit edit() { return Edit(this); }
    bool isEditing() const { return m_openEdits > 0; }

    // Starts the history afresh at the document as it is: a new or opened document. bSaved: it is
    // what its file holds.
    void startHistory(bool bSaved = true);
    bool canUndo() const { return m_history.canUndo(); }
    bool canRedo() const { return m_history.canRedo(); }
    void undo();
    void redo();

    void markSaved();
    void markSent();
    bool isModified() const { return m_history.isModified(); }
    bool matchesModule() const { return m_history.matchesModule(); }

signals:
    // An edit changed the document: one step was recorded.
    void stepRecorded();
    // Undo or redo changed the document.
    void moved();
    // The position or a mark changed: Undo and Redo, the modified mark, the module's state.
    void historyChanged();

private:
    DocumentHistory::Pieces state() const;
    void recordStep();
    void show(int from);

    std::unique_ptr<Document> m_document;
    QString m_fileName;
    DocumentHistory m_history;
    int m_openEdits = 0;
};
