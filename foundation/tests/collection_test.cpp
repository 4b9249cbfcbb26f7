#include "foundation/memory_pool.h"
#include "foundation/object_store.h"
#include "foundation/string_collection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Counts destructions so tests can see who owns what.
struct Tracked
{
    explicit Tracked(int v, int* dead = nullptr) : value(v), dead(dead) {}
    Tracked(const Tracked& o) = default;
    ~Tracked()
    {
        if (dead)
            (*dead)++;
    }
    int value;
    int* dead;
};

std::vector<int> values(TObjectStoreAbstract<Tracked>& s)
{
    std::vector<int> v;
    for (int i = 0; i < s.count; i++)
        v.push_back(s.At(i)->value);
    return v;
}

struct IntKeyed : TSortedCollection<Tracked, int>
{
    int* KeyFromItem(Tracked* t) override { return &t->value; }
    int compare(int* a, int* b) override { return *a - *b; }
    using TSortedCollection::KeyFromItem;
    using TSortedCollection::compare;
};

}

TEST(ObjectStore, CursorWalk)
{
    TObjectStore<Tracked> s;
    EXPECT_EQ(s.GetFirst(), nullptr);
    for (int i = 0; i < 3; i++)
        s.AddObject(new Tracked(i));
    EXPECT_EQ(s.current, 2);  // AddObject moves the cursor to the new element
    EXPECT_EQ(s.GetFirst()->value, 0);
    EXPECT_EQ(s.GetNext()->value, 1);
    EXPECT_EQ(s.GetNext()->value, 2);
    EXPECT_EQ(s.GetNext(), nullptr);
    EXPECT_EQ(s.current, 3);
    EXPECT_EQ(s.GetNext(), nullptr);
    EXPECT_EQ(s.current, 3);
    EXPECT_EQ(s.GetPrevious()->value, 2);
    EXPECT_EQ(s.GetLast()->value, 2);
    s.GetFirst();
    EXPECT_EQ(s.GetPrevious(), nullptr);
    EXPECT_EQ(s.current, -1);
    EXPECT_EQ(s.RemoveCurrent(), nullptr);  // cursor outside: nothing changes
    EXPECT_EQ(s.count, 3);
    EXPECT_EQ(s[1]->value, 1);
    EXPECT_EQ(s.current, 1);
    EXPECT_EQ(s[7], nullptr);
}

TEST(ObjectStore, InsertRemoveDestroy)
{
    int dead = 0;
    {
        TObjectStore<Tracked> s;
        for (int i = 0; i < 11; i++)  // the eleventh grows the array
            s.AddObject(new Tracked(i, &dead));
        EXPECT_EQ(values(s), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));

        s[2];
        s.InsertObject(new Tracked(99, &dead));
        EXPECT_EQ(s.At(2)->value, 99);
        EXPECT_EQ(s.At(3)->value, 2);

        s.current = 50;  // a cursor past the end inserts at the end
        s.InsertObject(new Tracked(77, &dead));
        EXPECT_EQ(s.At(s.count - 1)->value, 77);

        s[0];
        Tracked* t = s.RemoveCurrent();
        EXPECT_EQ(t->value, 0);
        EXPECT_EQ(s.GetCurrent()->value, 1);  // the cursor addresses the next one
        delete t;
        EXPECT_EQ(dead, 1);

        s.DestroyCurrent();
        EXPECT_EQ(dead, 2);
        EXPECT_EQ(s.GetCurrent()->value, 99);

        TObjectStore<Tracked> copy;
        copy.AddObject(new Tracked(-1, &dead));
        copy = s;
        EXPECT_EQ(dead, 3);
        EXPECT_EQ(values(copy), values(s));
        EXPECT_NE(copy.At(0), s.At(0));  // elements are copies, not shared
        dead = 0;
    }
    EXPECT_EQ(dead, 2 * 11);  // both stores destroyed what they owned
}

