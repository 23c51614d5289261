// The ordered index under every table: a red-black search tree over opaque
// keys (the tables store their list elements) ordered by a comparison that the
// caller passes to every operation.  Keys that compare equal share one tree
// node: the first one is the node's own key, the others hang on the node's
// chain in insertion order.  Deleting removes one key alone; the tree node goes
// with its last key.
#pragma once

#include <cstdint>

// One node of the tree.  Chain nodes have the same layout; only their key and
// next are used.
struct vtree_node {
  void* key;
  vtree_node* left;
  vtree_node* right;
  vtree_node* next;   // further keys comparing equal to this one, in insertion order
  unsigned char red;  // 1 red, 0 black
};

// How a walk reaches a node.
enum vtree_visit : int {
  vtree_preorder = 0,   // before the left subtree
  vtree_postorder = 1,  // between the subtrees: the in-order visit
  vtree_endorder = 2,   // after the right subtree
  vtree_leaf = 3,       // a node without children, visited once
};

// Negative, zero or positive as a is below, equal to or above b.  Insertion and
// deletion call it as (searched key, node key), the range walks as
// (bound, node key).
using vtree_cmp_fn = int (*)(const void* a, const void* b);
// Called for a tree node and then, with the same visit kind and depth, for each
// node of its chain in chain order.  Depth 0 is the root.
using vtree_action_fn = void (*)(const vtree_node* node, void* closure, vtree_visit visit, int depth);
using vtree_free_fn = void (*)(void* key);

// Inserts key.  A key not yet in the tree gets a new node, which is returned
// with *found 0; a key equal to a node's key is appended to that node's chain
// and the existing tree node is returned with *found 1.  NULL (with *found 0)
// for a NULL root address or when no node could be allocated, for a new key
// and for an equal one alike; the keys in the tree then stay as they were.
vtree_node* vtree_search(void* key, vtree_node** rootp, vtree_cmp_fn compare, int* found);

namespace kal {

// Adds keys to one tree in ascending order, each making the tree vtree_search
// would make, without comparing and without walking down the tree for each
// key: the nodes of the tree's right edge are kept between calls.  For loading
// records that come in key order.  Nothing else may change the tree while the
// appender is used, unless reset() is called after the change.
class vtree_appender {
 public:
  explicit vtree_appender(vtree_node** rootp = nullptr) : rootp_(rootp) {}
  vtree_appender(const vtree_appender&) = delete;
  vtree_appender& operator=(const vtree_appender&) = delete;

  void attach(vtree_node** rootp) {
    rootp_ = rootp;
    known_ = false;
  }
  // The rightmost node, the one of the greatest key; NULL for an empty tree.
  vtree_node* max();
  // Inserts a key that the caller knows to be above every key in the tree: the
  // new node, or NULL (the keys of the tree as they were) when out of memory
  // or for a NULL root address.
  vtree_node* insert_above(void* key);
  // Forgets the right edge, after the tree was changed by other means.
  void reset() { known_ = false; }

 private:
  bool load_edge();
  void rise(int i);
  // A right edge of 64 nodes needs a tree of 2^32 nodes; a longer one is not
  // kept, and every insertion then goes down the tree.
  static constexpr int kCapacity = 64;
  vtree_node** rootp_;
  vtree_node* edge_[kCapacity];  // edge_[0] the root, each next one the right child of the one before
  int n_ = 0;
  uint64_t red_ = 0;      // bit i: edge_[i] is red
  uint64_t left_red_ = 0;  // bit i: the left child of edge_[i] is red
  bool known_ = false;
};

}  // namespace kal

// Removes the key pointer itself (not merely an equal key) from the tree and
// frees the node that held it; other keys comparing equal stay.  NULL when the
// key is not in the tree (nothing changes), otherwise a non-NULL value that is
// only meant to be tested (the parent of the tree node, or the tree node when
// only a chain entry went).
const void* vtree_delete(const void* key, vtree_node** rootp, vtree_cmp_fn compare);

// Leftmost and rightmost node; NULL for an empty tree.
vtree_node* vtree_find_min(vtree_node* root);
vtree_node* vtree_find_max(vtree_node* root);

// The whole tree.
void vtree_walk(const vtree_node* root, vtree_action_fn action, void* closure);
// Only the keys below, at most, at least, above the bound, and from low to
// high with both ends included.  Subtrees that cannot hold keys in range are
// not entered.
void vtree_walk_less(const vtree_node* root, const void* bound, vtree_cmp_fn compare, vtree_action_fn action,
                     void* closure);
void vtree_walk_le(const vtree_node* root, const void* bound, vtree_cmp_fn compare, vtree_action_fn action,
                   void* closure);
void vtree_walk_ge(const vtree_node* root, const void* bound, vtree_cmp_fn compare, vtree_action_fn action,
                   void* closure);
void vtree_walk_great(const vtree_node* root, const void* bound, vtree_cmp_fn compare, vtree_action_fn action,
                      void* closure);
void vtree_walk_gele(const vtree_node* root, const void* low, const void* high, vtree_cmp_fn compare,
                     vtree_action_fn action, void* closure);

// Frees the whole tree bottom-up; free_key (may be NULL) gets each tree node's
// own key, never the keys of its chain.
void vtree_destroy(vtree_node* root, vtree_free_fn free_key);

// The name of a visit kind ("vtree_preorder" for anything unknown), in the one
// static buffer vtree_str.
extern char vtree_str[16];
const char* vtree_enum2str(int visit);
