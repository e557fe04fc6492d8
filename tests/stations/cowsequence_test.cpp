#include "stations/cowsequence.h"

#include <QString>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

template <typename T> struct Tracked {
    CowSequence<T> seq;
    std::vector<T> model;
};

// Every way of reading the sequence must agree with the model.
template <typename T>
void expectSame(const CowSequence<T>& seq, const std::vector<T>& model, int step)
{
    ASSERT_EQ(seq.size(), qsizetype(model.size())) << "step " << step;
    ASSERT_EQ(seq.isEmpty(), model.empty()) << "step " << step;
    ASSERT_EQ(seq.toVector(), model) << "step " << step;
    qsizetype visited = 0;
    bool inOrder = true;
    seq.forEach([&](qsizetype i, const T& v) {
        inOrder = inOrder && i == visited && v == model[size_t(i)];
        ++visited;
    });
    ASSERT_TRUE(inOrder) << "step " << step;
    ASSERT_EQ(visited, seq.size()) << "step " << step;
    for (size_t i = 0; i < model.size(); i += 1 + model.size() / 64)
        ASSERT_EQ(seq.at(qsizetype(i)), model[i]) << "step " << step << " index " << i;
    if (!model.empty()) {
        const T& probe = model[model.size() / 2];
        const auto first = std::find(model.begin(), model.end(), probe) - model.begin();
        ASSERT_EQ(seq.indexWhere([&](const T& v) { return v == probe; }), qsizetype(first));
    }
}

// Random inserts, erases, sets and appends on a pool of sequences, where new members are
// copies of old ones taken at random moments. Each sequence is checked against its own
// model, so a write that leaks into a shared chunk shows up in one of the copies.
TEST(CowSequence, CopiesNeverChangeUnderRandomEdits)
{
    std::mt19937 rng(20240517);
    auto pick = [&rng](qsizetype n) {
        return qsizetype(std::uniform_int_distribution<long long>(0, n - 1)(rng));
    };
    constexpr int kSteps = 60000;
    constexpr size_t kPool = 4;
    std::vector<Tracked<int>> pool(1);
    int next = 0;
    for (int step = 0; step < kSteps; ++step) {
        // Grow to a few thousand elements (several chunks, splits), shrink to nothing
        // (emptied chunks), grow again.
        const int phase = (step / 20000) % 3;
        const int growPercent = phase == 1 ? 25 : 75;
        Tracked<int>& t = pool[size_t(pick(qsizetype(pool.size())))];
        const qsizetype n = qsizetype(t.model.size());
        const int op = int(pick(100));
        if (op < 3) {
            Tracked<int> copy = t;
            if (pool.size() < kPool)
                pool.push_back(std::move(copy));
            else
                pool[size_t(pick(kPool))] = std::move(copy);
        } else if (op < 3 + growPercent / 2 || n == 0) {
            const qsizetype at = pick(n + 1);
            t.seq.insert(at, ++next);
            t.model.insert(t.model.begin() + at, next);
        } else if (op < 3 + growPercent) {
            t.seq.append(++next);
            t.model.push_back(next);
        } else if (op < 90) {
            const qsizetype at = pick(n);
            t.seq.erase(at);
            t.model.erase(t.model.begin() + at);
        } else {
            const qsizetype at = pick(n);
            t.seq.set(at, ++next);
            t.model[size_t(at)] = next;
        }
        if (step % 997 == 0) {
            for (const Tracked<int>& each : pool)
                expectSame(each.seq, each.model, step);
        }
    }
    for (const Tracked<int>& each : pool)
        expectSame(each.seq, each.model, kSteps);
}

TEST(CowSequence, InsertsAtChunkEdgesAndCompares)
{
    // Inserting at one spot again and again splits a chunk many times over.
    CowSequence<QString> seq;
    std::vector<QString> model;
    for (int i = 0; i < 3000; ++i) {
        const qsizetype at = qsizetype(model.size()) / 3;
        seq.insert(at, QString::number(i));
        model.insert(model.begin() + at, QString::number(i));
    }
    expectSame(seq, model, 0);

    const std::vector<QString> original = model;
    const CowSequence<QString> copy = seq;
    EXPECT_TRUE(copy == seq);
    seq.set(1500, QStringLiteral("changed"));
    EXPECT_FALSE(copy == seq);
    expectSame(copy, model, 1);
    model[1500] = QStringLiteral("changed");
    expectSame(seq, model, 2);

    // Equal contents in differently cut chunks compare equal.
    CowSequence<QString> rebuilt;
    rebuilt.assign(model);
    EXPECT_TRUE(rebuilt == seq);
    rebuilt.erase(0);
    EXPECT_FALSE(rebuilt == seq);

    seq.clear();
    expectSame(seq, {}, 3);
    expectSame(copy, original, 4);
}

} // namespace
