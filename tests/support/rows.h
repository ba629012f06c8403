// Table-driven tests where every row reports on its own: each row runs under its own trace, in
// a function of its own, so a failed ASSERT ends that row only and the rows after it still run.
#pragma once

#include <gtest/gtest.h>

namespace folio::test {

// Runs check(row) for every row of rows; a row names itself in its member what.
template <typename Rows, typename Check> void forEachRow(const Rows& rows, Check check) {
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        check(row);
    }
}

} // namespace folio::test
