#include "data/veltdb/csv.h"

namespace velt::veltdb {

std::string csvField(const std::string& text) {
    bool quote = text.find_first_of(",\"\r\n") != std::string::npos ||
                 (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!quote) return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

std::string csvLine(const std::vector<std::string>& fields) {
    std::string out;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) out += ',';
        out += csvField(fields[i]);
    }
    return out;
}

std::optional<std::vector<std::string>> CsvReader::next(std::string& error) {
    std::vector<std::string> fields;
    std::string field;
    bool quoted = false, any = false, wasQuoted = false;
    recordLine_ = lineNo_;
    int c;
    while ((c = in_.get()) != EOF) {
        any = true;
        char ch = static_cast<char>(c);
        if (quoted) {
            if (ch == '"') {
                if (in_.peek() == '"') {
                    in_.get();
                    field += '"';
                } else {
                    quoted = false;
                }
            } else {
                if (ch == '\n') ++lineNo_;
                field += ch;
            }
            continue;
        }
        if (ch == '"' && field.empty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (ch == ',') {
            fields.push_back(std::move(field));
            field.clear();
            wasQuoted = false;
        } else if (ch == '\r' && in_.peek() == '\n') {
            continue;
        } else if (ch == '\n') {
            ++lineNo_;
            fields.push_back(std::move(field));
            return fields;
        } else {
            field += ch;
        }
    }
    if (quoted) {
        error = "virgolette non chiuse";
        return std::nullopt;
    }
    if (!any) return std::nullopt;
    fields.push_back(std::move(field));
    return fields;
}

}  // namespace velt::veltdb
