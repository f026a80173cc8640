// CSV as veltdb reads and writes it: comma-separated, fields with a comma, a quote, a line
// break or leading or trailing blanks quoted with '"' (a quote inside doubled), lines ended by
// CR LF or LF.
#pragma once

#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace velt::veltdb {

std::string csvField(const std::string& text);
std::string csvLine(const std::vector<std::string>& fields);  // without the line end

class CsvReader {
  public:
    explicit CsvReader(std::istream& in) : in_(in) {}
    // The next record; nullopt at the end. A quote left open is reported through `error`.
    std::optional<std::vector<std::string>> next(std::string& error);
    // Line number (1-based) where the last record returned began.
    int line() const { return recordLine_; }

  private:
    std::istream& in_;
    int lineNo_ = 1;
    int recordLine_ = 0;
};

}  // namespace velt::veltdb
