// Red-black tree with top-down insertion and bottom-up deletion, and chains of
// equal keys on one node.
#include "lib/vtree.hpp"

#include <array>
#include <cstdint>
#include <cstring>
#include <new>

char vtree_str[16];

namespace {

vtree_node* new_node(void* key) {
  return new (std::nothrow) vtree_node{key, nullptr, nullptr, nullptr, 1};
}

bool is_red(const vtree_node* n) { return n != nullptr && n->red; }

// The split step of the insertion.  rootp is the node just passed on the way
// down, parentp and gparentp its parent and grandparent slots, p_r and gp_r the
// comparisons that led from the grandparent to the parent and from the parent
// to the node.  A node with two red children (or, in final mode, the new node)
// turns red and its children black; a red parent is then repaired by one or two
// rotations about the grandparent.
void split(vtree_node** rootp, vtree_node** parentp, vtree_node** gparentp, int p_r, int gp_r, bool final_mode) {
  vtree_node* root = *rootp;
  vtree_node* l = root->left;
  vtree_node* r = root->right;
  if (!final_mode && !(is_red(l) && is_red(r))) return;
  root->red = 1;
  if (l) l->red = 0;
  if (r) r->red = 0;
  if (parentp == nullptr || !(*parentp)->red) return;
  vtree_node* gp = *gparentp;
  vtree_node* p = *parentp;
  if ((p_r < 0) == (gp_r < 0)) {
    // Both steps went the same way: the parent rises above the grandparent.
    p->red = 0;
    gp->red = 1;
    *gparentp = p;
    if (p_r < 0) {
      gp->left = p->right;
      p->right = gp;
    } else {
      gp->right = p->left;
      p->left = gp;
    }
  } else {
    // A zig-zag: the node itself rises above parent and grandparent.
    root->red = 0;
    p->red = 1;
    gp->red = 1;
    *gparentp = root;
    if (p_r < 0) {
      p->left = root->right;
      root->right = p;
      gp->right = root->left;
      root->left = gp;
    } else {
      p->right = root->left;
      root->left = p;
      gp->left = root->right;
      root->right = gp;
    }
  }
}

// A red-black tree of n nodes is at most 2*log2(n+1) deep.  Nodes take at least
// 40 bytes, so no tree that fits in a 64-bit address space is deeper than 118:
// the deletion's path always fits.
constexpr int kMaxDepth = 128;

void visit_chain(const vtree_node* node, vtree_action_fn action, void* closure, vtree_visit kind, int depth) {
  for (const vtree_node* n = node; n != nullptr; n = n->next) action(n, closure, kind, depth);
}

bool is_leaf(const vtree_node* n) { return n->left == nullptr && n->right == nullptr; }

void walk(const vtree_node* n, vtree_action_fn action, void* closure, int depth) {
  if (n == nullptr) return;
  if (is_leaf(n)) {
    visit_chain(n, action, closure, vtree_leaf, depth);
    return;
  }
  visit_chain(n, action, closure, vtree_preorder, depth);
  walk(n->left, action, closure, depth + 1);
  visit_chain(n, action, closure, vtree_postorder, depth);
  walk(n->right, action, closure, depth + 1);
  visit_chain(n, action, closure, vtree_endorder, depth);
}

// Keys up to the bound; strict leaves out keys equal to it.
void walk_upto(const vtree_node* n, const void* bound, vtree_cmp_fn compare, bool strict, vtree_action_fn action,
               void* closure, int depth) {
  if (n == nullptr) return;
  int c = compare(bound, n->key);
  bool in = strict ? c > 0 : c >= 0;
  if (is_leaf(n)) {
    if (in) visit_chain(n, action, closure, vtree_leaf, depth);
    return;
  }
  if (in) visit_chain(n, action, closure, vtree_preorder, depth);
  walk_upto(n->left, bound, compare, strict, action, closure, depth + 1);
  if (!in) return;
  visit_chain(n, action, closure, vtree_postorder, depth);
  walk_upto(n->right, bound, compare, strict, action, closure, depth + 1);
  visit_chain(n, action, closure, vtree_endorder, depth);
}

// Keys from the bound on; strict leaves out keys equal to it.
void walk_from(const vtree_node* n, const void* bound, vtree_cmp_fn compare, bool strict, vtree_action_fn action,
               void* closure, int depth) {
  if (n == nullptr) return;
  int c = compare(bound, n->key);
  bool in = strict ? c < 0 : c <= 0;
  if (is_leaf(n)) {
    if (in) visit_chain(n, action, closure, vtree_leaf, depth);
    return;
  }
  if (in) {
    visit_chain(n, action, closure, vtree_preorder, depth);
    walk_from(n->left, bound, compare, strict, action, closure, depth + 1);
    visit_chain(n, action, closure, vtree_postorder, depth);
  }
  walk_from(n->right, bound, compare, strict, action, closure, depth + 1);
  if (in) visit_chain(n, action, closure, vtree_endorder, depth);
}

void walk_between(const vtree_node* n, const void* low, const void* high, vtree_cmp_fn compare,
                  vtree_action_fn action, void* closure, int depth) {
  while (n != nullptr) {
    int c1 = compare(low, n->key);
    int c2 = compare(high, n->key);
    if (c1 <= 0 && c2 >= 0) break;
    if (is_leaf(n)) return;
    // Out of range: only one side can hold keys in range.
    n = c2 < 0 ? n->left : n->right;
    ++depth;
  }
  if (n == nullptr) return;
  if (is_leaf(n)) {
    visit_chain(n, action, closure, vtree_leaf, depth);
    return;
  }
  visit_chain(n, action, closure, vtree_preorder, depth);
  walk_between(n->left, low, high, compare, action, closure, depth + 1);
  visit_chain(n, action, closure, vtree_postorder, depth);
  walk_between(n->right, low, high, compare, action, closure, depth + 1);
  visit_chain(n, action, closure, vtree_endorder, depth);
}

void destroy(vtree_node* n, vtree_free_fn free_key) {
  while (n != nullptr) {
    destroy(n->left, free_key);
    vtree_node* right = n->right;
    if (free_key) free_key(n->key);
    for (vtree_node* c = n->next; c != nullptr;) {
      vtree_node* next = c->next;
      delete c;
      c = next;
    }
    delete n;
    n = right;  // the right subtree without growing the stack
  }
}

}  // namespace

