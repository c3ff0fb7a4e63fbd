#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// What to call the module's resources in a preview: the user's names from a diagram, or the
// module's own names. An empty name marks a resource the diagram does not use; reports leave
// unused outputs and counters out.
struct SignalNames
{
    QStringList inputs;    // 10, in register bit order
    QStringList functions; // 11: the function or pass-through placed in each backend slot
    QStringList feedbacks; // 8: what drives the feedback path of each function unit
    QStringList outputs;   // 8
    QStringList counters;  // 4

    // Every resource by the module's own name (all of them used).
    static SignalNames hardware();
    // All resources unused; a diagram fills in what it places.
    static SignalNames unused();

    static QString inputName(int i);
    static QString outputName(int ch);
    static QString counterName(int m);
    // The module's name, followed by the user's when there is one that differs.
    static QString label(const QString& hardwareName, const QString& userName);
};

// One traced signal: its bit in the emulator's trace word, the group it belongs to and its name.
struct TraceSignal
{
    int bit;
    QString group; // "inputs", "frontend", "slots", "feedback", "msrcnt", "outputs"
    QString name;
    bool bUsed; // named by the diagram (or every signal, with the module's own names)
};

// Every signal of the trace word, in the order a waveform lists them.
QVector<TraceSignal> traceSignals(const SignalNames& names);
