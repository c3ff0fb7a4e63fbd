#pragma once

#include "model/infoOstrum.h"

#include <QString>

class BlockDiagram;

// What the counter monitor is configured with after a download or a synchronisation: the
// connection settings and, per measure counter, its gate mode (negative: not in the diagram),
// log directory, unit and name, as BlockDiagram::checkMsrCnt gives them.
struct CounterMonitorSetup
{
    static constexpr int COUNTERS = 4;

    QString strAddr;
    quint16 tcpPort = 0;
    quint16 udpPort = 0;
    int timeout = 0;
    bool bStart = false;
    int mode[COUNTERS] = {-1, -1, -1, -1};
    QString path[COUNTERS];
    QString unit[COUNTERS];
    QString name[COUNTERS];

    static CounterMonitorSetup fromDiagram(BlockDiagram& diagram, const InfoOstrum& info);
    // Some measure counter is in the diagram.
    bool hasCounters() const;
    // The same counters are used in the same modes.
    bool sameModes(const CounterMonitorSetup& other) const;
    // The counter is in the diagram and its gate is opened and closed by software (gate mode
    // bits 0-1 clear): it counts only between a start and a stop (CounterGateOperation).
    bool isSoftwareGated(int counter) const { return mode[counter] >= 0 && (mode[counter] & 3) == 0; }
    // The module's register access, for the start and stop writes.
    InfoOstrum target() const;
};

// What the user-control dialog is configured with after a download or a synchronisation: the
// connection settings and the user name of each user-controlled input, at the input's position
// in the diagram's list of input names (empty where that input is not user-controlled).
struct UserControlSetup
{
    static constexpr int INPUTS = 10;

    QString strAddr;
    quint16 udpPort = 0;
    int timeout = 0;
    int count = 0;
    QString name[INPUTS];

    static UserControlSetup fromDiagram(const BlockDiagram& diagram, const InfoOstrum& info);
};