namespace {

// The top-down insertion.  Above: the caller knows the key to be above every
// key of the tree, so that every step of the descent goes right and nothing
// is compared.
template <bool Above>
vtree_node* insert(void* key, vtree_node** rootp, vtree_cmp_fn compare, int* found) {
  if (found) *found = 0;
  if (rootp == nullptr) return nullptr;
  vtree_node** const top = rootp;
  vtree_node** parentp = nullptr;
  vtree_node** gparentp = nullptr;
  int p_r = 0, gp_r = 0, r = 0;
  if (*rootp != nullptr) (*rootp)->red = 0;
  vtree_node** nextp = rootp;
  while (*nextp != nullptr) {
    vtree_node* root = *rootp;
    r = Above ? 1 : compare(key, root->key);
    if (!Above && r == 0) {
      vtree_node* tail = root;
      while (tail->next != nullptr) tail = tail->next;
      vtree_node* q = new_node(key);
      // Out of memory: nothing is added, and the caller must be able to tell.
      if (q == nullptr) return nullptr;
      q->red = 0;
      tail->next = q;
      (*top)->red = 0;
      if (found) *found = 1;
      return root;
    }
    // A rotation here leaves parentp and gparentp stale; they are not used
    // again before the descent has passed two fresh levels, because the
    // children of a node just split are black and have black children.
    split(rootp, parentp, gparentp, p_r, gp_r, false);
    nextp = r < 0 ? &root->left : &root->right;
    if (*nextp == nullptr) break;
    gparentp = parentp;
    parentp = rootp;
    rootp = nextp;
    gp_r = p_r;
    p_r = r;
  }
  vtree_node* q = new_node(key);
  if (q == nullptr) {
    if (*top != nullptr) (*top)->red = 0;  // a split on the way down may have painted it red
    return nullptr;
  }
  *nextp = q;
  if (nextp != rootp) split(nextp, rootp, parentp, r, p_r, true);
  (*top)->red = 0;  // the root stays black between operations
  return q;
}

}  // namespace

vtree_node* vtree_search(void* key, vtree_node** rootp, vtree_cmp_fn compare, int* found) {
  return insert<false>(key, rootp, compare, found);
}

