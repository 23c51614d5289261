#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "lib/vtree.hpp"
#define ALLOC_FAULT_OPERATORS
#include "tests/alloc_fault.hpp"

namespace {

// A record as the tree sees it: ordered by key, identified by its address.
struct Rec {
  int key;
  int id;
};

long g_compares = 0;

int rec_cmp(const void* a, const void* b) {
  ++g_compares;
  int x = static_cast<const Rec*>(a)->key, y = static_cast<const Rec*>(b)->key;
  return x < y ? -1 : (x > y ? 1 : 0);
}

struct Visit {
  const Rec* rec;
  const vtree_node* node;
  int kind;
  int depth;
};

void collect(const vtree_node* node, void* closure, vtree_visit kind, int depth) {
  static_cast<std::vector<Visit>*>(closure)->push_back({static_cast<const Rec*>(node->key), node, kind, depth});
}

// Checks the red-black rules, the search order, that every chain holds only
// keys equal to its node's, and returns the black height.
int check_subtree(const vtree_node* n, const Rec* lo, const Rec* hi, int depth, int* max_depth, size_t* records) {
  if (n == nullptr) return 1;
  *max_depth = std::max(*max_depth, depth);
  const Rec* k = static_cast<const Rec*>(n->key);
  if (lo) {
    EXPECT_LT(lo->key, k->key);
  }
  if (hi) {
    EXPECT_GT(hi->key, k->key);
  }
  for (const vtree_node* c = n; c != nullptr; c = c->next) {
    EXPECT_EQ(static_cast<const Rec*>(c->key)->key, k->key);
    ++*records;
  }
  if (n->red) {
    EXPECT_FALSE(n->left && n->left->red) << "red node " << k->key << " with a red left child";
    EXPECT_FALSE(n->right && n->right->red) << "red node " << k->key << " with a red right child";
  }
  int lh = check_subtree(n->left, lo, k, depth + 1, max_depth, records);
  int rh = check_subtree(n->right, k, hi, depth + 1, max_depth, records);
  EXPECT_EQ(lh, rh) << "black heights differ below " << k->key;
  return lh + (n->red ? 0 : 1);
}

struct TreeShape {
  int max_depth = 0;
  size_t records = 0;
};

TreeShape check_tree(const vtree_node* root) {
  TreeShape s;
  if (root) {
    EXPECT_FALSE(root->red) << "root is red";
  }
  check_subtree(root, nullptr, nullptr, 0, &s.max_depth, &s.records);
  return s;
}

// The records in key order, equal keys in the order of their insertion.
class Model {
 public:
  void insert(Rec* r) { m_[r->key].push_back(r); }
  bool erase(const Rec* r) {
    auto it = m_.find(r->key);
    if (it == m_.end()) return false;
    auto pos = std::find(it->second.begin(), it->second.end(), r);
    if (pos == it->second.end()) return false;
    it->second.erase(pos);
    if (it->second.empty()) m_.erase(it);
    return true;
  }
  std::vector<const Rec*> range(int lo, int hi) const {
    std::vector<const Rec*> out;
    for (auto it = m_.lower_bound(lo); it != m_.end() && it->first <= hi; ++it)
      out.insert(out.end(), it->second.begin(), it->second.end());
    return out;
  }
  std::vector<const Rec*> all() const { return range(INT32_MIN, INT32_MAX); }
  size_t distinct() const { return m_.size(); }
  size_t size() const {
    size_t n = 0;
    for (auto& [k, v] : m_) n += v.size();
    return n;
  }

