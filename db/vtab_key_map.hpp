// The records of a table by their key, for a pass that looks up many records
// one after another (a list page sorting repairs by their client's name, the
// export files): built once from the key index, then each look-up is an array
// read or a binary search over contiguous memory instead of a walk down the
// tree.  A look-up gives the record <T>_tab_get_<key>(tab, key, VTAB_CMP_EQUAL)
// gives.  The map holds pointers into the table: it is valid only while the
// table is not changed, so it lives no longer than the pass.
#pragma once

#include <cstdint>
#include <type_traits>
#include <utility>
#include <vector>

#include "db/vtab_table.hpp"

// Calls fn(record, first_of_key) for every record of the table in the order
// of its key index, <T>_tab_gets_<key>(tab, 0, VTAB_CMP_GE) lists them in (a
// key's records in the order they took it), without building that list.
template <class T, class Fn>
void vtab_for_each_by_key(const typename vtab_meta<T>::tab* tab, Fn&& fn) {
  if (tab == nullptr) return;
  std::vector<const vtree_node*> stack;
  for (const vtree_node* n = tab->*(vtab_meta<T>::index_root[0]); n != nullptr || !stack.empty();) {
    if (n != nullptr) {
      stack.push_back(n);
      n = n->left;
      continue;
    }
    n = stack.back();
    stack.pop_back();
    for (const vtree_node* k = n; k != nullptr; k = k->next)
      fn(*static_cast<const vtab_listelem<T>*>(k->key)->row, k == n);
    n = n->right;
  }
}

// Calls fn(record) first for the record of this key (a key's first record)
// and then for the records before it in the order of the key index,
// backwards, for as long as fn returns true; false when no record has the
// key.  It goes down the tree once and then visits only what fn asks for.
template <class T, class Fn>
bool vtab_back_from_key(const typename vtab_meta<T>::tab* tab, uint32_t key, Fn&& fn) {
  static_assert(std::is_same_v<typename vtab_meta<T>::key_kind, vtab_kind_z>, "a table with a numeric key");
  static_assert(requires { vtab_order<vtab_meta<T>::key_member>::builtin; }, "keys in their numeric order");
  if (tab == nullptr) return false;
  auto key_of = [](const vtree_node* n) {
    return static_cast<const vtab_listelem<T>*>(n->key)->row->*(vtab_meta<T>::key_member);
  };
  auto row_of = [](const vtree_node* n) -> const T& { return *static_cast<const vtab_listelem<T>*>(n->key)->row; };
  // The nodes still to visit, the greatest on top; each one's left subtree
  // is entered after it.
  std::vector<const vtree_node*> stack;
  const vtree_node* target = tab->*(vtab_meta<T>::index_root[0]);
  while (target != nullptr && key_of(target) != key) {
    if (key < key_of(target)) {
      target = target->left;
    } else {
      stack.push_back(target);
      target = target->right;
    }
  }
  if (target == nullptr) return false;
  auto push_right_edge = [&](const vtree_node* n) {
    for (; n != nullptr; n = n->right) stack.push_back(n);
  };
  if (!fn(row_of(target))) return true;
  push_right_edge(target->left);
  std::vector<const vtree_node*> chain;
  while (!stack.empty()) {
    const vtree_node* n = stack.back();
    stack.pop_back();
    chain.clear();
    for (const vtree_node* k = n; k != nullptr; k = k->next) chain.push_back(k);
    for (auto k = chain.rbegin(); k != chain.rend(); ++k)
      if (!fn(row_of(*k))) return true;
    push_right_edge(n->left);
  }
  return true;
}

template <class T>
class vtab_key_map {
  static_assert(std::is_same_v<typename vtab_meta<T>::key_kind, vtab_kind_z>, "a table with a numeric key");
  static_assert(requires { vtab_order<vtab_meta<T>::key_member>::builtin; }, "keys in their numeric order");

 public:
  explicit vtab_key_map(const typename vtab_meta<T>::tab* tab) {
    vtab_for_each_by_key<T>(tab, [this](const T& row, bool first_of_key) {
      if (first_of_key) sorted_.emplace_back(row.*(vtab_meta<T>::key_member), &row);
    });
    // Keys that fill their range well enough are read straight from an array.
    if (!sorted_.empty() && sorted_.back().first / 4 <= sorted_.size() + 1024) {
      dense_.assign(static_cast<std::size_t>(sorted_.back().first) + 1, nullptr);
      for (const auto& [key, row] : sorted_) dense_[key] = row;
      sorted_.clear();
      sorted_.shrink_to_fit();
    }
  }

  // The record of this key; NULL when there is none.
  const T* find(uint32_t key) const {
    if (!dense_.empty() || sorted_.empty()) return key < dense_.size() ? dense_[key] : nullptr;
    std::size_t low = 0, high = sorted_.size();
    while (low < high) {
      const std::size_t mid = low + (high - low) / 2;
      if (sorted_[mid].first < key) low = mid + 1;
      else high = mid;
    }
    return low < sorted_.size() && sorted_[low].first == key ? sorted_[low].second : nullptr;
  }

 private:
  std::vector<std::pair<uint32_t, const T*>> sorted_;
  std::vector<const T*> dense_;
};