namespace kal {

namespace {

constexpr uint64_t bit(int i) { return uint64_t{1} << i; }

// The mask without bit i, the bits above it one lower.
constexpr uint64_t without_bit(uint64_t m, int i) { return (m & (bit(i) - 1)) | ((m >> 1) & ~(bit(i) - 1)); }

}  // namespace

bool vtree_appender::load_edge() {
  n_ = 0;
  red_ = left_red_ = 0;
  known_ = false;
  if (rootp_ == nullptr) return false;
  for (vtree_node* n = *rootp_; n != nullptr; n = n->right) {
    if (n_ == kCapacity) return false;
    if (n->red) red_ |= bit(n_);
    if (is_red(n->left)) left_red_ |= bit(n_);
    edge_[n_++] = n;
  }
  known_ = true;
  return true;
}

vtree_node* vtree_appender::max() {
  if (!known_ && !load_edge()) return rootp_ ? vtree_find_max(*rootp_) : nullptr;
  return n_ > 0 ? edge_[n_ - 1] : nullptr;
}

// The parent of edge_[i] rises above its grandparent, which leaves the edge to
// become the parent's left child: the rotation of split() where both steps
// went right.
void vtree_appender::rise(int i) {
  vtree_node* p = edge_[i - 1];
  vtree_node* gp = edge_[i - 2];
  p->red = 0;
  gp->red = 1;
  (i == 2 ? *rootp_ : edge_[i - 3]->right) = p;
  gp->right = p->left;
  p->left = gp;
  for (int j = i - 2; j + 1 < n_; ++j) edge_[j] = edge_[j + 1];
  --n_;
  red_ = without_bit(red_, i - 2) & ~bit(i - 2);
  left_red_ = without_bit(left_red_, i - 2) | bit(i - 2);
}

// The descent of vtree_search down the right edge: the same steps at the
// same nodes, but the nodes come from the kept edge and none is compared.
// The colours of the edge's nodes and of their left children are kept as
// bits too, so that the nodes where the descent splits are found at once.
vtree_node* vtree_appender::insert_above(void* key) {
  if (rootp_ == nullptr) return nullptr;
  if ((!known_ && !load_edge()) || n_ == kCapacity) {
    known_ = false;
    return insert<true>(key, rootp_, nullptr, nullptr);
  }
  if (n_ > 0) edge_[0]->red = 0;
  red_ &= ~bit(0);
  // A node with two red children (its right child is the next on the edge)
  // turns red and its children black; a red parent then rises.  Splitting a
  // node changes no other node's children, so the nodes to split are those
  // found before the first split; each rise takes a node off the edge above
  // the ones still to come.
  uint64_t splits = left_red_ & (red_ >> 1);
  int risen = 0;
  for (; splits != 0; splits &= splits - 1) {
    int i = __builtin_ctzll(splits) - risen;
    vtree_node* n = edge_[i];
    n->red = 1;
    n->left->red = 0;
    n->right->red = 0;
    red_ = (red_ | bit(i)) & ~bit(i + 1);
    left_red_ &= ~bit(i);
    if (i >= 2 && (red_ & bit(i - 1))) {
      rise(i);
      ++risen;
    }
  }
  vtree_node* q = new_node(key);
  if (q == nullptr) {
    if (*rootp_ != nullptr) (*rootp_)->red = 0;
    known_ = false;
    return nullptr;
  }
  if (n_ == 0) *rootp_ = q;
  else edge_[n_ - 1]->right = q;
  edge_[n_] = q;
  red_ |= bit(n_);
  left_red_ &= ~bit(n_);
  ++n_;
  // The new node is red: under a red parent, that parent rises.
  if (n_ >= 3 && (red_ & bit(n_ - 2))) rise(n_ - 1);
  (*rootp_)->red = 0;
  red_ &= ~bit(0);
  return q;
}

}  // namespace kal