 private:
  std::map<int, std::vector<Rec*>> m_;
};

std::vector<const Rec*> in_order(const std::vector<Visit>& visits) {
  std::vector<const Rec*> out;
  for (const Visit& v : visits)
    if (v.kind == vtree_postorder || v.kind == vtree_leaf) out.push_back(v.rec);
  return out;
}

std::vector<int> keys(const std::vector<const Rec*>& recs) {
  std::vector<int> out;
  for (const Rec* r : recs) out.push_back(r->key);
  return out;
}

// Depth of every tree node, by a walk of our own.
void depths(const vtree_node* n, int d, std::map<const vtree_node*, int>* out) {
  if (n == nullptr) return;
  (*out)[n] = d;
  depths(n->left, d + 1, out);
  depths(n->right, d + 1, out);
}

// Every walk gives each tree node in range the visits its kind of walk owes
// it: one leaf visit for a leaf, else pre-, post- and end-order; then the
// node's chain at once with the same kind and depth.
void check_visits(const vtree_node* root, const std::vector<Visit>& visits) {
  std::map<const vtree_node*, int> depth;
  depths(root, 0, &depth);
  std::map<const vtree_node*, std::vector<int>> kinds;
  for (size_t i = 0; i < visits.size();) {
    const Visit& v = visits[i];
    ASSERT_TRUE(depth.count(v.node)) << "visit of a node that is not a tree node";
    EXPECT_EQ(v.depth, depth[v.node]);
    kinds[v.node].push_back(v.kind);
    size_t j = i + 1;
    for (const vtree_node* c = v.node->next; c != nullptr; c = c->next, ++j) {
      ASSERT_LT(j, visits.size());
      EXPECT_EQ(visits[j].node, c);
      EXPECT_EQ(visits[j].kind, v.kind);
      EXPECT_EQ(visits[j].depth, v.depth);
    }
    i = j;
  }
  for (auto& [node, k] : kinds) {
    bool leaf = node->left == nullptr && node->right == nullptr;
    if (leaf) EXPECT_EQ(k, std::vector<int>({vtree_leaf}));
    else EXPECT_EQ(k, std::vector<int>({vtree_preorder, vtree_postorder, vtree_endorder}));
  }
}

class Tree {
 public:
  ~Tree() { vtree_destroy(root, nullptr); }
  Rec* make(int key) {
    recs_.push_back(std::make_unique<Rec>(Rec{key, static_cast<int>(recs_.size())}));
    return recs_.back().get();
  }
  vtree_node* add(Rec* r, int* found = nullptr) {
    int f = -1;
    vtree_node* n = vtree_search(r, &root, rec_cmp, &f);
    if (found) *found = f;
    return n;
  }
  std::vector<Visit> walk() const {
    std::vector<Visit> v;
    vtree_walk(root, collect, &v);
    return v;
  }
  vtree_node* root = nullptr;

 private:
  std::vector<std::unique_ptr<Rec>> recs_;
};

}  // namespace

TEST(Vtree, EqualKeysShareOneNodeInInsertionOrder) {
  Tree t;
  Rec* a = t.make(5);
  Rec* b = t.make(3);
  Rec* c = t.make(5);
  Rec* d = t.make(7);
  Rec* e = t.make(5);
  int found;
  vtree_node* n5 = t.add(a, &found);
  EXPECT_EQ(found, 0);
  t.add(b, &found);
  EXPECT_EQ(found, 0);
  EXPECT_EQ(t.add(c, &found), n5);
  EXPECT_EQ(found, 1);
  t.add(d);
  EXPECT_EQ(t.add(e, &found), n5);
  EXPECT_EQ(found, 1);
  EXPECT_EQ(n5->key, a);

  TreeShape s = check_tree(t.root);
  EXPECT_EQ(s.records, 5u);
  std::vector<Visit> v = t.walk();
  check_visits(t.root, v);
  EXPECT_EQ(in_order(v), (std::vector<const Rec*>{b, a, c, e, d}));
  std::map<const vtree_node*, int> tree_nodes;
  depths(t.root, 0, &tree_nodes);
  EXPECT_EQ(tree_nodes.size(), 3u);
}

TEST(Vtree, DeleteRemovesOnlyTheGivenRecord) {
  Tree t;
  Rec* a = t.make(5);
  Rec* b = t.make(3);
  Rec* c = t.make(5);
  Rec* d = t.make(7);
  Rec* e = t.make(5);
  for (Rec* r : {a, b, c, d, e}) t.add(r);
  Rec stranger{5, 99};  // equal key, never inserted
  Rec four{4, 98};

  EXPECT_EQ(vtree_delete(&stranger, &t.root, rec_cmp), nullptr);
  EXPECT_EQ(vtree_delete(&four, &t.root, rec_cmp), nullptr);
  EXPECT_EQ(in_order(t.walk()), (std::vector<const Rec*>{b, a, c, e, d}));

  EXPECT_NE(vtree_delete(a, &t.root, rec_cmp), nullptr);  // the node's own record
  EXPECT_EQ(in_order(t.walk()), (std::vector<const Rec*>{b, c, e, d}));
  EXPECT_NE(vtree_delete(e, &t.root, rec_cmp), nullptr);  // the end of the chain
  EXPECT_EQ(in_order(t.walk()), (std::vector<const Rec*>{b, c, d}));
  EXPECT_EQ(vtree_delete(e, &t.root, rec_cmp), nullptr);  // already gone
  EXPECT_NE(vtree_delete(c, &t.root, rec_cmp), nullptr);  // the last 5: the node goes
  EXPECT_EQ(in_order(t.walk()), (std::vector<const Rec*>{b, d}));
  check_tree(t.root);
  EXPECT_NE(vtree_delete(b, &t.root, rec_cmp), nullptr);
  EXPECT_NE(vtree_delete(d, &t.root, rec_cmp), nullptr);
  EXPECT_EQ(t.root, nullptr);
  EXPECT_EQ(vtree_delete(d, &t.root, rec_cmp), nullptr);
  EXPECT_EQ(vtree_delete(d, nullptr, rec_cmp), nullptr);
}

