#pragma once

#include "device/netSetup.h"
#include "operations/deviceOperation.h"

#include <optional>

class OperationPrompts;

// The module's status with ROM information: version, protection, boot slot and slot comments.
class StatusOperation : public DeviceOperation
{
    Q_OBJECT
public:
    using DeviceOperation::DeviceOperation;

protected:
    void begin() override;
};

// A range of registers read as the module holds them (the FPGA version is 4 bytes from register
// 0). Done carries the bytes.
class ReadOperation : public DeviceOperation
{
    Q_OBJECT
public:
    ReadOperation(const InfoOstrum& target, quint32 address, int length, QObject* parent = nullptr);

protected:
    void begin() override;

private:
    quint32 m_address;
    int m_length;
};

// Write protection: the current and boot protection are read, the caller chooses, and only
// what differs is written. Done carries the protection the module has afterwards.
class ProtectOperation : public DeviceOperation
{
    Q_OBJECT
public:
    ProtectOperation(const InfoOstrum& target, OperationPrompts& prompts, QObject* parent = nullptr);

protected:
    void begin() override;
    QString confirmation() const override;

private:
    void write(const Protection& now, const Protection& wanted);
};

// The user-control word (register 0x6E, 16 bits): written when a word is given, then read back
// unless bRead is false. Done carries the two bytes read.
class UserControlOperation : public DeviceOperation
{
    Q_OBJECT
public:
    UserControlOperation(const InfoOstrum& target, std::optional<quint16> word, bool bRead = true,
                         QObject* parent = nullptr);

    // The word read, big-endian from the two bytes.
    quint16 word() const;

protected:
    void begin() override;

private:
    void read();

    std::optional<quint16> m_word;
    bool m_bRead;
};

// A start (true) or stop of a measure counter whose gate software controls: one byte, 0x80 or
// 0x00, to register 0x64 + counter.
class CounterGateOperation : public DeviceOperation
{
    Q_OBJECT
public:
    CounterGateOperation(const InfoOstrum& target, int counter, bool bStart, QObject* parent = nullptr);

    static constexpr quint32 REG_COUNTER_START = 0x64;

protected:
    void begin() override;

private:
    int m_counter;
    bool m_bStart;
};

// The network settings in the module's EEPROM. Done carries the bytes and their text in
// `message`; a failure the access text in `message` and the worker's text in `detail`.
class EepromReadOperation : public DeviceOperation
{
    Q_OBJECT
public:
    using DeviceOperation::DeviceOperation;

protected:
    void begin() override;
};

// New network settings (already checked by NetSetup::setNewSettings) written to the EEPROM.
class EepromWriteOperation : public DeviceOperation
{
    Q_OBJECT
public:
    EepromWriteOperation(const InfoOstrum& target, const NetSetup& settings, QObject* parent = nullptr);

protected:
    void begin() override;

private:
    NetSetup m_settings;
};