const void* vtree_delete(const void* key, vtree_node** rootp, vtree_cmp_fn compare) {
  if (rootp == nullptr || *rootp == nullptr) return nullptr;
  vtree_node** const top = rootp;
  std::array<vtree_node**, kMaxDepth> stack;
  int sp = 0;
  vtree_node* p = *rootp;
  int cmp;
  while ((cmp = compare(key, p->key)) != 0) {
    stack[sp++] = rootp;
    rootp = cmp < 0 ? &p->left : &p->right;
    p = *rootp;
    if (p == nullptr) return nullptr;
  }
  vtree_node* root = p;

  // Several keys on the node: only the given one goes, the node stays.
  if (root->next != nullptr) {
    if (root->key == key) {
      vtree_node* first = root->next;
      root->key = first->key;
      root->next = first->next;
      delete first;
      return root;
    }
    for (vtree_node* prev = root; prev->next != nullptr; prev = prev->next) {
      if (prev->next->key == key) {
        vtree_node* gone = prev->next;
        prev->next = gone->next;
        delete gone;
        return root;
      }
    }
    return nullptr;  // an equal key, but not this one
  }
  if (root->key != key) return nullptr;

  const void* result = sp > 0 ? static_cast<const void*>(*stack[sp - 1]) : static_cast<const void*>(rootp);

  // The node to unchain is the node itself when it has at most one child,
  // else its in-order successor, whose key and chain move into the node.
  vtree_node* unchained;
  if (root->left == nullptr || root->right == nullptr) {
    unchained = root;
  } else {
    vtree_node** parentp = rootp;
    vtree_node** up = &root->right;
    for (;;) {
      stack[sp++] = parentp;
      parentp = up;
      if ((*up)->left == nullptr) break;
      up = &(*up)->left;
    }
    unchained = *up;
  }

  vtree_node* r = unchained->left != nullptr ? unchained->left : unchained->right;
  if (sp == 0) {
    *rootp = r;
  } else {
    vtree_node* q = *stack[sp - 1];
    if (unchained == q->right) q->right = r;
    else q->left = r;
  }
  if (unchained != root) {
    root->key = unchained->key;
    root->next = unchained->next;
  }

  if (!unchained->red) {
    // A black node went: every path through r lacks one black node.  Empty
    // subtrees count as black.
    while (sp > 0 && !is_red(r)) {
      vtree_node** pp = stack[sp - 1];
      p = *pp;
      if (r == p->left) {
        vtree_node* q = p->right;
        if (q->red) {
          // Red sibling: rotate it above the parent so that the sibling is black.
          q->red = 0;
          p->red = 1;
          p->right = q->left;
          q->left = p;
          *pp = q;
          stack[sp++] = pp = &q->left;
          q = p->right;
        }
        if (!is_red(q->left) && !is_red(q->right)) {
          q->red = 1;
          r = p;
        } else {
          if (!is_red(q->right)) {
            vtree_node* q2 = q->left;
            q2->red = p->red;
            p->right = q2->left;
            q->left = q2->right;
            q2->right = q;
            q2->left = p;
            *pp = q2;
            p->red = 0;
          } else {
            q->red = p->red;
            p->red = 0;
            q->right->red = 0;
            p->right = q->left;
            q->left = p;
            *pp = q;
          }
          sp = 1;
          r = nullptr;
        }
      } else {
        vtree_node* q = p->left;
        if (q->red) {
          q->red = 0;
          p->red = 1;
          p->left = q->right;
          q->right = p;
          *pp = q;
          stack[sp++] = pp = &q->right;
          q = p->left;
        }
        if (!is_red(q->left) && !is_red(q->right)) {
          q->red = 1;
          r = p;
        } else {
          if (!is_red(q->left)) {
            vtree_node* q2 = q->right;
            q2->red = p->red;
            p->left = q2->right;
            q->right = q2->left;
            q2->left = q;
            q2->right = p;
            *pp = q2;
            p->red = 0;
          } else {
            q->red = p->red;
            p->red = 0;
            q->left->red = 0;
            p->left = q->right;
            q->right = p;
            *pp = q;
          }
          sp = 1;
          r = nullptr;
        }
      }
      --sp;
    }
    if (r != nullptr) r->red = 0;
  }
  delete unchained;
  if (*top != nullptr) (*top)->red = 0;
  return result;
}

vtree_node* vtree_find_min(vtree_node* root) {
  if (root == nullptr) return nullptr;
  while (root->left != nullptr) root = root->left;
  return root;
}

vtree_node* vtree_find_max(vtree_node* root) {
  if (root == nullptr) return nullptr;
  while (root->right != nullptr) root = root->right;
  return root;
}

void vtree_walk(const vtree_node* root, vtree_action_fn action, void* closure) {
  if (root == nullptr || action == nullptr) return;
  walk(root, action, closure, 0);
}

void vtree_walk_less(const vtree_node* root, const void* bound, vtree_cmp_fn compare, vtree_action_fn action,
                     void* closure) {
  if (root == nullptr || action == nullptr) return;
  walk_upto(root, bound, compare, true, action, closure, 0);
}

void vtree_walk_le(const vtree_node* root, const void* bound, vtree_cmp_fn compare, vtree_action_fn action,
                   void* closure) {
  if (root == nullptr || action == nullptr) return;
  walk_upto(root, bound, compare, false, action, closure, 0);
}

void vtree_walk_ge(const vtree_node* root, const void* bound, vtree_cmp_fn compare, vtree_action_fn action,
                   void* closure) {
  if (root == nullptr || action == nullptr) return;
  walk_from(root, bound, compare, false, action, closure, 0);
}

void vtree_walk_great(const vtree_node* root, const void* bound, vtree_cmp_fn compare, vtree_action_fn action,
                      void* closure) {
  if (root == nullptr || action == nullptr) return;
  walk_from(root, bound, compare, true, action, closure, 0);
}

void vtree_walk_gele(const vtree_node* root, const void* low, const void* high, vtree_cmp_fn compare,
                     vtree_action_fn action, void* closure) {
  if (root == nullptr || action == nullptr) return;
  walk_between(root, low, high, compare, action, closure, 0);
}

void vtree_destroy(vtree_node* root, vtree_free_fn free_key) { destroy(root, free_key); }

const char* vtree_enum2str(int visit) {
  const char* name;
  switch (visit) {
    case vtree_postorder: name = "vtree_postorder"; break;
    case vtree_endorder: name = "vtree_endorder"; break;
    case vtree_leaf: name = "vtree_leaf"; break;
    default: name = "vtree_preorder"; break;
  }
  std::strcpy(vtree_str, name);
  return vtree_str;
}