TEST(Vtree, DeletingNodeWithTwoChildrenKeepsSuccessorChain) {
  Tree t;
  std::vector<Rec*> r;
  for (int k : {20, 10, 30, 25, 40, 25, 25, 35}) {
    r.push_back(t.make(k));
    t.add(r.back());
  }
  // Delete every record of the root's key; its successor's chain must move up
  // whole and in order.
  const Rec* root_rec = static_cast<const Rec*>(t.root->key);
  ASSERT_TRUE(t.root->left && t.root->right);
  Model m;
  for (Rec* x : r) m.insert(x);
  for (Rec* x : r)
    if (x->key == root_rec->key) {
      EXPECT_NE(vtree_delete(x, &t.root, rec_cmp), nullptr);
      m.erase(x);
    }
  check_tree(t.root);
  EXPECT_EQ(in_order(t.walk()), m.all());
  Rec probe{25, -1};
  std::vector<Visit> v;
  vtree_walk_gele(t.root, &probe, &probe, rec_cmp, collect, &v);
  EXPECT_EQ(keys(in_order(v)), (std::vector<int>{25, 25, 25}));
}

TEST(Vtree, BoundedWalks) {
  Tree t;
  for (int k : {5, 3, 5, 7, 5, 1, 9}) t.add(t.make(k));
  auto run = [&](auto walker) {
    std::vector<Visit> v;
    walker(&v);
    check_visits(t.root, v);
    return keys(in_order(v));
  };
  Rec b0{0, 0}, b4{4, 0}, b5{5, 0}, b6{6, 0}, b9{9, 0}, b10{10, 0};
  using V = std::vector<int>;
  EXPECT_EQ(run([&](auto* v) { vtree_walk_gele(t.root, &b4, &b6, rec_cmp, collect, v); }), V({5, 5, 5}));
  EXPECT_EQ(run([&](auto* v) { vtree_walk_gele(t.root, &b6, &b4, rec_cmp, collect, v); }), V());
  EXPECT_EQ(run([&](auto* v) { vtree_walk_gele(t.root, &b0, &b10, rec_cmp, collect, v); }), V({1, 3, 5, 5, 5, 7, 9}));
  EXPECT_EQ(run([&](auto* v) { vtree_walk_le(t.root, &b0, rec_cmp, collect, v); }), V());
  EXPECT_EQ(run([&](auto* v) { vtree_walk_le(t.root, &b9, rec_cmp, collect, v); }), V({1, 3, 5, 5, 5, 7, 9}));
  EXPECT_EQ(run([&](auto* v) { vtree_walk_le(t.root, &b5, rec_cmp, collect, v); }), V({1, 3, 5, 5, 5}));
  EXPECT_EQ(run([&](auto* v) { vtree_walk_less(t.root, &b5, rec_cmp, collect, v); }), V({1, 3}));
  EXPECT_EQ(run([&](auto* v) { vtree_walk_ge(t.root, &b5, rec_cmp, collect, v); }), V({5, 5, 5, 7, 9}));
  EXPECT_EQ(run([&](auto* v) { vtree_walk_great(t.root, &b5, rec_cmp, collect, v); }), V({7, 9}));
  EXPECT_EQ(run([&](auto* v) { vtree_walk_great(t.root, &b9, rec_cmp, collect, v); }), V());
  EXPECT_EQ(run([&](auto* v) { vtree_walk_ge(t.root, &b10, rec_cmp, collect, v); }), V());

  // Nothing happens without a tree or an action.
  std::vector<Visit> v;
  vtree_walk(nullptr, collect, &v);
  vtree_walk_le(nullptr, &b5, rec_cmp, collect, &v);
  vtree_walk_gele(nullptr, &b0, &b10, rec_cmp, collect, &v);
  vtree_walk(t.root, nullptr, &v);
  vtree_walk_ge(t.root, &b0, rec_cmp, nullptr, &v);
  EXPECT_TRUE(v.empty());
}

