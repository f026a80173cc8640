// Where a table browse takes its rows from: a moving position over an ordered set of rows.
// The browse never reads rows itself; it moves the source and asks its line callback for the
// values of the row the source stands on. A list (`SetArray`) and a work area are the two sources
// the program uses; the work-area one lives in browse_workarea.h.
#pragma once

#include <functional>

namespace velt {

class BrowseSource {
  public:
    virtual ~BrowseSource() = default;
    // Number of rows (the keys of the active order within its range or view).
    virtual long logicLen() = 0;
    virtual void goTop() = 0;
    virtual void goBottom() = 0;
    // Moves by n rows, stopping at the first or last row; answers the rows actually moved.
    virtual long skip(long n) = 0;
    // Whether the source stands on a row (false when there are none).
    virtual bool onRow() = 0;
    // 1-based position of the current row in the order; 0 when there are no rows.
    virtual long keyNo() = 0;
    // Moves to the row at position n (clamped to 1 ... logicLen()).
    virtual void keyGoto(long n) = 0;
    // Comes back onto a shown row after others moved, deleted or added rows: a deleted current
    // row gives way to the next one, a position past the end to the last row.
    virtual void resync() = 0;
};

// A list of `length()` elements whose current element is `nAt` (1-based, 0 when empty).
class ArraySource : public BrowseSource {
  public:
    ArraySource(long& nAt, std::function<long()> length);
    long logicLen() override;
    void goTop() override;
    void goBottom() override;
    long skip(long n) override;
    bool onRow() override;
    long keyNo() override;
    void keyGoto(long n) override;
    void resync() override;

  private:
    long& nAt_;
    std::function<long()> length_;
};

}  // namespace velt
