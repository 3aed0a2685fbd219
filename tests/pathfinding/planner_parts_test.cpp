// The planner's building blocks: the ring-buffer open list, the closed hash table
// and the node pool.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <random>
#include <vector>

#include "pathfinding/fixed_deque.h"
#include "pathfinding/node_factory.h"
#include "pathfinding/node_hash_table.h"

namespace zorby {
namespace {

std::vector<PathNode*> contents(const FixedDeque& d) {
    std::vector<PathNode*> out;
    for (int32_t i = 0; i < d.size(); ++i) out.push_back(d.at(i));
    return out;
}

// Random pushes, pops, inserts and erases on a small ring (so it wraps all the
// time) must match a plain deque, including refusals when full or out of range.
TEST(FixedDeque, RandomOperationsMatchAPlainDeque) {
    std::vector<PathNode> nodes(32);
    for (size_t i = 0; i < nodes.size(); ++i) nodes[i].f = static_cast<float>(i);
    std::mt19937 rng(7);
    for (int32_t capacity : {1, 2, 5, 8}) {
        FixedDeque d;
        ASSERT_TRUE(d.allocate(capacity, nodes.data()));
        std::deque<PathNode*> model;
        for (int step = 0; step < 4000; ++step) {
            PathNode* node = &nodes[rng() % nodes.size()];
            const int32_t n = static_cast<int32_t>(model.size());
            switch (rng() % 4) {
                case 0: {
                    const bool ok = d.push_back(node);
                    EXPECT_EQ(ok, n < capacity);
                    if (ok) model.push_back(node);
                    break;
                }
                case 1:
                    d.pop_back();
                    if (!model.empty()) model.pop_back();
                    break;
                case 2: {
                    const int32_t pos = static_cast<int32_t>(rng() % (n + 2)) - (step % 7 == 0);
                    const bool ok = d.insert(pos, node);
                    EXPECT_EQ(ok, n < capacity && pos >= 0 && pos <= n);
                    if (ok) model.insert(model.begin() + pos, node);
                    break;
                }
                case 3: {
                    const int32_t pos = static_cast<int32_t>(rng() % (n + 1));
                    d.erase(pos);
                    if (pos < n) model.erase(model.begin() + pos);
                    break;
                }
            }
            ASSERT_EQ(contents(d), std::vector<PathNode*>(model.begin(), model.end()))
                << "capacity " << capacity << " step " << step;
            ASSERT_EQ(d.empty(), model.empty());
            ASSERT_EQ(d.full(), static_cast<int32_t>(model.size()) == capacity);
            if (!model.empty()) {
                ASSERT_EQ(d.back(), model.back());
            }
        }
    }
}

// The sorted position is the first whose f is not greater, wherever the ring's
// contents sit (also split across the buffer's end), with runs of equal f.
TEST(FixedDeque, SortedPositionFindsFirstNotGreater) {
    std::mt19937 rng(3);
    for (int round = 0; round < 300; ++round) {
        const int32_t capacity = 1 + static_cast<int32_t>(rng() % (round < 200 ? 40 : 600));
        const int32_t count = static_cast<int32_t>(rng() % (capacity + 1));
        std::vector<PathNode> nodes(count + 1);  // the last one moves the head
        std::vector<float> keys(count);
        for (float& k : keys) k = static_cast<float>(rng() % 6);
        std::sort(keys.begin(), keys.end(), std::greater<float>());
        for (int32_t i = 0; i < count; ++i) nodes[i].f = keys[i];
        FixedDeque d;
        ASSERT_TRUE(d.allocate(capacity, nodes.data()));
        // Move the head somewhere in the buffer before filling it.
        const int32_t shift = static_cast<int32_t>(rng() % capacity);
        for (int32_t i = 0; i < shift; ++i) {
            d.push_back(&nodes[count]);
            d.erase(0);
        }
        for (int32_t i = 0; i < count; ++i) ASSERT_TRUE(d.push_back(&nodes[i]));
        for (float f = -1.0f; f <= 6.0f; f += 0.5f) {
            int32_t expected = 0;
            while (expected < count && keys[expected] > f) ++expected;
            ASSERT_EQ(d.sorted_position(f), expected) << "f " << f << " round " << round;
        }
    }
}

TEST(FixedDeque, ZeroCapacityRefusesEverything) {
    FixedDeque d;
    PathNode n{};
    EXPECT_TRUE(d.allocate(0, &n));
    EXPECT_FALSE(d.push_back(&n));
    EXPECT_FALSE(d.insert(0, &n));
    EXPECT_EQ(d.sorted_position(1.0f), 0);
    d.pop_back();
    EXPECT_TRUE(d.empty());
}

PathNode at(int32_t x, int32_t y) {
    PathNode n{};
    n.x = x;
    n.y = y;
    return n;
}

TEST(NodeHashTable, BitsAreClampedAndEvenAndBucketsUseLowBitsOfBoth) {
    NodeHashTable t;
    ASSERT_TRUE(t.allocate(8));
    EXPECT_EQ(t.bucket_count(), 256);
    EXPECT_EQ(t.bucket_of(0x35, 0x2c), 0x5 + 16 * 0xc);
    EXPECT_EQ(t.bucket_of(16, 32), 0);
    ASSERT_TRUE(t.allocate(9));
    EXPECT_EQ(t.bits(), 8);
    ASSERT_TRUE(t.allocate(31));
    EXPECT_EQ(t.bits(), 24);
    EXPECT_EQ(t.bucket_of(4095, 4095), (1 << 24) - 1);
    ASSERT_TRUE(t.allocate(-3));
    EXPECT_EQ(t.bits(), 0);
    EXPECT_EQ(t.bucket_of(123, 456), 0);
}

TEST(NodeHashTable, InsertFindAndRemoveAlongOneChain) {
    NodeHashTable t;
    ASSERT_TRUE(t.allocate(2));  // 2 x 2 buckets: (x & 1) + 2 * (y & 1)
    PathNode a = at(0, 0), b = at(2, 0), c = at(4, 2), d = at(2, 0), other = at(1, 0);
    EXPECT_TRUE(t.insert(&a));
    EXPECT_TRUE(t.insert(&b));
    EXPECT_TRUE(t.insert(&c));
    EXPECT_FALSE(t.insert(&b));  // already in the chain
    EXPECT_TRUE(t.insert(&other));
    EXPECT_EQ(t.size(), 4);
    // Chain of bucket 0 is c, b, a: each insertion goes to the head.
    EXPECT_EQ(t.bucket_head(0), &c);
    EXPECT_EQ(t.find(2, 0), &b);
    EXPECT_EQ(t.find(3, 3), nullptr);
    EXPECT_FALSE(t.remove_found());

    // A second node on the same cell is found first once it is in front.
    EXPECT_TRUE(t.insert(&d));
    EXPECT_EQ(t.find(2, 0), &d);
    EXPECT_TRUE(t.remove_found());
    EXPECT_EQ(t.find(2, 0), &b);
    // The chain changes between lookup and removal: the node is still unlinked.
    PathNode e = at(6, 4);
    EXPECT_TRUE(t.insert(&e));
    EXPECT_TRUE(t.remove_found());
    EXPECT_EQ(t.find(2, 0), nullptr);
    EXPECT_EQ(t.find(0, 0), &a);  // the tail of the chain
    EXPECT_TRUE(t.remove_found());
    EXPECT_EQ(t.find(4, 2), &c);
    EXPECT_EQ(t.find(6, 4), &e);
    EXPECT_EQ(t.find(1, 0), &other);
    EXPECT_EQ(t.size(), 3);
    // A removed node can go back in.
    EXPECT_TRUE(t.insert(&a));
    EXPECT_EQ(t.find(0, 0), &a);

    t.clear();
    EXPECT_EQ(t.size(), 0);
    EXPECT_EQ(t.find(4, 2), nullptr);
    for (int32_t i = 0; i < t.bucket_count(); ++i) EXPECT_EQ(t.bucket_head(i), nullptr);
}

TEST(NodeFactory, HandsOutEachNodeOnceUntilGivenBack) {
    NodeFactory pool;
    EXPECT_FALSE(pool.allocate(-1));
    ASSERT_TRUE(pool.allocate(3));
    PathNode* a = pool.take();
    PathNode* b = pool.take();
    PathNode* c = pool.take();
    ASSERT_TRUE(a && b && c);
    EXPECT_NE(a, b);
    EXPECT_NE(b, c);
    EXPECT_EQ(pool.take(), nullptr);
    pool.give_back(2);
    EXPECT_EQ(pool.take(), b);
    pool.give_back(10);
    EXPECT_EQ(pool.next_free(), 0);
    EXPECT_EQ(pool.take(), a);
    pool.clear();
    EXPECT_EQ(pool.index_of(pool.take()), 0);
    ASSERT_TRUE(pool.allocate(0));
    EXPECT_EQ(pool.take(), nullptr);
}

}  // namespace
}  // namespace zorby