TEST(Vtree, MinMaxAndVisitNames) {
  Tree t;
  EXPECT_EQ(vtree_find_min(nullptr), nullptr);
  EXPECT_EQ(vtree_find_max(nullptr), nullptr);
  for (int k : {8, 2, 6, 2, 11}) t.add(t.make(k));
  EXPECT_EQ(static_cast<const Rec*>(vtree_find_min(t.root)->key)->key, 2);
  EXPECT_EQ(static_cast<const Rec*>(vtree_find_max(t.root)->key)->key, 11);

  const struct {
    int kind;
    const char* name;
  } names[] = {{0, "vtree_preorder"}, {1, "vtree_postorder"}, {2, "vtree_endorder"}, {3, "vtree_leaf"},
               {9, "vtree_preorder"}, {-1, "vtree_preorder"}};
  for (auto& n : names) {
    EXPECT_STREQ(vtree_enum2str(n.kind), n.name);
    EXPECT_EQ(vtree_enum2str(n.kind), vtree_str);
  }
}

TEST(Vtree, RisingInsertsStayBalanced) {
  Tree t;
  for (int k = 1; k <= 1000; ++k) t.add(t.make(k));
  TreeShape s = check_tree(t.root);
  EXPECT_EQ(s.records, 1000u);
  EXPECT_LE(s.max_depth + 1, 2 * std::log2(1001.0));
  for (int k = 1000; k >= 1; --k) t.add(t.make(k));  // every key once more, on the chains
  s = check_tree(t.root);
  EXPECT_EQ(s.records, 2000u);
  EXPECT_LE(s.max_depth + 1, 2 * std::log2(1001.0));
}

// Random inserts and deletes with many equal keys against the model; the tree
// is checked whole after every operation, and every kind of walk now and then.
TEST(Vtree, RandomAgainstModel) {
  for (int key_range : {3, 40, 1000}) {
    SCOPED_TRACE("key range " + std::to_string(key_range));
    std::mt19937 rng(12345 + key_range);
    Tree t;
    Model m;
    std::vector<Rec*> live;
    for (int step = 0; step < 3000; ++step) {
      bool insert = live.empty() || rng() % 100 < 55;
      if (insert) {
        Rec* r = t.make(static_cast<int>(rng() % key_range));
        int found;
        vtree_node* n = t.add(r, &found);
        ASSERT_NE(n, nullptr);
        EXPECT_EQ(found, m.range(r->key, r->key).empty() ? 0 : 1);
        m.insert(r);
        live.push_back(r);
      } else {
        size_t i = rng() % live.size();
        Rec* r = live[i];
        ASSERT_NE(vtree_delete(r, &t.root, rec_cmp), nullptr);
        ASSERT_EQ(vtree_delete(r, &t.root, rec_cmp), nullptr);  // no second time
        m.erase(r);
        live.erase(live.begin() + static_cast<long>(i));
      }
      TreeShape s = check_tree(t.root);
      ASSERT_EQ(s.records, m.size());
      if (step % 97 != 0) continue;

      std::vector<Visit> v = t.walk();
      check_visits(t.root, v);
      ASSERT_EQ(in_order(v), m.all());
      int lo = static_cast<int>(rng() % key_range), hi = static_cast<int>(rng() % key_range);
      Rec blo{lo, 0}, bhi{hi, 0};
      struct Case {
        const char* name;
        std::function<void(std::vector<Visit>*)> walk;
        std::vector<const Rec*> want;
      } cases[] = {
          {"less", [&](auto* o) { vtree_walk_less(t.root, &bhi, rec_cmp, collect, o); }, m.range(INT32_MIN, hi - 1)},
          {"le", [&](auto* o) { vtree_walk_le(t.root, &bhi, rec_cmp, collect, o); }, m.range(INT32_MIN, hi)},
          {"ge", [&](auto* o) { vtree_walk_ge(t.root, &blo, rec_cmp, collect, o); }, m.range(lo, INT32_MAX)},
          {"great", [&](auto* o) { vtree_walk_great(t.root, &blo, rec_cmp, collect, o); }, m.range(lo + 1, INT32_MAX)},
          {"gele", [&](auto* o) { vtree_walk_gele(t.root, &blo, &bhi, rec_cmp, collect, o); }, m.range(lo, hi)},
      };
      for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Visit> got;
        g_compares = 0;
        c.walk(&got);
        check_visits(t.root, got);
        EXPECT_EQ(in_order(got), c.want);
        // Pruned: the nodes in range and the two boundary paths, no more.
        std::set<const vtree_node*> in_range;
        for (const Visit& x : got) in_range.insert(x.node);
        long bound = 2 * (static_cast<long>(in_range.size()) + 2 * (s.max_depth + 1));
        EXPECT_LE(g_compares, bound);
      }
    }
    for (Rec* r : live) ASSERT_NE(vtree_delete(r, &t.root, rec_cmp), nullptr);
    EXPECT_EQ(t.root, nullptr);
  }
}

