#pragma once

#include <QtGlobal>

#include <limits>

// How the emulator reads the module's timing. These are the conventions wherever the module's own
// behaviour at an edge is not known; the README repeats them, and the tests pin each one down.
//
// Clock. Everything runs on one 5 ns clock; cycle k is the instant k * 5 ns.
//   - Alignment: every time is rounded up to the clock. A stimulus edge at t ns takes effect at
//     the first cycle at or after t; a duration of n ns (pulse width, delay, guard, oscillator
//     half-period) lasts ceil(n / 5) cycles, so 7 ns acts as 10 ns and a non-zero time never
//     vanishes. A time of 0 lasts no cycle at all. A stimulus pulse is at least 5 ns wide, so it
//     is high for at least one cycle; pulses of one channel that overlap or touch merge.
//   - Stages: the lookup tables and the pass-through paths are combinational (an input change
//     reaches a PreLogic output in the same cycle). A function unit sees its source in the cycle
//     it changes and its output changes in that same cycle; a timer of n cycles started in cycle
//     k ends at cycle k + n. A delay unit of d cycles repeats its source d cycles later.
//   - Fixed latencies: an output pin follows its lookup-table bit OUTPUT_LATENCY_NS later, and a
//     feedback path reaches the function units FEEDBACK_LATENCY_NS (rounded up to the clock)
//     after its lookup-table bit: the figures the editor shows on those blocks. The feedback
//     latency is what keeps a loop through the back end from being combinational.
//
// Same-cycle events. In a cycle, a timer that ends is handled first, then the source's edge:
// the edge meets the phase that follows. A rising edge is a cycle whose level is true after a
// false one; every signal is false before cycle 0, so a source high at 0 rises at 0.
//
// Function units (main count M, sub count S, both rounded up to the clock; for the modes whose
// sub count the register holds less one, S is the register plus one):
//   - 0, 1 one-shot: a rising edge starts a pulse of M, then S of guaranteed idle time in which
//     edges are ignored. 2, 3 delayed one-shot: a rising edge starts a delay of M, then a pulse
//     of S.
//   - Retrigger: in the retriggerable modes an edge restarts the timing that runs: mode 1 the
//     pulse (it lasts M from the latest edge), not the idle time after it; mode 3 the delay, not
//     the pulse; mode 5 the guard; mode 7 the wait. The non-retriggerable modes 0, 2, 4 and 6
//     ignore edges while their timing runs.
//   - 4, 5 chattering elimination: the output follows the source at once, then holds its new
//     level for a guard time (M after turning true, S after turning false) whatever the source
//     does; when the guard ends the output takes the source's level then. In mode 5 every
//     source edge during a guard restarts it.
//   - 6, 7 delay function: a change of the source reaches the output M (turning true) or S
//     (turning false) later. Mode 6 ignores source edges while a change is under way and then
//     takes the source's level; in mode 7 an edge restarts the wait, so a change that is undone
//     within the delay never appears.
//   - 8 oscillator with enable: while the source is true, true for M and false for S, starting
//     true in the cycle the source rises; false at once when the source falls. 9 oscillator:
//     the same from cycle 0 without a source.
//   - 10 divider: counts rising edges of the source; the first one turns the output true, the
//     M-th after that false, the S-th after that true again, and so on (counts of 0 act as 1).
//
// Measure counters (GATE = mode bits 0-1, SRC = bits 2-3). A measurement covers the cycles from
// the one that opens it up to, not including, the one that closes it; closing it sends its
// value as one record.
//   - GATE 0, both edges: started and stopped by software (the counter's start register, as the
//     monitor's Start button writes it); while started, every GATE edge closes a measurement and
//     opens the next; stopping closes the last one.
//   - GATE 1, false to true: each rising GATE edge closes a measurement (from the one before) and
//     opens the next. GATE 2, during true: a measurement runs while GATE is true.
//   - GATE 3, user control: started and stopped by software only.
//   - Within a measurement SRC 0 counts the changes of SRC (both edges), 1 its rising edges, 2
//     the time SRC is true (ns), 3 the length of the measurement (ns). An SRC edge in the cycle
//     a GATE edge opens a measurement belongs to the new one.
//   - A preview starts the software-gated counters the diagram uses at time 0 and stops them at
//     its end.
namespace Timing {
constexpr qint64 CLOCK_NS = 5;
constexpr qint64 OUTPUT_LATENCY_NS = 60;
constexpr qint64 FEEDBACK_LATENCY_NS = 24;
// A cycle that never comes.
constexpr qint64 NEVER = std::numeric_limits<qint64>::max();

// The number of cycles a duration of ns lasts (rounded up), and the first cycle at or after a
// time; both are ceil(ns / 5) for ns >= 0.
constexpr qint64 cyclesOf(qint64 ns)
{
    return ns <= 0 ? 0 : (ns + CLOCK_NS - 1) / CLOCK_NS;
}
constexpr qint64 cycleAt(qint64 ns)
{
    return cyclesOf(ns);
}
constexpr qint64 nsOf(qint64 cycles)
{
    return cycles * CLOCK_NS;
}

constexpr qint64 OUTPUT_LATENCY = cyclesOf(OUTPUT_LATENCY_NS);
constexpr qint64 FEEDBACK_LATENCY = cyclesOf(FEEDBACK_LATENCY_NS);
} // namespace Timing
