#include "listctl/item_store.h"

#include <gtest/gtest.h>

#include <QStringList>

#include "listctl/selection.h"

namespace corvane {
namespace {

QStringList Texts(const ItemStore& store) {
  QStringList texts;
  for (int i = 0; i < store.Count(); ++i) texts << store.At(i).text.ToString();
  return texts;
}

ItemStore StoreOf(const QStringList& texts) {
  ItemStore store;
  for (const QString& t : texts) store.Insert(-1, ListItem{t, -1, false, nullptr});
  return store;
}

struct SortCase {
  QStringList input;
  int order;
  QStringList expected;
};

TEST(ItemStoreTest, SortsStablyByWholeRecordIgnoringCase) {
  const SortCase cases[] = {
      {{"b", "A", "c"}, -1, {"A", "b", "c"}},
      {{"b", "A", "c"}, 1, {"c", "b", "A"}},
      {{"b", "A", "c"}, 0, {"b", "A", "c"}},
      {{"b", "A", "c"}, 2, {"b", "A", "c"}},
      // The old record put "<%S%>" after the text: "a" sorts after "a!".
      {{"a", "a!"}, -1, {"a!", "a"}},
      // Equal records keep their order.
      {{"x", "B", "b", "X"}, -1, {"B", "b", "x", "X"}},
  };
  for (const SortCase& c : cases) {
    ItemStore store = StoreOf(c.input);
    store.Sort(c.order);
    EXPECT_EQ(Texts(store), c.expected) << c.input.join(',').toStdString() << " order " << c.order;
  }
}

TEST(ItemStoreTest, SortComparesIconAndBoldAfterEqualTexts) {
  ItemStore store;
  store.Insert(-1, ListItem{u"a", 7, true, nullptr});
  store.Insert(-1, ListItem{u"a", -1, false, nullptr});
  store.Sort(-1);  // "-1" sorts before "7"
  EXPECT_EQ(store.At(0).icon, -1);
  EXPECT_EQ(store.At(1).icon, 7);
  EXPECT_TRUE(store.At(1).bold);
}

TEST(ItemStoreTest, InsertsBeforeIndexAndDropsOldestInOneStep) {
  ItemStore store = StoreOf({"a", "b", "c"});
  store.Insert(0, ListItem{u"first", -1, false, nullptr});
  store.Insert(2, ListItem{u"mid", -1, false, nullptr});
  EXPECT_EQ(Texts(store), QStringList({"first", "a", "mid", "b", "c"}));
  store.RemoveFirst(2);
  EXPECT_EQ(Texts(store), QStringList({"mid", "b", "c"}));
  store.RemoveFirst(10);
  EXPECT_EQ(store.Count(), 0);
}

TEST(SelectionTest, KeepsEachIndexOnceInAddedOrder) {
  Selection s;
  EXPECT_TRUE(s.Add(5));
  EXPECT_TRUE(s.Add(2));
  EXPECT_FALSE(s.Add(5));
  EXPECT_FALSE(s.Remove(9));
  ASSERT_EQ(s.Count(), 2);
  EXPECT_EQ(s.At(0), 5);
  EXPECT_EQ(s.At(1), 2);
  s.SortAscending();
  EXPECT_EQ(s.At(0), 2);
  EXPECT_TRUE(s.Remove(2));
  EXPECT_FALSE(s.Contains(2));
  EXPECT_TRUE(s.Contains(5));
}

TEST(SelectionTest, DropFirstRenumbersTheRest) {
  Selection s;
  for (int i : {12, 3, 10, 15}) s.Add(i);
  s.DropFirst(10);
  ASSERT_EQ(s.Count(), 3);
  EXPECT_EQ(s.At(0), 2);
  EXPECT_EQ(s.At(1), 0);
  EXPECT_EQ(s.At(2), 5);
  EXPECT_FALSE(s.Contains(12));
  EXPECT_TRUE(s.Contains(5));
}

}  // namespace
}  // namespace corvane
