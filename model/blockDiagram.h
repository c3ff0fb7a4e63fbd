#pragma once

#include "model/blockItem.h"
#include "model/channelNames.h"
#include "model/nimLogic.h"
#include "model/registerImage.h"

#include <QByteArray>
#include <QStringList>
#include <QVector>

#include <functional>
#include <memory>

class LabelRegistry;
class RegisterSink;
class QTextDocument;
class CompiledTables;

// The model of one document: owns every block on every sheet, hands out the names of the
// module's fixed hardware resources, creates blocks of each kind, finds and deletes them, and
// compiles the diagram into the module's register image.
class BlockDiagram
{
public:
    // Register map of the image written by a download.
    static constexpr quint32 REG_DLY_FUNC = 0x0004;
    static constexpr quint32 REG_MSR_FUNC_END = 0x0067;
    static constexpr quint32 REG_CNT_FUNC11_END = 0x007F;
    static constexpr quint32 REG_CLK_IN_VTH_END = 0x0081;
    static constexpr quint32 REG_OSCILLATOR_END = 0x008F;
    static constexpr quint32 REG_FRONTEND_LUT_BEGIN = 0x2000;
    static constexpr quint32 REG_FRONTEND_LUT_END = 0x27FF;
    static constexpr quint32 REG_OUTPUT_BACKEND_LUT_BEGIN = 0x2800;
    static constexpr quint32 REG_OUTPUT_BACKEND_LUT_END = 0x2FFF;
    static constexpr quint32 REG_FEEDBACK_BACKEND_LUT_BEGIN = 0x3000;
    static constexpr quint32 REG_FEEDBACK_BACKEND_LUT_END = 0x37FF;
    static constexpr quint32 REG_MSRCNT_BACKEND_LUT_BEGIN = 0x3800;
    static constexpr quint32 REG_MSRCNT_BACKEND_LUT_END = 0x3FFF;

    static constexpr int SLOTS = 11;
    static constexpr int UNITS = 8;
    // Backend slot driven by delay unit u.
    static const int MapDlyFnc[UNITS];

    explicit BlockDiagram(LabelRegistry* labels = nullptr);
    ~BlockDiagram();

    BlockDiagram(const BlockDiagram&) = delete;
    BlockDiagram& operator=(const BlockDiagram&) = delete;

    // --- teardown
    void clearEntry();
    void deleteTab(int tid);
    void deleteItem(BlockItem* item);
    // Puts every pool in the order given by before (stable). The order of a pool decides which
    // block a search finds first and how the functions map onto the module's slots.
    void orderPools(const std::function<bool(const BlockItem*, const BlockItem*)>& before);

    // --- creation (null when the resource is exhausted)
    NIM_IN* createInput(int id, int tid);
    NIM_IN* createInput(int id, int tid, const QString& name);
    PreLogic* createPreLogic(int id, int tid);
    PreLogic* createPreLogic(int id, int tid, const QString& name);
    PostLogic* createPostLogic(int id, int tid);
    PostLogic* createPostLogic(int id, int tid, const QString& name);
    BlockItem* createCntFnc(int id, int tid);
    BlockItem* createDlyFnc(int id, int tid);
    BlockItem* createFunction(int id, int tid, const QString& name);
    BlockItem* createNonFnc(int id, int tid, const QString& name = QString());
    BlockItem* createOut(int id, int tid, const QString& name = QString());
    BlockItem* createMsrCnt(int id, int tid, const QString& name = QString());
    BlockItem* createFeedBackIN(int id, int tid);
    BlockItem* createFeedBackIN(int id, int tid, const QString& name);
    BlockItem* createNIMLabelIN(int id, int tid);
    BlockItem* createNIMLabelIN(int id, int tid, const QString& name);
    BlockItem* createNIMLabel(int id, int tid, const QString& name);
    BlockItem* createNIMFncLabel(int id, int tid, const QString& name);

    // --- names
    bool checkName(const QString& name, bool bName) const;
    // Whether a user name is made of what names may hold: upper- and lower-case letters, digits,
    // "_" and "-" (and is not empty).
    static bool isNameText(const QString& name);
    // Why a block cannot take another user name, as the user is told; empty when it can. A block
    // may take its resource name back; any other name must be free.
    QString userNameRefusal(const BlockItem* block, const QString& name) const;
    void getFreeList(const QString& kind, QStringList& list, int tid) const;

    // --- searches (first match in pool order; tid < 0 matches any sheet)
    NIM_IN* searchNIM_IN(const QString& name, int tid) const;
    PreLogic* searchPreLogic(const QString& name, int tid) const;
    BlockItem* searchFunction(const QString& name, int tid) const;
    PostLogic* searchPostLogic(const QString& name, int tid) const;
    BlockItem* searchLabel(const QString& name, int tid) const;

    // --- pools
    const QStringList& inputNames() const { return m_NIM_IN; }
    const QVector<NIM_IN*>& inputs() const { return m_input; }
    const QVector<PreLogic*>& preLogics() const { return m_preLogic; }
    const QVector<PostLogic*>& postLogics() const { return m_postLogic; }
    const QVector<BlockItem*>& functions() const { return m_function; }
    const QVector<BlockItem*>& outs() const { return m_out; }
    const QVector<BlockItem*>& labels() const { return m_label; }
    // Every block, pool by pool (inputs, PreLogic, PostLogic, functions, outputs, labels).
    QVector<BlockItem*> allBlocks() const;

