// Name tables of the expression language: variables (name -> cell) and
// functions (name -> routine). Names are stored upper-case; lookups are exact
// matches of the whole upper-case name.
#pragma once

#include <algorithm>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "expression/operations.h"

namespace binodal {

class VariableTable {
 public:
  // The cell bound to name (upper-case), or nullptr.
  [[nodiscard]] double* Find(std::string_view name) const {
    auto it = LowerBound(name);
    return it != entries_.end() && it->name == name ? it->cell : nullptr;
  }

  // Binds name (upper-case) to cell unless the name is bound already; returns
  // the cell bound to the name afterwards.
  double* Add(std::string name, double* cell) {
    auto it = LowerBound(name);
    if (it != entries_.end() && it->name == name) return it->cell;
    return entries_.insert(it, Entry{std::move(name), cell})->cell;
  }

  [[nodiscard]] std::size_t size() const { return entries_.size(); }

  // Whether any name satisfies `test` (called with a std::string_view).
  template <typename Test>
  [[nodiscard]] bool AnyName(Test test) const {
    return std::any_of(entries_.begin(), entries_.end(),
                       [&](const Entry& e) { return test(std::string_view(e.name)); });
  }

 private:
  struct Entry {
    std::string name;
    double* cell;
  };
  [[nodiscard]] std::vector<Entry>::const_iterator LowerBound(std::string_view name) const {
    return std::lower_bound(entries_.begin(), entries_.end(), name,
                            [](const Entry& e, std::string_view n) { return e.name < n; });
  }
  std::vector<Entry> entries_;
};

template <typename Routine>
class FunctionTable {
 public:
  struct Entry {
    std::string_view name;  // upper-case, with static storage (a string literal)
    Routine routine;
  };

  [[nodiscard]] const Entry* Find(std::string_view name) const {
    auto it = LowerBound(name);
    return it != entries_.end() && it->name == name ? &*it : nullptr;
  }

  // Registers a routine; a name registered twice is rejected.
  void Add(std::string_view name, Routine routine) {
    auto it = LowerBound(name);
    if (it != entries_.end() && it->name == name) {
      throw std::invalid_argument("duplicate function name " + std::string(name));
    }
    entries_.insert(it, Entry{name, routine});
  }

  // Whether any name satisfies `test` (called with a std::string_view).
  template <typename Test>
  [[nodiscard]] bool AnyName(Test test) const {
    return std::any_of(entries_.begin(), entries_.end(),
                       [&](const Entry& e) { return test(e.name); });
  }

 private:
  [[nodiscard]] typename std::vector<Entry>::const_iterator LowerBound(
      std::string_view name) const {
    return std::lower_bound(entries_.begin(), entries_.end(), name,
                            [](const Entry& e, std::string_view n) { return e.name < n; });
  }
  std::vector<Entry> entries_;
};

using FunctionTable1 = FunctionTable<Function1>;
using FunctionTable2 = FunctionTable<Function2>;

}  // namespace binodal
