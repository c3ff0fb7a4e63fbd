#pragma once

#include "device/qtamp.h"
#include "model/registerImage.h"
#include "model/registerSink.h"

#include <QByteArray>
#include <QPair>
#include <QSet>
#include <QVector>

class BlockDiagram;
class NetSetup;
class QTextDocument;

// One exchange with the module per run: the caller stores one request (status, read, raw writes,
// download, verify, network EEPROM, ROM), starts the thread and learns the outcome through queued
// signals, closed(bool) always last. Register downloads are buffered into runs of contiguous bytes.
class QUdpThread : public QTamp, public RegisterSink
{
    Q_OBJECT
public:
    enum StatusIndex {
        NoReq = -1,
        Version = 0,
        CurrentProtect = 4,
        BootProtect = 5,
        RomStatus = 6,
        Sync = 7,
        UserControl = 8
    };

    static constexpr int MAX_LEN = 255;
    static constexpr quint32 REG_USER_CONTROL = 0x6E;
    static constexpr quint32 REG_VERSION = 0x0000;
    static constexpr int VERSION_SIZE = 4;

    // ROM storage and protection.
    static constexpr quint32 ADDR_USER_BEGIN = 0x0100;
    static constexpr quint32 ADDR_USER_END = 0x07FF;
    static constexpr quint32 ADDR_ROM_ABORT = 0x8000;
    static constexpr quint32 ADDR_ROM_STAT = 0x8001;
    static constexpr quint32 ADDR_ROM_DONE_BEGIN = 0x8004;
    static constexpr quint32 ADDR_ROM_DONE_END = 0x8007;
    static constexpr quint32 ADDR_ROM_NUMBER = 0x8008;
    static constexpr quint32 ADDR_USER_ROM_WRITE = 0x8040;
    static constexpr quint32 ADDR_ROM_WRITE = 0x8050;
    static constexpr quint32 ADDR_USER_ROM_READ = 0x8060;
    static constexpr quint32 ADDR_ROM_READ = 0x8070;
    static constexpr quint32 ADDR_ROM2_NUM = 0x8100;
    static constexpr quint32 ADDR_ROM2_WRITE = 0x8104;
    static constexpr quint32 ADDR_ROM2_READ = 0x8105;
    static constexpr quint32 ADDR_USER2_BEGIN = 0xC000;
    static constexpr quint32 ADDR_USER2_END = 0xCFFF;
    static constexpr quint32 ADDR_ROM_PROTECT = 0xFFFFFF3C;
    static constexpr quint32 ADDR_EEPROM_PROTECT = 0xFFFFFC3C;
    static constexpr quint32 ADDR_ROM_DEFAULT = 0xFFFFFC3E;
    static constexpr quint8 ROM_CMD = 0xFF;
    static constexpr quint32 ROM_ACCESS_SIZE = 0x4000;
    static constexpr int PAGE_SIZE = 4096;
    static constexpr int MAX_PAGE = 2047;
    static constexpr int PAGE_FAT = 0x7FF;
    static constexpr quint8 FAT_FREE = 0xFF;
    static constexpr quint8 FAT_RESERVE = 0xFE;
    static constexpr quint8 FAT_END = 0x80;
    static constexpr quint16 FLG_END = 0x8000;
    static constexpr int COMMENT_SIZE = 112;
    static constexpr int ROM_SLOTS = 16;
    static constexpr int USER_AREA_SIZE = ROM_SLOTS * COMMENT_SIZE; // 0x700
    static constexpr int ROM_STAT_SIZE = 7;
    static constexpr int ROM_POLL_MS = 100;
    // A ROM command still running after this many status polls (60 seconds at ROM_POLL_MS) is
    // abandoned: a module that stays busy must not hang its caller.
    static constexpr int ROM_BUSY_LIMIT_POLLS = 600;
    static constexpr int ROM_INIT_STEPS = 18; // progress total of an initialisation

    // Read-back ranges of a verification.
    static constexpr int FUNC_VERIFY_SIZE = 140;
    static constexpr int LUT_SIZE = 2048;

    explicit QUdpThread(QObject* parent = nullptr);
    ~QUdpThread() override;

