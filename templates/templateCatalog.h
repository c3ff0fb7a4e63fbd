#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// The documents a new design can start from: ready-made set-ups of the module (coincidences, a
// veto, a gate generator, a prescaler, a scaler), each with the stimulus that shows it working in
// the preview. They are compiled into the programs, so the editor and vextor-cli offer the same.
class TemplateCatalog
{
public:
    struct Template
    {
        QString name;        // the word that chooses it, e.g. "veto"
        QString description; // one line
    };

    static const QVector<Template>& all();
    // The template of that name, or null.
    static const Template* find(const QString& name);
    // Its document and its stimulus as files of the programs' resources (readable with QFile).
    static QString documentPath(const QString& name);
    static QString stimulusPath(const QString& name);
    // The bytes of such a file; empty for an unknown template.
    static QByteArray read(const QString& path);
};
