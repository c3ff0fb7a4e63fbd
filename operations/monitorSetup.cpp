#include "operations/monitorSetup.h"

#include "model/blockDiagram.h"

#include <algorithm>

CounterMonitorSetup CounterMonitorSetup::fromDiagram(BlockDiagram& diagram, const InfoOstrum& info)
{
    CounterMonitorSetup setup;
    setup.strAddr = info.strAddr;
    setup.tcpPort = info.tcpPort;
    setup.udpPort = info.udpPort;
    setup.timeout = info.timeout;
    setup.bStart = info.bStart;
    diagram.checkMsrCnt(setup.mode, setup.path, setup.name, setup.unit);
    return setup;
}

bool CounterMonitorSetup::hasCounters() const
{
    return std::any_of(std::begin(mode), std::end(mode), [](int m) { return m >= 0; });
}

bool CounterMonitorSetup::sameModes(const CounterMonitorSetup& other) const
{
    return std::equal(std::begin(mode), std::end(mode), std::begin(other.mode));
}

InfoOstrum CounterMonitorSetup::target() const
{
    InfoOstrum info = InfoOstrum::defaults(bStart);
    info.strAddr = strAddr;
    info.tcpPort = tcpPort;
    info.udpPort = udpPort;
    info.timeout = timeout;
    return info;
}

UserControlSetup UserControlSetup::fromDiagram(const BlockDiagram& diagram, const InfoOstrum& info)
{
    UserControlSetup setup;
    const QStringList& names = diagram.inputNames();
    for (int i = 0; i < names.size() && i < INPUTS; ++i) {
        const NIM_IN* input = diagram.searchNIM_IN(names.at(i), -1);
        if (input && input->bUserControl()) {
            setup.name[i] = input->getUserName();
            ++setup.count;
        }
    }
    if (setup.count > 0) {
        setup.strAddr = info.strAddr;
        setup.udpPort = info.udpPort;
        setup.timeout = info.timeout;
    }
    return setup;
}
