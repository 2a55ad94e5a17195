// A two-dimensional array of text with lower bound 0 in both dimensions, the
// shape the component hands lists to an application in (installed
// applications, projects). A row is one item, a column one of its values.
//
// Resizing keeps every cell that lies inside both the old and the new bounds
// and gives new cells empty text, as resizing an array "keeping its contents"
// does. Reading outside the bounds gives empty text and writing outside them
// does nothing, so no member ever throws. Not thread-safe.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace pds {

class TextTable {
 public:
  TextTable() = default;
  TextTable(std::size_t rows, std::size_t columns) { Resize(rows, columns); }

  std::size_t Rows() const { return rows_; }
  std::size_t Columns() const { return columns_; }
  bool IsEmpty() const { return rows_ == 0 || columns_ == 0; }

  // New bounds 0..rows-1 by 0..columns-1; cells inside both bounds keep their text.
  void Resize(std::size_t rows, std::size_t columns) {
    if (rows == rows_ && columns == columns_) return;
    std::vector<std::string> cells(rows * columns);
    for (std::size_t r = 0; r < rows && r < rows_; ++r) {
      for (std::size_t c = 0; c < columns && c < columns_; ++c) {
        cells[r * columns + c] = std::move(cells_[r * columns_ + c]);
      }
    }
    cells_ = std::move(cells);
    rows_ = rows;
    columns_ = columns;
  }

  // Empty text outside the bounds.
  const std::string& Get(std::size_t row, std::size_t column) const {
    static const std::string kNone;
    return InBounds(row, column) ? cells_[row * columns_ + column] : kNone;
  }

  // False, and nothing changed, outside the bounds.
  bool Set(std::size_t row, std::size_t column, std::string text) {
    if (!InBounds(row, column)) return false;
    cells_[row * columns_ + column] = std::move(text);
    return true;
  }

  bool operator==(const TextTable& other) const = default;

 private:
  bool InBounds(std::size_t row, std::size_t column) const { return row < rows_ && column < columns_; }

  std::size_t rows_ = 0;
  std::size_t columns_ = 0;
  std::vector<std::string> cells_;  // row-major
};

}  // namespace pds