    virtual void setData(BlockDiagram* diagram, QTextDocument* doc);
    virtual void setData(NetSetup* netSetup);
    virtual void setData(quint32 address, const QByteArray& bytes, bool viaEeprom);
    virtual void setReadReq(quint32 address, int length);
    virtual void setStatusReq(StatusIndex index);
    virtual void setStatusReq(bool withRom);
    virtual void setRomAccess(quint32 romCommandAddress, quint32 size);
    // Switches ROM writing off as the end of a storing job does (protect register and its boot
    // value), for a module on which a ROM job did not finish.
    void setRomWritingOffReq() { m_bRomWritingOff = true; }
    int writeTAMP(quint8 data, quint32 addr) override;
    int writeTAMP(quint16 data, quint32 addr) override;
    int writeTAMP(quint32 data, quint32 addr) override;
    int writeTAMP() override;
    static void addValue(QByteArray& buff, quint16 value);
    static void addValue(QByteArray& buff, quint32 value);
    virtual void setXmlReq(int slot, QByteArray* target);
    virtual QByteArray* setXmlReq(int slot);

    // The name of a document restored from a slot: the slot's comment (up to its first NUL),
    // "ROM<slot>" when that is empty, else with "ROM<slot>-" in front unless already there.
    static QString romDocumentName(int slot, const QByteArray& comment);

    // A synchronisation refused because the registers changed since their slot was loaded
    // (read after closed(false)).
    bool registersModified() const { return m_bRegistersModified; }
    // A ROM job that a cancel stopped short (it ends with closed(true) all the same; read after
    // closed). Other jobs a cancel stops end with closed(false).
    bool stoppedByCancel() const { return m_bStoppedByCancel; }
    // Where the last comparison with the diagram found the module to differ (read after closed).
    const std::optional<RegisterMismatch>& firstMismatch() const { return m_firstMismatch; }
    // Pause between two polls of a running ROM command (short in tests).
    void setRomPollInterval(int ms) { m_romPollMs = ms; }

public slots:
    void cancel();

signals:
    void setProgress(int value);
    void readData(QByteArray* data);
    void setHtml(QString* html);
    void setResult(int result);
    void setXml(QByteArray* data, QString name);

protected:
    void run() override;
    virtual void waitForROM(quint32 size, bool bProgress);
    virtual void readRom(quint32 addr, int len);
    virtual void checkBuffer(quint32 addr, int len);
    virtual int verify();
    virtual void loadFAT();
    virtual void loadXml(QString fname);
    virtual void saveXml();
    virtual void protectRom();
    virtual bool checkLoop(int page);

    QVector<QPair<quint32, QByteArray>> m_data;
    BlockDiagram* m_pDiagram = nullptr;
    NetSetup* m_pNetSetup = nullptr;
    QTextDocument* m_pDoc = nullptr;
    QByteArray m_buffer;
    QByteArray m_status;
    QByteArray m_fat;
    QByteArray m_datXml;
    QByteArray* m_pXml = nullptr;
    int m_nRom = -1;
    quint32 m_addrStart = 0;
    quint32 m_addr = 0;
    quint32 m_addrROM = 0;
    std::atomic<bool> m_bCanceled{false};
    StatusIndex m_reqStatus = NoReq;
    bool m_bAdd = false;
    bool m_bEnableROM = false;
    quint32 m_size = 0;
    int m_length = 0;
    QString m_strHtml;
    std::optional<RegisterMismatch> m_firstMismatch;
    char m_regProtect = 0;
    QSet<int> m_indexRom;
    int m_romPollMs = ROM_POLL_MS; // pause between two ROM status polls
    bool m_bRegistersModified = false;
    bool m_bRomWritingOff = false;
    bool m_bStoppedByCancel = false;

private:
    void checkHardware();
    // Runs the selected job; false when the job has put its own outcome into m_estr and
    // m_bFinished (verify), which is then reported through the error path.
    bool runJob();
    void statusJob();
    void readJob();
    void rawWriteJob();
    bool verifyJob();
    char readStatusByte(quint32 addr);
    void queueBytes(quint32 addr, const char* bytes, int len);

    // ROM operations (qUdpThreadRom.cpp).
    // Whether the caller has cancelled; a job that sees it stops short, and that is noted.
    bool cancelSeen();
    void romJob();
    void romWritingOffJob();
    int writeQueuedRomEntries();
    void writeEepromEntry(const QPair<quint32, QByteArray>& entry);
    void initialiseSlots(int firstRemaining);
    void syncSteps();
    void sendBytes(quint32 addr, const QByteArray& bytes);
    void sendCommand(quint32 addr);
    void selectPage(int page);
    void readPage(int page, quint32 size);
    void programPage(int page, const QByteArray& bytes);
    quint16 fatEntry(int page) const;
    void setFatEntry(int page, quint16 entry);
    void freeChain();
    int nextFreePage(int from) const;
    // Links the pages of a document of so many chunks in the FAT image, from the slot's page on.
    QVector<int> chainPages(int chunks);
    // Programs the document's pages in an order that never shows a mixed document; false when
    // cancelled on the way.
    bool storeChain(bool bHadDocument, const QSet<int>& oldPages);
};
