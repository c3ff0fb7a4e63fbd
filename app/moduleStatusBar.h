#pragma once

#include "model/infoOstrum.h"
#include "model/registerImage.h"

#include <QByteArray>
#include <QString>

#include <optional>

class BlockDiagram;
class QLabel;
class QStatusBar;

// Which module the editor talks to, in the window's status bar: its address and ports, its
// hardware version once read, and whether it holds the document shown. What is known about a
// module belongs to its address and UDP port; for another target nothing is known.
class ModuleStatusBar
{
public:
    enum class Match { Unknown, Matched, Differs };

    explicit ModuleStatusBar(QStatusBar* bar);

    // The module at target holds this image (written to it, or read back from it).
    void holds(const InfoOstrum& target, const RegisterImage& image);
    // The module at target holds something else than this image.
    void differsFrom(const InfoOstrum& target, const RegisterImage& image);
    // The module at target holds a partly written configuration, which no document produces.
    void holdsPartly(const InfoOstrum& target);
    // Nothing is known about what any module holds (another document is shown).
    void forget();
    // The version bytes read from the module at target.
    void setHardware(const InfoOstrum& target, const QByteArray& version);

    // Whether the module at target holds the diagram's image (which is computed here).
    Match match(const InfoOstrum& target, BlockDiagram& diagram) const;
    // Shows target, its hardware version and its match with the diagram.
    void show(const InfoOstrum& target, BlockDiagram& diagram);
    QString text() const;

    static QString matchText(Match match);

private:
    static QString key(const InfoOstrum& target);

    QLabel* m_label;
    QString m_moduleKey; // the module the images below belong to
    std::optional<RegisterImage> m_holds;
    std::optional<RegisterImage> m_differsFrom;
    bool m_bPartly = false;
    QString m_versionKey;
    QByteArray m_version;
};
