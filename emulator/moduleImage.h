#pragma once

#include <QByteArray>
#include <QPair>
#include <QVector>

#include <functional>

// The module's configuration as it holds it: the register bytes 0x0000..0x3FFF (function
// settings and the four lookup tables), read through the module's own register map. It is built
// from the bytes a download writes, or from any register memory, and knows nothing of diagrams.
class ModuleImage
{
public:
    static constexpr quint32 SIZE = 0x4000;
    static constexpr int UNITS = 8;
    static constexpr int SLOTS = 11;
    static constexpr int INPUTS = 10;
    static constexpr int OUTPUTS = 8;
    static constexpr int COUNTERS = 4;
    static constexpr int FRONTEND_ENTRIES = 1024;
    static constexpr int BACKEND_ENTRIES = 2048;

    // The register map.
    static constexpr quint32 REG_DELAY_FEEDBACK = 0x0004;
    static constexpr quint32 REG_COUNTER_FEEDBACK = 0x0005;
    static constexpr quint32 REG_BACKEND_SELECT = 0x0006;
    static constexpr quint32 REG_COUNTER_MODE = 0x0008; // + u
    static constexpr quint32 REG_DELAY = 0x0010;        // + 2u, 16 bits
    static constexpr quint32 REG_MAIN_COUNT = 0x0020;   // + 8u, 32 bits
    static constexpr quint32 REG_SUB_COUNT = 0x0024;    // + 8u, 32 bits
    static constexpr quint32 REG_MSR_MODE = 0x0060;     // + m
    static constexpr quint32 REG_MSR_START = 0x0064;    // + m; bit 7 starts the counter
    static constexpr quint32 REG_NIM = 0x0068;
    static constexpr quint32 REG_TTL = 0x0069;
    static constexpr quint32 REG_POLARITY = 0x006B;
    static constexpr quint32 REG_USER_ENABLE = 0x006C; // 16 bits
    static constexpr quint32 REG_USER_LEVELS = 0x006E; // 16 bits
    static constexpr quint32 REG_OSC_MAIN = 0x0088;    // 32 bits
    static constexpr quint32 REG_OSC_SUB = 0x008C;     // 32 bits
    static constexpr quint32 REG_FRONTEND = 0x2000;    // + 2c, 16 bits
    static constexpr quint32 REG_OUTPUT_LUT = 0x2800;
    static constexpr quint32 REG_FEEDBACK_LUT = 0x3000;
    static constexpr quint32 REG_MSR_LUT = 0x3800;
    static constexpr quint8 MSR_STARTED = 0x80;
    // Input 9, the one the oscillator drives.
    static constexpr int USER_INPUT = 9;

    // All registers zero.
    ModuleImage();

    // The memory after these writes (address, byte) in order; addresses beyond the image are
    // ignored.
    static ModuleImage fromBytes(const QVector<QPair<quint32, quint8>>& bytes);
    // The memory as a reader returns it, byte by byte.
    static ModuleImage fromReader(const std::function<quint8(quint32)>& read);

    quint8 byte(quint32 addr) const { return quint8(m_bytes.at(int(addr))); }
    const QByteArray& bytes() const { return m_bytes; }
    // The same configuration, apart from the registers software changes while the module runs
    // (counter start and user-control levels).
    bool sameConfiguration(const ModuleImage& other) const;

    quint8 delayFeedbackSelect() const { return byte(REG_DELAY_FEEDBACK); }
    quint8 counterFeedbackSelect() const { return byte(REG_COUNTER_FEEDBACK); }
    quint16 backendSelect() const { return word16(REG_BACKEND_SELECT); }
    quint8 counterMode(int u) const { return byte(REG_COUNTER_MODE + quint32(u)); }
    quint16 delayNs(int u) const { return word16(REG_DELAY + 2 * quint32(u)); }
    quint32 mainCount(int u) const { return word32(REG_MAIN_COUNT + 8 * quint32(u)); }
    quint32 subCount(int u) const { return word32(REG_SUB_COUNT + 8 * quint32(u)); }
    quint8 msrMode(int m) const { return byte(REG_MSR_MODE + quint32(m)); }
    bool msrStarted(int m) const { return byte(REG_MSR_START + quint32(m)) & MSR_STARTED; }
    quint8 nimOutputs() const { return byte(REG_NIM); }
    quint8 ttlOutputs() const { return byte(REG_TTL); }
    quint16 userControlled() const { return word16(REG_USER_ENABLE); }
    quint16 userLevels() const { return word16(REG_USER_LEVELS); }
    quint32 oscillatorMain() const { return word32(REG_OSC_MAIN); }
    quint32 oscillatorSub() const { return word32(REG_OSC_SUB); }

    // The lookup tables: the frontend entry of an input word (bit i = input i), and the backend
    // entries of a slot word (bit j = slot j).
    quint16 frontend(int inputs) const { return word16(REG_FRONTEND + 2 * quint32(inputs)); }
    quint8 outputLut(int slots) const { return byte(REG_OUTPUT_LUT + quint32(slots)); }
    quint8 feedbackLut(int slots) const { return byte(REG_FEEDBACK_LUT + quint32(slots)); }
    quint8 msrLut(int slots) const { return byte(REG_MSR_LUT + quint32(slots)); }

    // Bit j of the backend select: slots 0..2 take a delay unit instead of a pass-through path,
    // slots 3..7 a delay unit instead of a counter unit, slots 8..10 a pass-through path instead
    // of a counter unit.
    bool slotSelected(int j) const { return backendSelect() & (1u << j); }

    void setByte(quint32 addr, quint8 value) { m_bytes[int(addr)] = char(value); }

private:
    quint16 word16(quint32 addr) const { return quint16(byte(addr) << 8 | byte(addr + 1)); }
    quint32 word32(quint32 addr) const { return quint32(word16(addr)) << 16 | word16(addr + 2); }

    QByteArray m_bytes;
};
