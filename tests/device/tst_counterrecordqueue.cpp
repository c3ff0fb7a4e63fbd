#include "device/counterRecordQueue.h"

#include <QtTest>

#include <deque>
#include <numeric>
#include <random>

namespace {
struct Record
{
    int counter;
    quint64 value;
    qint64 msecs;
    bool operator==(const Record& o) const
    {
        return counter == o.counter && value == o.value && msecs == o.msecs;
    }
};

// The queue as a plain list of records, one time each: what the columns and runs must match.
struct PlainQueue
{
    std::size_t capacity;
    std::deque<Record> records;
    quint64 dropped = 0;

    void append(const std::vector<Record>& batch)
    {
        for (const Record& r : batch) {
            if (records.size() < capacity)
                records.push_back(r);
            else
                ++dropped;
        }
    }
    std::vector<Record> take(std::size_t max)
    {
        const std::size_t n = std::min(max, records.size());
        std::vector<Record> out(records.begin(), records.begin() + long(n));
        records.erase(records.begin(), records.begin() + long(n));
        return out;
    }
};

std::vector<Record> recordsOf(const CounterRecordBatch& batch)
{
    std::vector<Record> out;
    const std::vector<qint64> msecs = batch.msecs();
    for (std::size_t i = 0; i < batch.size() && i < msecs.size(); ++i)
        out.push_back({batch.counter(i), batch.value(i), msecs[i]});
    return out;
}
} // namespace

class TestCounterRecordQueue : public QObject
{
    Q_OBJECT
private slots:
    // Random reads (several times each, some beyond the capacity) and random takes, partial or
    // whole: the same records, times and drop counts as a plain queue with a time per record.
    void matchesPlainQueue()
    {
        std::mt19937_64 random(25);
        for (int trial = 0; trial < 200; ++trial) {
            const std::size_t capacity = 1 + random() % 300;
            CounterRecordQueue queue(capacity);
            PlainQueue plain{capacity, {}, 0};
            qint64 now = 1000;
            CounterRecordBatch staged;
            for (int step = 0; step < 60; ++step) {
                if (random() % 2) {
                    std::vector<Record> batch(random() % 120);
                    for (Record& r : batch) {
                        now += qint64(random() % 4 == 0);
                        r = {int(random() % 4), random() & CounterRecordBatch::VALUE_MASK, now};
                        staged.append(r.counter, r.value, r.msecs);
                    }
                    queue.append(std::move(staged));
                    QVERIFY(staged.empty());
                    staged.clear();
                    plain.append(batch);
                } else {
                    const std::size_t max = random() % 3 ? random() % 150 : std::size_t(-1);
                    const quint64 dropped = plain.dropped;
                    const CounterRecordBatch taken = queue.take(max);
                    const std::size_t inRuns =
                        std::accumulate(taken.runs.begin(), taken.runs.end(), std::size_t(0),
                                        [](std::size_t sum, const CounterRecordBatch::TimeRun& run) {
                                            return sum + run.records;
                                        });
                    QCOMPARE(inRuns, taken.size());
                    QVERIFY(recordsOf(taken) == plain.take(max));
                    QCOMPARE(taken.dropped, dropped);
                    plain.dropped = 0;
                }
                QCOMPARE(queue.size(), plain.records.size());
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestCounterRecordQueue)
#include "tst_counterrecordqueue.moc"