TEST(SortedCollection, InsertionAndLookups)
{
    IntKeyed c;
    for (int v : {50, 10, 30, 20, 40})
        EXPECT_EQ(c.AddItem(new Tracked(v)), 0);
    Tracked dup(30);
    EXPECT_EQ(c.AddItem(&dup), -1);  // rejected and left to the caller
    ASSERT_EQ(c.count, 5);
    for (int i = 0; i < 5; i++)
        EXPECT_EQ(c.At(i)->value, 10 * (i + 1));

    const struct { int key; int eq; int ge; int le; } rows[] = {
        {30, 30, 30, 30}, {35, -1, 40, 30}, {5, -1, 10, -1}, {99, -1, -1, 50},
    };
    for (const auto& r : rows) {
        Tracked* eq = c.FindItem(r.key);
        Tracked* ge = c.FindGreaterEqual(r.key);
        Tracked* le = c.FindLessEqual(r.key);
        EXPECT_EQ(eq ? eq->value : -1, r.eq) << r.key;
        EXPECT_EQ(ge ? ge->value : -1, r.ge) << r.key;
        EXPECT_EQ(le ? le->value : -1, r.le) << r.key;
    }
    long pos;
    int key = 25;
    EXPECT_EQ(c.FindPosition(pos, &key), -1);
    EXPECT_EQ(pos, 2);

    c.FindItem(20);
    c.DestroyCurrent();
    std::vector<int> walked;
    for (Tracked* t = c.FindFirst(); t; t = c.FindNext())
        walked.push_back(t->value);
    EXPECT_EQ(walked, (std::vector<int>{10, 30, 40, 50}));
}

TEST(SortedCollection, DuplicatesUnsortedAndCopies)
{
    IntKeyed c;
    c.duplicates = true;
    for (int v : {2, 1, 2, 2, 3})
        EXPECT_EQ(c.AddItem(new Tracked(v)), 0);
    EXPECT_EQ(c.count, 5);
    EXPECT_EQ(c.FindGreaterEqual(2), c.At(1));  // the first of the equal ones

    IntKeyed copy;
    copy.unsorted = true;
    copy = c;
    EXPECT_TRUE(copy.duplicates);
    EXPECT_TRUE(copy.unsorted);  // not copied
    ASSERT_EQ(copy.count, 5);
    EXPECT_EQ(copy.At(4)->value, 3);

    IntKeyed raw;
    raw.unsorted = true;
    for (int v : {3, 1, 2})
        (void)raw.AddItem(new Tracked(v));
    EXPECT_EQ(raw.At(0)->value, 3);

    IntKeyed many;
    for (int v = 0; v < 500; v++)  // past the first growth of 100 pointers
        ASSERT_EQ(many.AddItem(new Tracked((v * 37) % 500)), 0);
    for (int i = 0; i < 500; i++)
        ASSERT_EQ(many.At(i)->value, i);
}

TEST(StringSets, CaseAndCSV)
{
    StringCollection s;
    EXPECT_EQ(s.AddString("ABC"), 1);
    EXPECT_EQ(s.AddString("abc"), 0);  // keys ignore case
    EXPECT_EQ(s.AddCSV(""), 0);
    EXPECT_EQ(s.AddCSV("zip,\"a,b\",arj,ZIP"), 3);
    EXPECT_STREQ(s.ToCSV().c_str(), "a,b,ABC,arj,zip");

    StringCollection d;
    d.duplicates = true;
    EXPECT_EQ(d.AddString("x"), 1);
    EXPECT_EQ(d.AddString("X"), 1);

    FnStringCollection f;
    EXPECT_EQ(f.AddString(L"\x00C4rger"), 1);
    EXPECT_EQ(f.AddString(L"\x00E4RGER"), 0);
    EXPECT_NE(f.FindItem(Westring(L"\x00E4rger")), nullptr);

    KeyedValueSet env;
    env.SetValue("PATH", "/bin");
    env.SetValue("path", "/usr/bin");
    EXPECT_EQ(env.count, 1);
    ASSERT_NE(env.GetValue("Path"), nullptr);
    EXPECT_STREQ(env.GetValue("Path")->c_str(), "/usr/bin");
    EXPECT_EQ(env.GetValue("HOME"), nullptr);
}

TEST(MemoryPool, Blocks)
{
    MemoryPool pool;
    EXPECT_EQ(pool.count, 1);
    char* a = static_cast<char*>(pool.Alloc(10));
    char* b = static_cast<char*>(pool.Alloc(6));
    EXPECT_EQ(b, a + 10);  // no alignment between allocations
    // A request larger than a block gets a block of exactly its size.
    char* big = static_cast<char*>(pool.Alloc(100000));
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(pool.count, 2);
    EXPECT_EQ(pool.At(1)->size, 100000u);
    big[99999] = 1;
    // That block is full, so the next request starts a fresh 64 KiB block.
    pool.Alloc(1);
    EXPECT_EQ(pool.count, 3);
    EXPECT_EQ(pool.At(2)->size, MemoryPool::BlockSize);
    pool.Clear();
    EXPECT_EQ(pool.count, 1);
    EXPECT_NE(pool.Alloc(MemoryPool::BlockSize), nullptr);
    EXPECT_EQ(pool.count, 1);
}
