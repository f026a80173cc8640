// The dynamic value the formatters, the configuration settings and the table fields exchange:
// text, number (with the integer width it carries), date, date-time, logical, list, map,
// callback, object, raw pointer, or no value at all.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "util/date.h"

namespace velt {

// A number with the integer width the formatters use when no width is given. Numbers read from
// a numeric table field of length L and D decimals carry L (D = 0) or L - D - 1 (D > 0); every
// other number carries 10. It also carries its decimals (a field's D, the decimals of a picture);
// kAnyDecimals means "as many as the value needs" when it is written out as text.
struct Number {
    double value = 0;
    int intWidth = kDefaultWidth;
    int decimals = kAnyDecimals;

    static constexpr int kDefaultWidth = 10;
    static constexpr int kAnyDecimals = -1;
    static Number ofField(double value, int length, int decimals) {
        return {value, decimals == 0 ? length : length - decimals - 1, decimals};
    }
    friend bool operator==(const Number& a, const Number& b) { return a.value == b.value; }
};

struct DateTime {
    Date date;
    int secondsOfDay = 0;
    friend bool operator==(const DateTime&, const DateTime&) = default;
};

struct Nil {
    friend bool operator==(Nil, Nil) { return true; }
};

class Value;
using ValueList = std::vector<Value>;
using ValueMap = std::vector<std::pair<Value, Value>>;

// A code block: shown as "{ || ... }".
struct Callback {
    std::function<Value(const ValueList&)> fn;
    friend bool operator==(const Callback&, const Callback&) { return false; }
};

// An object of a class: shown by its class name.
struct ObjectRef {
    std::string className;
    std::shared_ptr<void> object;
    friend bool operator==(const ObjectRef& a, const ObjectRef& b) { return a.object == b.object; }
};

struct Pointer {
    const void* address = nullptr;
    friend bool operator==(const Pointer&, const Pointer&) = default;
};

class Value {
public:
    using Variant = std::variant<Nil, std::string, Number, Date, DateTime, bool,
                                 std::shared_ptr<ValueList>, std::shared_ptr<ValueMap>, Callback,
                                 ObjectRef, Pointer>;

    Value() = default;
    Value(Nil) {}
    Value(std::string text) : v_(std::move(text)) {}
    Value(const char* text) : v_(std::string(text)) {}
    Value(Number n) : v_(n) {}
    Value(double n) : v_(Number{n}) {}
    Value(int n) : v_(Number{static_cast<double>(n)}) {}
    Value(Date d) : v_(d) {}
    Value(DateTime dt) : v_(dt) {}
    Value(bool b) : v_(b) {}
    Value(ValueList list) : v_(std::make_shared<ValueList>(std::move(list))) {}
    Value(ValueMap map) : v_(std::make_shared<ValueMap>(std::move(map))) {}
    Value(Callback cb) : v_(std::move(cb)) {}
    Value(ObjectRef obj) : v_(std::move(obj)) {}
    Value(Pointer p) : v_(p) {}

    bool isNil() const { return std::holds_alternative<Nil>(v_); }
    bool isText() const { return std::holds_alternative<std::string>(v_); }
    bool isNumber() const { return std::holds_alternative<Number>(v_); }
    bool isDate() const { return std::holds_alternative<Date>(v_); }
    bool isLogical() const { return std::holds_alternative<bool>(v_); }

    // Accessors of the held kind; asking for another kind gives the empty value of that kind.
    const std::string& text() const {
        static const std::string empty;
        auto p = std::get_if<std::string>(&v_);
        return p ? *p : empty;
    }
    Number number() const {
        auto p = std::get_if<Number>(&v_);
        return p ? *p : Number{};
    }
    double num() const { return number().value; }
    Date date() const {
        auto p = std::get_if<Date>(&v_);
        return p ? *p : Date();
    }
    bool logical() const {
        auto p = std::get_if<bool>(&v_);
        return p ? *p : false;
    }

    const Variant& variant() const { return v_; }
    friend bool operator==(const Value& a, const Value& b) { return a.v_ == b.v_; }

private:
    Variant v_;
};

}  // namespace velt