namespace {

// Where two trees differ, as the steps from the root ("" when they are the
// same tree, node for node: the same keys, chains and colours in the same
// places).
bool same_tree(const vtree_node* a, const vtree_node* b, std::string* path) {
  if (a == nullptr || b == nullptr) return a == b;
  if (a->red != b->red) return false;
  const vtree_node* x = a;
  const vtree_node* y = b;
  for (; x != nullptr && y != nullptr; x = x->next, y = y->next)
    if (x->key != y->key) return false;
  if (x != y) return false;
  path->push_back('L');
  if (!same_tree(a->left, b->left, path)) return false;
  path->back() = 'R';
  if (!same_tree(a->right, b->right, path)) return false;
  path->pop_back();
  return true;
}

std::string tree_diff(const vtree_node* a, const vtree_node* b) {
  std::string path;
  return same_tree(a, b, &path) ? "" : "they differ at root" + path;
}

}  // namespace

// Keys above the greatest go in through the appender, every other step
// through the comparing members (with a reset after them); a twin tree takes
// every key through vtree_search.  They must stay the same tree: rising runs,
// keys equal to the greatest, lower keys and deletes mixed in, and long runs
// after the tree was cut down.
TEST(Vtree, AppenderMakesTheTreeOfTheComparingInsert) {
  for (unsigned seed : {1u, 2u, 3u}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    Tree twin;
    vtree_node* root = nullptr;
    kal::vtree_appender app(&root);
    std::vector<Rec*> live;
    int top = 0;
    for (int step = 0; step < 6000; ++step) {
      // Phases: rising keys alone, then everything mixed, then deletes
      // mostly, then rising again.
      const int phase = step / 1500;
      const unsigned roll = rng() % 100;
      const bool del = !live.empty() && (phase == 2 ? roll < 70 : phase == 1 ? roll < 15 : false);
      if (del) {
        size_t i = rng() % live.size();
        Rec* r = live[i];
        ASSERT_NE(vtree_delete(r, &twin.root, rec_cmp), nullptr);
        ASSERT_NE(vtree_delete(r, &root, rec_cmp), nullptr);
        app.reset();
        live.erase(live.begin() + static_cast<long>(i));
      } else if (phase == 1 && roll < 30) {
        // Equal to the greatest, or lower: not for the appender.
        int key = roll < 22 ? top : static_cast<int>(rng() % static_cast<unsigned>(top + 1));
        Rec* r = twin.make(key);
        int f1 = -1, f2 = -1;
        vtree_node* n1 = vtree_search(r, &twin.root, rec_cmp, &f1);
        vtree_node* n2 = vtree_search(r, &root, rec_cmp, &f2);
        ASSERT_NE(n1, nullptr);
        ASSERT_NE(n2, nullptr);
        EXPECT_EQ(f1, f2);
        app.reset();
        live.push_back(r);
      } else {
        ASSERT_EQ(app.max(), vtree_find_max(root));
        top += 1 + static_cast<int>(rng() % 3);
        Rec* r = twin.make(top);
        int found = -1;
        vtree_node* n1 = vtree_search(r, &twin.root, rec_cmp, &found);
        ASSERT_NE(n1, nullptr);
        EXPECT_EQ(found, 0);
        vtree_node* n2 = app.insert_above(r);
        ASSERT_NE(n2, nullptr);
        EXPECT_EQ(n2->key, r) << "the new node";
        EXPECT_EQ(n2->next, nullptr);
        live.push_back(r);
      }
      if (step < 400 || step % 37 == 0 || (phase == 3 && step % 3 == 0)) {
        ASSERT_EQ(tree_diff(twin.root, root), "") << "step " << step;
      }
    }
    TreeShape s = check_tree(root);
    EXPECT_EQ(s.records, live.size());

    // Out of memory: nothing added, the tree as the comparing insert leaves it
    // (its splits on the way down made), and the appender goes on.
    top += 1;
    Rec* r = twin.make(top);
    {
      alloc_fault::fault_after guard(0);
      EXPECT_EQ(vtree_search(r, &twin.root, rec_cmp, nullptr), nullptr);
      EXPECT_EQ(app.insert_above(r), nullptr);
    }
    EXPECT_EQ(tree_diff(twin.root, root), "");
    ASSERT_NE(vtree_search(r, &twin.root, rec_cmp, nullptr), nullptr);
    ASSERT_NE(app.insert_above(r), nullptr);
    EXPECT_EQ(tree_diff(twin.root, root), "");
    vtree_destroy(root, nullptr);
  }

  // No tree at all.
  kal::vtree_appender none(nullptr);
  Rec r{1, 0};
  EXPECT_EQ(none.max(), nullptr);
  EXPECT_EQ(none.insert_above(&r), nullptr);
}

