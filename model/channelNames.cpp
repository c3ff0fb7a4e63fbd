#include "model/channelNames.h"

namespace ChannelNames {

const QStringList& inputs()
{
    static const QStringList names = [] {
        QStringList list;
        for (int ch = 0; ch < THRESHOLD_INPUT.count; ++ch)
            list.append(name(THRESHOLD_INPUT, ch));
        list << OPTION_INPUT << USER_INPUT;
        return list;
    }();
    return names;
}

QString name(const Family& family, int k)
{
    return family.prefix + QString::number(k);
}

bool isChannelName(const QString& name, const Family& family)
{
    if (name.size() != family.prefix.size() + 1 || !name.startsWith(family.prefix))
        return false;
    const int k = name.back().digitValue();
    return k >= 0 && k < family.count;
}

const Family* familyOf(const QString& prefix)
{
    for (const Family* family : {&OUTPUT, &MSR_CNT}) {
        if (prefix == family->prefix)
            return family;
    }
    return nullptr;
}

bool isReservedName(const QString& name)
{
    return name.startsWith(OUTPUT.prefix) || name.startsWith(THRESHOLD_INPUT.prefix) ||
           name.startsWith(MSR_CNT.prefix);
}

} // namespace ChannelNames
