// Reference-counted two-dimensional arrays (arrays of rows). Assigning one
// matrix to another shares the rows; nothing is copied. New rows are
// zero-filled. Rows can be released one at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/Failure.h"

namespace velmora {

template <class T>
class tMatrixOf {
  public:
    using Row = std::vector<T>;

    /// Number of rows (0 for an empty matrix).
    size_t Rows() const { return rows_ ? rows_->size() : 0; }
    /// Length of the first row (0 when there is none).
    size_t Columns() const { return Rows() ? (*rows_)[0].size() : 0; }
    bool Empty() const { return Rows() == 0; }

    Row& operator[](size_t i) { return (*rows_)[i]; }
    const Row& operator[](size_t i) const { return (*rows_)[i]; }

    /// Checked row access: a bad index is an internal failure.
    Row& At(size_t i) {
        if (i >= Rows()) Fail("Индекс вне диапазона");
        return (*rows_)[i];
    }

    /// Re-creates the matrix (a new, unshared row array) with `rows` rows of
    /// `columns` zero elements.
    void Create(size_t rows, size_t columns) {
        rows_ = std::make_shared<std::vector<Row>>(rows, Row(columns, T{}));
    }
    /// Re-creates the matrix with `rows` empty rows, to be filled row by row.
    void CreateRows(size_t rows) { rows_ = std::make_shared<std::vector<Row>>(rows); }
    /// Returns row i's memory at once; the row becomes empty.
    void ReleaseRow(size_t i) { Row().swap((*rows_)[i]); }
    /// Drops this reference; the rows go when the last reference does.
    void Reset() { rows_.reset(); }
    /// True when both share the same row array.
    bool SharesWith(const tMatrixOf& o) const { return rows_ && rows_ == o.rows_; }

  private:
    std::shared_ptr<std::vector<Row>> rows_;
};

using tByteMatrix = tMatrixOf<uint8_t>;
using tSingleMatrix = tMatrixOf<float>;

}  // namespace velmora
