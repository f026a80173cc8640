#include "ui/browse_source.h"

#include <algorithm>
#include <utility>

namespace velt {

ArraySource::ArraySource(long& nAt, std::function<long()> length)
    : nAt_(nAt), length_(std::move(length)) {}

long ArraySource::logicLen() {
    return std::max(0L, length_());
}

void ArraySource::goTop() {
    nAt_ = logicLen() > 0 ? 1 : 0;
}

void ArraySource::goBottom() {
    nAt_ = logicLen();
}

long ArraySource::skip(long n) {
    const long len = logicLen();
    if (len == 0) {
        nAt_ = 0;
        return 0;
    }
    const long from = std::clamp(nAt_, 1L, len);
    const long to = std::clamp(from + n, 1L, len);
    nAt_ = to;
    return to - from;
}

bool ArraySource::onRow() {
    return nAt_ >= 1 && nAt_ <= logicLen();
}

long ArraySource::keyNo() {
    return logicLen() > 0 ? std::clamp(nAt_, 1L, logicLen()) : 0;
}

void ArraySource::keyGoto(long n) {
    const long len = logicLen();
    nAt_ = len > 0 ? std::clamp(n, 1L, len) : 0;
}

void ArraySource::resync() {
    keyGoto(nAt_);
}

}  // namespace velt
