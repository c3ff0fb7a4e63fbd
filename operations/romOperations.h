#pragma once

#include "model/blockDiagram.h"
#include "operations/deviceOperation.h"
#include "operations/operationPrompts.h"

#include <QTextDocument>

#include <memory>

class Document;

// The operations that read a stored document back: Done with it, NoData when there is none,
// DamagedSlot when it does not parse. A document that parses is handed over; its register image is
// compared with the registers stored with it, which the slot command has just made the module's
// own (a restore) or which the module still holds unmodified (a sync). When they differ (a slot
// saved with the registers of another document) or the image cannot be computed, the subclass
// says so in its own way.
class DocumentOperation : public DeviceOperation
{
    Q_OBJECT
public:
    using DeviceOperation::DeviceOperation;
    ~DocumentOperation() override;

protected:
    void finishDocument(const QByteArray& xml, const QString& name);
    // The document called name does not describe the registers the module runs, because of why.
    virtual void documentDiffers(const QString& name, const QString& why) = 0;

private:
    // The setting in which the module first differs, by name where the mismatch has one.
    QString firstDifference(const JobReport& report) const;

    std::unique_ptr<Document> m_stored;
    QTextDocument m_comparison;
};

// Save to ROM, Restore from ROM and Change Boot ROM Page: a status job with ROM information (a
// write-protected module refuses; for a save it also tells whether the module holds the
// document's diagram, and if not both ROM-save questions must be answered yes), the caller's
// choice of slot, comment and boot slot, then the ROM job with progress. A save that finds no room
// for the document ends MemoryFull; a restore carries the stored document and its name, or
// ends NoData. A restored document that does not describe the slot's registers is Done all the
// same (it is what was stored), with a notice naming the first difference.
class RomOperation : public DocumentOperation
{
    Q_OBJECT
public:
    // A save needs the document; the others do not use it.
    RomOperation(const InfoOstrum& target, RomCommand command, OperationPrompts& prompts,
                 Document* document = nullptr, QObject* parent = nullptr);

protected:
    void begin() override;
    void documentDiffers(const QString& name, const QString& why) override;
    QString confirmation() const override;

private:
    bool confirmNotDownloaded();
    void run(const RomChoice& choice);
    void delivered(const JobReport& report);

    RomCommand m_command;
    Document* m_document;
    QByteArray m_xml;
    int m_bootSlot = -1; // the boot slot set with the command, -1 when it stays
};

// Initialize ROM area: a status job with ROM information (a write-protected module refuses),
// the question, then every slot stored with the registers of an empty diagram, the comments and
// boot slot cleared and a fresh FAT programmed, with progress.
class RomInitOperation : public DeviceOperation
{
    Q_OBJECT
public:
    RomInitOperation(const InfoOstrum& target, OperationPrompts& prompts, QObject* parent = nullptr);

    // The FAT of an empty page store: every page free but the slot pages and the FAT page.
    static QByteArray freshFatImage();

protected:
    void begin() override;
    QString confirmation() const override;

private:
    void initialise();

    BlockDiagram m_emptyDiagram;
};

// Sync GUI settings: the document stored for the module's current slot and its name. Ends
// RegistersModified when the registers changed since that slot was loaded, NoData when the slot
// holds no document, RegistersDiffer (carrying the document) when it does not describe the
// registers the module runs.
class SyncOperation : public DocumentOperation
{
    Q_OBJECT
public:
    using DocumentOperation::DocumentOperation;

protected:
    void begin() override;
    void documentDiffers(const QString& name, const QString& why) override;
};