    // --- register image
    // Maps the diagram onto the function slots and hands every register value to the sink, then
    // sends it. The whole image is computed first: an expression error is thrown as QString
    // before the sink receives its first value, so a module is never left half-written by it.
    bool download(RegisterSink* worker);
    // The same values through the literal evaluation of every table entry (the reference that
    // the compiled tables are proven against).
    bool downloadLiteral(RegisterSink* worker);

    // --- verification against the module's read-back
    void initVerify(QString& report);
    bool verifyFunc(const QByteArray& data, QString& report);
    bool verifyFrontendLUT(const QByteArray& data, QString& report);
    bool verifyOutputLUT(const QByteArray& data, QString& report);
    bool verifyFeedbackLUT(const QByteArray& data, QString& report);
    bool verifyMsrCntLUT(const QByteArray& data, QString& report);
    // The difference the last verify step stopped at (none after initVerify until one is found).
    const std::optional<RegisterMismatch>& firstMismatch() const { return m_firstMismatch; }

    // --- design rule check
    int drc(QTextDocument* doc);
    // The block a line of the report names ("error: NAME: ..."), by its user name; null for a line
    // that names none.
    BlockItem* blockOfDrcLine(const QString& line) const;
    void checkMsrCnt(int* mode, QString* path, QString* name, QString* unit);

    // --- truth values (literal evaluation)
    bool isBitON(quint16 in, const BlockItem* post) const;

    // Results of the latest block mapping. The block in function slot j; null for an empty slot
    // and for any j that is not a slot (a bit of a register read from a module may name one).
    const BlockItem* slot(int j) const { return j >= 0 && j < SLOTS ? m_mapPostLogic[j] : nullptr; }
    quint16 backendSelect() const { return m_inBackendLUT; }
    quint8 counterFeedbackSelect() const { return m_inCntFnc; }
    quint8 delayFeedbackSelect() const { return m_inDlyFnc; }

    void blockMapping();

    // Table entries (literal evaluation, after blockMapping()).
    quint16 calcFrontendLUT(quint16 a) const;
    quint8 calcNIMOutLUT(quint16 i) const;
    quint8 calcFeedBackLUT(quint16 i) const;
    quint8 calcMsrCntLUT(quint16 i) const;

    // Register values (pure functions of the diagram and the latest mapping).
    quint8 counterMode(int u) const;
    quint16 delayOf(int u) const;
    quint32 mainCount(int u) const;
    quint32 subCount(int u) const;
    quint8 msrCntMode(int m) const;
    void getOutputProperty(quint8& nim, quint8& ttl) const;
    quint8 getInputProperty() const;
    quint16 getUserControlEnabled() const;
    quint16 getVth(int ch) const;
    void getOscillatorFunction(quint32& main, quint32& sub) const;

private:
    template<typename T> static void removeFrom(QVector<T*>& pool, BlockItem* item);
    // The first block of the pool with this resource name on sheet tid (any sheet when tid < 0).
    template<typename T> static T* findNamed(const QVector<T*>& pool, const QString& name, int tid = -1)
    {
        for (T* b : pool) {
            if (b->getName() == name && (tid < 0 || b->getTid() == tid))
                return b;
        }
        return nullptr;
    }
    // Whether a block of the pool carries a name.
    template<typename T> static std::function<bool(const QString&)> usedIn(const QVector<T*>& pool)
    {
        return [&pool](const QString& name) { return findNamed(pool, name) != nullptr; };
    }
    QString firstFreeName(const QString& prefix, const std::function<bool(const QString&)>& taken) const;
    // A requested channel name as it is; for none (or the family's bare prefix) the first channel
    // no output-side block carries, empty when all are taken.
    QString channelFor(const ChannelNames::Family& family, const QString& name) const;
    BlockItem* firstOutOfKind(const QString& kind) const;
    const BlockItem* resolveLabel(const BlockItem* driver) const;
    // The four lookup tables in address order: frontend, then output, feedback, measure counter.
    struct LookupTables
    {
        QVector<quint16> frontend;
        QVector<quint8> backend[3];
    };
    LookupTables literalTables() const;
    void writeImage(RegisterSink* worker, const LookupTables& tables);

    QStringList m_NIM_IN;
    LabelRegistry* m_pLabelWidget;
    QVector<NIM_IN*> m_input;
    QVector<PreLogic*> m_preLogic;
    QVector<PostLogic*> m_postLogic;
    QVector<BlockItem*> m_function;
    QVector<BlockItem*> m_out;
    QVector<BlockItem*> m_label;
    int m_nNonFnc = 0;
    int m_nDlyFnc = 0;
    int m_nCntFnc = 0;
    const BlockItem* m_mapPostLogic[SLOTS] = {};
    quint16 m_inBackendLUT = 0;
    quint8 m_inCntFnc = 0;
    quint8 m_inDlyFnc = 0;
    std::optional<RegisterMismatch> m_firstMismatch;

    friend class CompiledTables;
};