// A right edge longer than the appender keeps (not a red-black tree, but a
// search tree all the same): it goes down the tree like vtree_search.
TEST(Vtree, AppenderOnAnEdgeTooLongToKeep) {
  std::vector<std::unique_ptr<Rec>> recs;
  auto chain = [&](int n) {
    vtree_node* root = nullptr;
    vtree_node** at = &root;
    for (int k = 1; k <= n; ++k) {
      *at = new vtree_node{recs[static_cast<size_t>(k - 1)].get(), nullptr, nullptr, nullptr, 0};
      at = &(*at)->right;
    }
    return root;
  };
  for (int k = 1; k <= 90; ++k) recs.push_back(std::make_unique<Rec>(Rec{k, k}));
  vtree_node* a = chain(80);
  vtree_node* b = chain(80);
  kal::vtree_appender app(&b);
  ASSERT_NE(app.max(), nullptr);
  EXPECT_EQ(app.max()->key, recs[79].get());
  for (int k = 81; k <= 90; ++k) {
    Rec* r = recs[static_cast<size_t>(k - 1)].get();
    ASSERT_NE(vtree_search(r, &a, rec_cmp, nullptr), nullptr);
    ASSERT_NE(app.insert_above(r), nullptr);
    ASSERT_EQ(tree_diff(a, b), "") << k;
    EXPECT_EQ(app.max(), vtree_find_max(b));
  }
  vtree_destroy(a, nullptr);
  vtree_destroy(b, nullptr);
}

TEST(Vtree, DestroyFreesNodesAndHandsOverTreeKeys) {
  static std::vector<const Rec*> freed;
  freed.clear();
  std::vector<std::unique_ptr<Rec>> recs;
  vtree_node* root = nullptr;
  for (int k : {4, 2, 4, 6, 4, 1}) {
    recs.push_back(std::make_unique<Rec>(Rec{k, 0}));
    vtree_search(recs.back().get(), &root, rec_cmp, nullptr);
  }
  vtree_destroy(root, [](void* k) { freed.push_back(static_cast<const Rec*>(k)); });
  // One call per tree node, with the node's own key; chains are not handed over.
  EXPECT_EQ(freed.size(), 4u);
  std::vector<int> k = keys(freed);
  std::sort(k.begin(), k.end());
  EXPECT_EQ(k, (std::vector<int>{1, 2, 4, 6}));
  for (const Rec* f : freed)
    if (f->key == 4) {
      EXPECT_EQ(f, recs[0].get());
    }
  vtree_destroy(nullptr, nullptr);
}

TEST(Vtree, OutOfMemoryLeavesTreeUnchanged) {
  Tree t;
  Model m;
  for (int k : {10, 20, 30, 40, 50, 20}) {
    Rec* r = t.make(k);
    t.add(r);
    m.insert(r);
  }
  vtree_node* null_root = nullptr;
  for (int key : {20, 35}) {  // onto a chain, and a new node
    Rec* r = t.make(key);
    int found = -1;
    vtree_node* n;
    {
      alloc_fault::fault_after guard(0);
      n = vtree_search(r, &t.root, rec_cmp, &found);
    }
    EXPECT_EQ(n, nullptr) << key;
    EXPECT_EQ(found, 0);
    check_tree(t.root);
    EXPECT_EQ(in_order(t.walk()), m.all());
    {
      alloc_fault::fault_after guard(0);
      EXPECT_EQ(vtree_search(r, &null_root, rec_cmp, &found), nullptr);
    }
    EXPECT_EQ(null_root, nullptr);
  }
  EXPECT_EQ(vtree_search(t.make(1), nullptr, rec_cmp, nullptr), nullptr);
}
